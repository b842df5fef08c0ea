#include "trasvidora_window.h"

#include <exception>
#include <system_error>
#include <utility>

#include "control_ids.h"
#include "error_message.h"
#include "file_error.h"
#include "resource_ids.h"
#include "surface.h"
#include "texts.h"

namespace {

constexpr wchar_t kClassName[] = L"Trasvidora";

HICON loadIcon(int width, int height) {
  return static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_TRASVIDORA),
                                       IMAGE_ICON, width, height, LR_SHARED));
}

ATOM registerWindowClass(WNDPROC procedure) {
  WNDCLASSEXW existing{};
  existing.cbSize = sizeof existing;
  if (const ATOM atom =
          static_cast<ATOM>(GetClassInfoExW(GetModuleHandleW(nullptr), kClassName, &existing))) {
    return atom;
  }
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = procedure;
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.hIcon = loadIcon(GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON));
  windowClass.hIconSm = loadIcon(GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON));
  windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  windowClass.lpszClassName = kClassName;
  return RegisterClassExW(&windowClass);
}

[[noreturn]] void throwLastError(const char* what) {
  throw std::system_error(static_cast<int>(GetLastError()), std::system_category(), what);
}

POINT pointOf(LPARAM lParam) {
  return {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
}

// The mouse-button state of a mouse event: 1 left, 2 right, 4 middle.
int mouseButtons(WPARAM keys) {
  return ((keys & MK_LBUTTON) ? 1 : 0) | ((keys & MK_RBUTTON) ? 2 : 0) |
         ((keys & MK_MBUTTON) ? 4 : 0);
}

// The shift-key state of a mouse event: 1 Shift, 2 Ctrl, 4 Alt.
int shiftKeys(WPARAM keys) {
  return ((keys & MK_SHIFT) ? 1 : 0) | ((keys & MK_CONTROL) ? 2 : 0) |
         (GetKeyState(VK_MENU) < 0 ? 4 : 0);
}

}  // namespace

Trasvidora::Trasvidora(UserShell& shell, std::wstring remittanceFolder)
    : shell_(shell),
      folder_(remittanceFolder.ends_with(L'\\') || remittanceFolder.ends_with(L'/')
                  ? std::move(remittanceFolder)
                  : std::move(remittanceFolder) + L'\\'),
      image11_{IDB_CLOSE_HOVER},
      image12_{IDB_CLOSE_PLAIN} {}

Trasvidora::~Trasvidora() {
  if (window_) DestroyWindow(window_);
}

bool Trasvidora::start(int showCommand) {
  if (!registerWindowClass(&Trasvidora::WindowProc)) throwLastError("RegisterClassExW");
  if (!CreateWindowExW(0, kClassName, texts::kWindowTitle, WS_POPUP | WS_CLIPCHILDREN, 0, 0, 0, 0,
                       nullptr, nullptr, GetModuleHandleW(nullptr), this)) {
    throwLastError("CreateWindowExW");
  }
  placeWindow();
  raise([this] { Form_Load(); });
  if (ended_) return false;
  ShowWindow(window_, showCommand);
  UpdateWindow(window_);
  SetFocus(command3_);
  return true;
}

LRESULT CALLBACK Trasvidora::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* self = static_cast<Trasvidora*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
    self->window_ = window;
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  }
  auto* self = reinterpret_cast<Trasvidora*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (!self) return DefWindowProcW(window, message, wParam, lParam);
  if (message == WM_NCDESTROY) {
    SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    self->window_ = nullptr;
    return DefWindowProcW(window, message, wParam, lParam);
  }
  // No exception may cross into the system's code that called this procedure.
  try {
    return self->HandleMessage(message, wParam, lParam);
  } catch (const std::exception& error) {
    self->endAfterFailure(describeUnexpectedError(error));
  }
  return 0;
}

LRESULT Trasvidora::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE:
      return OnCreate() ? 0 : -1;
    case WM_ERASEBKGND:
      return 1;  // WM_PAINT covers every pixel
    case WM_PAINT:
      OnPaint();
      return 0;
    case WM_PRINTCLIENT:
      OnPrintClient(reinterpret_cast<HDC>(wParam));
      return 0;
    case WM_COMMAND:
      OnCommand(LOWORD(wParam), HIWORD(wParam));
      return 0;
    case WM_SETCURSOR:
      if (OnSetCursor()) return TRUE;
      break;
    case WM_MOUSEMOVE:
      OnMouseMove(pointOf(lParam), wParam);
      return 0;
    case WM_LBUTTONDOWN:
      OnLButtonDown(pointOf(lParam));
      return 0;
    case WM_LBUTTONUP:
      OnLButtonUp(pointOf(lParam));
      return 0;
    case WM_CAPTURECHANGED:
      pressedItem_.reset();
      return 0;
    case WM_ACTIVATE:
      OnActivate(LOWORD(wParam) != WA_INACTIVE);
      break;
    case WM_SETFOCUS:
      OnSetFocus();
      return 0;
    case WM_GETDPISCALEDSIZE:
      *reinterpret_cast<SIZE*>(lParam) = OnGetDpiScaledSize(static_cast<UINT>(wParam));
      return TRUE;
    case WM_DPICHANGED:
      OnDpiChanged(LOWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
      return 0;
    case WM_CLOSE:
      OnClose();
      return 0;
  }
  return DefWindowProcW(window_, message, wParam, lParam);
}

bool Trasvidora::OnCreate() {
  dpi_ = GetDpiForWindow(window_);
  fonts_.emplace(dpi_);
  closeButtonPicture_ = image12_[0];
  // Creation order is the tab order: "CAMBIAR", the list, "SALIR".
  command3_ = createChild(L"BUTTON", texts::kChange, BS_PUSHBUTTON | WS_TABSTOP, 0, kCommand3Id);
  file1_ = createChild(L"LISTBOX", L"", LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | WS_VSCROLL | WS_TABSTOP,
                       WS_EX_CLIENTEDGE, kFile1Id);
  command4_ = createChild(L"BUTTON", texts::kExit, BS_PUSHBUTTON | WS_TABSTOP, 0, kCommand4Id);
  if (!command3_ || !file1_ || !command4_) return false;
  lastFocus_ = command3_;
  placeChildren();
  applyFonts();
  return true;
}

void Trasvidora::OnPaint() {
  const gdi::PaintScope paint(window_);
  RECT client{};
  GetClientRect(window_, &client);
  surface::paintBuffered(paint.dc(), paint.area(), {client.right, client.bottom},
                         {framePictures_, closeButtonPicture_, *fonts_, dpi_});
}

void Trasvidora::OnPrintClient(HDC dc) {
  surface::paint(dc, {framePictures_, closeButtonPicture_, *fonts_, dpi_});
}

void Trasvidora::OnCommand(int id, int notification) {
  if (id == kFile1Id && notification == LBN_SELCHANGE) {
    raise([this] { File1_Click(); });
  } else if (id == kCommand3Id && notification == BN_CLICKED) {
    raise([this] { Command3_Click(); });
  } else if (id == kCommand4Id && notification == BN_CLICKED) {
    Command4_Click();
  }
}

bool Trasvidora::OnSetCursor() {
  if (pointer_ != Pointer::Wait) return false;
  SetCursor(LoadCursorW(nullptr, IDC_WAIT));
  return true;
}

void Trasvidora::OnMouseMove(POINT point, WPARAM keys) {
  const auto item = layout::topmostItemAt(point, dpi_);
  if (!item) return;
  const RECT box = layout::toPixels(layout::boxOf(*item), dpi_);
  // Positions within the item, in twips.
  const float twipsPerPixel = static_cast<float>(layout::kTwipsPerInch) / static_cast<float>(dpi_);
  const float x = static_cast<float>(point.x - box.left) * twipsPerPixel;
  const float y = static_cast<float>(point.y - box.top) * twipsPerPixel;
  if (*item == layout::SurfaceItem::Image10) {
    Image10_MouseMove(0, mouseButtons(keys), shiftKeys(keys), x, y);
  } else if (*item == layout::SurfaceItem::Image9) {
    Image9_MouseMove(mouseButtons(keys), shiftKeys(keys), x, y);
  }
}

void Trasvidora::OnLButtonDown(POINT point) {
  SetCapture(window_);
  pressedItem_ = layout::topmostItemAt(point, dpi_);
}

void Trasvidora::OnLButtonUp(POINT point) {
  const auto pressed = std::exchange(pressedItem_, std::nullopt);
  if (GetCapture() == window_) ReleaseCapture();
  // A click is a press and a release on the same item.
  if (pressed && pressed == layout::topmostItemAt(point, dpi_) &&
      *pressed == layout::SurfaceItem::Image10) {
    Image10_Click(0);
  }
}

void Trasvidora::OnActivate(bool active) {
  // Keep the control that had the focus, to give it back when the window is active again.
  if (active) return;
  const HWND focus = GetFocus();
  if (focus && IsChild(window_, focus)) lastFocus_ = focus;
}

void Trasvidora::OnSetFocus() {
  if (lastFocus_ && IsWindow(lastFocus_)) SetFocus(lastFocus_);
}

void Trasvidora::OnDpiChanged(UINT dpi, const RECT& suggested) {
  dpi_ = dpi;
  // The children let go of the old fonts before these are deleted at the end of this scope.
  const std::optional<fonts::WindowFonts> previous = std::move(fonts_);
  fonts_.emplace(dpi_);
  applyFonts();
  const SIZE size = windowSize(dpi_);
  SetWindowPos(window_, nullptr, suggested.left, suggested.top, size.cx, size.cy,
               SWP_NOZORDER | SWP_NOACTIVATE);
  placeChildren();
  InvalidateRect(window_, nullptr, FALSE);
}

SIZE Trasvidora::OnGetDpiScaledSize(UINT dpi) const {
  return windowSize(dpi);
}

void Trasvidora::OnClose() {
  endProgram();
}

template <typename Event>
void Trasvidora::raise(Event&& event) {
  try {
    event();
  } catch (const remittance::FileError& error) {
    endAfterFailure(describeFileError(error));
  } catch (const std::exception& error) {
    endAfterFailure(describeUnexpectedError(error));
  }
}

void Trasvidora::endAfterFailure(const std::wstring& message) {
  setPointer(Pointer::Default);
  showMessage(message);
  endProgram(1);
}

HWND Trasvidora::createChild(const wchar_t* className, const wchar_t* text, DWORD style,
                             DWORD extendedStyle, int id) {
  return CreateWindowExW(extendedStyle, className, text, WS_CHILD | WS_VISIBLE | style, 0, 0, 0, 0,
                         window_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                         GetModuleHandleW(nullptr), nullptr);
}

void Trasvidora::placeWindow() {
  // In the middle of the work area of the window's monitor.
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  GetMonitorInfoW(MonitorFromWindow(window_, MONITOR_DEFAULTTOPRIMARY), &monitor);
  const RECT& work = monitor.rcWork;
  const SIZE size = windowSize(dpi_);
  SetWindowPos(window_, nullptr, work.left + (work.right - work.left - size.cx) / 2,
               work.top + (work.bottom - work.top - size.cy) / 2, size.cx, size.cy,
               SWP_NOZORDER | SWP_NOACTIVATE);
}

void Trasvidora::placeChildren() {
  const std::pair<HWND, layout::TwipsBox> children[] = {
      {command3_, layout::kCommand3}, {file1_, layout::kFile1}, {command4_, layout::kCommand4}};
  for (const auto& [child, box] : children) {
    const RECT place = layout::toPixels(box, dpi_);
    SetWindowPos(child, nullptr, place.left, place.top, place.right - place.left,
                 place.bottom - place.top, SWP_NOZORDER | SWP_NOACTIVATE);
  }
}

void Trasvidora::applyFonts() {
  const auto setFont = [](HWND child, const gdi::Font& font) {
    SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), TRUE);
  };
  setFont(command3_, fonts_->bold975);
  setFont(file1_, fonts_->list);
  setFont(command4_, fonts_->bold975);
}

SIZE Trasvidora::windowSize(UINT dpi) const {
  return {layout::toPixels(layout::kWindow.width, dpi),
          layout::toPixels(layout::kWindow.height, dpi)};
}
