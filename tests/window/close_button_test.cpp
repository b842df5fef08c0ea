// The close button of the title strip: blue under the mouse, grey again over the strip, and a
// click ends the program.

#include "window_harness.h"

namespace {

// At 96 DPI: the cross fills 381..397 x 12..26; the title strip 7..400 x 7..30; the title text
// lies over the strip at 13..355 x 10..29.
constexpr POINT kOnCross{388, 18};
constexpr POINT kOnStrip{370, 20};
constexpr POINT kOnTitleText{100, 18};
constexpr POINT kOnBackground{200, 200};
constexpr POINT kOnFrame{200, 2};

constexpr COLORREF kPlainCross = RGB(187, 186, 187);
constexpr COLORREF kLitCross = RGB(51, 153, 254);

class CloseButtonTest : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    addRemittance("a.xml", remittanceText("PRE", "1"));
    ASSERT_TRUE(start());
  }

  void moveTo(POINT point) { mouse(WM_MOUSEMOVE, point.x, point.y); }
  void clickAt(POINT pressed, POINT released) {
    mouse(WM_LBUTTONDOWN, pressed.x, pressed.y, MK_LBUTTON);
    mouse(WM_LBUTTONUP, released.x, released.y);
  }

  bool lit() const { return window_->closeButtonPicture() == window_->hoverPictures()[0]; }
  bool plain() const { return window_->closeButtonPicture() == window_->plainPictures()[0]; }
  std::string crossColour() const {
    return colourText(Snapshot(handle()).at(kOnCross.x, kOnCross.y));
  }
};

TEST_F(CloseButtonTest, StartsPlainAndLightsUpUnderTheMouse) {
  EXPECT_TRUE(plain());
  EXPECT_EQ(crossColour(), colourText(kPlainCross));

  moveTo(kOnCross);

  EXPECT_TRUE(lit());
  EXPECT_EQ(crossColour(), colourText(kLitCross));
}

TEST_F(CloseButtonTest, MovingOverTheStripPutsThePlainCrossBack) {
  moveTo(kOnCross);
  moveTo(kOnStrip);

  EXPECT_TRUE(plain());
  EXPECT_EQ(crossColour(), colourText(kPlainCross));
}

TEST_F(CloseButtonTest, StaysLitOverTheTitleTextTheFrameTheBackgroundAndTheControls) {
  moveTo(kOnCross);
  for (POINT elsewhere : {kOnTitleText, kOnFrame, kOnBackground}) {
    moveTo(elsewhere);
    EXPECT_TRUE(lit()) << elsewhere.x << ", " << elsewhere.y;
  }
  SendMessageW(control(kFile1Id), WM_MOUSEMOVE, 0, MAKELPARAM(10, 10));
  SendMessageW(control(kCommand3Id), WM_MOUSEMOVE, 0, MAKELPARAM(10, 10));
  EXPECT_TRUE(lit());
  EXPECT_EQ(crossColour(), colourText(kLitCross));
}

TEST_F(CloseButtonTest, RepaintsOnlyTheButtonAndOnlyWhenItsPictureChanges) {
  UpdateWindow(handle());
  RECT pending{};

  moveTo(kOnCross);
  ASSERT_TRUE(GetUpdateRect(handle(), &pending, FALSE));
  EXPECT_EQ(pending, (RECT{381, 12, 397, 26}));
  UpdateWindow(handle());

  moveTo(POINT{kOnCross.x + 2, kOnCross.y + 1});
  EXPECT_FALSE(GetUpdateRect(handle(), &pending, FALSE)) << "already lit: nothing to repaint";

  moveTo(kOnTitleText);
  EXPECT_FALSE(GetUpdateRect(handle(), &pending, FALSE));
}

TEST_F(CloseButtonTest, ClickOnTheCrossEndsTheProgramWithoutSaving) {
  moveTo(kOnCross);
  clickAt(kOnCross, kOnCross);

  EXPECT_EQ(shell_.ends, 1);
  EXPECT_TRUE(shell_.messages.empty());
  EXPECT_EQ(readBytes(file("a.xml")), remittanceText("PRE", "1"));
}

TEST_F(CloseButtonTest, OnlyAPressAndReleaseOnTheCrossIsAClick) {
  clickAt(kOnCross, kOnStrip);
  clickAt(kOnStrip, kOnCross);
  clickAt(kOnTitleText, kOnTitleText);
  clickAt(kOnBackground, kOnBackground);

  EXPECT_EQ(shell_.ends, 0);
}

TEST_F(CloseButtonTest, FollowsTheDpi) {
  const RECT suggested{0, 0, 611, 528};
  SendMessageW(handle(), WM_DPICHANGED, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&suggested));
  pump();
  // At 144 DPI the cross fills 572..596 x 18..39.
  mouse(WM_MOUSEMOVE, 594, 37);
  EXPECT_TRUE(lit());
  EXPECT_EQ(colourText(Snapshot(handle()).at(583, 28)), colourText(kLitCross));
  clickAt(POINT{574, 20}, POINT{574, 20});
  EXPECT_EQ(shell_.ends, 1);
}

}  // namespace
