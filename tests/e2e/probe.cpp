// A small Windows-side probe for the end-to-end tests: it runs in the same Wine session as
// trasvidora.exe and reports, as one JSON line, what the user would see.
//
//   probe windows              the visible top-level windows
//   probe messagebox           the message box captioned "trasvidora", if any
//   probe controls             the child controls of the main window and which one has the focus;
//                              of a list, its items, selection, item height and horizontal bar
//   probe lock FILE            opens FILE without sharing and keeps it open until stdin closes
//   probe warmup               gets the Wine session ready for windows

#include <windows.h>

#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

namespace {

constexpr wchar_t kMainTitle[] = L"Cambia remesa SEPA a anticipos de cobro";
constexpr wchar_t kMessageCaption[] = L"trasvidora";
constexpr int kMessageTextId = 0xFFFF;

std::string utf8(const std::wstring& text) {
  if (text.empty()) return {};
  const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                       nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size,
                      nullptr, nullptr);
  return out;
}

std::string quoted(const std::wstring& text) {
  std::string out = "\"";
  for (char c : utf8(text)) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\r') {
      out += "\\r";
    } else if (c == '\t') {
      out += "\\t";
    } else {
      out += c;
    }
  }
  return out + "\"";
}

std::wstring textOf(HWND window) {
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
  text.resize(
      static_cast<std::size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
  return text;
}

std::wstring classOf(HWND window) {
  wchar_t name[256] = {};
  GetClassNameW(window, name, 256);
  return name;
}

std::string rectJson(HWND window) {
  RECT rect{};
  GetWindowRect(window, &rect);
  return "[" + std::to_string(rect.left) + "," + std::to_string(rect.top) + "," +
         std::to_string(rect.right - rect.left) + "," + std::to_string(rect.bottom - rect.top) +
         "]";
}

// Set when a window of the program under test did not answer: it is busy (starting up, say),
// and what the probe saw is reported as nothing yet.
bool unanswered = false;

// Asks a window of the program under test without ever waiting on it for long.
LRESULT ask(HWND window, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
  DWORD_PTR result = 0;
  if (!SendMessageTimeoutW(window, message, wParam, lParam, SMTO_ABORTIFHUNG, 500, &result)) {
    unanswered = true;
    return -1;
  }
  return static_cast<LRESULT>(result);
}

// The system calls these with its own calling convention (stdcall on 32-bit Windows), which a
// lambda cannot have.
BOOL CALLBACK addVisible(HWND window, LPARAM windows) {
  if (IsWindowVisible(window)) reinterpret_cast<std::vector<HWND>*>(windows)->push_back(window);
  return TRUE;
}

BOOL CALLBACK addEvery(HWND window, LPARAM windows) {
  reinterpret_cast<std::vector<HWND>*>(windows)->push_back(window);
  return TRUE;
}

std::vector<HWND> topLevelWindows() {
  std::vector<HWND> windows;
  EnumWindows(addVisible, reinterpret_cast<LPARAM>(&windows));
  return windows;
}

std::vector<HWND> children(HWND parent) {
  std::vector<HWND> found;
  EnumChildWindows(parent, addEvery, reinterpret_cast<LPARAM>(&found));
  return found;
}

HWND findTopLevel(const wchar_t* title, const wchar_t* className) {
  for (HWND window : topLevelWindows()) {
    if (textOf(window) == title && (!className || classOf(window) == className)) return window;
  }
  return nullptr;
}

int listWindows() {
  std::string out = "[";
  for (HWND window : topLevelWindows()) {
    if (out.size() > 1) out += ",";
    out += "{\"title\":" + quoted(textOf(window)) + ",\"class\":" + quoted(classOf(window)) +
           ",\"rect\":" + rectJson(window) + "}";
  }
  std::cout << out << "]\n";
  return 0;
}

int describeMessageBox() {
  HWND box = findTopLevel(kMessageCaption, L"#32770");
  if (!box) {
    std::cout << "null\n";
    return 0;
  }
  std::string buttons = "[";
  bool hasIcon = false;
  for (HWND child : children(box)) {
    const std::wstring kind = classOf(child);
    if (_wcsicmp(kind.c_str(), L"Button") == 0 && IsWindowVisible(child)) {
      if (buttons.size() > 1) buttons += ",";
      buttons += quoted(textOf(child));
    }
    const LONG_PTR style = GetWindowLongPtrW(child, GWL_STYLE);
    if (_wcsicmp(kind.c_str(), L"Static") == 0 && (style & SS_TYPEMASK) == SS_ICON &&
        IsWindowVisible(child) && ask(child, STM_GETICON) > 0) {
      hasIcon = true;
    }
  }
  HWND owner = GetWindow(box, GW_OWNER);
  std::cout << "{\"text\":" << quoted(textOf(GetDlgItem(box, kMessageTextId)))
            << ",\"buttons\":" << buttons << "],\"icon\":" << (hasIcon ? "true" : "false")
            << ",\"owner\":" << quoted(owner ? textOf(owner) : L"") << "}\n";
  return 0;
}

int describeControls() {
  HWND main = findTopLevel(kMainTitle, nullptr);
  if (!main) {
    std::cout << "null\n";
    return 0;
  }
  GUITHREADINFO thread{};
  thread.cbSize = sizeof(thread);
  GetGUIThreadInfo(GetWindowThreadProcessId(main, nullptr), &thread);
  std::string out = "{\"rect\":" + rectJson(main) + ",\"controls\":[";
  bool first = true;
  for (HWND child : children(main)) {
    if (!first) out += ",";
    first = false;
    out += "{\"class\":" + quoted(classOf(child)) + ",\"text\":" + quoted(textOf(child)) +
           ",\"rect\":" + rectJson(child) +
           ",\"visible\":" + (IsWindowVisible(child) ? "true" : "false") +
           ",\"focus\":" + (thread.hwndFocus == child ? "true" : "false");
    if (_wcsicmp(classOf(child).c_str(), L"ListBox") == 0) {
      const auto count = ask(child, LB_GETCOUNT);
      std::string items = "[";
      for (LRESULT i = 0; i < count; ++i) {
        const LRESULT length = ask(child, LB_GETTEXTLEN, i);
        std::wstring item(length > 0 ? static_cast<std::size_t>(length) + 1 : 1, L'\0');
        const LRESULT got = ask(child, LB_GETTEXT, i, reinterpret_cast<LPARAM>(item.data()));
        item.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
        if (i > 0) items += ",";
        items += quoted(item);
      }
      out += ",\"items\":" + items + "],\"selected\":" + std::to_string(ask(child, LB_GETCURSEL)) +
             ",\"itemHeight\":" + std::to_string(ask(child, LB_GETITEMHEIGHT)) +
             ",\"horizontalBar\":" +
             (GetWindowLongW(child, GWL_STYLE) & WS_HSCROLL ? "true" : "false");
    }
    out += "}";
  }
  std::cout << (unanswered ? std::string("null") : out + "]}") << "\n";
  return 0;
}

// Brings up the Wine session's desktop and display side, which the first window of a session
// otherwise waits for.
int warmUp() {
  HWND window = CreateWindowExW(0, L"STATIC", L"warm-up", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                                nullptr, nullptr);
  ShowWindow(window, SW_SHOWNOACTIVATE);
  DestroyWindow(window);
  std::cout << "ready\n";
  return 0;
}

int lockFile(const wchar_t* file) {
  HANDLE handle =
      CreateFileW(file, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    std::cout << "error " << GetLastError() << "\n";
    return 1;
  }
  std::cout << "locked" << std::endl;
  std::string line;
  std::getline(std::cin, line);
  CloseHandle(handle);
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const std::wstring command = argc > 1 ? argv[1] : L"";
  if (command == L"windows") return listWindows();
  if (command == L"messagebox") return describeMessageBox();
  if (command == L"controls") return describeControls();
  if (command == L"lock" && argc > 2) return lockFile(argv[2]);
  if (command == L"warmup") return warmUp();
  std::cerr << "usage: probe windows | messagebox | controls | lock FILE | warmup\n";
  return 2;
}
