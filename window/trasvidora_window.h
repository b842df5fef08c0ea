#pragma once

// The main window "Trasvidora": a borderless window that draws its own frame, title strip and
// close button, lists the remittance files and converts the selected one.

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "fonts.h"
#include "layout.h"
#include "pictures.h"
#include "remittance_files.h"
#include "user_shell.h"

class Trasvidora {
 public:
  // `remittanceFolder` is the folder whose "*.xml" files are listed, with a closing separator.
  Trasvidora(UserShell& shell, std::wstring remittanceFolder);
  Trasvidora(const Trasvidora&) = delete;
  Trasvidora& operator=(const Trasvidora&) = delete;
  ~Trasvidora();

  // Creates the window hidden, runs Form_Load and then shows the window with the focus on
  // "CAMBIAR". Returns false, with the window never shown, when the program ended on the way.
  // Throws std::system_error when the window cannot be created.
  bool start(int showCommand);

  HWND handle() const { return window_; }

  // Text1: the text of the remittance loaded last.
  std::string_view document() const { return document_.text(); }

  // The picture Image10(0) shows, and the stores it takes its pictures from.
  HBITMAP closeButtonPicture() const { return closeButtonPicture_; }
  const pictures::PictureStore& hoverPictures() const { return image11_; }
  const pictures::PictureStore& plainPictures() const { return image12_; }

 private:
  enum class Pointer { Default, Wait };

  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);

  // Window messages.
  bool OnCreate();
  void OnPaint();
  void OnPrintClient(HDC dc);
  void OnCommand(int id, int notification);
  bool OnSetCursor();
  void OnMouseMove(POINT point, WPARAM keys);
  void OnLButtonDown(POINT point);
  void OnLButtonUp(POINT point);
  void OnActivate(bool active);
  void OnSetFocus();
  void OnDpiChanged(UINT dpi, const RECT& suggested);
  SIZE OnGetDpiScaledSize(UINT dpi) const;
  void OnClose();

  // Events of the window and its controls, and the procedures they run.
  void Form_Load();
  void FillRemittanceList();
  void File1_Click();
  void Command1_Click();
  void Command2_Click();
  void Command3_Click();
  void Command4_Click();
  void Image10_MouseMove(std::int16_t index, int button, int shift, float x, float y);
  void Image9_MouseMove(int button, int shift, float x, float y);
  void Image10_Click(std::int16_t index);

  // Runs an event; a file error or any other failure ends the program after its message.
  template <typename Event>
  void raise(Event&& event);
  void endAfterFailure(const std::wstring& message);

  HWND createChild(const wchar_t* className, const wchar_t* text, DWORD style, DWORD extendedStyle,
                   int id);
  void placeWindow();
  void placeChildren();
  void applyFonts();
  SIZE windowSize(UINT dpi) const;

  void showMessage(const std::wstring& text);
  void endProgram(int exitCode = 0);
  void setPointer(Pointer pointer);
  void setCloseButtonPicture(HBITMAP picture);

  int entryCount() const;
  std::wstring selectedName() const;
  std::wstring selectedPath() const;

  UserShell& shell_;
  const std::wstring folder_;
  HWND window_ = nullptr;
  HWND command3_ = nullptr;
  HWND file1_ = nullptr;
  HWND command4_ = nullptr;
  HWND lastFocus_ = nullptr;
  UINT dpi_ = USER_DEFAULT_SCREEN_DPI;
  std::optional<fonts::WindowFonts> fonts_;
  const pictures::FramePictures framePictures_;
  const pictures::PictureStore image11_;  // hover pictures
  const pictures::PictureStore image12_;  // plain pictures
  HBITMAP closeButtonPicture_ = nullptr;
  std::optional<layout::SurfaceItem> pressedItem_;
  Pointer pointer_ = Pointer::Default;
  bool ended_ = false;
  remittance::Document document_;  // Text1
  remittance::FileStamp stamp_;    // of the file document_ was read from
};
