#pragma once

#include "message_shower.h"

// The system's message box, with an OK button only and no icon. A key held down does not answer
// it: the Enter that pressed the change button, still held, would close its answer at once.
class MessageBoxes final : public MessageShower {
 public:
  void showMessage(HWND owner, const std::wstring& text, const std::wstring& caption) override;
};
