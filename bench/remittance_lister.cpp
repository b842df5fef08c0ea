// The least a Windows program can do to show the remittances: list "remesas\*.xml" beside it
// into a sorted list box in a window of trasvidora's size, and show the window. The start-up
// benchmark times trasvidora.exe from launch to a visible window against this program.
//
//   remittance_lister        (closed by the benchmark, or with Esc or the system's close command)

#include <windows.h>

#include <string>

#include "owned_handle.h"

namespace {

constexpr wchar_t kClassName[] = L"RemittanceLister";
constexpr wchar_t kTitle[] = L"Lista de remesas";
constexpr int kWidth = 407;
constexpr int kHeight = 352;

std::wstring remittancePattern() {
  std::wstring program(32768, L'\0');
  const DWORD length =
      GetModuleFileNameW(nullptr, program.data(), static_cast<DWORD>(program.size()));
  program.resize(length);
  return program.substr(0, program.find_last_of(L'\\') + 1) + L"remesas\\*.xml";
}

void fillList(HWND list) {
  WIN32_FIND_DATAW entry{};
  const remittance::FolderSearch search(FindFirstFileW(remittancePattern().c_str(), &entry));
  if (!search.valid()) return;
  do {
    if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
      SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry.cFileName));
    }
  } while (FindNextFileW(search.get(), &entry));
}

LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_DESTROY) {
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand) {
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = windowProc;
  windowClass.hInstance = instance;
  windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  windowClass.lpszClassName = kClassName;
  if (!RegisterClassExW(&windowClass)) return 1;
  const HWND window =
      CreateWindowExW(0, kClassName, kTitle, WS_POPUP | WS_CLIPCHILDREN, CW_USEDEFAULT,
                      CW_USEDEFAULT, kWidth, kHeight, nullptr, nullptr, instance, nullptr);
  if (!window) return 1;
  const HWND list = CreateWindowExW(
      WS_EX_CLIENTEDGE, L"LISTBOX", L"",
      WS_CHILD | WS_VISIBLE | WS_VSCROLL | LBS_SORT | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT, 30, 70,
      138, 253, window, nullptr, instance, nullptr);
  if (!list) return 1;
  fillList(list);
  SendMessageW(list, LB_SETCURSEL, 0, 0);
  ShowWindow(window, showCommand);
  UpdateWindow(window);
  SetFocus(list);

  MSG message{};
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    if (message.message == WM_KEYDOWN && message.wParam == VK_ESCAPE) DestroyWindow(window);
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return 0;
}
