#pragma once

// The main window: a borderless window that draws its own frame, title strip and close button,
// lists the remittance files and converts the selected one with the change button.

#include <windows.h>

#include <optional>
#include <string>

#include "dpi.h"
#include "message_shower.h"
#include "painting.h"
#include "remittance_files.h"

// Identifiers of the child windows. They stay clear of IDOK and IDCANCEL, which the dialog
// manager sends for Enter and Esc when no push button has the focus.
inline constexpr int kChangeButtonId = 103;
inline constexpr int kRemittanceListId = 109;
inline constexpr int kExitButtonId = 110;

class MainWindow {
 public:
  // `remittanceFolder` is the folder whose "*.xml" files are listed, with a closing separator.
  // `dpiFunctions` are the newer DPI functions of user32, null where the system lacks them.
  // `labelFace` is the face of the labels and of the buttons' captions.
  MainWindow(MessageShower& messages, std::wstring remittanceFolder,
             dpi::NewerFunctions dpiFunctions = dpi::NewerFunctions::ofThisSystem(),
             std::wstring labelFace = painting::kLabelFace);
  MainWindow(const MainWindow&) = delete;
  MainWindow& operator=(const MainWindow&) = delete;
  ~MainWindow();

  // Creates the window hidden, lists the remittances and checks the first one, then shows the
  // window with the focus on the change button. Returns false, with the window never shown, when
  // the program ended on the way, after a message when it failed. Throws std::runtime_error when
  // the window cannot be created at all.
  bool start(int showCommand);

  // Runs until the program ends and returns its exit code: 0, or 1 after a failure (the queue
  // failing to give the next message included).
  int runMessageLoop();

  // Hands one message of the thread's queue on, with the keys of the controls handled as in a
  // dialog box: Tab and Shift+Tab move the focus, Enter and Space press the focused push button.
  // A key held down presses no button again. Left and Right scroll a list of names wider than
  // itself sideways.
  void dispatch(MSG& message);

  HWND handle() const { return window_; }

  // For the window tests only.
  const painting::Surface& surfaceForTesting() const { return *surface_; }

 private:
  enum class Pointer { Default, Wait };

  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);

  void OnPaint();
  void OnCommand(int id, int notification);
  bool OnSetCursor();
  void OnMouseMove(POINT point);
  void OnLeftButtonDown(POINT point);
  void OnLeftButtonUp(POINT point);
  void OnActivate(bool active);
  void OnSetFocus();
  void OnDpiChanged(UINT dpi, const RECT& suggested);

  void createChildren();
  void placeWindow();
  void placeChildren();
  void applyFonts();

  void fillRemittanceList();
  void nameList();
  void checkSelectedRemittance();
  void convertSelectedRemittance();
  void lightCloseButton(bool lit);

  // Called in a catch block: ends the program after a message about the failure being handled.
  void endAfterFailure() noexcept;
  // Keys typed before the message comes up do not answer it.
  void showMessage(const std::wstring& text);
  // Closes the window; the message loop then ends with the exit code, 1 after any failure.
  void endProgram(UINT exitCode);
  void setPointer(Pointer pointer);
  std::wstring selectedPath() const;

  MessageShower& messages_;
  const std::wstring folder_;
  const dpi::NewerFunctions dpiFunctions_;
  const std::wstring labelFace_;
  HWND window_ = nullptr;
  HWND changeButton_ = nullptr;
  HWND remittanceList_ = nullptr;
  HWND exitButton_ = nullptr;
  HWND lastFocus_ = nullptr;
  std::optional<painting::Surface> surface_;
  bool closeButtonPressed_ = false;
  Pointer pointer_ = Pointer::Default;
  UINT exitCode_ = 0;
};
