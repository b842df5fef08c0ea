# 64-bit Windows (x86-64): the build the Windows tests run on under Wine, where the machine runs
# no 32-bit code.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(TRASVIDORA_MINGW_TARGET x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
