#pragma once

// How the window shows the user a message. The program uses message boxes; the window tests
// record the messages instead.

#include <windows.h>

#include <string>

class MessageShower {
 public:
  virtual ~MessageShower() = default;

  // A message box owned by `owner` with the text and caption, an OK button only and no icon;
  // returns when the user has closed it.
  virtual void showMessage(HWND owner, const std::wstring& text, const std::wstring& caption) = 0;
};
