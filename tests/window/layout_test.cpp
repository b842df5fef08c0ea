// Where the controls of the main window lie, what they say and how the surface looks, at the
// window's DPI; the labels whole at every DPI; the window at the system DPI where the newer DPI
// functions are missing.

#include <algorithm>
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "sideways_scroll.h"
#include "window_harness.h"

namespace {

using painting::Item;

// The face Windows gives for a bold or regular font asked for by name.
std::wstring faceGivenFor(const wchar_t* face, LONG weight) {
  LOGFONTW logical{};
  logical.lfHeight = -16;
  logical.lfWeight = weight;
  lstrcpyW(logical.lfFaceName, face);
  const Font font(CreateFontIndirectW(&logical));
  const MemoryDc dc(CreateCompatibleDC(nullptr));
  const ScopedSelection selected(dc.get(), font.get());
  wchar_t given[LF_FACESIZE] = {};
  GetTextFaceW(dc.get(), LF_FACESIZE, given);
  return given;
}

// The window is laid out for Tahoma, and every check of its pixels assumes it: without Tahoma
// they would all fail, each in its own way. So it is checked once, before any test, in one line.
class TahomaIsInstalled : public testing::Environment {
 public:
  void SetUp() override {
    for (LONG weight : {FW_NORMAL, FW_BOLD}) {
      const std::wstring given = faceGivenFor(L"Tahoma", weight);
      ASSERT_EQ(given, L"Tahoma")
          << "Windows gives another face for Tahoma (weight " << weight
          << "): scripts/wine-run.sh copies tahoma.ttf and tahomabd.ttf from fonts-wine into the "
             "Wine prefix's C:\\windows\\Fonts; run the tests through scripts/test.sh.";
    }
  }
};
testing::Environment* const kTahomaCheck = testing::AddGlobalTestEnvironment(new TahomaIsInstalled);

struct Expected {
  const char* name;
  int id;
  RECT at96;
  RECT at144;
};

// The layout's twips: 15 to the pixel at 96 DPI, 10 to the pixel at 144 DPI (halves round up).
constexpr std::array<Expected, 3> kChildren{{
    {"change button", kChangeButtonId, {233, 85, 349, 120}, {350, 128, 524, 181}},
    {"remittance list", kRemittanceListId, {30, 70, 168, 323}, {45, 105, 252, 485}},
    {"exit button", kExitButtonId, {233, 249, 349, 284}, {350, 374, 524, 427}},
}};

struct ExpectedItem {
  const char* name;
  Item item;
  RECT at96;
};

constexpr std::array<ExpectedItem, 7> kFixedItems{{
    {"top frame piece", Item::TopFramePiece, {0, 0, 400, 7}},
    {"bottom frame piece", Item::BottomFramePiece, {0, 345, 400, 352}},
    {"left frame piece", Item::LeftFramePiece, {0, 0, 7, 352}},
    {"right frame piece", Item::RightFramePiece, {400, 0, 407, 352}},
    {"title strip", Item::TitleStrip, {7, 7, 400, 30}},
    {"close button", Item::CloseButton, {381, 12, 397, 26}},
    {"credit", Item::Credit, {288, 317, 389, 336}},
}};

// The labels: their text, font size in hundredths of a point and top-left corner in twips.
struct Label {
  const char* name;
  Item item;
  const wchar_t* text;
  int hundredthsOfPoint;
  POINT cornerTwips;
};
constexpr std::array<Label, 3> kLabels{{
    {"title", Item::Title, L"Cambia remesa SEPA a anticipos de cobro", 1200, {195, 150}},
    {"list heading", Item::ListHeading, L"Selecci\u00f3n de Remesa", 975, {450, 720}},
    {"credit", Item::Credit, L"Velmor Soft, S.L.", 825, {4320, 4755}},
}};

LOGFONTW fontOf(HWND child) {
  LOGFONTW font{};
  GetObjectW(reinterpret_cast<HFONT>(SendMessageW(child, WM_GETFONT, 0, 0)), sizeof font, &font);
  return font;
}

std::wstring textOf(HWND window) {
  wchar_t text[256] = {};
  GetWindowTextW(window, text, 256);
  return text;
}

// The label's font, made here on its own: Tahoma bold at `dpi`.
HFONT createLabelFont(const Label& label, UINT dpi) {
  LOGFONTW logical{};
  logical.lfHeight = -MulDiv(label.hundredthsOfPoint, static_cast<int>(dpi), 7200);
  logical.lfWeight = FW_BOLD;
  lstrcpyW(logical.lfFaceName, L"Tahoma");
  return CreateFontIndirectW(&logical);
}

// How the label's text comes out when nothing cuts it: its measured size, and how far from its
// left edge its last letter reaches once drawn.
struct UncutText {
  SIZE measured;
  int lastColumn;
};
UncutText drawUncut(const Label& label, UINT dpi) {
  const HFONT font = createLabelFont(label, dpi);
  const HDC dc = CreateCompatibleDC(nullptr);
  const HGDIOBJ previousFont = SelectObject(dc, font);
  UncutText uncut{};
  GetTextExtentPoint32W(dc, label.text, lstrlenW(label.text), &uncut.measured);

  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = 2 * uncut.measured.cx;
  info.bmiHeader.biHeight = -uncut.measured.cy;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  const HBITMAP canvas = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  const HGDIOBJ previousCanvas = SelectObject(dc, canvas);
  RECT area{0, 0, 2 * uncut.measured.cx, uncut.measured.cy};
  FillRect(dc, &area, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  SetTextColor(dc, RGB(255, 255, 255));
  SetBkMode(dc, TRANSPARENT);
  DrawTextW(dc, label.text, -1, &area, DT_LEFT | DT_TOP | DT_SINGLELINE | DT_NOPREFIX);
  GdiFlush();
  const auto* pixels = static_cast<const std::uint32_t*>(bits);
  uncut.lastColumn = -1;
  for (int y = 0; y < area.bottom; ++y) {
    for (int x = 0; x < area.right; ++x) {
      const std::uint32_t pixel = pixels[y * area.right + x];
      if (isLetterWhite(RGB((pixel >> 16) & 0xFF, (pixel >> 8) & 0xFF, pixel & 0xFF))) {
        uncut.lastColumn = std::max(uncut.lastColumn, x);
      }
    }
  }
  SelectObject(dc, previousCanvas);
  DeleteObject(canvas);
  SelectObject(dc, previousFont);
  DeleteDC(dc);
  DeleteObject(font);
  return uncut;
}

class LayoutTest : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    addRemittance("a.xml", remittanceText("PRE", "1"));
  }
};

TEST_F(LayoutTest, WindowIsABorderlessPopupOf407By352PixelsWithTitleAndIcon) {
  ASSERT_TRUE(start());
  RECT window{};
  GetWindowRect(handle(), &window);
  EXPECT_EQ(window.right - window.left, 407);
  EXPECT_EQ(window.bottom - window.top, 352);
  RECT client{};
  GetClientRect(handle(), &client);
  EXPECT_EQ(client, (RECT{0, 0, 407, 352}));

  const LONG_PTR style = GetWindowLongPtrW(handle(), GWL_STYLE);
  EXPECT_TRUE(style & WS_POPUP);
  EXPECT_FALSE(style & (WS_CAPTION | WS_THICKFRAME | WS_SYSMENU | WS_BORDER | WS_DLGFRAME));
  EXPECT_EQ(GetMenu(handle()), nullptr);
  EXPECT_EQ(textOf(handle()), L"Cambia remesa SEPA a anticipos de cobro");
  EXPECT_NE(GetClassLongPtrW(handle(), GCLP_HICON), 0);
  EXPECT_NE(GetClassLongPtrW(handle(), GCLP_HICONSM), 0);
}

TEST_F(LayoutTest, ChildrenLieAtTheirPlacesWithTheirCaptionsStylesAndFonts) {
  ASSERT_TRUE(start());
  for (const Expected& child : kChildren) {
    SCOPED_TRACE(child.name);
    ASSERT_NE(control(child.id), nullptr);
    EXPECT_EQ(childRect(control(child.id)), child.at96);
  }
  EXPECT_EQ(textOf(control(kChangeButtonId)), L"CAMBIAR");
  EXPECT_EQ(textOf(control(kExitButtonId)), L"SALIR");
  for (int id : {kChangeButtonId, kExitButtonId}) {
    // Plain push buttons: neither is a default button. Tahoma 9.75 bold: 13 pixels at 96 DPI.
    EXPECT_EQ(GetWindowLongPtrW(control(id), GWL_STYLE) & BS_TYPEMASK, BS_PUSHBUTTON);
    const LOGFONTW font = fontOf(control(id));
    EXPECT_STREQ(font.lfFaceName, L"Tahoma");
    EXPECT_EQ(font.lfHeight, -13);
    EXPECT_EQ(font.lfWeight, 700);
    EXPECT_EQ(font.lfCharSet, 0);
    EXPECT_FALSE(font.lfItalic || font.lfUnderline || font.lfStrikeOut);
  }
  const LONG_PTR listStyle = GetWindowLongPtrW(control(kRemittanceListId), GWL_STYLE);
  EXPECT_TRUE(listStyle & LBS_NOTIFY);
  EXPECT_FALSE(listStyle & (LBS_MULTIPLESEL | LBS_EXTENDEDSEL | LBS_SORT));
}

TEST(Fonts, FractionalPointSizesScaleWithTheDpi) {
  struct Case {
    UINT dpi;
    LONG title, bold, credit;
  };
  // 12, 9.75 and 8.25 points: 16, 13 and 11 pixels at 96 DPI; 24, 19.5 and 16.5 at 144.
  for (const Case& expected : {Case{96, -16, -13, -11}, Case{144, -24, -20, -17}}) {
    SCOPED_TRACE(expected.dpi);
    const painting::Fonts fonts(expected.dpi);
    const auto heightOf = [](const Font& font) {
      LOGFONTW logical{};
      GetObjectW(font.get(), sizeof logical, &logical);
      return logical.lfHeight;
    };
    EXPECT_EQ(heightOf(fonts.title), expected.title);
    EXPECT_EQ(heightOf(fonts.bold), expected.bold);
    EXPECT_EQ(heightOf(fonts.credit), expected.credit);
  }
}

TEST_F(LayoutTest, PicturesAndTheCreditHaveTheirPixelBoxesAt96Dpi) {
  ASSERT_TRUE(start());
  for (const ExpectedItem& expected : kFixedItems) {
    SCOPED_TRACE(expected.name);
    EXPECT_EQ(surface().boxOf(expected.item), expected.at96);
  }
}

TEST_F(LayoutTest, SurfaceShowsFrameTitleStripCloseCrossAndBackground) {
  ASSERT_TRUE(start());
  const Snapshot shot(handle());
  struct Sample {
    const char* what;
    int x, y;
    COLORREF colour;
  };
  const Sample samples[] = {
      {"top frame, outer row", 200, 0, RGB(255, 255, 255)},
      {"top frame, second row", 200, 1, RGB(208, 208, 208)},
      {"left frame, outer column", 0, 200, RGB(255, 255, 255)},
      {"left frame lies over the top frame", 3, 1, RGB(180, 180, 180)},
      {"right frame, outermost shadow", 406, 200, RGB(105, 105, 105)},
      {"right frame, inner shadow", 405, 200, RGB(160, 160, 160)},
      {"bottom frame, outermost shadow", 200, 351, RGB(105, 105, 105)},
      {"title strip, top", 370, 8, RGB(55, 55, 57)},
      {"title strip, dark line", 370, 28, RGB(40, 40, 42)},
      {"title strip, light line", 370, 29, RGB(89, 89, 91)},
      {"close cross, plain", 388, 18, RGB(187, 186, 187)},
      {"close cross, ground", 381, 12, RGB(51, 51, 52)},
      {"window background", 200, 200, RGB(32, 32, 33)},
  };
  for (const Sample& sample : samples) {
    EXPECT_EQ(colourText(shot.at(sample.x, sample.y)), colourText(sample.colour)) << sample.what;
  }
}

// At every DPI each label's box holds its whole text, measured in its font at that DPI, and the
// last letters are painted; the title stands straight on the strip, the heading and the credit on
// the background colour.
TEST_F(LayoutTest, NoLabelIsClippedAtAnyDpi) {
  ASSERT_TRUE(start());
  for (UINT dpi : {96u, 120u, 144u, 192u}) {
    changeDpi(dpi);
    const Snapshot shot(handle());
    for (const Label& label : kLabels) {
      SCOPED_TRACE(std::string(label.name) + " at " + std::to_string(dpi) + " DPI");
      const RECT box = surface().boxOf(label.item);
      const UncutText uncut = drawUncut(label, dpi);
      EXPECT_EQ(box.left, painting::toPixels(label.cornerTwips.x, dpi));
      EXPECT_EQ(box.top, painting::toPixels(label.cornerTwips.y, dpi));
      EXPECT_GE(box.right - box.left, uncut.measured.cx);
      EXPECT_GE(box.bottom - box.top, uncut.measured.cy);

      // Looked for a little beyond the box: text cut at the box's edge ends short of the uncut
      // text's last letter.
      const RECT around{box.left, box.top, std::max(box.right, box.left + uncut.measured.cx) + 4,
                        box.top + uncut.measured.cy};
      EXPECT_NEAR(rightmostLetterColumn(shot, around), box.left + uncut.lastColumn, 1)
          << "the last letter is cut or missing";
      const COLORREF background = RGB(32, 32, 33);
      if (label.item == Item::Title) {
        EXPECT_EQ(shot.count(box, background), 0) << "no box of its own";
      } else {
        EXPECT_GT(shot.count(box, background), (box.right - box.left) * (box.bottom - box.top) / 2);
      }
    }
  }
}

TEST_F(LayoutTest, DpiChangeTakesTheSuggestedPlaceAndScalesChildrenFontsAndPictures) {
  ASSERT_TRUE(start());
  changeDpi(144, POINT{50, 60});

  RECT window{};
  GetWindowRect(handle(), &window);
  EXPECT_EQ(window, (RECT{50, 60, 661, 588}));
  for (const Expected& child : kChildren) {
    SCOPED_TRACE(child.name);
    EXPECT_EQ(childRect(control(child.id)), child.at144);
  }
  for (int id : {kChangeButtonId, kExitButtonId}) {
    const LOGFONTW font = fontOf(control(id));
    EXPECT_EQ(font.lfHeight, -20);
    EXPECT_EQ(font.lfWeight, 700);
    EXPECT_STREQ(font.lfFaceName, L"Tahoma");
  }
  EXPECT_LT(fontOf(control(kRemittanceListId)).lfHeight, -11) << "the list's font grows too";

  // The close cross fills its 24 x 21 box at 572, 18; the strip reaches 600.
  const Snapshot shot(handle());
  EXPECT_EQ(colourText(shot.at(572 + 11, 18 + 10)), colourText(RGB(187, 186, 187)));
  EXPECT_EQ(colourText(shot.at(598, 12)), colourText(RGB(55, 55, 57)));
  EXPECT_EQ(colourText(shot.at(610, 300)), colourText(RGB(105, 105, 105)));

  changeDpi(96, POINT{50, 60});
  for (const Expected& child : kChildren) {
    SCOPED_TRACE(child.name);
    EXPECT_EQ(childRect(control(child.id)), child.at96);
  }
  EXPECT_EQ(fontOf(control(kChangeButtonId)).lfHeight, -13);
}

// The window starts at the DPI the system tells: from GetDpiForWindow where user32 has it, and
// from the screen's device context where it does not (Windows 7 to 10 1511).
UINT WINAPI dpiOfWindowAt144(HWND) {
  return 144;
}

TEST_F(LayoutTest, StartsAtTheWindowsDpiOrTheSystemDpiWhereTheNewerFunctionsAreMissing) {
  struct Case {
    const char* name;
    dpi::NewerFunctions functions;
    UINT expectedDpi;
  };
  const HDC screen = GetDC(nullptr);
  const UINT systemDpi = static_cast<UINT>(GetDeviceCaps(screen, LOGPIXELSX));
  ReleaseDC(nullptr, screen);
  const Case cases[] = {
      {"no newer functions", dpi::NewerFunctions{}, systemDpi},
      {"GetDpiForWindow", dpi::NewerFunctions{dpiOfWindowAt144, nullptr}, 144},
  };
  for (const Case& row : cases) {
    SCOPED_TRACE(row.name);
    ASSERT_TRUE(start(folder(), row.functions));

    RECT window{};
    GetWindowRect(handle(), &window);
    const SIZE expected = painting::windowSize(row.expectedDpi);
    EXPECT_EQ(window.right - window.left, expected.cx);
    EXPECT_EQ(window.bottom - window.top, expected.cy);
    EXPECT_EQ(childRect(control(kChangeButtonId)),
              painting::toPixels(painting::kChangeButtonBox, row.expectedDpi));
    EXPECT_EQ(fontOf(control(kChangeButtonId)).lfHeight,
              painting::fontHeight(975, row.expectedDpi));
    const Snapshot shot(handle());
    const RECT cross = surface().boxOf(Item::CloseButton);
    EXPECT_EQ(colourText(shot.at((cross.left + cross.right) / 2, (cross.top + cross.bottom) / 2)),
              colourText(RGB(187, 186, 187)));
  }
}

// At every DPI, in the list's own font (Tahoma here) and in DejaVu Sans, the face that stands in
// for Tahoma under Wine: Right scrolls the list to the end of a name wider than itself, and its
// last letter shows whole; Left scrolls back.
TEST_F(LayoutTest, RightScrollsToTheWholeEndOfALongNameAtEveryDpiAndFace) {
  addRemittance("Remesa_ES12000B12345678_2026-12-01_cuotas_socios_febrero.xml", "");
  ASSERT_TRUE(start());
  const HWND list = control(kRemittanceListId);
  std::vector<Font> replacements;
  for (const wchar_t* face : {L"", L"DejaVu Sans"}) {
    for (UINT dpi : {96u, 120u, 144u, 192u}) {
      SCOPED_TRACE(testing::PrintToString(std::wstring(face)) + " at " + std::to_string(dpi));
      changeDpi(dpi);
      if (*face) {
        LOGFONTW font = fontOf(list);
        lstrcpyW(font.lfFaceName, face);
        replacements.emplace_back(CreateFontIndirectW(&font));
        SendMessageW(list, WM_SETFONT, reinterpret_cast<WPARAM>(replacements.back().get()), TRUE);
        fitSidewaysScroll(list);
      }
      for (int press = 0; press < 20; ++press) pressKey(list, VK_RIGHT);
      RECT client{};
      GetClientRect(list, &client);
      const int extent = static_cast<int>(SendMessageW(list, LB_GETHORIZONTALEXTENT, 0, 0));
      EXPECT_EQ(GetScrollPos(list, SB_HORZ), extent - client.right);
      // The long name is the second row, under "a.xml", which is selected.
      const int height = static_cast<int>(SendMessageW(list, LB_GETITEMHEIGHT, 0, 0));
      const Snapshot shot(list);
      int lastInk = -1;
      for (int x = 0; x < client.right; ++x) {
        const int ground = shot.count({x, height, x + 1, 2 * height}, GetSysColor(COLOR_WINDOW));
        if (ground < height) lastInk = x;
      }
      EXPECT_GT(lastInk, client.right / 2);
      EXPECT_LT(lastInk, client.right - 1) << "the last letter is cut";
      for (int press = 0; press < 20; ++press) pressKey(list, VK_LEFT);
      EXPECT_EQ(GetScrollPos(list, SB_HORZ), 0);
    }
  }
}

}  // namespace
