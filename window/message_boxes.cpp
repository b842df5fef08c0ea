#include "message_boxes.h"

#include "held_keys.h"
#include "scoped_handle.h"

namespace {

using Hook = remittance::Owned<HHOOK, UnhookWindowsHookEx>;

// Sees every message of the box's own loop before the box does.
LRESULT CALLBACK holdBackRepeatedKeys(int code, WPARAM wParam, LPARAM lParam) {
  if (code >= 0 && isRepeatedKeyPress(*reinterpret_cast<const MSG*>(lParam))) return TRUE;
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

}  // namespace

void MessageBoxes::showMessage(HWND owner, const std::wstring& text, const std::wstring& caption) {
  const Hook hook(
      SetWindowsHookExW(WH_MSGFILTER, &holdBackRepeatedKeys, nullptr, GetCurrentThreadId()));
  MessageBoxW(owner, text.c_str(), caption.c_str(), MB_OK);
}
