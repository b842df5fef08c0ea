#include "fonts.h"

namespace fonts {
namespace {

constexpr int kHundredthsPerInch = 72 * 100;
constexpr LONG kBold = FW_BOLD;

}  // namespace

int heightAt(int hundredthsOfPoint, UINT dpi) {
  return -MulDiv(hundredthsOfPoint, static_cast<int>(dpi), kHundredthsPerInch);
}

gdi::Font createBold(const FontFace& face, UINT dpi) {
  LOGFONTW font{};
  font.lfHeight = heightAt(face.hundredthsOfPoint, dpi);
  font.lfWeight = kBold;
  font.lfCharSet = ANSI_CHARSET;
  font.lfOutPrecision = OUT_DEFAULT_PRECIS;
  font.lfClipPrecision = CLIP_DEFAULT_PRECIS;
  font.lfQuality = DEFAULT_QUALITY;
  font.lfPitchAndFamily = DEFAULT_PITCH | FF_SWISS;
  lstrcpynW(font.lfFaceName, face.name, LF_FACESIZE);
  return gdi::Font(CreateFontIndirectW(&font));
}

gdi::Font createDialogFont(UINT dpi) {
  // The stock font is made for the system DPI; scale it to this window's.
  LOGFONTW font{};
  GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof font, &font);
  font.lfHeight = MulDiv(font.lfHeight, static_cast<int>(dpi), static_cast<int>(GetDpiForSystem()));
  font.lfWidth = 0;
  return gdi::Font(CreateFontIndirectW(&font));
}

WindowFonts::WindowFonts(UINT dpi)
    : title(createBold(kTahoma12, dpi)),
      bold975(createBold(kTahoma975, dpi)),
      credit(createBold(kTahoma825, dpi)),
      list(createDialogFont(dpi)) {}

}  // namespace fonts
