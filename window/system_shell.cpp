#include "user_shell.h"

void SystemShell::showMessage(HWND owner, const std::wstring& text, const std::wstring& caption) {
  MessageBoxW(owner, text.c_str(), caption.c_str(), MB_OK);
}

void SystemShell::endProgram(int exitCode) {
  ExitProcess(static_cast<UINT>(exitCode));
}
