// The close button of the title strip: blue under the pointer, grey again over the strip, and a
// click ends the program.

#include "window_harness.h"

namespace {

using painting::Item;

constexpr COLORREF kPlainCross = RGB(187, 186, 187);
constexpr COLORREF kLitCross = RGB(51, 153, 254);

POINT centreOf(const RECT& box) {
  return {(box.left + box.right) / 2, (box.top + box.bottom) / 2};
}

class CloseButtonTest : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    addRemittance("a.xml", remittanceText("PRE", "1"));
    ASSERT_TRUE(start());
  }

  RECT cross() const { return surface().boxOf(Item::CloseButton); }
  RECT strip() const { return surface().boxOf(Item::TitleStrip); }
  // A point of the title strip that neither the title nor the cross covers, just left of the
  // cross (or right of it, should the title reach under the cross).
  POINT bareStrip() const {
    const RECT title = surface().boxOf(Item::Title);
    const int y = centreOf(cross()).y;
    return title.right < cross().left - 2 ? POINT{cross().left - 2, y}
                                          : POINT{cross().right + 1, y};
  }
  POINT onTitle() const { return centreOf(surface().boxOf(Item::Title)); }

  void moveTo(POINT point) { mouse(WM_MOUSEMOVE, point.x, point.y); }
  void clickAt(POINT pressed, POINT released) {
    mouse(WM_LBUTTONDOWN, pressed.x, pressed.y, MK_LBUTTON);
    mouse(WM_LBUTTONUP, released.x, released.y);
  }
  bool lit() const { return surface().closeButtonLit(); }
  LONG titleFontHeight() const {
    LOGFONTW font{};
    GetObjectW(surface().fonts().title.get(), sizeof font, &font);
    return font.lfHeight;
  }
  std::string crossColour() const {
    const POINT centre = centreOf(cross());
    return colourText(Snapshot(handle()).at(centre.x, centre.y));
  }
};

// At every DPI: plain at first, blue under the pointer, still blue over the title, grey again on
// the bare strip; the cross stays on top of the title wherever the title reaches.
TEST_F(CloseButtonTest, LightsUnderThePointerAndGoesPlainOverTheStripAtEveryDpi) {
  for (UINT dpi : {96u, 120u, 144u, 192u}) {
    SCOPED_TRACE(dpi);
    changeDpi(dpi);
    EXPECT_FALSE(lit());
    EXPECT_EQ(crossColour(), colourText(kPlainCross));

    moveTo(centreOf(cross()));
    EXPECT_TRUE(lit());
    EXPECT_EQ(crossColour(), colourText(kLitCross));

    moveTo(onTitle());
    EXPECT_TRUE(lit()) << "the title has no handler";

    moveTo(bareStrip());
    EXPECT_FALSE(lit());
    EXPECT_EQ(crossColour(), colourText(kPlainCross));
  }
}

TEST_F(CloseButtonTest, StaysLitOverTheFrameAndTheBackground) {
  moveTo(centreOf(cross()));
  for (POINT elsewhere : {POINT{200, 2}, POINT{200, 200}}) {
    moveTo(elsewhere);
    EXPECT_TRUE(lit()) << elsewhere.x << ", " << elsewhere.y;
  }
  EXPECT_EQ(crossColour(), colourText(kLitCross));
}

TEST_F(CloseButtonTest, RepaintsOnlyTheButtonAndOnlyWhenItsPictureChanges) {
  UpdateWindow(handle());
  RECT pending{};

  moveTo(centreOf(cross()));
  ASSERT_TRUE(GetUpdateRect(handle(), &pending, FALSE));
  EXPECT_EQ(pending, (RECT{381, 12, 397, 26}));
  UpdateWindow(handle());

  moveTo(POINT{centreOf(cross()).x + 2, centreOf(cross()).y + 1});
  EXPECT_FALSE(GetUpdateRect(handle(), &pending, FALSE)) << "already lit: nothing to repaint";

  moveTo(onTitle());
  EXPECT_FALSE(GetUpdateRect(handle(), &pending, FALSE));
}

TEST_F(CloseButtonTest, OnlyAPressAndReleaseOnTheCrossIsAClick) {
  const POINT onCross = centreOf(cross());
  clickAt(onCross, bareStrip());
  clickAt(bareStrip(), onCross);
  clickAt(onTitle(), onTitle());
  clickAt(POINT{200, 200}, POINT{200, 200});
  EXPECT_TRUE(exitCodes.empty());

  changeDpi(144);
  clickAt(POINT{cross().left + 1, cross().top + 1}, POINT{cross().right - 1, cross().bottom - 1});
  pump();

  EXPECT_EQ(exitCodes, std::vector<UINT>{0});
  EXPECT_TRUE(messages_.shown.empty());
  EXPECT_EQ(readBytes(file("a.xml")), remittanceText("PRE", "1"));
}

// In a face wider than Tahoma the title steps down in size: its last letter still ends left of
// the cross, and the strip between them still puts the cross out.
TEST_F(CloseButtonTest, TitleInAWiderFaceEndsBeforeTheCross) {
  constexpr wchar_t kWideFace[] = L"DejaVu Sans";
  ASSERT_TRUE(start(folder(), dpi::NewerFunctions::ofThisSystem(), kWideFace));
  for (UINT dpi : {96u, 120u, 144u, 192u}) {
    SCOPED_TRACE(dpi);
    changeDpi(dpi);
    const int fullSize = painting::fontHeight(1200, dpi);
    ASSERT_GT(titleFontHeight(), fullSize) << "DejaVu Sans needs a smaller title";

    const Snapshot shot(handle());
    const RECT title = surface().boxOf(Item::Title);
    const int lastLetter =
        rightmostLetterColumn(shot, RECT{title.left, strip().top, cross().right, strip().bottom});
    EXPECT_GT(lastLetter, cross().left - painting::toPixels(600, dpi)) << "the title is there";
    EXPECT_LT(lastLetter, cross().left);

    moveTo(centreOf(cross()));
    EXPECT_TRUE(lit());
    moveTo(bareStrip());
    EXPECT_FALSE(lit());
    EXPECT_EQ(crossColour(), colourText(kPlainCross));
  }
}

}  // namespace
