# Cross build for Windows with Debian's mingw-w64 (POSIX threads flavour), for the target that
# TRASVIDORA_MINGW_TARGET names (i686-w64-mingw32 or x86_64-w64-mingw32): included by
# mingw-w64-i686.cmake and mingw-w64-x86_64.cmake.
set(CMAKE_SYSTEM_NAME Windows)

set(CMAKE_C_COMPILER ${TRASVIDORA_MINGW_TARGET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TRASVIDORA_MINGW_TARGET}-g++-posix)
set(CMAKE_RC_COMPILER ${TRASVIDORA_MINGW_TARGET}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${TRASVIDORA_MINGW_TARGET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

# Test programs run under Wine.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run.sh)
