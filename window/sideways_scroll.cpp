#include "sideways_scroll.h"

#include <algorithm>
#include <string>

#include "scoped_handle.h"

namespace {

// How far the list scrolls sideways, in pixels: to the end of its widest name in its own font,
// and a little room past it. The room is an average character, the step the system's own lists
// leave, and a fiftieth of the name: under Wine the dialog font is drawn up to 1.3% wider than
// it measures (Tahoma at 120 DPI), and the last letter must still show whole.
int sidewaysExtent(HWND list) {
  const MemoryDc dc(CreateCompatibleDC(nullptr));
  if (!dc.valid()) return 0;
  const ScopedSelection selected(dc.get(),
                                 reinterpret_cast<HFONT>(SendMessageW(list, WM_GETFONT, 0, 0)));
  const LRESULT count = SendMessageW(list, LB_GETCOUNT, 0, 0);
  int widest = 0;
  std::wstring name;
  for (LRESULT index = 0; index < count; ++index) {
    const LRESULT length = SendMessageW(list, LB_GETTEXTLEN, static_cast<WPARAM>(index), 0);
    if (length <= 0) continue;
    name.resize(static_cast<std::size_t>(length) + 1);
    SendMessageW(list, LB_GETTEXT, static_cast<WPARAM>(index),
                 reinterpret_cast<LPARAM>(name.data()));
    SIZE size{};
    GetTextExtentPoint32W(dc.get(), name.data(), static_cast<int>(length), &size);
    widest = std::max(widest, static_cast<int>(size.cx));
  }
  TEXTMETRICW metrics{};
  GetTextMetricsW(dc.get(), &metrics);
  return widest + widest / 50 + metrics.tmAveCharWidth;
}

int visibleWidth(HWND list) {
  RECT client{};
  GetClientRect(list, &client);
  return client.right - client.left;
}

}  // namespace

void fitSidewaysScroll(HWND list) {
  SendMessageW(list, LB_SETHORIZONTALEXTENT, static_cast<WPARAM>(sidewaysExtent(list)), 0);
}

bool scrollSideways(HWND list, WPARAM key) {
  if (key != VK_LEFT && key != VK_RIGHT) return false;
  const int width = visibleWidth(list);
  const int extent = static_cast<int>(SendMessageW(list, LB_GETHORIZONTALEXTENT, 0, 0));
  if (extent <= width) return false;
  const int step = std::max(1, width / 3);
  const int position = GetScrollPos(list, SB_HORZ) + (key == VK_RIGHT ? step : -step);
  const int wanted = std::clamp(position, 0, extent - width);
  SendMessageW(list, WM_HSCROLL, MAKEWPARAM(SB_THUMBPOSITION, wanted), 0);
  return true;
}
