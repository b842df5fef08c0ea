#pragma once

// Paints the images and labels that lie on the main window's own surface.

#include <windows.h>

#include "fonts.h"
#include "pictures.h"

namespace surface {

inline constexpr COLORREF kBackground = RGB(32, 32, 33);
inline constexpr COLORREF kLabelText = RGB(255, 255, 255);

// What the surface shows right now.
struct Content {
  const pictures::FramePictures& frame;
  HBITMAP closeButton;  // the picture of Image10(0)
  const fonts::WindowFonts& fonts;
  UINT dpi;
};

// Paints the background and every surface item, bottom of the stacking order first.
void paint(HDC dc, const Content& content);

// The same, drawn off screen first and then copied into `area` of `dc` in one step, so that
// nothing flickers.
void paintBuffered(HDC dc, const RECT& area, SIZE surfaceSize, const Content& content);

}  // namespace surface
