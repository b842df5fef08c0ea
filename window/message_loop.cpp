#include "message_loop.h"

namespace {

bool isPushButton(HWND control) {
  const LRESULT code = SendMessageW(control, WM_GETDLGCODE, 0, 0);
  return (code & (DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON)) != 0;
}

// Enter presses the push button that has the focus, default button or not; the dialog manager
// alone would only press a default button.
bool pressFocusedButton(HWND window, const MSG& message) {
  if (message.message != WM_KEYDOWN || message.wParam != VK_RETURN) return false;
  if (!IsChild(window, message.hwnd) || !isPushButton(message.hwnd)) return false;
  SendMessageW(message.hwnd, BM_CLICK, 0, 0);
  return true;
}

void dispatch(HWND window, MSG& message) {
  if (IsWindow(window) &&
      (pressFocusedButton(window, message) || IsDialogMessageW(window, &message))) {
    return;
  }
  TranslateMessage(&message);
  DispatchMessageW(&message);
}

}  // namespace

int runMessageLoop(HWND window) {
  MSG message{};
  while (GetMessageW(&message, nullptr, 0, 0) > 0) dispatch(window, message);
  return static_cast<int>(message.wParam);
}

void dispatchWaitingMessages(HWND window) {
  MSG message{};
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(message.wParam));
      return;
    }
    dispatch(window, message);
  }
}
