#pragma once

// What the main window paints on its own surface: where everything lies, the pictures, the fonts
// and the drawing. Places are kept in twips (1440 to the inch, 15 to the pixel at 96 dots per
// inch) from the window's top-left corner and turned into pixels at the window's DPI.

#include <windows.h>

#include <array>
#include <optional>
#include <string>

#include "scoped_handle.h"

namespace painting {

inline constexpr COLORREF kBackground = RGB(32, 32, 33);
inline constexpr COLORREF kLabelText = RGB(255, 255, 255);

struct TwipsBox {
  int left;
  int top;
  int width;
  int height;
};

// Twips as pixels at `dpi`, rounded to the nearest pixel; a box converts each of Left, Top, Width
// and Height on its own.
int toPixels(int twips, UINT dpi);
RECT toPixels(const TwipsBox& box, UINT dpi);

// The window, whose client area is the whole window, and its child windows.
inline constexpr TwipsBox kWindowBox{0, 0, 6105, 5280};
inline constexpr TwipsBox kChangeButtonBox{3495, 1275, 1740, 525};
inline constexpr TwipsBox kRemittanceListBox{450, 1050, 2070, 3795};
inline constexpr TwipsBox kExitButtonBox{3495, 3735, 1740, 525};

SIZE windowSize(UINT dpi);

// The pictures and labels of the surface.
enum class Item {
  Credit,
  CloseButton,
  Title,
  TitleStrip,
  RightFramePiece,
  LeftFramePiece,
  BottomFramePiece,
  TopFramePiece,
  ListHeading,
};

struct Placement {
  Item item;
  TwipsBox box;
};

// The surface in stacking order, topmost first: painted from the end up, and the mouse belongs to
// the first item under it. The title and the list heading are anchored at their Left and Top and
// take the size of their text; the credit keeps its box.
inline constexpr std::array<Placement, 9> kItemsTopFirst{{
    {Item::Credit, {4320, 4755, 1515, 285}},
    {Item::CloseButton, {5715, 180, 240, 210}},
    {Item::Title, {195, 150, 0, 0}},
    {Item::TitleStrip, {105, 105, 5895, 345}},
    {Item::RightFramePiece, {6000, 0, 105, 5280}},
    {Item::LeftFramePiece, {0, 0, 105, 5280}},
    {Item::BottomFramePiece, {0, 5170, 6000, 105}},
    {Item::TopFramePiece, {0, 0, 6000, 105}},
    {Item::ListHeading, {450, 720, 0, 0}},
}};

// A size in hundredths of a point, so that 9.75 and 8.25 points keep their fraction, as the
// LOGFONT height (negative: character height) at `dpi`.
int fontHeight(int hundredthsOfPoint, UINT dpi);

// The face of the labels and of the buttons' captions.
inline constexpr wchar_t kLabelFace[] = L"Tahoma";

// Every font of the window at one DPI, the labels and captions in `face`.
struct Fonts {
  explicit Fonts(UINT dpi, const std::wstring& face = kLabelFace);

  Font title;   // Tahoma 12 bold, smaller only where the face is too wide to end before the cross
  Font bold;    // Tahoma 9.75 bold: the list heading, the change and exit buttons
  Font credit;  // Tahoma 8.25 bold
  Font list;    // the system's dialog font, for the remittance list
};

// The surface at the window's DPI, with the close button plain or lit.
class Surface {
 public:
  // Loads the pictures from the program's resources; throws std::runtime_error when one is
  // missing. The labels are drawn in `face`.
  explicit Surface(UINT dpi, std::wstring face = kLabelFace);

  UINT dpi() const { return dpi_; }
  const Fonts& fonts() const { return fonts_; }

  // Makes the fonts for `dpi` and measures the labels again. Returns the fonts of the old DPI,
  // which the child windows may still be using.
  [[nodiscard]] Fonts changeDpi(UINT dpi);

  // The box of an item in pixels.
  RECT boxOf(Item item) const;
  // The topmost item under `point` (pixels in the client area), if any.
  std::optional<Item> itemAt(POINT point) const;

  bool closeButtonLit() const { return closeButtonLit_; }
  // Shows the hover or the plain close picture; true when the picture changed.
  bool lightCloseButton(bool lit);

  // Paints the background and every item, bottom of the stack first.
  void paint(HDC dc) const;
  // The same, drawn off screen and copied into `area` of `dc` in one step, so nothing flickers.
  void paintBuffered(HDC dc, const RECT& area) const;

 private:
  struct Pictures {
    Pictures();

    Bitmap topFramePiece;
    Bitmap bottomFramePiece;
    Bitmap leftFramePiece;
    Bitmap rightFramePiece;
    Bitmap titleStrip;
    Bitmap closePlain;
    Bitmap closeHover;
  };

  void measureLabels();
  void paintItem(HDC dc, Item item) const;

  Pictures pictures_;
  UINT dpi_;
  std::wstring face_;
  Fonts fonts_;
  RECT titleBox_{};
  RECT listHeadingBox_{};
  bool closeButtonLit_ = false;
};

}  // namespace painting
