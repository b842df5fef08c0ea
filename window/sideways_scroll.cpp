#include "sideways_scroll.h"

#include <algorithm>
#include <string>

#include "list_items.h"
#include "scoped_handle.h"

namespace {

// The width of the widest name of the list in the font selected into `dc`, in pixels.
int widestName(HWND list, HDC dc) {
  const LRESULT count = SendMessageW(list, LB_GETCOUNT, 0, 0);
  int widest = 0;
  for (LRESULT index = 0; index < count; ++index) {
    const std::wstring name = listItemText(list, static_cast<WPARAM>(index));
    SIZE size{};
    GetTextExtentPoint32W(dc, name.data(), static_cast<int>(name.size()), &size);
    widest = std::max(widest, static_cast<int>(size.cx));
  }
  return widest;
}

// How far the list scrolls sideways, in pixels: to the end of its widest name in its own font,
// and a little room past it, an average character and a fiftieth of the name. Under Wine the
// dialog font is drawn up to 1.3% wider than it measures (Tahoma at 120 DPI), and the last letter
// must still show whole; where a text is drawn as wide as it measures, the room is a little
// space after the end.
int sidewaysExtent(HWND list) {
  const MemoryDc dc(CreateCompatibleDC(nullptr));
  if (!dc.valid()) return 0;
  const ScopedSelection selected(dc.get(),
                                 reinterpret_cast<HFONT>(SendMessageW(list, WM_GETFONT, 0, 0)));
  const int widest = widestName(list, dc.get());
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
