// "CAMBIAR" on the selected remittance: the file rewritten with "FSDD" for "PRE" and what the
// user is told; the selection by mouse or keyboard decides which file.

#include "window_harness.h"

namespace {

class ConversionTest : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    addRemittance("a.xml", remittanceText("PRE", "0001"));
    addRemittance("b.xml", remittanceText("PRE", "0002"));
  }

  // Pushes the file's write time into the past, so that any later write shows.
  FILETIME ageFile(const std::string& name) {
    const HANDLE handle = CreateFileW(file(name).c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr,
                                      OPEN_EXISTING, 0, nullptr);
    FILETIME old{};
    old.dwHighDateTime = 0x01D00000;  // 2014
    SetFileTime(handle, nullptr, nullptr, &old);
    CloseHandle(handle);
    return old;
  }
  FILETIME writeTime(const std::string& name) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    GetFileAttributesExW(file(name).c_str(), GetFileExInfoStandard, &data);
    return data.ftLastWriteTime;
  }

  int filesInFolder() const {
    int count = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder())) {
      ++count;
    }
    return count;
  }
};

TEST_F(ConversionTest, ChangeRewritesTheFileWithTheNewPrefixAndALineEnd) {
  ASSERT_TRUE(start());

  click(kChangeButtonId);

  EXPECT_EQ(readBytes(file("a.xml")), remittanceText("FSDD", "0001") + "\r\n");
  EXPECT_EQ(readBytes(file("b.xml")), remittanceText("PRE", "0002"));
  EXPECT_EQ(filesInFolder(), 2) << "no temporary file is left behind";
  ASSERT_EQ(messages_.shown.size(), 1u);
  EXPECT_EQ(messages_.shown[0].text, L"Remesa cambiada");
  EXPECT_EQ(messages_.shown[0].caption, L"trasvidora");
  EXPECT_EQ(messages_.shown[0].owner, handle());
  EXPECT_TRUE(exitCodes.empty());
}

TEST_F(ConversionTest, SecondChangeRefusesAndWritesNothing) {
  ASSERT_TRUE(start());
  click(kChangeButtonId);
  const std::string afterFirst = readBytes(file("a.xml"));
  const FILETIME aged = ageFile("a.xml");

  click(kChangeButtonId);

  EXPECT_EQ(messageTexts(),
            (std::vector<std::wstring>{L"Remesa cambiada", L"No se puede cambiar el prefijo"}));
  EXPECT_EQ(readBytes(file("a.xml")), afterFirst);
  const FILETIME written = writeTime("a.xml");
  EXPECT_EQ(CompareFileTime(&aged, &written), 0);
  EXPECT_TRUE(exitCodes.empty());
}

TEST_F(ConversionTest, RemittanceWithoutPrefixIsLeftAlone) {
  addRemittance("0.xml", remittanceText("pre", "0003"));
  ASSERT_TRUE(start());
  const FILETIME aged = ageFile("0.xml");

  click(kChangeButtonId);

  EXPECT_EQ(messageTexts(), (std::vector<std::wstring>{L"No se puede cambiar el prefijo"}));
  EXPECT_EQ(readBytes(file("0.xml")), remittanceText("pre", "0003"));
  const FILETIME written = writeTime("0.xml");
  EXPECT_EQ(CompareFileTime(&aged, &written), 0);
}

TEST_F(ConversionTest, PointerIsTheDefaultOneWheneverAMessageComesUp) {
  addRemittance("0.xml", remittanceText("FSDD", "0003"));
  ASSERT_TRUE(start());
  click(kChangeButtonId);  // 0.xml: refused
  SendMessageW(control(kRemittanceListId), WM_KEYDOWN, VK_DOWN, 0);
  pump();
  click(kChangeButtonId);  // a.xml: changed

  ASSERT_EQ(messages_.shown.size(), 2u);
  for (const ShownMessage& shown : messages_.shown) {
    SCOPED_TRACE(std::string(shown.text.begin(), shown.text.end()));
    EXPECT_EQ(shown.pointer, arrowPointer());
    EXPECT_EQ(shown.windowPointer, arrowPointer());
  }
}

TEST_F(ConversionTest, ArrowKeySelectsTheNextFileWhichChangeThenConverts) {
  ASSERT_TRUE(start());

  SendMessageW(control(kRemittanceListId), WM_KEYDOWN, VK_DOWN, 0);
  pump();
  EXPECT_EQ(SendMessageW(control(kRemittanceListId), LB_GETCURSEL, 0, 0), 1);

  click(kChangeButtonId);
  EXPECT_EQ(readBytes(file("b.xml")), remittanceText("FSDD", "0002") + "\r\n");
  EXPECT_EQ(readBytes(file("a.xml")), remittanceText("PRE", "0001"));
}

TEST_F(ConversionTest, MouseSelectionPicksTheClickedFile) {
  ASSERT_TRUE(start());
  const HWND list = control(kRemittanceListId);
  RECT second{};
  SendMessageW(list, LB_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&second));

  SendMessageW(list, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(second.left + 5, second.top + 2));
  SendMessageW(list, WM_LBUTTONUP, 0, MAKELPARAM(second.left + 5, second.top + 2));
  pump();

  EXPECT_EQ(SendMessageW(list, LB_GETCURSEL, 0, 0), 1);
  click(kChangeButtonId);
  EXPECT_EQ(readBytes(file("b.xml")), remittanceText("FSDD", "0002") + "\r\n");
}

TEST_F(ConversionTest, ReadOnlyRemittanceIsNamedKeepsItsBytesAndEndsTheProgram) {
  SetFileAttributesW(file("a.xml").c_str(), FILE_ATTRIBUTE_READONLY);
  ASSERT_TRUE(start());

  click(kChangeButtonId);

  ASSERT_EQ(messages_.shown.size(), 1u);
  const ShownMessage& shown = messages_.shown[0];
  const std::wstring expectedStart =
      L"No se puede guardar la remesa " + file("a.xml").native() + L".\n\n";
  EXPECT_EQ(shown.text.substr(0, expectedStart.size()), expectedStart);
  EXPECT_GT(shown.text.size(), expectedStart.size() + 3) << "the system's reason follows";
  EXPECT_EQ(shown.caption, L"trasvidora");
  EXPECT_EQ(shown.pointer, arrowPointer());
  EXPECT_EQ(shown.windowPointer, arrowPointer());
  EXPECT_EQ(exitCodes, std::vector<UINT>{1});
  EXPECT_EQ(readBytes(file("a.xml")), remittanceText("PRE", "0001"));
  EXPECT_EQ(filesInFolder(), 2);
}

// CAMBIAR works on the remittance as it is on disk when it is pressed.
TEST_F(ConversionTest, RemittanceChangedOnDiskSinceItWasSelectedIsConvertedAsItIsNow) {
  ASSERT_TRUE(start());
  const struct {
    const char* what;
    std::string onDisk;
    std::wstring message;
    std::string after;
  } cases[] = {
      {"exported again", remittanceText("PRE", "NEW"), L"Remesa cambiada",
       remittanceText("FSDD", "NEW") + "\r\n"},
      {"converted by another copy of the program", remittanceText("FSDD", "0001") + "\r\n",
       L"No se puede cambiar el prefijo", remittanceText("FSDD", "0001") + "\r\n"},
  };
  for (const auto& example : cases) {
    SCOPED_TRACE(example.what);
    messages_.shown.clear();
    addRemittance("a.xml", example.onDisk);
    click(kChangeButtonId);
    EXPECT_EQ(messageTexts(), std::vector<std::wstring>{example.message});
    EXPECT_EQ(readBytes(file("a.xml")), example.after);
  }
  EXPECT_TRUE(exitCodes.empty());
}

TEST_F(ConversionTest, RemittanceRenamedSinceItWasSelectedIsNotWrittenBack) {
  ASSERT_TRUE(start());
  std::filesystem::rename(file("a.xml"), file("r-enviada.xml"));

  click(kChangeButtonId);

  ASSERT_EQ(messages_.shown.size(), 1u);
  const std::wstring expectedStart = L"No se puede leer la remesa " + file("a.xml").native() + L".";
  EXPECT_EQ(messages_.shown[0].text.substr(0, expectedStart.size()), expectedStart);
  EXPECT_EQ(exitCodes, std::vector<UINT>{1});
  EXPECT_FALSE(std::filesystem::exists(file("a.xml")));
  EXPECT_EQ(readBytes(file("r-enviada.xml")), remittanceText("PRE", "0001"));
}

TEST_F(ConversionTest, RemittanceDeletedSinceTheStartIsNamedWhenSelected) {
  ASSERT_TRUE(start());
  std::filesystem::remove(file("b.xml"));

  SendMessageW(control(kRemittanceListId), WM_KEYDOWN, VK_DOWN, 0);
  pump();

  ASSERT_EQ(messages_.shown.size(), 1u);
  const std::wstring expectedStart = L"No se puede leer la remesa " + file("b.xml").native() + L".";
  EXPECT_EQ(messages_.shown[0].text.substr(0, expectedStart.size()), expectedStart);
  EXPECT_EQ(exitCodes, std::vector<UINT>{1});
}

}  // namespace
