// trasvidora: turns a SEPA direct-debit remittance prepared for collection into one for advance
// financing.

#include <windows.h>

#include <commctrl.h>

#include <exception>

#include "error_message.h"
#include "message_loop.h"
#include "remittance_files.h"
#include "texts.h"
#include "trasvidora_window.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int showCommand) {
  // The manifest asks for the same; this covers a copy of the program that lost it.
  SetProcessDpiAwarenessContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2);
  const INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);

  SystemShell shell;
  try {
    Trasvidora window(shell, remittance::remittanceFolder());
    if (!window.start(showCommand)) return 0;
    return runMessageLoop(window.handle());
  } catch (const std::exception& error) {
    shell.showMessage(nullptr, describeUnexpectedError(error), texts::kMessageCaption);
    return 1;
  }
}
