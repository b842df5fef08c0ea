#include "message_loop.h"

namespace {

void dispatch(HWND window, MSG& message) {
  if (IsWindow(window) && IsDialogMessageW(window, &message)) return;
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
