// The conversion on the real file system, through the code that ships: every kind of file gets
// its answer and exactly its bytes (the search's own cases are the core's tests), names are taken
// as listed, what the file had is kept, and a file that a replacement would damage, or that
// changes meanwhile, is left as it is.

#include <aclapi.h>
#include <sddl.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "files_harness.h"
#include "prefix_change.h"
#include "scripted_calls.h"

namespace {

using namespace std::string_literals;
using remittance::convertRemittance;
using remittance::FileError;
using remittance::FileProblem;
using Names = std::vector<std::wstring>;

// Bytes of every value in a fixed pseudo-random order, as a damaged or binary file holds them.
std::string binaryNoise(std::size_t size, std::uint32_t seed) {
  std::string bytes(size, '\0');
  for (char& byte : bytes) {
    seed = seed * 1664525u + 1013904223u;
    byte = static_cast<char>(seed >> 24);
  }
  return bytes;
}

std::string utf16(std::string_view ascii) {
  std::string bytes = "\xFF\xFE"s;
  for (char c : ascii) bytes += std::string{c, '\0'};
  return bytes;
}

const std::string kHeader =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
    "<Document xmlns=\"urn:iso:std:iso:20022:tech:xsd:pain.008.001.02\">\r\n"
    "  <CstmrDrctDbtInitn>\r\n    <GrpHdr>\r\n";

// These files put the tag across and beyond the pieces the conversion reads.
constexpr std::size_t kPiece = remittance::kPieceSize;

struct Input {
  const char* name;
  std::string content;
  std::string converted;  // empty when the file cannot change
};

std::vector<Input> inputs() {
  const std::string noise = binaryNoise(64 * 1024, 2026);
  const std::string id = "<MsgId>PRE2026120700001</MsgId>";
  const std::string newId = "<MsgId>FSDD2026120700001</MsgId>";
  const std::string filler(2 * kPiece + 7, ' ');
  return {
      {"Remittance", kHeader + id + "\r\n", kHeader + newId + "\r\n\r\n"},
      {"EmptyFile", "", ""},
      {"BinaryFile", noise, ""},
      // Taken as plain bytes: no text mode, no end-of-file character, no line-end change.
      {"BinaryFileWithTheTag", noise + "<MsgId>PRE1" + noise,
       noise + "<MsgId>FSDD1" + noise + "\r\n"},
      {"Utf16", utf16(kHeader + id), ""},
      {"ByteOrderMarkAndNulBytesAreKept", "\xEF\xBB\xBF\0\0"s + kHeader + id,
       "\xEF\xBB\xBF\0\0"s + kHeader + newId + "\r\n"},
      {"EndsAfterPRE", kHeader + "<MsgId>PRE", kHeader + "<MsgId>FSDD\r\n"},
      {"TagAcrossTheFirstPiece", std::string(kPiece - 3, ' ') + id,
       std::string(kPiece - 3, ' ') + newId + "\r\n"},
      {"PrefixAcrossTheFirstPiece", std::string(kPiece - 8, ' ') + id,
       std::string(kPiece - 8, ' ') + newId + "\r\n"},
      {"TagAfterSomeMegabytes", filler + id + filler, filler + newId + filler + "\r\n"},
      {"NoTagInSomeMegabytes", filler + filler, ""},
  };
}

class Conversion : public FilesTest, public testing::WithParamInterface<Input> {};

TEST_P(Conversion, GivesItsAnswerAndExactlyItsBytes) {
  const Input& input = GetParam();
  write(L"remesa.xml", input.content);
  const bool changes = !input.converted.empty();

  EXPECT_EQ(convertRemittance(path(L"remesa.xml")),
            changes ? Outcome::Converted : Outcome::CannotChange);
  const std::string expected = changes ? input.converted : input.content;
  EXPECT_TRUE(read(L"remesa.xml") == expected)
      << "the file's bytes differ from what they should be";
  expectOnly({L"remesa.xml"});

  // A second press finds "FSD" or the same refusal: never a second change.
  EXPECT_EQ(convertRemittance(path(L"remesa.xml")), Outcome::CannotChange);
  EXPECT_TRUE(read(L"remesa.xml") == expected);
}

INSTANTIATE_TEST_SUITE_P(Files, Conversion, testing::ValuesIn(inputs()),
                         [](const testing::TestParamInfo<Input>& input) {
                           return input.param.name;
                         });

// A name is joined to its folder as it is listed: device names, names as long as the file system
// allows, folders past the classic path limit.
TEST_F(FilesTest, ListedNamesAreTheFilesOfThatName) {
  std::wstring deep = folder();
  for (int level = 0; level < 5; ++level) {
    deep += L"\\" + std::wstring(60, static_cast<wchar_t>(L'a' + level));
    ASSERT_TRUE(CreateDirectoryW(longForm(deep).c_str(), nullptr));
  }
  const std::wstring longName = std::wstring(251, L'r') + L".xml";
  const Names devices = {L"CON.xml", L"NUL.xml", L"COM1.xml", L"aux.XML"};
  for (const std::wstring& name : devices) writeWhole(path(name), remittanceText("PRE"));
  writeWhole(path(longName), remittanceText("PRE"));
  writeWhole(deep + L"\\" + longName, remittanceText("PRE"));

  // A name alone is in the current folder.
  wchar_t current[MAX_PATH] = {};
  GetCurrentDirectoryW(MAX_PATH, current);
  SetCurrentDirectoryW(folder().c_str());
  EXPECT_NO_THROW(remittance::checkRemittance(L"CON.xml"));
  SetCurrentDirectoryW(current);

  Names listed = remittance::listRemittances(folder());
  EXPECT_EQ(listed, (Names{L"aux.XML", L"COM1.xml", L"CON.xml", L"NUL.xml", longName}));
  for (const std::wstring& file : {folder() + L"\\", deep + L"\\"}) {
    for (const std::wstring& name : remittance::listRemittances(file)) {
      SCOPED_TRACE(narrow(name));
      remittance::checkRemittance(file + name);
      EXPECT_EQ(convertRemittance(file + name), Outcome::Converted);
      EXPECT_EQ(readWhole(file + name), remittanceText("FSDD") + "\r\n");
    }
  }
}

// Files that cannot be read, or that a replacement would damage: nothing is written, and the
// error names the file and the reason.
TEST_F(FilesTest, FilesLeftAsTheyAre) {
  write(L"a.xml", remittanceText("PRE"));
  write(L"solo-lectura.xml", remittanceText("PRE"));
  ASSERT_TRUE(SetFileAttributesW(path(L"solo-lectura.xml").c_str(), FILE_ATTRIBUTE_READONLY));
  ASSERT_TRUE(CreateHardLinkW(path(L"otro-nombre.xml").c_str(), path(L"a.xml").c_str(), nullptr));
  ASSERT_TRUE(CreateDirectoryW(path(L"carpeta.xml").c_str(), nullptr));
  write(L"retenida.xml", remittanceText("PRE"));
  const HANDLE holder = CreateFileW(path(L"retenida.xml").c_str(), GENERIC_READ, 0, nullptr,
                                    OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(holder, INVALID_HANDLE_VALUE);

  const struct {
    std::wstring name;
    FileProblem problem;
    DWORD reason;
  } cases[] = {
      {L"falta.xml", FileProblem::CannotRead, ERROR_FILE_NOT_FOUND},
      {L"\xD800"
       L"falta.xml",
       FileProblem::CannotRead, ERROR_FILE_NOT_FOUND},
      {L"carpeta.xml", FileProblem::CannotRead, ERROR_ACCESS_DENIED},
      // Held for longer than the second the conversion waits.
      {L"retenida.xml", FileProblem::CannotRead, ERROR_SHARING_VIOLATION},
      {L"solo-lectura.xml", FileProblem::CannotSave, ERROR_ACCESS_DENIED},
      // Replacing one name would leave the other with the old bytes.
      {L"a.xml", FileProblem::HasOtherNames, 0},
  };
  const Names before = namesIn(folder());
  for (const auto& example : cases) {
    SCOPED_TRACE(narrow(example.name));
    const FileError error = expectFileError(path(example.name), example.problem,
                                            [&] { convertRemittance(path(example.name)); });
    EXPECT_EQ(error.systemError(), example.reason);
  }
  CloseHandle(holder);
  EXPECT_EQ(namesIn(folder()), before);
  for (const wchar_t* name : {L"a.xml", L"otro-nombre.xml", L"solo-lectura.xml", L"retenida.xml"})
    EXPECT_EQ(read(name), remittanceText("PRE")) << narrow(name);
  SetFileAttributesW(path(L"solo-lectura.xml").c_str(), FILE_ATTRIBUTE_NORMAL);
}

// Calls that let a test change the file between the read and the replace.
struct ChangeBeforeTheReplace : ScriptedCalls {
  explicit ChangeBeforeTheReplace(std::function<void()> change) : change_(std::move(change)) {}
  BOOL flushFileBuffers(HANDLE file) override {
    change_();
    return ScriptedCalls::flushFileBuffers(file);
  }
  std::function<void()> change_;
};

FILETIME lastWriteTime(const std::wstring& file) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  GetFileAttributesExW(file.c_str(), GetFileExInfoStandard, &data);
  return data.ftLastWriteTime;
}

void setLastWriteTime(const std::wstring& file, const FILETIME& time) {
  const HANDLE handle =
      CreateFileW(file.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  SetFileTime(handle, nullptr, nullptr, &time);
  CloseHandle(handle);
}

// The file on disk is no longer the one read when the new one is ready: nothing is written over
// it, and a name someone emptied stays empty, the converted copy left beside it.
TEST_F(FilesTest, FileChangedDuringTheConversionIsNotWrittenOver) {
  const std::string original = remittanceText("PRE");
  const std::string exportedAgain = remittanceText("PRE") + "<!-- NEW -->";
  std::string edited = original;
  edited.replace(edited.find("2026"), 4, "1999");
  const std::wstring file = path(L"a.xml");
  const struct {
    const char* what;
    std::function<void()> change;
    std::string left;  // what the file holds afterwards ("" for gone)
  } changes[] = {
      {"exported again", [&] { write(L"a.xml", exportedAgain); }, exportedAgain},
      {"same bytes, other write time",
       [&] {
         setLastWriteTime(file, FILETIME{0, 0x01D00000});
       },
       original},
      // Only the change time tells this one.
      {"edited in place, same size and write time",
       [&] {
         const FILETIME written = lastWriteTime(file);
         const HANDLE handle =
             CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
         DWORD done = 0;
         WriteFile(handle, edited.data(), static_cast<DWORD>(edited.size()), &done, nullptr);
         SetFileTime(handle, nullptr, nullptr, &written);
         CloseHandle(handle);
       },
       edited},
      {"renamed away", [&] { MoveFileW(file.c_str(), path(L"r-enviada.xml").c_str()); }, ""},
      {"deleted", [&] { DeleteFileW(file.c_str()); }, ""},
  };
  for (const auto& change : changes) {
    SCOPED_TRACE(change.what);
    remove(L"r-enviada.xml");
    write(L"a.xml", original);
    ChangeBeforeTheReplace calls(change.change);
    const bool gone = change.left.empty();

    const FileError error =
        expectFileError(file, gone ? FileProblem::RemittanceGone : FileProblem::ChangedWhileSaving,
                        [&] { convertRemittance(file, calls); });
    EXPECT_EQ(error.systemError(), 0u);
    EXPECT_EQ(read(L"a.xml"), change.left);
    int copies = 0;
    for (const std::wstring& name : namesIn(folder())) {
      if (!name.ends_with(L".tmp")) continue;
      EXPECT_TRUE(gone && error.temporaryFile() == longFolder() + name) << narrow(name);
      EXPECT_EQ(read(name), remittanceText("FSDD") + "\r\n");
      remove(name);
      ++copies;
    }
    EXPECT_EQ(copies, gone ? 1 : 0) << "the converted copy is left, and named, only where the "
                                       "name was emptied";
  }
}

// Whatever the drive does with the rename (smbnetfs, for one, deletes the file it fails to
// replace): "Remesa cambiada" only with the new bytes at the name; or, where the name was
// emptied, the new bytes in the copy the error names; nothing else is left. No other answer
// holds: nothing here stops the save.
TEST_F(FilesTest, NothingIsLostWhateverTheDriveDoes) {
  const std::string original = remittanceText("PRE");
  const std::string converted = remittanceText("FSDD") + "\r\n";
  write(L"a.xml", original);
  try {
    ASSERT_EQ(convertRemittance(path(L"a.xml")), Outcome::Converted);
    EXPECT_EQ(read(L"a.xml"), converted);
    expectOnly({L"a.xml"});
  } catch (const FileError& error) {
    std::cout << "[ answer   ] " << error.what() << '\n';
    const std::wstring& copy = error.temporaryFile();
    const std::wstring copyName = copy.substr(copy.find_last_of(L'\\') + 1);
    ASSERT_EQ(error.problem(), FileProblem::RemittanceGone);
    ASSERT_FALSE(copy.empty());
    EXPECT_EQ(read(copyName), converted);
    expectOnly({copyName});
  }
}

// Another program (a thread here, with a handle of its own) opens the remittance for reading and
// writing, sharing reading, once the copy appears (it gets in as soon as the remittance has been
// read), and holds it. Let go within the wait: the converted bytes are at the name, all of them,
// with "Remesa cambiada". Held past it: the remittance keeps its bytes and the save says another
// program holds it. Nothing is left beside it either way. The remittances end in a short piece, of
// less than 512 bytes, past their last whole mebibyte: the piece a FAT driver misreads when
// another program opens the file while it is read (docs/testing.md).
TEST_F(FilesTest, RemittanceHeldOnceTheCopyAppears) {
  const auto copyIsThere = [&] {
    return std::ranges::any_of(namesIn(folder()),
                               [](const std::wstring& name) { return name.ends_with(L".tmp"); });
  };
  const std::string id = "<MsgId>PRE2026120700001</MsgId>";
  const std::string newId = "<MsgId>FSDD2026120700001</MsgId>";
  const struct {
    std::size_t mebibytes;
    DWORD heldMs;
  } rows[] = {{1, 300}, {8, 300}, {1, 3000}, {8, 3000}};
  // TRASVIDORA_HELD_RUNS runs each row more times, to look for damage that comes now and then.
  const wchar_t* asked = _wgetenv(L"TRASVIDORA_HELD_RUNS");
  const int runs = asked ? std::max(1, _wtoi(asked)) : 2;
  for (const auto& row : rows) {
    const std::string filler(row.mebibytes * kPiece + 100, ' ');
    const std::string original = kHeader + id + filler + "</Document>";
    const std::string converted = kHeader + newId + filler + "</Document>\r\n";
    int heldDuringTheSave = 0;
    for (int run = 1; run <= runs; ++run) {
      SCOPED_TRACE(testing::Message()
                   << row.mebibytes << " MiB held " << row.heldMs << " ms, run " << run);
      write(L"a.xml", original);
      std::atomic<bool> saving = true, held = false;
      std::thread holder([&] {
        while (saving && !copyIsThere()) Sleep(1);
        HANDLE handle = INVALID_HANDLE_VALUE;
        while (saving && handle == INVALID_HANDLE_VALUE) {
          handle = CreateFileW(path(L"a.xml").c_str(), GENERIC_READ | GENERIC_WRITE,
                               FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        }
        if (handle == INVALID_HANDLE_VALUE) return;
        held = saving.load();
        Sleep(row.heldMs);
        CloseHandle(handle);
      });
      std::optional<FileError> error;
      try {
        EXPECT_EQ(convertRemittance(path(L"a.xml")), Outcome::Converted);
      } catch (const FileError& failure) {
        error = failure;
      }
      saving = false;
      holder.join();
      heldDuringTheSave += held ? 1 : 0;
      const std::string now = read(L"a.xml");
      if (!error) {
        const auto differs = std::ranges::mismatch(now, converted).in1 - now.begin();
        EXPECT_TRUE(now == converted)
            << "\"Remesa cambiada\", yet the name holds " << now.size() << " bytes of "
            << converted.size() << ", the first other one at " << differs;
      } else {
        EXPECT_EQ(error->problem(), FileProblem::HeldByAnotherProgram) << error->what();
        EXPECT_TRUE(now == original) << "the remittance holds " << now.size() << " bytes";
      }
      expectOnly({L"a.xml"});
    }
    EXPECT_GT(heldDuringTheSave, 0) << "the other program never got in during a save";
  }
}

// The owner and the access list as text, to compare.
std::wstring securityText(const std::wstring& file) {
  constexpr SECURITY_INFORMATION kWhich = OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  wchar_t* text = nullptr;
  if (GetNamedSecurityInfoW(file.c_str(), SE_FILE_OBJECT, kWhich, nullptr, nullptr, nullptr,
                            nullptr, &descriptor) == ERROR_SUCCESS)
    ConvertSecurityDescriptorToStringSecurityDescriptorW(descriptor, SDDL_REVISION_1, kWhich, &text,
                                                         nullptr);
  std::wstring result = text ? text : L"";
  LocalFree(text);
  LocalFree(descriptor);
  return result;
}

// Where the system is known to keep access lists and to encrypt (the Windows runners' own NTFS
// folder, TRASVIDORA_REQUIRE_WINDOWS_FEATURES=1), a test that cannot see them fails instead of
// skipping.
bool windowsFeaturesRequired() {
  const wchar_t* required = _wgetenv(L"TRASVIDORA_REQUIRE_WINDOWS_FEATURES");
  return required && std::wstring_view(required) == L"1";
}

TEST_F(FilesTest, ConvertedFileKeepsItsAttributes) {
  write(L"a.xml", remittanceText("PRE"));
  constexpr DWORD kKept =
      FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
  ASSERT_TRUE(SetFileAttributesW(path(L"a.xml").c_str(), kKept));
  // (Wine keeps no not-indexed attribute.)
  const DWORD before = GetFileAttributesW(path(L"a.xml").c_str()) & kKept;
  if (!(before & FILE_ATTRIBUTE_HIDDEN)) {  // a new file is not hidden: there is something to keep
    const std::string why = "this system keeps no hidden mark here";
    if (windowsFeaturesRequired()) FAIL() << why;
    GTEST_SKIP() << why;
  }
  ASSERT_EQ(convertRemittance(path(L"a.xml")), Outcome::Converted);
  EXPECT_EQ(read(L"a.xml"), remittanceText("FSDD") + "\r\n");
  EXPECT_EQ(GetFileAttributesW(path(L"a.xml").c_str()) & kKept, before);
}

// A remittance only its owner may read (explicit, protected permissions) stays so. Wine keeps no
// access list of a file: it reads one back from the Unix mode, so it cannot show this.
TEST_F(FilesTest, ConvertedFileKeepsItsExplicitPermissions) {
  write(L"a.xml", remittanceText("PRE"));
  PSECURITY_DESCRIPTOR onlyOwner = nullptr;
  ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorW(
      L"D:P(A;;FA;;;OW)(A;;FR;;;SY)", SDDL_REVISION_1, &onlyOwner, nullptr));
  BOOL present = FALSE, defaulted = FALSE;
  PACL list = nullptr;
  GetSecurityDescriptorDacl(onlyOwner, &present, &list, &defaulted);
  ASSERT_EQ(SetNamedSecurityInfoW(path(L"a.xml").data(), SE_FILE_OBJECT,
                                  DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION,
                                  nullptr, nullptr, list, nullptr),
            DWORD{ERROR_SUCCESS});
  LocalFree(onlyOwner);
  const std::wstring before = securityText(path(L"a.xml"));
  if (before.find(L"D:P") == std::wstring::npos) {
    const std::string why =
        "this system does not keep the permissions set (reads back " + narrow(before) + ")";
    if (windowsFeaturesRequired()) FAIL() << why;
    GTEST_SKIP() << why;
  }

  ASSERT_EQ(convertRemittance(path(L"a.xml")), Outcome::Converted);

  EXPECT_EQ(read(L"a.xml"), remittanceText("FSDD") + "\r\n");
  EXPECT_EQ(securityText(path(L"a.xml")), before);
}

// Wine cannot encrypt files (EncryptFileW is not there); Windows can, where EFS is on.
TEST_F(FilesTest, EncryptedFileStaysEncrypted) {
  write(L"a.xml", remittanceText("PRE"));
  if (!EncryptFileW(path(L"a.xml").c_str()) ||
      !(GetFileAttributesW(path(L"a.xml").c_str()) & FILE_ATTRIBUTE_ENCRYPTED)) {
    const std::string why =
        "this system cannot encrypt files here (error " + std::to_string(GetLastError()) + ")";
    if (windowsFeaturesRequired()) FAIL() << why;
    GTEST_SKIP() << why;
  }
  ASSERT_EQ(convertRemittance(path(L"a.xml")), Outcome::Converted);
  EXPECT_TRUE(GetFileAttributesW(path(L"a.xml").c_str()) & FILE_ATTRIBUTE_ENCRYPTED);
  EXPECT_EQ(read(L"a.xml"), remittanceText("FSDD") + "\r\n");
}

// A symbolic link stays a link and the file it points to, in its own folder, is converted.
// Wine's CreateSymbolicLinkW makes nothing: under Wine the test's fixture makes a Unix link
// (TRASVIDORA_LINK_FOLDER: remesas\enlace.xml pointing to otra\remesa.xml).
TEST_F(FilesTest, SymbolicLinkStaysALink) {
  std::filesystem::path remesas = temp_ / "remesas", other = temp_ / "otra";
  std::filesystem::create_directories(remesas);
  std::filesystem::create_directories(other);
  writeBytes(other / "remesa.xml", remittanceText("PRE"));
  CreateSymbolicLinkW((remesas / "enlace.xml").c_str(), (other / "remesa.xml").c_str(),
                      SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE);
  if (!std::filesystem::exists(remesas / "enlace.xml")) {
    const wchar_t* fixture = _wgetenv(L"TRASVIDORA_LINK_FOLDER");
    if (!fixture) GTEST_SKIP() << "no symbolic link can be made here; run through CTest";
    remesas = std::filesystem::path(fixture) / "remesas";
    other = std::filesystem::path(fixture) / "otra";
    writeBytes(other / "remesa.xml", remittanceText("PRE"));
  }
  const std::wstring link = (remesas / "enlace.xml").wstring();

  ASSERT_EQ(convertRemittance(link), Outcome::Converted);

  EXPECT_EQ(readBytes(other / "remesa.xml"), remittanceText("FSDD") + "\r\n");
  EXPECT_EQ(readBytes(link), remittanceText("FSDD") + "\r\n");
  EXPECT_EQ(namesIn(remesas.wstring()), Names{L"enlace.xml"});
  EXPECT_EQ(namesIn(other.wstring()), Names{L"remesa.xml"});
  EXPECT_EQ(convertRemittance(link), Outcome::CannotChange) << "the link still leads to the file";
}

using Listing = FilesTest;

TEST_F(Listing, KeepsOnlyVisibleRemittancesSortedWithoutRegardToCase) {
  for (const wchar_t* name :
       {L"b.xml", L"A.XML", L"c.Xml", L"notes.txt", L"d.xml.bak", L"~0000f0010000f001.tmp", L"xml",
        L".xml", L"hidden.xml", L"system.xml", L"Año 2026 remesa.xml", L"\u6c47\u6b3e.xml"}) {
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
  const FileError error = expectFileError(path(L"remesas\\"), FileProblem::CannotListFolder,
                                          [&] { remittance::listRemittances(path(L"remesas\\")); });
  EXPECT_NE(error.systemError(), 0u);
}

TEST(RemittanceFolder, IsTheRemesasFolderBesideTheProgram) {
  const std::wstring folder = remittance::remittanceFolder();
  ASSERT_TRUE(folder.starts_with(LR"(\\?\)")) << narrow(folder);
  ASSERT_TRUE(folder.ends_with(L"\\remesas\\"));
  const std::wstring programFolder = folder.substr(0, folder.size() - 8);
  EXPECT_NE(GetFileAttributesW((programFolder + L"files_tests.exe").c_str()),
            INVALID_FILE_ATTRIBUTES);
}

// Past 4 GiB, beyond what a 32-bit length or position can count.
TEST(LargeFile, RemittanceOverFourGigabytesIsConverted) {
  constexpr std::uint64_t kSize = (std::uint64_t{1} << 32) + 4096;
  TempFolder folder;
  const auto space = std::filesystem::space(folder.path());
  if (space.available < kSize + (1ull << 30))
    GTEST_SKIP() << "needs " << (kSize >> 20) + 1024 << " MiB of free disk";

  // The transactions are zero bytes in the middle of the file (sparse where the system can).
  const std::string head = kHeader + "      <MsgId>PRE2026120700001</MsgId>\r\n";
  const std::string tail = "    </GrpHdr>\r\n  </CstmrDrctDbtInitn>\r\n</Document>";
  const auto file = folder / "remesa.xml";
  writeBytes(file, head);
  std::filesystem::resize_file(file, kSize - tail.size());
  {
    std::ofstream out(file, std::ios::binary | std::ios::app);
    out.write(tail.data(), static_cast<std::streamsize>(tail.size()));
  }
  ASSERT_EQ(convertRemittance(file.wstring()), Outcome::Converted);

  std::string newHead = head;
  newHead.replace(newHead.find("PRE"), 3, "FSDD");
  ASSERT_EQ(std::filesystem::file_size(file), kSize + 1 + 2);
  std::ifstream in(file, std::ios::binary);
  std::string got(newHead.size(), '\0');
  in.read(got.data(), static_cast<std::streamsize>(got.size()));
  EXPECT_EQ(got, newHead);
  in.seekg(static_cast<std::streamoff>(kSize + 1 + 2 - tail.size() - 2));
  got.assign(tail.size() + 2, '\0');
  in.read(got.data(), static_cast<std::streamsize>(got.size()));
  EXPECT_EQ(got, tail + "\r\n");
  EXPECT_EQ(namesIn(folder.path().wstring()), Names{L"remesa.xml"});
}

}  // namespace
