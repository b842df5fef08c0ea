#pragma once

// The screen's dots per inch. The per-monitor DPI functions of user32 came after Windows 7, so
// they are looked up while the program runs; where they are missing the window follows the system
// DPI, which the screen's device context tells on every version.

#include <windows.h>

namespace dpi {

// The newer user32 functions the window uses; null where the system lacks them.
struct NewerFunctions {
  UINT(WINAPI* getDpiForWindow)(HWND) = nullptr;
  BOOL(WINAPI* setProcessDpiAwarenessContext)(HANDLE) = nullptr;

  // The functions as this system's user32 has them.
  static NewerFunctions ofThisSystem();
};

// Asks for per-monitor DPI awareness (version 2) or, on systems before it, for system DPI
// awareness, so that Windows never stretches the window's pixels.
void becomeDpiAware(const NewerFunctions& functions);

// The DPI of the screen the window is on, or the system DPI where that cannot be told.
UINT dpiOfWindow(const NewerFunctions& functions, HWND window);

// The system DPI, from the screen's device context.
UINT systemDpi();

}  // namespace dpi
