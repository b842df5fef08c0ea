# 32-bit Windows (i686): the program that ships. One 32-bit program runs on every Windows: on
# 32-bit Windows, through WoW64 on 64-bit Windows, and through the x86 emulation of Windows 11
# on ARM.
#
# The compiler's defaults are kept: code for any i686 processor (no SSE), so no instruction needs
# a stack aligned beyond the 4 bytes that 32-bit Windows gives callbacks; exceptions unwind by
# DWARF tables, which cannot cross the system's frames, so none may leave a callback.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(TRASVIDORA_MINGW_TARGET i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
