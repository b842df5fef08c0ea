// Where the controls of the main window lie, what they say and how the surface looks, at 96 and
// at 144 dots per inch.

#include <array>

#include "fonts.h"
#include "layout.h"
#include "window_harness.h"

namespace {

using layout::SurfaceItem;

struct Expected {
  const char* name;
  int id;
  RECT at96;
  RECT at144;
};

// The Part's twips: 15 to the pixel at 96 DPI, 10 to the pixel at 144 DPI (halves round up).
constexpr std::array<Expected, 3> kChildren{{
    {"Command3", kCommand3Id, {233, 85, 349, 120}, {350, 128, 524, 181}},
    {"File1", kFile1Id, {30, 70, 168, 323}, {45, 105, 252, 485}},
    {"Command4", kCommand4Id, {233, 249, 349, 284}, {350, 374, 524, 427}},
}};

struct ExpectedItem {
  const char* name;
  SurfaceItem item;
  RECT at96;
};

constexpr std::array<ExpectedItem, 9> kSurfaceItems{{
    {"Image7(0)", SurfaceItem::Image7Top, {0, 0, 400, 7}},
    {"Image7(1)", SurfaceItem::Image7Bottom, {0, 345, 400, 352}},
    {"Image8(0)", SurfaceItem::Image8Left, {0, 0, 7, 352}},
    {"Image8(1)", SurfaceItem::Image8Right, {400, 0, 407, 352}},
    {"Image9", SurfaceItem::Image9, {7, 7, 400, 30}},
    {"Image10(0)", SurfaceItem::Image10, {381, 12, 397, 26}},
    {"Label3", SurfaceItem::Label3, {13, 10, 355, 29}},
    {"Label1(0)", SurfaceItem::Label1, {30, 48, 165, 64}},
    {"Label2", SurfaceItem::Label2, {288, 317, 389, 336}},
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

class LayoutTest : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    addRemittance("a.xml", remittanceText("PRE", "1"));
    ASSERT_TRUE(start());
  }

  void changeDpi(UINT dpi, const RECT& suggested) {
    SendMessageW(handle(), WM_DPICHANGED, MAKEWPARAM(dpi, dpi),
                 reinterpret_cast<LPARAM>(&suggested));
    pump();
  }
};

TEST_F(LayoutTest, WindowIsABorderlessPopupOf407By352PixelsWithTitleAndIcon) {
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

TEST_F(LayoutTest, ChildrenLieAtTheirPlacesWithTheirCaptionsAndStyles) {
  for (const Expected& child : kChildren) {
    SCOPED_TRACE(child.name);
    ASSERT_NE(control(child.id), nullptr);
    EXPECT_EQ(childRect(control(child.id)), child.at96);
  }
  EXPECT_EQ(textOf(control(kCommand3Id)), L"CAMBIAR");
  EXPECT_EQ(textOf(control(kCommand4Id)), L"SALIR");
  for (int id : {kCommand3Id, kCommand4Id}) {
    // Plain push buttons: neither is a default button.
    EXPECT_EQ(GetWindowLongPtrW(control(id), GWL_STYLE) & BS_TYPEMASK, BS_PUSHBUTTON);
  }
  const LONG_PTR listStyle = GetWindowLongPtrW(control(kFile1Id), GWL_STYLE);
  EXPECT_TRUE(listStyle & LBS_NOTIFY);
  EXPECT_FALSE(listStyle & (LBS_MULTIPLESEL | LBS_EXTENDEDSEL | LBS_SORT));
}

TEST_F(LayoutTest, ButtonsUseTahoma975BoldAtTheWindowDpi) {
  for (int id : {kCommand3Id, kCommand4Id}) {
    const LOGFONTW font = fontOf(control(id));
    EXPECT_STREQ(font.lfFaceName, L"Tahoma");
    EXPECT_EQ(font.lfHeight, -13);
    EXPECT_EQ(font.lfWeight, 700);
    EXPECT_EQ(font.lfCharSet, 0);
    EXPECT_FALSE(font.lfItalic || font.lfUnderline || font.lfStrikeOut);
  }
}

TEST(WindowFonts, FractionalPointSizesScaleWithTheDpi) {
  struct Case {
    UINT dpi;
    LONG title, bold975, credit;
  };
  // 12, 9.75 and 8.25 points: 16, 13 and 11 pixels at 96 DPI; 24, 19.5 and 16.5 at 144.
  for (const Case& expected : {Case{96, -16, -13, -11}, Case{144, -24, -20, -17}}) {
    SCOPED_TRACE(expected.dpi);
    const fonts::WindowFonts fonts(expected.dpi);
    const auto heightOf = [](const gdi::Font& font) {
      LOGFONTW logical{};
      GetObjectW(font.get(), sizeof logical, &logical);
      return logical.lfHeight;
    };
    EXPECT_EQ(heightOf(fonts.title), expected.title);
    EXPECT_EQ(heightOf(fonts.bold975), expected.bold975);
    EXPECT_EQ(heightOf(fonts.credit), expected.credit);
  }
}

TEST_F(LayoutTest, SurfaceItemsHaveTheirPixelBoxesAt96Dpi) {
  for (const ExpectedItem& expected : kSurfaceItems) {
    SCOPED_TRACE(expected.name);
    EXPECT_EQ(layout::toPixels(layout::boxOf(expected.item), 96), expected.at96);
  }
}

TEST_F(LayoutTest, SurfaceShowsFrameTitleStripCloseCrossAndBackground) {
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

TEST_F(LayoutTest, LabelsShowWhiteTextAndTheTitleHasNoBoxOfItsOwn) {
  const Snapshot shot(handle());
  const COLORREF white = RGB(255, 255, 255);
  for (const ExpectedItem& label : {kSurfaceItems[6], kSurfaceItems[7], kSurfaceItems[8]}) {
    EXPECT_GT(shot.count(label.at96, white), 40) << label.name;
  }
  // The title text lies straight on the strip: no pixel of the background colour behind it.
  EXPECT_EQ(shot.count(kSurfaceItems[6].at96, RGB(32, 32, 33)), 0);
  // The heading and the credit stand on the background colour.
  EXPECT_GT(shot.count(kSurfaceItems[7].at96, RGB(32, 32, 33)), 100);
  EXPECT_GT(shot.count(kSurfaceItems[8].at96, RGB(32, 32, 33)), 100);
}

TEST_F(LayoutTest, DpiChangeTakesTheSuggestedPlaceAndScalesChildrenFontsAndPictures) {
  changeDpi(144, RECT{50, 60, 50 + 611, 60 + 528});

  RECT window{};
  GetWindowRect(handle(), &window);
  EXPECT_EQ(window, (RECT{50, 60, 661, 588}));
  for (const Expected& child : kChildren) {
    SCOPED_TRACE(child.name);
    EXPECT_EQ(childRect(control(child.id)), child.at144);
  }
  for (int id : {kCommand3Id, kCommand4Id}) {
    const LOGFONTW font = fontOf(control(id));
    EXPECT_EQ(font.lfHeight, -20);
    EXPECT_EQ(font.lfWeight, 700);
    EXPECT_STREQ(font.lfFaceName, L"Tahoma");
  }
  EXPECT_LT(fontOf(control(kFile1Id)).lfHeight, -11) << "the list's font grows too";

  // The close cross fills its 24 x 21 box at 572, 18; the strip reaches 600.
  const Snapshot shot(handle());
  EXPECT_EQ(colourText(shot.at(572 + 11, 18 + 10)), colourText(RGB(187, 186, 187)));
  EXPECT_EQ(colourText(shot.at(598, 12)), colourText(RGB(55, 55, 57)));
  EXPECT_EQ(colourText(shot.at(610, 300)), colourText(RGB(105, 105, 105)));

  changeDpi(96, RECT{50, 60, 50 + 407, 60 + 352});
  for (const Expected& child : kChildren) {
    SCOPED_TRACE(child.name);
    EXPECT_EQ(childRect(control(child.id)), child.at96);
  }
  EXPECT_EQ(fontOf(control(kCommand3Id)).lfHeight, -13);
}

}  // namespace
