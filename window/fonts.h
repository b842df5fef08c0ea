#pragma once

// The fonts of the main window, made for the window's DPI.

#include <windows.h>

#include "gdi.h"

namespace fonts {

// A face at a size in hundredths of a point, so that 9.75 and 8.25 points keep their fraction.
struct FontFace {
  const wchar_t* name;
  int hundredthsOfPoint;
};

inline constexpr FontFace kTahoma12{L"Tahoma", 1200};
inline constexpr FontFace kTahoma975{L"Tahoma", 975};
inline constexpr FontFace kTahoma825{L"Tahoma", 825};

// The LOGFONT height (negative: character height) of a size at `dpi`.
int heightAt(int hundredthsOfPoint, UINT dpi);

// A bold face (weight 700), Western character set, at `dpi`.
gdi::Font createBold(const FontFace& face, UINT dpi);

// The platform's default dialog font at `dpi`.
gdi::Font createDialogFont(UINT dpi);

// Every font the window uses, for one DPI.
struct WindowFonts {
  explicit WindowFonts(UINT dpi);

  gdi::Font title;    // Label3
  gdi::Font bold975;  // Label1(0), "CAMBIAR", "SALIR"
  gdi::Font credit;   // Label2
  gdi::Font list;     // File1
};

}  // namespace fonts
