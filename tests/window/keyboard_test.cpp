// The keyboard: the focus at start, Tab and Shift+Tab, Enter and Space on the focused button;
// and the ways out: the exit button and the system's close command.

#include <array>

#include "message_boxes.h"
#include "window_harness.h"

namespace {

// The key message of a key held down: bit 30, the previous key state, set.
constexpr LPARAM kRepeated = 1 | (1 << 30);

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
    EXPECT_TRUE(messages_.shown.empty());
    EXPECT_TRUE(exitCodes.empty());
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
    messages_.shown.clear();
    ASSERT_TRUE(start());

    pressKey(GetFocus(), key);

    EXPECT_EQ(messageTexts(), (std::vector<std::wstring>{L"Remesa cambiada"}));
    EXPECT_EQ(readBytes(file("a.xml")), remittanceText("FSDD", "1") + "\r\n");
  }
}

// Held down, Enter repeats its key press: only the first one presses the button. An Enter typed
// while the conversion runs waits in the queue: it does not answer the message.
TEST_F(KeyboardTest, HeldOrTypedAheadEnterConvertsOnce) {
  const HWND change = control(kChangeButtonId);
  PostMessageW(change, WM_KEYDOWN, VK_RETURN, 1);
  pump();
  for (int repeat = 0; repeat < 3; ++repeat) PostMessageW(change, WM_KEYDOWN, VK_RETURN, kRepeated);
  pump();
  EXPECT_EQ(messageTexts(), (std::vector<std::wstring>{L"Remesa cambiada"}));

  SendMessageW(control(kRemittanceListId), LB_SETCURSEL, 1, 0);
  PostMessageW(change, WM_KEYDOWN, VK_RETURN, 1);  // typed while the conversion below runs
  click(kChangeButtonId);
  EXPECT_EQ(messageTexts(), (std::vector<std::wstring>{L"Remesa cambiada", L"Remesa cambiada"}));
  EXPECT_EQ(readBytes(file("b.xml")), remittanceText("FSDD", "2") + "\r\n");
}

// What the timer below did while the message box was up; a timer without a window has no
// parameter of its own to carry it.
struct KeyPresses {
  int tick = 0;
  bool upAfterRepeats = false;
  bool closedByANewPress = false;
};
KeyPresses keyPresses;

// Called by the system's timer (stdcall on 32-bit Windows, which a lambda cannot be): holds
// Enter down on the box, then presses it anew, and ends the box itself if that did not.
void CALLBACK pressKeysOnTheBox(HWND, UINT, UINT_PTR, DWORD) {
  const HWND box = FindWindowW(L"#32770", L"trasvidora");
  if (!box) return;
  const HWND button = GetDlgItem(box, IDOK);
  switch (++keyPresses.tick) {
    case 1:
      for (int repeat = 0; repeat < 3; ++repeat) {
        PostMessageW(button, WM_KEYDOWN, VK_RETURN, kRepeated);
        PostMessageW(button, WM_CHAR, L'\r', kRepeated);
      }
      return;
    case 3:
      keyPresses.upAfterRepeats = true;
      keyPresses.closedByANewPress = true;  // unless the box is still up below
      PostMessageW(button, WM_KEYDOWN, VK_RETURN, 1);
      PostMessageW(button, WM_KEYUP, VK_RETURN, static_cast<LPARAM>(0xC0000001u));
      return;
    case 20:
      keyPresses.closedByANewPress = false;
      EndDialog(box, IDOK);
      return;
  }
}

// The message box itself: the held Enter that pressed the button does not close it; a new press
// does.
TEST(MessageBoxes, HeldEnterLeavesTheMessageUpANewPressClosesIt) {
  keyPresses = {};
  const UINT_PTR timer = SetTimer(nullptr, 0, 50, pressKeysOnTheBox);
  MessageBoxes().showMessage(nullptr, L"Remesa cambiada", L"trasvidora");
  KillTimer(nullptr, timer);
  EXPECT_TRUE(keyPresses.upAfterRepeats);
  EXPECT_TRUE(keyPresses.closedByANewPress);
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
    ASSERT_TRUE(start());

    row.act(*this);

    EXPECT_EQ(exitCodes, std::vector<UINT>{0});
    EXPECT_TRUE(messages_.shown.empty());
    EXPECT_EQ(readBytes(file("a.xml")), remittanceText("PRE", "1"));
  }
}

// A file error ends the program with status 1, also when the user closes the window while its
// message is up.
TEST_F(KeyboardTest, ClosedWhileAFileErrorIsShownEndsWithStatus1) {
  std::filesystem::remove(file("a.xml"));
  messages_.whileShown = [this] { SendMessageW(handle(), WM_SYSCOMMAND, SC_CLOSE, 0); };

  click(kChangeButtonId);

  ASSERT_EQ(messages_.shown.size(), 1u);
  EXPECT_EQ(exitCodes, std::vector<UINT>{1});
}

}  // namespace
