#include "layout.h"

#include <stdexcept>

namespace layout {

int toPixels(int twips, UINT dpi) {
  return MulDiv(twips, static_cast<int>(dpi), kTwipsPerInch);
}

RECT toPixels(const TwipsBox& box, UINT dpi) {
  const int left = toPixels(box.left, dpi);
  const int top = toPixels(box.top, dpi);
  return {left, top, left + toPixels(box.width, dpi), top + toPixels(box.height, dpi)};
}

const TwipsBox& boxOf(SurfaceItem item) {
  for (const SurfacePlace& place : kSurfaceTopFirst) {
    if (place.item == item) return place.box;
  }
  throw std::logic_error("surface item without a place");
}

std::optional<SurfaceItem> topmostItemAt(POINT point, UINT dpi) {
  for (const SurfacePlace& place : kSurfaceTopFirst) {
    const RECT box = toPixels(place.box, dpi);
    if (PtInRect(&box, point)) return place.item;
  }
  return std::nullopt;
}

}  // namespace layout
