// The start: the list filled from the remittance folder and the first file loaded, or a message
// and the end of the program before the window is ever shown.

#include "window_harness.h"

namespace {

std::wstring listEntry(HWND list, int index) {
  wchar_t name[MAX_PATH] = {};
  SendMessageW(list, LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(name));
  return name;
}

using StartTest = WindowTest;

TEST_F(StartTest, ListsTheXmlFilesSelectsTheFirstAndLoadsIt) {
  addRemittance("b.xml", remittanceText("PRE", "2"));
  addRemittance("A.XML", remittanceText("PRE", "1"));
  addRemittance("notas.txt", "no es una remesa");

  ASSERT_TRUE(start());

  EXPECT_TRUE(IsWindowVisible(handle()));
  EXPECT_TRUE(shell_.messages.empty());
  EXPECT_EQ(shell_.ends, 0);
  const HWND list = control(kFile1Id);
  ASSERT_EQ(SendMessageW(list, LB_GETCOUNT, 0, 0), 2);
  EXPECT_EQ(listEntry(list, 0), L"A.XML");
  EXPECT_EQ(listEntry(list, 1), L"b.xml");
  EXPECT_EQ(SendMessageW(list, LB_GETCURSEL, 0, 0), 0);
  EXPECT_EQ(window_->document(), remittanceText("PRE", "1"));
  EXPECT_EQ(GetFocus(), control(kCommand3Id));
}

TEST_F(StartTest, ListIsNotRefreshedWhileTheProgramRuns) {
  addRemittance("a.xml", remittanceText("PRE", "1"));
  ASSERT_TRUE(start());
  addRemittance("b.xml", remittanceText("PRE", "2"));
  click(kCommand3Id);
  EXPECT_EQ(SendMessageW(control(kFile1Id), LB_GETCOUNT, 0, 0), 1);
}

TEST_F(StartTest, FolderWithoutRemittancesSaysSoAndEndsBeforeShowingTheWindow) {
  addRemittance("notas.txt", "no es una remesa");

  EXPECT_FALSE(start());

  ASSERT_EQ(shell_.messages.size(), 1u);
  EXPECT_EQ(shell_.messages[0].text, L"No hay remesas para cambiar");
  EXPECT_EQ(shell_.messages[0].caption, L"trasvidora");
  EXPECT_EQ(shell_.messages[0].owner, handle());
  EXPECT_FALSE(IsWindowVisible(handle()));
  EXPECT_EQ(shell_.ends, 1);
}

TEST_F(StartTest, HiddenRemittanceIsNotListed) {
  addRemittance("oculta.xml", remittanceText("PRE", "1"));
  SetFileAttributesW(file("oculta.xml").c_str(), FILE_ATTRIBUTE_HIDDEN);

  EXPECT_FALSE(start());
  ASSERT_EQ(shell_.messages.size(), 1u);
  EXPECT_EQ(shell_.messages[0].text, L"No hay remesas para cambiar");
}

TEST_F(StartTest, MissingFolderIsNamedWithTheSystemReasonAndEndsBeforeShowingTheWindow) {
  const std::filesystem::path missing = temp_ / "no-existe";

  EXPECT_FALSE(start(missing));

  ASSERT_EQ(shell_.messages.size(), 1u);
  const std::wstring& text = shell_.messages[0].text;
  const std::wstring expectedStart =
      L"No se puede abrir la carpeta de remesas " + missing.native() + L".\n\n";
  EXPECT_EQ(text.substr(0, expectedStart.size()), expectedStart);
  EXPECT_GT(text.size(), expectedStart.size() + 3) << "the system's reason follows";
  EXPECT_EQ(shell_.messages[0].caption, L"trasvidora");
  EXPECT_FALSE(IsWindowVisible(handle()));
  EXPECT_EQ(shell_.ends, 1);
}

TEST_F(StartTest, UnreadableFirstRemittanceIsNamedAndEndsBeforeShowingTheWindow) {
  const std::string bytes = remittanceText("PRE", "1");
  addRemittance("a.xml", bytes);
  // Another program holds the file open and lets nobody read it.
  const HANDLE locked = CreateFileW(file("a.xml").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(locked, INVALID_HANDLE_VALUE);

  EXPECT_FALSE(start());
  CloseHandle(locked);

  ASSERT_EQ(shell_.messages.size(), 1u);
  const std::wstring expectedStart = L"No se puede leer la remesa " + file("a.xml").native() + L".";
  EXPECT_EQ(shell_.messages[0].text.substr(0, expectedStart.size()), expectedStart);
  EXPECT_FALSE(IsWindowVisible(handle()));
  EXPECT_EQ(shell_.ends, 1);
  EXPECT_TRUE(window_->document().empty()) << "a failed load leaves the buffer empty";
  EXPECT_EQ(readBytes(file("a.xml")), bytes);
}

}  // namespace
