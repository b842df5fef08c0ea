#pragma once

// Where everything of the main window lies. Places are kept in twips (1440 to the inch, 15 to
// the pixel at 96 dots per inch) from the window's top-left corner and turned into pixels at the
// window's DPI when they are used.

#include <windows.h>

#include <array>
#include <optional>

namespace layout {

inline constexpr int kTwipsPerInch = 1440;

struct TwipsBox {
  int left;
  int top;
  int width;
  int height;
};

// Twips as pixels at `dpi`, rounded to the nearest pixel.
int toPixels(int twips, UINT dpi);
// The box in pixels at `dpi`: each of Left, Top, Width and Height converted on its own.
RECT toPixels(const TwipsBox& box, UINT dpi);

// The window itself: its client area is the whole window.
inline constexpr TwipsBox kWindow{0, 0, 6105, 5280};

// Child windows.
inline constexpr TwipsBox kCommand3{3495, 1275, 1740, 525};  // "CAMBIAR"
inline constexpr TwipsBox kFile1{450, 1050, 2070, 3795};     // the remittance list
inline constexpr TwipsBox kCommand4{3495, 3735, 1740, 525};  // "SALIR"

// Images and labels painted on the window's own surface.
enum class SurfaceItem {
  Label2,        // "Velmor Soft, S.L."
  Image10,       // the close button, element 0
  Label3,        // the title text
  Image9,        // the title strip
  Image8Right,   // Image8(1)
  Image8Left,    // Image8(0)
  Image7Bottom,  // Image7(1)
  Image7Top,     // Image7(0)
  Label1,        // "Selección de Remesa", element 0
};

struct SurfacePlace {
  SurfaceItem item;
  TwipsBox box;
};

// The surface items in stacking order, topmost first. They are painted from the end of the
// table up, and the mouse belongs to the first one under it.
inline constexpr std::array<SurfacePlace, 9> kSurfaceTopFirst{{
    {SurfaceItem::Label2, {4320, 4755, 1515, 285}},
    {SurfaceItem::Image10, {5715, 180, 240, 210}},
    {SurfaceItem::Label3, {195, 150, 5130, 285}},
    {SurfaceItem::Image9, {105, 105, 5895, 345}},
    {SurfaceItem::Image8Right, {6000, 0, 105, 5280}},
    {SurfaceItem::Image8Left, {0, 0, 105, 5280}},
    {SurfaceItem::Image7Bottom, {0, 5170, 6000, 105}},
    {SurfaceItem::Image7Top, {0, 0, 6000, 105}},
    {SurfaceItem::Label1, {450, 720, 2025, 240}},
}};

// The box of a surface item.
const TwipsBox& boxOf(SurfaceItem item);

// The topmost surface item under `point` (pixels in the client area at `dpi`), if any.
std::optional<SurfaceItem> topmostItemAt(POINT point, UINT dpi);

}  // namespace layout
