// trasvidora: turns a SEPA direct-debit remittance prepared for collection into one for advance
// financing.

#include <windows.h>

#include <commctrl.h>
#include <objbase.h>

#include <exception>

#include "dpi.h"
#include "file_error_message.h"
#include "main_window.h"
#include "message_boxes.h"
#include "remittance_files.h"
#include "texts.h"

namespace {

// COM on the window's thread for the life of the program: the remittance list's name reaches
// screen readers through it.
class ComApartment {
 public:
  ComApartment() : started_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
  ~ComApartment() {
    if (SUCCEEDED(started_)) CoUninitialize();
  }
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;

 private:
  const HRESULT started_;
};

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int showCommand) {
  const dpi::NewerFunctions dpiFunctions = dpi::NewerFunctions::ofThisSystem();
  dpi::becomeDpiAware(dpiFunctions);
  const INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);
  const ComApartment com;

  MessageBoxes messages;
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
