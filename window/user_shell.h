#pragma once

// What the window asks of the user's session: showing a message and ending the program. The
// program uses the real session; the window tests record instead.

#include <windows.h>

#include <string>

class UserShell {
 public:
  virtual ~UserShell() = default;

  // A message box owned by `owner` with the text and caption, an OK button only and no icon;
  // returns when the user has closed it.
  virtual void showMessage(HWND owner, const std::wstring& text, const std::wstring& caption) = 0;

  // Ends the program at once with `exitCode`: every window closes, nothing is saved and nothing
  // is asked.
  virtual void endProgram(UINT exitCode) = 0;
};
