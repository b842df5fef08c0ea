// trasvidora: turns a SEPA direct-debit remittance prepared for collection into one for advance
// financing.

#include <windows.h>

#include <commctrl.h>

#include <exception>

#include "com_apartment.h"
#include "dpi.h"
#include "file_error_message.h"
#include "main_window.h"
#include "message_boxes.h"
#include "processor_check.h"
#include "remittance_files.h"
#include "texts.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int showCommand) {
  MessageBoxes messages;
  if (!processorRunsProgram(IsProcessorFeaturePresent(PF_XMMI64_INSTRUCTIONS_AVAILABLE), messages))
    return 1;
  const dpi::NewerFunctions dpiFunctions = dpi::NewerFunctions::ofThisSystem();
  dpi::becomeDpiAware(dpiFunctions);
  const INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);
  const ComApartment com;

  try {
    MainWindow window(messages, remittance::remittanceFolder(), dpiFunctions);
    // A start that ended the program leaves the loop only its end to read.
    window.start(showCommand);
    return window.runMessageLoop();
  } catch (const std::exception& error) {
    messages.showMessage(nullptr, describeUnexpectedError(error), texts::kMessageCaption);
    return 1;
  }
}
