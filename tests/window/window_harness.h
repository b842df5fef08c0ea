#pragma once

// Creates the real main window over a temporary remittance folder, with a recorder of the
// messages the user would see, and runs its messages as the program's loop does, noting the
// exit code the loop would end with.

#include <gtest/gtest.h>
#include <windows.h>

#include <commctrl.h>

#include <objbase.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "main_window.h"
#include "message_shower.h"
#include "temp_folder.h"

struct ShownMessage {
  HWND owner;
  bool ownerVisible;
  std::wstring text;
  std::wstring caption;
  HCURSOR pointer;        // the pointer when the message came up
  HCURSOR windowPointer;  // the pointer the window sets over itself at that moment
  bool quitWaiting;       // the program's end already in the queue, which would close a real box
};

// Whether the thread's queue holds the end of the program, left there.
inline bool quitWaiting() {
  MSG quit{};
  return PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE) != FALSE;
}

class MessageRecorder : public MessageShower {
 public:
  void showMessage(HWND owner, const std::wstring& text, const std::wstring& caption) override {
    ShownMessage message{
        owner, IsWindowVisible(owner) != FALSE, text, caption, GetCursor(), nullptr, quitWaiting()};
    if (owner) {
      SendMessageW(owner, WM_SETCURSOR, reinterpret_cast<WPARAM>(owner),
                   MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
      message.windowPointer = GetCursor();
    }
    shown.push_back(message);
    if (whileShown) whileShown();
  }

  std::vector<ShownMessage> shown;
  std::function<void()> whileShown;  // what the user does while a message is up
};

inline HCURSOR arrowPointer() {
  return LoadCursorW(nullptr, IDC_ARROW);
}

// A remittance whose first message identifier starts with `prefix`.
inline std::string remittanceText(std::string_view prefix, std::string_view number) {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
         "<Document><CstmrDrctDbtInitn><GrpHdr><MsgId>" +
         std::string(prefix) + std::string(number) +
         "</MsgId><NbOfTxs>1</NbOfTxs></GrpHdr>"
         "<PmtInf><PmtInfId>PRE-LOTE</PmtInfId></PmtInf></CstmrDrctDbtInitn></Document>";
}

class WindowTest : public ::testing::Test {
 public:
  // As the program starts: common controls, and COM for the list's name for screen readers.
  static void SetUpTestSuite() {
    const INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  }
  static void TearDownTestSuite() { CoUninitialize(); }

  void SetUp() override { std::filesystem::create_directory(folder()); }
  // A message shown with the end of the program already queued would close as soon as it opens.
  void TearDown() override {
    for (const ShownMessage& shown : messages_.shown) {
      EXPECT_FALSE(shown.quitWaiting)
          << "shown with the end queued: " << testing::PrintToString(shown.text);
    }
  }

  std::filesystem::path folder() const { return temp_ / "remesas"; }
  std::filesystem::path file(const std::string& name) const { return folder() / name; }
  void addRemittance(const std::string& name, std::string_view bytes) {
    writeBytes(file(name), bytes);
  }

  // Starts the program over the folder; true when the window was shown.
  bool start(const std::filesystem::path& remittanceFolder,
             dpi::NewerFunctions dpiFunctions = dpi::NewerFunctions::ofThisSystem(),
             const wchar_t* labelFace = painting::kLabelFace) {
    window_.reset();
    forgetEnds();
    window_ = std::make_unique<MainWindow>(messages_, (remittanceFolder / "").native(),
                                           dpiFunctions, labelFace);
    const bool shown = window_->start(SW_SHOWNORMAL);
    pump();
    return shown;
  }
  bool start() { return start(folder()); }

  HWND handle() const { return window_->handle(); }
  HWND control(int id) const { return GetDlgItem(handle(), id); }
  // Runs the waiting messages; the end of the program is noted in exitCodes.
  void pump() {
    MSG message{};
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      if (message.message == WM_QUIT) {
        exitCodes.push_back(static_cast<UINT>(message.wParam));
      } else {
        window_->dispatch(message);
      }
    }
  }
  // Clears the ends noted so far, those of windows that went with an earlier start included.
  void forgetEnds() {
    MSG quit{};
    while (PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
    exitCodes.clear();
  }
  const painting::Surface& surface() const { return window_->surfaceForTesting(); }

  // As Windows tells the window when it moves to a screen of another DPI.
  void changeDpi(UINT dpi, POINT corner = {0, 0}) {
    const SIZE size = painting::windowSize(dpi);
    const RECT suggested{corner.x, corner.y, corner.x + size.cx, corner.y + size.cy};
    SendMessageW(handle(), WM_DPICHANGED, MAKEWPARAM(dpi, dpi),
                 reinterpret_cast<LPARAM>(&suggested));
    pump();
  }

  void click(int id) {
    SendMessageW(control(id), BM_CLICK, 0, 0);
    pump();
  }
  // A key press as the keyboard would queue it for `target`.
  void pressKey(HWND target, UINT key) {
    PostMessageW(target, WM_KEYDOWN, key, 1);
    PostMessageW(target, WM_KEYUP, key, static_cast<LPARAM>(0xC0000001u));
    pump();
  }
  void mouse(UINT message, int x, int y, WPARAM keys = 0) const {
    SendMessageW(handle(), message, keys, MAKELPARAM(x, y));
  }

  std::vector<std::wstring> messageTexts() const {
    std::vector<std::wstring> texts;
    for (const ShownMessage& shown : messages_.shown) texts.push_back(shown.text);
    return texts;
  }

  TempFolder temp_;
  MessageRecorder messages_;
  std::unique_ptr<MainWindow> window_;
  std::vector<UINT> exitCodes;  // the program's exit code, once it has ended
};

// The window's client area as the window paints it.
class Snapshot {
 public:
  explicit Snapshot(HWND window) {
    RECT client{};
    GetClientRect(window, &client);
    width_ = client.right;
    height_ = client.bottom;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width_;
    info.bmiHeader.biHeight = -height_;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    const HDC screen = GetDC(nullptr);
    const HDC dc = CreateCompatibleDC(screen);
    const HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    const HGDIOBJ previous = SelectObject(dc, bitmap);
    PrintWindow(window, dc, PW_CLIENTONLY);
    GdiFlush();
    const auto* pixels = static_cast<const std::uint32_t*>(bits);
    pixels_.assign(pixels, pixels + static_cast<std::size_t>(width_) * height_);
    SelectObject(dc, previous);
    DeleteObject(bitmap);
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
  }

  COLORREF at(int x, int y) const {
    const std::uint32_t pixel = pixels_[static_cast<std::size_t>(y) * width_ + x];
    return RGB((pixel >> 16) & 0xFF, (pixel >> 8) & 0xFF, pixel & 0xFF);
  }

  // How many pixels of the box have the colour.
  int count(const RECT& box, COLORREF colour) const {
    int found = 0;
    for (int y = box.top; y < box.bottom; ++y) {
      for (int x = box.left; x < box.right; ++x) found += at(x, y) == colour ? 1 : 0;
    }
    return found;
  }

 private:
  int width_ = 0;
  int height_ = 0;
  std::vector<std::uint32_t> pixels_;
};

// Readable colours in failure messages.
inline std::string colourText(COLORREF colour) {
  return "RGB(" + std::to_string(GetRValue(colour)) + ", " + std::to_string(GetGValue(colour)) +
         ", " + std::to_string(GetBValue(colour)) + ")";
}

inline bool isLetterWhite(COLORREF colour) {
  return GetRValue(colour) > 200 && GetGValue(colour) > 200 && GetBValue(colour) > 200;
}

// The rightmost column of the box where the text shows, or -1.
inline int rightmostLetterColumn(const Snapshot& shot, const RECT& box) {
  for (int x = box.right - 1; x >= box.left; --x) {
    for (int y = box.top; y < box.bottom; ++y) {
      if (isLetterWhite(shot.at(x, y))) return x;
    }
  }
  return -1;
}

inline RECT childRect(HWND child) {
  RECT place{};
  GetWindowRect(child, &place);
  MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&place), 2);
  return place;
}

inline bool operator==(const RECT& left, const RECT& right) {
  return EqualRect(&left, &right);
}

inline std::ostream& operator<<(std::ostream& out, const RECT& rect) {
  return out << "{" << rect.left << ", " << rect.top << ", " << rect.right << ", " << rect.bottom
             << "}";
}
