#include "main_window.h"

#include <algorithm>
#include <stdexcept>
#include <utility>

#include "file_error.h"
#include "file_error_message.h"
#include "held_keys.h"
#include "list_accessibility.h"
#include "list_items.h"
#include "remittance_files.h"
#include "resource_ids.h"
#include "sideways_scroll.h"
#include "texts.h"

namespace {

constexpr wchar_t kClassName[] = L"Trasvidora";
// WM_GETDPISCALEDSIZE, which the Windows 7 headers do not know.
constexpr UINT kGetDpiScaledSize = 0x02E4;

HICON loadIcon(int width, int height) {
  return static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_TRASVIDORA),
                                       IMAGE_ICON, width, height, LR_SHARED));
}

bool registerWindowClass(WNDPROC procedure) {
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  if (GetClassInfoExW(GetModuleHandleW(nullptr), kClassName, &windowClass)) return true;
  windowClass.lpfnWndProc = procedure;
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.hIcon = loadIcon(GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON));
  windowClass.hIconSm = loadIcon(GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON));
  windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  windowClass.lpszClassName = kClassName;
  return RegisterClassExW(&windowClass) != 0;
}

POINT pointOf(LPARAM lParam) {
  return {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
}

bool isPushButton(HWND control) {
  const LRESULT code = SendMessageW(control, WM_GETDLGCODE, 0, 0);
  return (code & (DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON)) != 0;
}

// Enter or Space, as a key or as the character it makes (the codes are the same).
bool pressesButtons(const MSG& message) {
  return message.wParam == VK_RETURN || message.wParam == VK_SPACE;
}

// The end of the program comes out of the queue whatever the range asked for (seen under Wine):
// it goes back in, or the program would never end.
void discardTypedKeys() {
  MSG typed{};
  while (PeekMessageW(&typed, nullptr, WM_KEYFIRST, WM_KEYLAST, PM_REMOVE)) {
    if (typed.message == WM_QUIT) return PostQuitMessage(static_cast<int>(typed.wParam));
  }
}

}  // namespace

MainWindow::MainWindow(MessageShower& messages, std::wstring remittanceFolder,
                       dpi::NewerFunctions dpiFunctions, std::wstring labelFace)
    : messages_(messages),
      folder_(std::move(remittanceFolder)),
      dpiFunctions_(dpiFunctions),
      labelFace_(std::move(labelFace)) {}

MainWindow::~MainWindow() {
  if (window_) DestroyWindow(window_);
}

bool MainWindow::start(int showCommand) {
  if (!registerWindowClass(&MainWindow::WindowProc) ||
      !CreateWindowExW(0, kClassName, texts::kWindowTitle, WS_POPUP | WS_CLIPCHILDREN, 0, 0, 0, 0,
                       nullptr, nullptr, GetModuleHandleW(nullptr), this)) {
    throw std::runtime_error("no se puede crear la ventana");
  }
  // From here on a failure is told while the window is still there: the end of the program that
  // a closed window leaves in the queue would close any message box at once.
  try {
    surface_.emplace(dpi::dpiOfWindow(dpiFunctions_, window_), labelFace_);
    createChildren();
    placeWindow();
    placeChildren();
    applyFonts();
    fillRemittanceList();
    nameList();
  } catch (...) {
    endAfterFailure();
  }
  if (!window_) return false;
  ShowWindow(window_, showCommand);
  UpdateWindow(window_);
  SetFocus(changeButton_);
  return true;
}

int MainWindow::runMessageLoop() {
  MSG message{};
  BOOL got = 0;
  while ((got = GetMessageW(&message, nullptr, 0, 0)) > 0) dispatch(message);
  // -1: the queue could not be read, and the program cannot go on.
  return got == 0 ? static_cast<int>(message.wParam) : 1;
}

// Enter presses the push button that has the focus, default button or not; the dialog manager
// alone would only press a default button. Left and Right scroll a list of names wider than
// itself sideways, so that the end of a long name can be read with the keyboard.
void MainWindow::dispatch(MSG& message) {
  if (window_) {
    if (isRepeatedKeyPress(message) && pressesButtons(message)) return;
    if (message.message == WM_KEYDOWN && message.hwnd == remittanceList_ &&
        scrollSideways(remittanceList_, message.wParam)) {
      return;
    }
    if (message.message == WM_KEYDOWN && message.wParam == VK_RETURN &&
        IsChild(window_, message.hwnd) && isPushButton(message.hwnd)) {
      SendMessageW(message.hwnd, BM_CLICK, 0, 0);
      return;
    }
    if (IsDialogMessageW(window_, &message)) return;
  }
  TranslateMessage(&message);
  DispatchMessageW(&message);
}

// No exception leaves the window procedure: the system's code that called it could not unwind.
LRESULT CALLBACK MainWindow::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* self = static_cast<MainWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
    self->window_ = window;
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  }
  auto* self = reinterpret_cast<MainWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (!self) return DefWindowProcW(window, message, wParam, lParam);
  if (message == WM_NCDESTROY) {
    SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    self->window_ = nullptr;
    return DefWindowProcW(window, message, wParam, lParam);
  }
  try {
    return self->HandleMessage(message, wParam, lParam);
  } catch (...) {
    self->endAfterFailure();
    return 0;
  }
}

LRESULT MainWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_ERASEBKGND:
      return 1;  // painting covers every pixel
    case WM_PAINT:
      OnPaint();
      return 0;
    case WM_PRINTCLIENT:
      if (surface_) surface_->paint(reinterpret_cast<HDC>(wParam));
      return 0;
    case WM_COMMAND:
      OnCommand(LOWORD(wParam), HIWORD(wParam));
      return 0;
    case WM_SETCURSOR:
      if (OnSetCursor()) return TRUE;
      break;
    case WM_MOUSEMOVE:
      OnMouseMove(pointOf(lParam));
      return 0;
    case WM_LBUTTONDOWN:
      OnLeftButtonDown(pointOf(lParam));
      return 0;
    case WM_LBUTTONUP:
      OnLeftButtonUp(pointOf(lParam));
      return 0;
    case WM_CAPTURECHANGED:
      closeButtonPressed_ = false;
      return 0;
    case WM_ACTIVATE:
      OnActivate(LOWORD(wParam) != WA_INACTIVE);
      break;
    case WM_SETFOCUS:
      OnSetFocus();
      return 0;
    case kGetDpiScaledSize:
      *reinterpret_cast<SIZE*>(lParam) = painting::windowSize(LOWORD(wParam));
      return TRUE;
    case WM_DPICHANGED:
      OnDpiChanged(LOWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
      return 0;
    case WM_CLOSE:
      endProgram(0);
      return 0;
    case WM_DESTROY:
      PostQuitMessage(static_cast<int>(exitCode_));
      return 0;
  }
  return DefWindowProcW(window_, message, wParam, lParam);
}

void MainWindow::OnPaint() {
  PAINTSTRUCT paint{};
  const HDC dc = BeginPaint(window_, &paint);
  if (surface_) surface_->paintBuffered(dc, paint.rcPaint);
  EndPaint(window_, &paint);
}

void MainWindow::OnCommand(int id, int notification) {
  if (id == kRemittanceListId && notification == LBN_SELCHANGE) {
    checkSelectedRemittance();
  } else if (id == kChangeButtonId && notification == BN_CLICKED) {
    convertSelectedRemittance();
  } else if (id == kExitButtonId && notification == BN_CLICKED) {
    endProgram(0);
  }
}

bool MainWindow::OnSetCursor() {
  if (pointer_ != Pointer::Wait) return false;
  SetCursor(LoadCursorW(nullptr, IDC_WAIT));
  return true;
}

// The close button lights up under the pointer and goes plain again over the title strip; over
// anything else, the title included, it keeps its picture.
void MainWindow::OnMouseMove(POINT point) {
  const auto item = surface_->itemAt(point);
  if (item == painting::Item::CloseButton) lightCloseButton(true);
  if (item == painting::Item::TitleStrip) lightCloseButton(false);
}

// A click on the close button is a press and a release both on it.
void MainWindow::OnLeftButtonDown(POINT point) {
  SetCapture(window_);
  closeButtonPressed_ = surface_->itemAt(point) == painting::Item::CloseButton;
}

void MainWindow::OnLeftButtonUp(POINT point) {
  const bool pressed = std::exchange(closeButtonPressed_, false);
  if (GetCapture() == window_) ReleaseCapture();
  if (pressed && surface_->itemAt(point) == painting::Item::CloseButton) endProgram(0);
}

void MainWindow::OnActivate(bool active) {
  // Keep the control that had the focus, to give it back when the window is active again.
  if (active) return;
  const HWND focus = GetFocus();
  if (focus && IsChild(window_, focus)) lastFocus_ = focus;
}

void MainWindow::OnSetFocus() {
  if (lastFocus_ && IsWindow(lastFocus_)) SetFocus(lastFocus_);
}

void MainWindow::OnDpiChanged(UINT dpi, const RECT& suggested) {
  // The children let go of the old fonts before these are deleted at the end of this scope.
  const painting::Fonts previous = surface_->changeDpi(dpi);
  applyFonts();
  fitSidewaysScroll(remittanceList_);
  const SIZE size = painting::windowSize(dpi);
  SetWindowPos(window_, nullptr, suggested.left, suggested.top, size.cx, size.cy,
               SWP_NOZORDER | SWP_NOACTIVATE);
  placeChildren();
  InvalidateRect(window_, nullptr, FALSE);
}

void MainWindow::createChildren() {
  const auto create = [this](const wchar_t* className, const wchar_t* text, DWORD style,
                             DWORD extendedStyle, int id) {
    const HWND child =
        CreateWindowExW(extendedStyle, className, text, WS_CHILD | WS_VISIBLE | WS_TABSTOP | style,
                        0, 0, 0, 0, window_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                        GetModuleHandleW(nullptr), nullptr);
    if (!child) throw std::runtime_error("no se puede crear un control de la ventana");
    return child;
  };
  // Creation order is the tab order: the change button, the remittance list, the exit button.
  changeButton_ = create(L"BUTTON", texts::kChange, BS_PUSHBUTTON, 0, kChangeButtonId);
  remittanceList_ =
      create(L"LISTBOX", L"", LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | WS_VSCROLL | WS_HSCROLL,
             WS_EX_CLIENTEDGE, kRemittanceListId);
  exitButton_ = create(L"BUTTON", texts::kExit, BS_PUSHBUTTON, 0, kExitButtonId);
  lastFocus_ = changeButton_;
}

// The heading above the list is painted, not a control: screen readers get its text as the list's
// name. Named once the list is filled: under Wine every message to a subclassed control makes a
// round trip to the Wine server, which made filling in 20,000 names over 30 times slower.
void MainWindow::nameList() {
  if (window_) nameForScreenReaders(remittanceList_, texts::kListHeading);
}

void MainWindow::placeWindow() {
  // In the middle of the work area of the window's monitor.
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  GetMonitorInfoW(MonitorFromWindow(window_, MONITOR_DEFAULTTOPRIMARY), &monitor);
  const RECT& work = monitor.rcWork;
  const SIZE size = painting::windowSize(surface_->dpi());
  SetWindowPos(window_, nullptr, work.left + (work.right - work.left - size.cx) / 2,
               work.top + (work.bottom - work.top - size.cy) / 2, size.cx, size.cy,
               SWP_NOZORDER | SWP_NOACTIVATE);
}

void MainWindow::placeChildren() {
  const std::pair<HWND, painting::TwipsBox> children[] = {
      {changeButton_, painting::kChangeButtonBox},
      {remittanceList_, painting::kRemittanceListBox},
      {exitButton_, painting::kExitButtonBox}};
  for (const auto& [child, box] : children) {
    const RECT place = painting::toPixels(box, surface_->dpi());
    SetWindowPos(child, nullptr, place.left, place.top, place.right - place.left,
                 place.bottom - place.top, SWP_NOZORDER | SWP_NOACTIVATE);
  }
}

void MainWindow::applyFonts() {
  const painting::Fonts& fonts = surface_->fonts();
  const std::pair<HWND, HFONT> children[] = {{changeButton_, fonts.bold.get()},
                                             {remittanceList_, fonts.list.get()},
                                             {exitButton_, fonts.bold.get()}};
  for (const auto& [child, font] : children) {
    SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
  }
}

// The remittances are listed once, at the start; with none the program ends there.
void MainWindow::fillRemittanceList() {
  for (const std::wstring& name : remittance::listRemittances(folder_)) {
    SendMessageW(remittanceList_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
  }
  if (SendMessageW(remittanceList_, LB_GETCOUNT, 0, 0) <= 0) {
    showMessage(texts::kNoRemittances);
    return endProgram(0);
  }
  fitSidewaysScroll(remittanceList_);
  SendMessageW(remittanceList_, LB_SETCURSEL, 0, 0);
  checkSelectedRemittance();
}

// A remittance that cannot be opened or read is named when it is selected; nothing of it is
// kept, since CAMBIAR converts the file as it is on disk when it is pressed.
void MainWindow::checkSelectedRemittance() {
  remittance::checkRemittance(selectedPath());
}

void MainWindow::convertSelectedRemittance() {
  setPointer(Pointer::Wait);
  const remittance::Outcome outcome = remittance::convertRemittance(selectedPath());
  setPointer(Pointer::Default);
  showMessage(outcome == remittance::Outcome::Converted ? texts::kRemittanceChanged
                                                        : texts::kCannotChangePrefix);
}

// Repaints only the button's box, and only when its picture changes.
void MainWindow::lightCloseButton(bool lit) {
  if (!surface_->lightCloseButton(lit)) return;
  const RECT box = surface_->boxOf(painting::Item::CloseButton);
  InvalidateRect(window_, &box, FALSE);
}

void MainWindow::endAfterFailure() noexcept {
  exitCode_ = 1;  // however the program ends from here
  try {
    std::wstring message;
    try {
      throw;
    } catch (const remittance::FileError& error) {
      message = describeFileError(error);
    } catch (const std::exception& error) {
      message = describeUnexpectedError(error);
    }
    setPointer(Pointer::Default);
    showMessage(message);
  } catch (...) {
    // Not even the message could be made: the program still ends, and says so by its exit code.
  }
  endProgram(1);
}

// An Enter typed during a long conversion would otherwise close its answer before it is drawn.
void MainWindow::showMessage(const std::wstring& text) {
  discardTypedKeys();
  messages_.showMessage(window_, text, texts::kMessageCaption);
}

void MainWindow::endProgram(UINT exitCode) {
  exitCode_ = std::max(exitCode_, exitCode);
  if (window_) DestroyWindow(window_);
}

void MainWindow::setPointer(Pointer pointer) {
  pointer_ = pointer;
  SetCursor(LoadCursorW(nullptr, pointer == Pointer::Wait ? IDC_WAIT : IDC_ARROW));
}

// Built afresh from the current selection every time.
std::wstring MainWindow::selectedPath() const {
  const LRESULT index = SendMessageW(remittanceList_, LB_GETCURSEL, 0, 0);
  if (index == LB_ERR) return folder_;
  return folder_ + listItemText(remittanceList_, static_cast<WPARAM>(index));
}
