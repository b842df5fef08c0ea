// The keyboard: the focus at start, Tab and Shift+Tab, Enter and Space on the focused button;
// and the ways out: the exit button and the system's close command.

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

  void expectNothingHappened() {
    EXPECT_TRUE(shell_.messages.empty());
    EXPECT_TRUE(shell_.exitCodes.empty());
    EXPECT_EQ(readBytes(file("a.xml")), remittanceText("PRE", "1"));
    EXPECT_EQ(readBytes(file("b.xml")), remittanceText("PRE", "2"));
  }
};

TEST_F(KeyboardTest, TabGoesFromChangeToTheListToExitAndBack) {
  ASSERT_EQ(GetFocus(), control(kChangeButtonId));
  for (int next : {kRemittanceListId, kExitButtonId, kChangeButtonId, kRemittanceListId}) {
    pressKey(GetFocus(), VK_TAB);
    EXPECT_EQ(GetDlgCtrlID(GetFocus()), next);
  }
  for (int next : {kChangeButtonId, kExitButtonId, kRemittanceListId}) {
    pressShiftTab();
    EXPECT_EQ(GetDlgCtrlID(GetFocus()), next);
  }
  expectNothingHappened();
}

// Right after the start the focus is on the change button: Enter or Space converts the first file.
TEST_F(KeyboardTest, EnterOrSpaceRightAfterStartConvertsTheFirstFile) {
  for (UINT key : {VK_RETURN, VK_SPACE}) {
    SCOPED_TRACE(key);
    addRemittance("a.xml", remittanceText("PRE", "1"));
    shell_.messages.clear();
    ASSERT_TRUE(start());

    pressKey(GetFocus(), key);

    EXPECT_EQ(messageTexts(), (std::vector<std::wstring>{L"Remesa cambiada"}));
    EXPECT_EQ(readBytes(file("a.xml")), remittanceText("FSDD", "1") + "\r\n");
  }
}

TEST_F(KeyboardTest, EnterAndEscOnTheListDoNothing) {
  SetFocus(control(kRemittanceListId));
  pressKey(control(kRemittanceListId), VK_RETURN);
  pressKey(control(kRemittanceListId), VK_ESCAPE);

  expectNothingHappened();
}

// The exit button by mouse or keyboard, and the system's close command, end the program at once
// and leave every file as it was.
TEST_F(KeyboardTest, ExitButtonAndSystemCloseEndTheProgramWithoutSaving) {
  struct Case {
    const char* name;
    void (*act)(KeyboardTest&);
  };
  const Case cases[] = {
      {"exit button clicked", [](KeyboardTest& test) { test.click(kExitButtonId); }},
      {"Enter on the exit button",
       [](KeyboardTest& test) {
         SetFocus(test.control(kExitButtonId));
         test.pressKey(test.control(kExitButtonId), VK_RETURN);
       }},
      {"system close command",
       [](KeyboardTest& test) {
         SendMessageW(test.handle(), WM_SYSCOMMAND, SC_CLOSE, 0);
         test.pump();
       }},
  };
  for (const Case& row : cases) {
    SCOPED_TRACE(row.name);
    shell_.exitCodes.clear();

    row.act(*this);

    EXPECT_EQ(shell_.exitCodes, std::vector<UINT>{0});
    EXPECT_TRUE(shell_.messages.empty());
    EXPECT_EQ(readBytes(file("a.xml")), remittanceText("PRE", "1"));
  }
}

}  // namespace
