// The keyboard: the focus at start, Tab and Shift+Tab, Enter and Space on the focused button;
// and the ways out: "SALIR" and the system's close command.

#include <array>

#include "window_harness.h"

namespace {

class KeyboardTest : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    addRemittance("a.xml", remittanceText("PRE", "1"));
    addRemittance("b.xml", remittanceText("PRE", "2"));
    ASSERT_TRUE(start());
  }

  void pressShiftTab() {
    std::array<BYTE, 256> keys{};
    GetKeyboardState(keys.data());
    const BYTE shift = keys[VK_SHIFT];
    keys[VK_SHIFT] = 0x80;
    SetKeyboardState(keys.data());
    pressKey(GetFocus(), VK_TAB);
    keys[VK_SHIFT] = shift;
    SetKeyboardState(keys.data());
  }
};

TEST_F(KeyboardTest, TabGoesFromChangeToTheListToExitAndBack) {
  ASSERT_EQ(GetFocus(), control(kCommand3Id));
  const int forward[] = {kFile1Id, kCommand4Id, kCommand3Id, kFile1Id};
  for (int next : forward) {
    pressKey(GetFocus(), VK_TAB);
    EXPECT_EQ(GetDlgCtrlID(GetFocus()), next);
  }
  const int backward[] = {kCommand3Id, kCommand4Id, kFile1Id};
  for (int next : backward) {
    pressShiftTab();
    EXPECT_EQ(GetDlgCtrlID(GetFocus()), next);
  }
  EXPECT_TRUE(shell_.messages.empty());
  EXPECT_EQ(shell_.ends, 0);
}

TEST_F(KeyboardTest, EnterRightAfterStartConvertsTheFirstFile) {
  pressKey(GetFocus(), VK_RETURN);

  EXPECT_EQ(messageTexts(), (std::vector<std::wstring>{L"Remesa cambiada"}));
  EXPECT_EQ(readBytes(file("a.xml")), remittanceText("FSDD", "1") + "\r\n");
}

TEST_F(KeyboardTest, SpaceOnChangeConvertsTheSelectedFile) {
  pressKey(control(kCommand3Id), VK_SPACE);

  EXPECT_EQ(messageTexts(), (std::vector<std::wstring>{L"Remesa cambiada"}));
}

TEST_F(KeyboardTest, EnterAndEscOnTheListDoNothing) {
  SetFocus(control(kFile1Id));
  pressKey(control(kFile1Id), VK_RETURN);
  pressKey(control(kFile1Id), VK_ESCAPE);

  EXPECT_TRUE(shell_.messages.empty());
  EXPECT_EQ(shell_.ends, 0);
  EXPECT_EQ(readBytes(file("a.xml")), remittanceText("PRE", "1"));
}

TEST_F(KeyboardTest, EnterOnExitEndsTheProgramWithoutSaving) {
  SetFocus(control(kCommand4Id));
  pressKey(control(kCommand4Id), VK_RETURN);

  EXPECT_EQ(shell_.ends, 1);
  EXPECT_TRUE(shell_.messages.empty());
}

TEST_F(KeyboardTest, ExitEndsTheProgramAtOnceAndLeavesTheFilesAsTheyWere) {
  click(kCommand4Id);

  EXPECT_EQ(shell_.ends, 1);
  EXPECT_TRUE(shell_.messages.empty());
  EXPECT_EQ(readBytes(file("a.xml")), remittanceText("PRE", "1"));
  EXPECT_EQ(readBytes(file("b.xml")), remittanceText("PRE", "2"));
}

TEST_F(KeyboardTest, SystemCloseCommandEndsTheProgramWithoutAsking) {
  SendMessageW(handle(), WM_SYSCOMMAND, SC_CLOSE, 0);
  pump();

  EXPECT_EQ(shell_.ends, 1);
  EXPECT_TRUE(shell_.messages.empty());
}

}  // namespace
