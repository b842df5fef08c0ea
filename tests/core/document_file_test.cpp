#include "document_file.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "file_error.h"
#include "prefix_change.h"
#include "temp_folder.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#endif

namespace {

using remittance::FileAction;
using remittance::FileError;
using remittance::loadDocument;
using remittance::saveDocument;

std::vector<std::string> namesIn(const std::filesystem::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

std::string allByteValues() {
  std::string bytes;
  for (int value = 0; value < 256; ++value) bytes.push_back(static_cast<char>(value));
  return bytes;
}

// Runs `action`, which must fail with a FileError about `file`, and returns that error.
template <typename Action>
FileError expectFileError(const std::filesystem::path& file, FileAction action, Action&& run) {
  try {
    run();
  } catch (const FileError& error) {
    EXPECT_EQ(error.file(), file);
    EXPECT_EQ(error.action(), action);
    EXPECT_TRUE(error.reason()) << "the system's reason is kept";
    return error;
  }
  ADD_FAILURE() << "no FileError for " << file;
  return FileError(action, file, {});
}

std::string contentName(const testing::TestParamInfo<std::string>& info) {
  return "Content" + std::to_string(info.index);
}

class RoundTrip : public testing::TestWithParam<std::string> {};

TEST_P(RoundTrip, LoadKeepsEveryByteAndSaveAddsTheLineEnd) {
  TempFolder folder;
  const auto file = folder / "remesa.xml";
  writeBytes(file, GetParam());

  const std::string document = loadDocument(file);
  EXPECT_EQ(document, GetParam());

  saveDocument(file, document);
  EXPECT_EQ(readBytes(file), GetParam() + "\r\n");
  EXPECT_EQ(namesIn(folder.path()), std::vector<std::string>{"remesa.xml"});
}

INSTANTIATE_TEST_SUITE_P(Contents, RoundTrip,
                         testing::Values(std::string(), std::string("x"), std::string(1, '\0'),
                                         allByteValues(), std::string("<a>\r\n<b>\n<c>\r</c>\n\n"),
                                         std::string("\xEF\xBB\xBF<MsgId>PRE1</MsgId>"),
                                         std::string("\xFF\xFE<\0M\0", 6),
                                         std::string(3 * 1024 * 1024 + 7, 'z')),
                         contentName);

TEST(LoadDocument, LeavesRoomSoThatTheChangeNeedsNoCopy) {
  TempFolder folder;
  writeBytes(folder / "a.xml", "<MsgId>PRE1</MsgId>" + std::string(100000, ' '));
  std::string document = loadDocument(folder / "a.xml");
  const char* before = document.data();
  ASSERT_TRUE(remittance::changeMessageIdPrefix(document));
  EXPECT_EQ(document.data(), before);
  EXPECT_GE(document.capacity(), document.size() + remittance::kSavedLineEnd.size());
}

TEST(LoadDocument, ReportsTheFileAndReason) {
  TempFolder folder;
  expectFileError(folder / "missing.xml", FileAction::Read,
                  [&] { loadDocument(folder / "missing.xml"); });

  std::filesystem::create_directory(folder / "folder.xml");
  expectFileError(folder / "folder.xml", FileAction::Read,
                  [&] { loadDocument(folder / "folder.xml"); });
}

TEST(SaveDocument, CreatesAMissingFile) {
  TempFolder folder;
  saveDocument(folder / "new.xml", "<MsgId>FSDD1");
  EXPECT_EQ(readBytes(folder / "new.xml"), "<MsgId>FSDD1\r\n");
  EXPECT_EQ(namesIn(folder.path()), std::vector<std::string>{"new.xml"});
}

TEST(SaveDocument, ReplacesALongerFileWholly) {
  TempFolder folder;
  writeBytes(folder / "a.xml", std::string(5000, 'x'));
  saveDocument(folder / "a.xml", "short");
  EXPECT_EQ(readBytes(folder / "a.xml"), "short\r\n");
}

// Every refused save leaves the file with its old bytes and no temporary file behind.
class RefusedSave : public testing::Test {
 protected:
  void expectRefused(const std::filesystem::path& file) {
    const auto before = namesIn(folder.path());
    expectFileError(file, FileAction::Write, [&] { saveDocument(file, "<MsgId>FSDD1</MsgId>"); });
    EXPECT_EQ(namesIn(folder.path()), before);
  }

  TempFolder folder;
  const std::string original = "<MsgId>PRE1</MsgId>";
};

TEST_F(RefusedSave, ReadOnlyFile) {
  const auto file = folder / "a.xml";
  writeBytes(file, original);
  std::filesystem::permissions(file,
                               std::filesystem::perms::owner_write |
                                   std::filesystem::perms::group_write |
                                   std::filesystem::perms::others_write,
                               std::filesystem::perm_options::remove);
  expectRefused(file);
  EXPECT_EQ(readBytes(file), original);
}

TEST_F(RefusedSave, MissingFolder) {
  expectRefused(folder / "gone" / "a.xml");
  EXPECT_FALSE(std::filesystem::exists(folder / "gone"));
}

TEST_F(RefusedSave, FolderInTheFilesPlace) {
  std::filesystem::create_directory(folder / "a.xml");
  writeBytes(folder / "a.xml" / "inside.txt", "kept");
  expectRefused(folder / "a.xml");
  EXPECT_EQ(readBytes(folder / "a.xml" / "inside.txt"), "kept");
}

#ifdef _WIN32

TEST_F(RefusedSave, FileHeldOpenByAnotherProgram) {
  const auto file = folder / "a.xml";
  writeBytes(file, original);
  HANDLE holder = CreateFileW(file.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(holder, INVALID_HANDLE_VALUE);
  expectRefused(file);
  CloseHandle(holder);
  EXPECT_EQ(readBytes(file), original);
}

TEST(SaveDocument, KeepsTheAttributesOfTheFile) {
  TempFolder folder;
  const auto file = folder / "a.xml";
  writeBytes(file, "x");
  ASSERT_TRUE(SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_HIDDEN));
  saveDocument(file, "y");
  EXPECT_EQ(GetFileAttributesW(file.c_str()) & FILE_ATTRIBUTE_HIDDEN,
            static_cast<DWORD>(FILE_ATTRIBUTE_HIDDEN));
  EXPECT_EQ(readBytes(file), "y\r\n");
}

#else

TEST(SaveDocument, KeepsThePermissionBits) {
  TempFolder folder;
  const auto file = folder / "a.xml";
  writeBytes(file, "x");
  ASSERT_EQ(chmod(file.c_str(), 0640), 0);
  saveDocument(file, "y");
  struct stat status {};
  ASSERT_EQ(stat(file.c_str(), &status), 0);
  EXPECT_EQ(status.st_mode & 07777, 0640u);
}

// The disk fills up half way through the save: a child process may write only 64 KiB.
TEST_F(RefusedSave, WriteThatFailsPartWay) {
  const auto file = folder / "a.xml";
  writeBytes(file, original);
  const std::string large(1024 * 1024, 'L');

  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    std::signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{64 * 1024, 64 * 1024};
    setrlimit(RLIMIT_FSIZE, &limit);
    try {
      saveDocument(file, large);
    } catch (const FileError& error) {
      _exit(error.action() == FileAction::Write && error.file() == file ? 42 : 1);
    }
    _exit(0);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 42) << "the save reported the failed write";
  EXPECT_EQ(readBytes(file), original);
  EXPECT_EQ(namesIn(folder.path()), std::vector<std::string>{"a.xml"});
}

#endif

}  // namespace
