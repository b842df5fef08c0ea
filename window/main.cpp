// trasvidora: turns a SEPA direct-debit remittance prepared for collection into one for advance
// financing.

#include <windows.h>

#include <commctrl.h>

#include <exception>

#include "dpi.h"
#include "file_error_message.h"
#include "main_window.h"
#include "remittance_files.h"
#include "texts.h"

namespace {

// The user's real session: message boxes, and the end of the process.
class SystemShell final : public UserShell {
 public:
  void showMessage(HWND owner, const std::wstring& text, const std::wstring& caption) override {
    MessageBoxW(owner, text.c_str(), caption.c_str(), MB_OK);
  }
  [[noreturn]] void endProgram(UINT exitCode) override { ExitProcess(exitCode); }
};

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int showCommand) {
  const dpi::NewerFunctions dpiFunctions = dpi::NewerFunctions::ofThisSystem();
  dpi::becomeDpiAware(dpiFunctions);
  const INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);

  SystemShell shell;
  try {
    MainWindow window(shell, remittance::remittanceFolder(), dpiFunctions);
    if (!window.start(showCommand)) return 0;
    return window.runMessageLoop();
  } catch (const std::exception& error) {
    shell.showMessage(nullptr, describeUnexpectedError(error), texts::kMessageCaption);
    return 1;
  }
}
