// Loading, saving and listing remittances on the real file system, through the code that ships.

#include <functional>
#include <string>
#include <vector>

#include "files_harness.h"

namespace {

using remittance::FileAction;
using remittance::FileError;
using remittance::FileStamp;
using remittance::loadRemittance;
using remittance::saveRemittance;
using remittance::stampOf;
using Names = std::vector<std::wstring>;

std::string allByteValues() {
  std::string bytes;
  for (int value = 0; value < 256; ++value) bytes.push_back(static_cast<char>(value));
  return bytes;
}

using RoundTrip = FilesTest;

TEST_F(RoundTrip, LoadKeepsEveryByteAndSaveAddsTheLineEnd) {
  const std::string contents[] = {"",
                                  "x",
                                  std::string(1, '\0'),
                                  allByteValues(),
                                  "<a>\r\n<b>\n<c>\r</c>\n\n",
                                  "\xEF\xBB\xBF<MsgId>PRE1</MsgId>",
                                  std::string("\xFF\xFE<\0M\0", 6),
                                  std::string(3 * 1024 * 1024 + 7, 'z')};
  for (const std::string& content : contents) {
    SCOPED_TRACE(content.size());
    write(L"remesa.xml", content);
    const FileStamp onDisk = stampOf(path(L"remesa.xml"));

    const remittance::LoadedRemittance loaded = loadRemittance(path(L"remesa.xml"));
    EXPECT_TRUE(loaded.document.text() == content);
    EXPECT_EQ(loaded.stamp, onDisk);
    EXPECT_EQ(loaded.stamp.size, content.size());

    saveRemittance(path(L"remesa.xml"), loaded.document, loaded.stamp);
    EXPECT_TRUE(read(L"remesa.xml") == content + "\r\n");
    EXPECT_NE(stampOf(path(L"remesa.xml")), onDisk);
    EXPECT_EQ(namesIn(folder()), Names{L"remesa.xml"});
  }
}

// (Its creation time is kept too, on Windows: Wine cannot set one on Linux file systems.)
TEST_F(RoundTrip, ReplacedFileKeepsItsAttributes) {
  write(L"a.xml", remittanceText("PRE"));
  constexpr DWORD kKept =
      FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
  ASSERT_TRUE(SetFileAttributesW(path(L"a.xml").c_str(), kKept));
  WIN32_FILE_ATTRIBUTE_DATA before{};
  ASSERT_TRUE(GetFileAttributesExW(path(L"a.xml").c_str(), GetFileExInfoStandard, &before));

  ASSERT_EQ(convertAsTheProgramDoes(path(L"a.xml")), Answer::Converted);

  WIN32_FILE_ATTRIBUTE_DATA after{};
  ASSERT_TRUE(GetFileAttributesExW(path(L"a.xml").c_str(), GetFileExInfoStandard, &after));
  EXPECT_EQ(after.dwFileAttributes & kKept, before.dwFileAttributes & kKept);
  EXPECT_EQ(read(L"a.xml"), remittanceText("FSDD") + "\r\n");
}

// Names as long as the file system allows, folders past the classic path limit, names Windows
// allows but UTF-8 cannot hold: the save's temporary name is short and fixed, and every path
// goes to the system whole.
TEST_F(RoundTrip, LongNamesAndDeepFoldersAreConverted) {
  const std::wstring longName = std::wstring(251, L'r') + L".xml";
  std::wstring deep = folder();
  for (int level = 0; level < 5; ++level) {
    deep += L"\\" + std::wstring(60, static_cast<wchar_t>(L'a' + level));
    ASSERT_TRUE(CreateDirectoryW((LR"(\\?\)" + deep).c_str(), nullptr));
  }
  const std::wstring files[] = {path(longName), deep + L"\\remesa.xml", deep + L"\\" + longName};
  for (const std::wstring& file : files) {
    SCOPED_TRACE(file.size());
    const remittance::Document document(remittanceText("PRE"));
    {
      const HANDLE created = CreateFileW((LR"(\\?\)" + file).c_str(), GENERIC_WRITE, 0, nullptr,
                                         CREATE_NEW, 0, nullptr);
      ASSERT_NE(created, INVALID_HANDLE_VALUE);
      DWORD written = 0;
      WriteFile(created, document.text().data(), static_cast<DWORD>(document.text().size()),
                &written, nullptr);
      CloseHandle(created);
    }
    ASSERT_EQ(convertAsTheProgramDoes(file), Answer::Converted);
    EXPECT_EQ(loadRemittance(file).document.text(), remittanceText("FSDD") + "\r\n");
  }
  EXPECT_EQ(remittance::listRemittances(deep), (Names{L"remesa.xml", longName}));
}

TEST_F(FilesTest, ErrorCarriesANameWithALoneSurrogate) {
  const std::wstring file = path(std::wstring(L"\xD800") + L"remesa.xml");
  const FileError error = expectFileError(file, FileAction::Read, [&] { loadRemittance(file); });
  EXPECT_NE(error.systemError(), 0u);
}

// A load that fails names the file and the system's reason.
TEST_F(FilesTest, FailedLoadNamesTheFileAndTheReason) {
  write(L"held.xml", "x");
  CreateDirectoryW(path(L"folder.xml").c_str(), nullptr);
  const HANDLE holder =
      CreateFileW(path(L"held.xml").c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(holder, INVALID_HANDLE_VALUE);

  const struct {
    std::wstring name;
    DWORD reason;
  } cases[] = {{L"missing.xml", ERROR_FILE_NOT_FOUND},
               {L"folder.xml", ERROR_ACCESS_DENIED},
               {L"held.xml", ERROR_SHARING_VIOLATION}};
  for (const auto& example : cases) {
    const FileError error = expectFileError(path(example.name), FileAction::Read,
                                            [&] { loadRemittance(path(example.name)); });
    EXPECT_EQ(error.systemError(), example.reason) << narrow(example.name);
  }
  CloseHandle(holder);
}

// A save that is refused before anything is written: the file keeps its bytes, the folder
// gets no temporary file, and the error names the file and why.
class RefusedSave : public FilesTest {
 protected:
  void SetUp() override {
    write(L"a.xml", original_);
    loaded_ = loadRemittance(path(L"a.xml"));
    ASSERT_TRUE(remittance::changeMessageIdPrefix(loaded_.document));
  }

  FileError expectRefused(FileAction action) {
    const Names before = namesIn(folder());
    const FileError error = expectFileError(path(L"a.xml"), action, [&] {
      saveRemittance(path(L"a.xml"), loaded_.document, loaded_.stamp);
    });
    EXPECT_EQ(namesIn(folder()), before) << "no temporary file is left";
    return error;
  }

  const std::string original_ = remittanceText("PRE");
  remittance::LoadedRemittance loaded_;
};

TEST_F(RefusedSave, ReadOnlyFile) {
  ASSERT_TRUE(SetFileAttributesW(path(L"a.xml").c_str(), FILE_ATTRIBUTE_READONLY));
  loaded_.stamp = stampOf(path(L"a.xml"));
  EXPECT_EQ(expectRefused(FileAction::Write).systemError(), DWORD{ERROR_ACCESS_DENIED});
  EXPECT_EQ(read(L"a.xml"), original_);
  SetFileAttributesW(path(L"a.xml").c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(RefusedSave, FileHeldOpenByAnotherProgram) {
  const HANDLE holder =
      CreateFileW(path(L"a.xml").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(holder, INVALID_HANDLE_VALUE);
  EXPECT_NE(expectRefused(FileAction::Write).systemError(), 0u);
  CloseHandle(holder);
  EXPECT_EQ(read(L"a.xml"), original_);
}

// The file on disk is no longer the one that was read: nothing is written over it.
TEST_F(RefusedSave, FileChangedSinceItWasRead) {
  const std::string exportedAgain = remittanceText("PRE") + "<!-- NEW -->";
  const struct {
    const char* what;
    std::function<void()> change;
    std::string left;  // what the file holds afterwards ("" for gone)
  } changes[] = {
      {"exported again", [&] { write(L"a.xml", exportedAgain); }, exportedAgain},
      {"same bytes, other write time",
       [&] {
         const HANDLE file = CreateFileW(path(L"a.xml").c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr,
                                         OPEN_EXISTING, 0, nullptr);
         const FILETIME past{0, 0x01D00000};
         SetFileTime(file, nullptr, nullptr, &past);
         CloseHandle(file);
       },
       original_},
      {"renamed away", [&] { MoveFileW(path(L"a.xml").c_str(), path(L"r-enviada.xml").c_str()); },
       ""},
      {"deleted", [&] { DeleteFileW(path(L"a.xml").c_str()); }, ""},
  };
  for (const auto& change : changes) {
    SCOPED_TRACE(change.what);
    DeleteFileW(path(L"r-enviada.xml").c_str());
    write(L"a.xml", original_);
    loaded_ = loadRemittance(path(L"a.xml"));
    ASSERT_TRUE(remittance::changeMessageIdPrefix(loaded_.document));
    change.change();

    EXPECT_EQ(expectRefused(FileAction::ChangedWhileSaving).systemError(), 0u);
    EXPECT_EQ(read(L"a.xml"), change.left);
  }
}

TEST_F(RefusedSave, FolderInTheFilesPlace) {
  ASSERT_TRUE(DeleteFileW(path(L"a.xml").c_str()));
  ASSERT_TRUE(CreateDirectoryW(path(L"a.xml").c_str(), nullptr));
  write(L"a.xml\\inside.txt", "kept");
  EXPECT_EQ(expectRefused(FileAction::Write).systemError(), DWORD{ERROR_ACCESS_DENIED});
  EXPECT_EQ(read(L"a.xml\\inside.txt"), "kept");
}

using Listing = FilesTest;

TEST_F(Listing, KeepsOnlyVisibleRemittancesSortedWithoutRegardToCase) {
  for (const wchar_t* name :
       {L"b.xml", L"A.XML", L"c.Xml", L"notes.txt", L"d.xml.bak", L"~0000f001.tmp", L"xml", L".xml",
        L"hidden.xml", L"system.xml", L"Año 2026 remesa.xml", L"\u6c47\u6b3e.xml"}) {
    write(name, "x");
  }
  CreateDirectoryW(path(L"folder.xml").c_str(), nullptr);
  ASSERT_TRUE(SetFileAttributesW(path(L"hidden.xml").c_str(), FILE_ATTRIBUTE_HIDDEN));
  ASSERT_TRUE(SetFileAttributesW(path(L"system.xml").c_str(), FILE_ATTRIBUTE_SYSTEM));

  EXPECT_EQ(remittance::listRemittances(folder()),
            (Names{L"A.XML", L"Año 2026 remesa.xml", L"b.xml", L"c.Xml", L"\u6c47\u6b3e.xml"}));
  EXPECT_EQ(remittance::listRemittances(folder() + L"\\"), remittance::listRemittances(folder()));
}

TEST_F(Listing, EmptyFolderGivesNoEntriesAndAMissingOneAnError) {
  EXPECT_TRUE(remittance::listRemittances(folder()).empty());
  const FileError error = expectFileError(path(L"remesas\\"), FileAction::ListFolder,
                                          [&] { remittance::listRemittances(path(L"remesas\\")); });
  EXPECT_NE(error.systemError(), 0u);
}

TEST(RemittanceFolder, IsTheRemesasFolderBesideTheProgram) {
  const std::wstring folder = remittance::remittanceFolder();
  ASSERT_TRUE(folder.ends_with(L"\\remesas\\"));
  const std::wstring programFolder = folder.substr(0, folder.size() - 8);
  EXPECT_NE(GetFileAttributesW((programFolder + L"files_tests.exe").c_str()),
            INVALID_FILE_ATTRIBUTES);
}

}  // namespace
