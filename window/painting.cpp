#include "painting.h"

#include <stdexcept>
#include <string_view>
#include <utility>

#include "dpi.h"
#include "resource_ids.h"
#include "texts.h"

namespace painting {
namespace {

constexpr int kTwipsPerInch = 1440;
constexpr int kHundredthsOfPointPerInch = 72 * 100;

constexpr int kTitleSize = 1200;
constexpr int kBoldSize = 975;
constexpr int kCreditSize = 825;

Bitmap loadPicture(int resourceId) {
  HANDLE picture = LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(resourceId), IMAGE_BITMAP,
                              0, 0, LR_CREATEDIBSECTION);
  if (!picture) throw std::runtime_error("falta en el programa una imagen de la ventana");
  return Bitmap(static_cast<HBITMAP>(picture));
}

// A bold font of `face`, `height` as in LOGFONTW (negative: the characters' height in pixels).
Font createBold(LONG height, const std::wstring& face) {
  LOGFONTW font{};
  font.lfHeight = height;
  font.lfWeight = FW_BOLD;
  font.lfCharSet = ANSI_CHARSET;
  font.lfPitchAndFamily = DEFAULT_PITCH | FF_SWISS;
  lstrcpynW(font.lfFaceName, face.c_str(), LF_FACESIZE);
  return Font(CreateFontIndirectW(&font));
}

// The box a one-line text takes in `font`, with its top-left corner at `corner`.
RECT textBox(POINT corner, HFONT font, std::wstring_view text) {
  SIZE size{};
  const MemoryDc dc(CreateCompatibleDC(nullptr));
  if (dc.valid()) {
    const ScopedSelection selected(dc.get(), font);
    GetTextExtentPoint32W(dc.get(), text.data(), static_cast<int>(text.size()), &size);
  }
  return {corner.x, corner.y, corner.x + size.cx, corner.y + size.cy};
}

const TwipsBox& placeOf(Item item) {
  for (const Placement& placement : kItemsTopFirst) {
    if (placement.item == item) return placement.box;
  }
  throw std::logic_error("an item of the surface without a place");
}

// The title in 12-point bold. A face wider than Tahoma (a system without it, or with a substitute
// of its own) would run the title under the close button: the size then steps down, a pixel at a
// time, until the title ends before the button.
Font createTitleFont(UINT dpi, const std::wstring& face) {
  const LONG room =
      toPixels(placeOf(Item::CloseButton).left, dpi) - toPixels(placeOf(Item::Title).left, dpi);
  for (LONG height = fontHeight(kTitleSize, dpi);; ++height) {
    Font font = createBold(height, face);
    const RECT box = textBox({0, 0}, font.get(), texts::kWindowTitle);
    if (box.right < room || height >= -1) return font;
  }
}

Font createDialogFont(UINT dpi) {
  // The stock font is made for the system DPI; scale it to the window's.
  LOGFONTW font{};
  GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof font, &font);
  font.lfHeight = MulDiv(font.lfHeight, static_cast<int>(dpi), static_cast<int>(dpi::systemDpi()));
  font.lfWidth = 0;
  return Font(CreateFontIndirectW(&font));
}

void fill(HDC dc, const RECT& box, COLORREF colour) {
  const Brush brush(CreateSolidBrush(colour));
  FillRect(dc, &box, brush.get());
}

// Shows a picture scaled to fill the box.
void drawPicture(HDC dc, HBITMAP picture, const RECT& box) {
  BITMAP size{};
  GetObjectW(picture, sizeof size, &size);
  const MemoryDc source(CreateCompatibleDC(dc));
  const ScopedSelection selected(source.get(), picture);
  SetStretchBltMode(dc, COLORONCOLOR);
  StretchBlt(dc, box.left, box.top, box.right - box.left, box.bottom - box.top, source.get(), 0, 0,
             size.bmWidth, size.bmHeight, SRCCOPY);
}

// White text on one line from the top-left corner of its box. An opaque label first fills its
// box with the window's background; a clipped one is cut at the edges of its box.
enum class LabelGround { Transparent, Opaque };
void drawLabel(HDC dc, std::wstring_view text, HFONT font, RECT box, LabelGround ground,
               bool clipped) {
  if (ground == LabelGround::Opaque) fill(dc, box, kBackground);
  const ScopedSelection selected(dc, font);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, kLabelText);
  DrawTextW(dc, text.data(), static_cast<int>(text.size()), &box,
            DT_LEFT | DT_TOP | DT_SINGLELINE | DT_NOPREFIX | (clipped ? 0 : DT_NOCLIP));
}

}  // namespace

int toPixels(int twips, UINT dpi) {
  return MulDiv(twips, static_cast<int>(dpi), kTwipsPerInch);
}

RECT toPixels(const TwipsBox& box, UINT dpi) {
  const int left = toPixels(box.left, dpi);
  const int top = toPixels(box.top, dpi);
  return {left, top, left + toPixels(box.width, dpi), top + toPixels(box.height, dpi)};
}

SIZE windowSize(UINT dpi) {
  return {toPixels(kWindowBox.width, dpi), toPixels(kWindowBox.height, dpi)};
}

int fontHeight(int hundredthsOfPoint, UINT dpi) {
  return -MulDiv(hundredthsOfPoint, static_cast<int>(dpi), kHundredthsOfPointPerInch);
}

Fonts::Fonts(UINT dpi, const std::wstring& face)
    : title(createTitleFont(dpi, face)),
      bold(createBold(fontHeight(kBoldSize, dpi), face)),
      credit(createBold(fontHeight(kCreditSize, dpi), face)),
      list(createDialogFont(dpi)) {}

Surface::Pictures::Pictures()
    : topFramePiece(loadPicture(IDB_FRAME_TOP)),
      bottomFramePiece(loadPicture(IDB_FRAME_BOTTOM)),
      leftFramePiece(loadPicture(IDB_FRAME_LEFT)),
      rightFramePiece(loadPicture(IDB_FRAME_RIGHT)),
      titleStrip(loadPicture(IDB_TITLE_STRIP)),
      closePlain(loadPicture(IDB_CLOSE_PLAIN)),
      closeHover(loadPicture(IDB_CLOSE_HOVER)) {}

Surface::Surface(UINT dpi, std::wstring face)
    : dpi_(dpi), face_(std::move(face)), fonts_(dpi, face_) {
  measureLabels();
}

Fonts Surface::changeDpi(UINT dpi) {
  Fonts previous = std::exchange(fonts_, Fonts(dpi, face_));
  dpi_ = dpi;
  measureLabels();
  return previous;
}

void Surface::measureLabels() {
  const auto corner = [this](Item item) {
    const RECT box = toPixels(placeOf(item), dpi_);
    return POINT{box.left, box.top};
  };
  titleBox_ = textBox(corner(Item::Title), fonts_.title.get(), texts::kWindowTitle);
  listHeadingBox_ = textBox(corner(Item::ListHeading), fonts_.bold.get(), texts::kListHeading);
}

RECT Surface::boxOf(Item item) const {
  if (item == Item::Title) return titleBox_;
  if (item == Item::ListHeading) return listHeadingBox_;
  return toPixels(placeOf(item), dpi_);
}

std::optional<Item> Surface::itemAt(POINT point) const {
  for (const Placement& placement : kItemsTopFirst) {
    const RECT box = boxOf(placement.item);
    if (PtInRect(&box, point)) return placement.item;
  }
  return std::nullopt;
}

bool Surface::lightCloseButton(bool lit) {
  return std::exchange(closeButtonLit_, lit) != lit;
}

void Surface::paintItem(HDC dc, Item item) const {
  const RECT box = boxOf(item);
  switch (item) {
    case Item::Credit:
      return drawLabel(dc, texts::kCredit, fonts_.credit.get(), box, LabelGround::Opaque, true);
    case Item::CloseButton:
      return drawPicture(
          dc, closeButtonLit_ ? pictures_.closeHover.get() : pictures_.closePlain.get(), box);
    case Item::Title:
      return drawLabel(dc, texts::kWindowTitle, fonts_.title.get(), box, LabelGround::Transparent,
                       false);
    case Item::TitleStrip:
      return drawPicture(dc, pictures_.titleStrip.get(), box);
    case Item::RightFramePiece:
      return drawPicture(dc, pictures_.rightFramePiece.get(), box);
    case Item::LeftFramePiece:
      return drawPicture(dc, pictures_.leftFramePiece.get(), box);
    case Item::BottomFramePiece:
      return drawPicture(dc, pictures_.bottomFramePiece.get(), box);
    case Item::TopFramePiece:
      return drawPicture(dc, pictures_.topFramePiece.get(), box);
    case Item::ListHeading:
      return drawLabel(dc, texts::kListHeading, fonts_.bold.get(), box, LabelGround::Opaque, false);
  }
}

void Surface::paint(HDC dc) const {
  fill(dc, toPixels(kWindowBox, dpi_), kBackground);
  for (auto placement = kItemsTopFirst.rbegin(); placement != kItemsTopFirst.rend(); ++placement) {
    paintItem(dc, placement->item);
  }
}

void Surface::paintBuffered(HDC dc, const RECT& area) const {
  const SIZE size = windowSize(dpi_);
  const MemoryDc buffer(CreateCompatibleDC(dc));
  const Bitmap canvas(CreateCompatibleBitmap(dc, size.cx, size.cy));
  if (!buffer.valid() || !canvas.valid()) return paint(dc);
  const ScopedSelection selected(buffer.get(), canvas.get());
  paint(buffer.get());
  BitBlt(dc, area.left, area.top, area.right - area.left, area.bottom - area.top, buffer.get(),
         area.left, area.top, SRCCOPY);
}

}  // namespace painting
