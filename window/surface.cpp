#include "surface.h"

#include <string_view>

#include "layout.h"
#include "texts.h"

namespace surface {
namespace {

using layout::SurfaceItem;

void fill(HDC dc, const RECT& box, COLORREF colour) {
  const gdi::Brush brush(CreateSolidBrush(colour));
  FillRect(dc, &box, brush.get());
}

// Shows a picture scaled to fill the box.
void drawPicture(HDC dc, HBITMAP picture, const RECT& box) {
  if (!picture) return;
  const gdi::MemoryDc source(dc);
  const gdi::Selection selected(source.get(), picture);
  const SIZE size = pictures::sizeOf(picture);
  SetStretchBltMode(dc, COLORONCOLOR);
  StretchBlt(dc, box.left, box.top, box.right - box.left, box.bottom - box.top, source.get(), 0, 0,
             size.cx, size.cy, SRCCOPY);
}

// A one-line label: white text from the top-left corner of its box, clipped to the box; an
// opaque label first fills its box with the window's background colour.
void drawLabel(HDC dc, std::wstring_view text, HFONT font, RECT box, bool opaque) {
  if (opaque) fill(dc, box, kBackground);
  const gdi::Selection selected(dc, font);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, kLabelText);
  DrawTextW(dc, text.data(), static_cast<int>(text.size()), &box,
            DT_LEFT | DT_TOP | DT_SINGLELINE | DT_NOPREFIX);
}

void paintItem(HDC dc, SurfaceItem item, const RECT& box, const Content& content) {
  switch (item) {
    case SurfaceItem::Label2:
      return drawLabel(dc, texts::kCredit, content.fonts.credit.get(), box, true);
    case SurfaceItem::Image10:
      return drawPicture(dc, content.closeButton, box);
    case SurfaceItem::Label3:
      return drawLabel(dc, texts::kWindowTitle, content.fonts.title.get(), box, false);
    case SurfaceItem::Image9:
      return drawPicture(dc, content.frame.image9.get(), box);
    case SurfaceItem::Image8Right:
      return drawPicture(dc, content.frame.image8Right.get(), box);
    case SurfaceItem::Image8Left:
      return drawPicture(dc, content.frame.image8Left.get(), box);
    case SurfaceItem::Image7Bottom:
      return drawPicture(dc, content.frame.image7Bottom.get(), box);
    case SurfaceItem::Image7Top:
      return drawPicture(dc, content.frame.image7Top.get(), box);
    case SurfaceItem::Label1:
      return drawLabel(dc, texts::kListHeading, content.fonts.bold975.get(), box, true);
  }
}

}  // namespace

void paint(HDC dc, const Content& content) {
  fill(dc, layout::toPixels(layout::kWindow, content.dpi), kBackground);
  for (auto place = layout::kSurfaceTopFirst.rbegin(); place != layout::kSurfaceTopFirst.rend();
       ++place) {
    paintItem(dc, place->item, layout::toPixels(place->box, content.dpi), content);
  }
}

void paintBuffered(HDC dc, const RECT& area, SIZE surfaceSize, const Content& content) {
  const gdi::MemoryDc buffer(dc);
  const gdi::Bitmap canvas(CreateCompatibleBitmap(dc, surfaceSize.cx, surfaceSize.cy));
  if (!buffer || !canvas) return paint(dc, content);
  {
    const gdi::Selection selected(buffer.get(), canvas.get());
    paint(buffer.get(), content);
    BitBlt(dc, area.left, area.top, area.right - area.left, area.bottom - area.top, buffer.get(),
           area.left, area.top, SRCCOPY);
  }
}

}  // namespace surface
