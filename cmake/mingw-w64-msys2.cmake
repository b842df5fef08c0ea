# The same Windows build on Windows itself, in an MSYS2 shell (the Windows runners use its MINGW32
# one): its mingw-w64 tools go by their plain names, first on that shell's PATH, and the test
# programs run as they are, without Wine. Everything else comes from the cross build's file.
#   cmake --preset windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-msys2.cmake
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-i686.cmake)

set(CMAKE_C_COMPILER gcc)
set(CMAKE_CXX_COMPILER g++)
set(CMAKE_RC_COMPILER windres)
unset(CMAKE_CROSSCOMPILING_EMULATOR)
