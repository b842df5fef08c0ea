#include "dpi.h"

#include "scoped_handle.h"

namespace dpi {
namespace {

// DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2, which the Windows 7 headers do not know.
const HANDLE kPerMonitorAwareV2 = reinterpret_cast<HANDLE>(static_cast<INT_PTR>(-4));

template <typename Function>
Function lookUp(HMODULE module, const char* name) {
  // Through the generic function pointer type, which converts to any other without a warning.
  return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

}  // namespace

NewerFunctions NewerFunctions::ofThisSystem() {
  const HMODULE user32 = GetModuleHandleW(L"user32.dll");
  NewerFunctions functions;
  if (!user32) return functions;
  functions.getDpiForWindow = lookUp<decltype(getDpiForWindow)>(user32, "GetDpiForWindow");
  functions.setProcessDpiAwarenessContext =
      lookUp<decltype(setProcessDpiAwarenessContext)>(user32, "SetProcessDpiAwarenessContext");
  return functions;
}

void becomeDpiAware(const NewerFunctions& functions) {
  // The manifest asks for the same; this covers a copy of the program that lost it. A process
  // that is already aware keeps what it has.
  if (functions.setProcessDpiAwarenessContext &&
      functions.setProcessDpiAwarenessContext(kPerMonitorAwareV2)) {
    return;
  }
  SetProcessDPIAware();
}

UINT dpiOfWindow(const NewerFunctions& functions, HWND window) {
  if (functions.getDpiForWindow) {
    if (const UINT dpi = functions.getDpiForWindow(window)) return dpi;
  }
  return systemDpi();
}

UINT systemDpi() {
  const ScreenDc screen(GetDC(nullptr));
  const int dpi = screen.valid() ? GetDeviceCaps(screen.get(), LOGPIXELSX) : 0;
  return dpi > 0 ? static_cast<UINT>(dpi) : USER_DEFAULT_SCREEN_DPI;
}

}  // namespace dpi
