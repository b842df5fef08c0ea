// A conversion ended at any moment leaves the remittance with exactly its old or exactly its new
// bytes, and no temporary file: only an end in the instant between the temporary file's creation
// and its deletion mark (it is empty then), or in the few calls where the mark is off after the
// writes (between the handle that wrote it and the one that reads it back, and just before the
// replace: it holds the new bytes) may leave one, which is never listed as a remittance.
//
// A child process (save_child.exe, beside this test) converts the file and ends itself
// (TerminateProcess) just before and just after call 1, 2, 3 ... of the conversion, until one
// completes without reaching its call.

#include <algorithm>
#include <cstdint>
#include <iostream>
#include <string>
#include <vector>

#include "files_harness.h"
#include "prefix_change.h"
#include "scripted_calls.h"

namespace {

// A few pieces of the conversion, the last one short.
constexpr std::size_t kSize = 3 * remittance::kPieceSize + 4096;

std::string largeRemittance(std::size_t size) {
  std::string text =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
      "<Document xmlns=\"urn:iso:std:iso:20022:tech:xsd:pain.008.001.02\">\r\n"
      "  <CstmrDrctDbtInitn>\r\n    <GrpHdr>\r\n      <MsgId>PRE2026120700001</MsgId>\r\n";
  // Every line different, so that a block written to the wrong place cannot go unnoticed.
  for (std::uint64_t n = 0; text.size() < size; ++n) {
    text += "      <DrctDbtTxInf><EndToEndId>PRE2026120700001-" + std::to_string(n) +
            "</EndToEndId><InstdAmt Ccy=\"EUR\">" + std::to_string(n * 37 % 100000) +
            ".25</InstdAmt></DrctDbtTxInf>\r\n";
  }
  return text + "  </CstmrDrctDbtInitn>\r\n</Document>";
}

std::wstring besideThisProgram(const std::wstring& name) {
  wchar_t program[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, program, MAX_PATH);
  const std::wstring path = program;
  return path.substr(0, path.find_last_of(L'\\') + 1) + name;
}

// A running save_child.exe.
class SaveChild {
 public:
  explicit SaveChild(std::wstring arguments) {
    std::wstring command = L"\"" + besideThisProgram(L"save_child.exe") + L"\" " + arguments;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    // Wine on a busy machine now and then fails to start a process, with ERROR_INTERNAL_ERROR.
    BOOL started = FALSE;
    for (int attempt = 1; attempt <= 3 && !started; ++attempt) {
      started = CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                               nullptr, &startup, &process);
      if (!started && GetLastError() != ERROR_INTERNAL_ERROR) break;
    }
    EXPECT_TRUE(started) << "error " << GetLastError();
    CloseHandle(process.hThread);
    process_ = process.hProcess;
  }
  SaveChild(const SaveChild&) = delete;
  SaveChild& operator=(const SaveChild&) = delete;
  ~SaveChild() {
    if (process_) CloseHandle(process_);
  }

  DWORD exitCode() {
    WaitForSingleObject(process_, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(process_, &code);
    return code;
  }

 private:
  HANDLE process_ = nullptr;
};

struct Outcomes {
  int oldBytes = 0;
  int temporaryLeft = 0;  // old bytes, and a temporary file from an instant it was unmarked
  int newBytes = 0;
};

std::string converted(std::string text) {
  text.replace(text.find("<MsgId>PRE") + 7, 3, "FSDD");
  return text + "\r\n";
}

class SaveKillTest : public FilesTest {
 protected:
  void putOldFile() {
    if (!fileIsOld_) write(L"remesa.xml", oldText_);
    fileIsOld_ = true;
  }

  // Checks the folder after one ended conversion and clears what it left.
  // `emptyLeft` and `fullLeft` say whether the end came where the temporary file is unmarked,
  // before its writes or after them.
  void checkAfterEnd(const std::string& moment, bool emptyLeft, bool fullLeft) {
    EXPECT_EQ(remittance::listRemittances(folder()), std::vector<std::wstring>{L"remesa.xml"})
        << moment << ": the listing shows more than the remittance";
    const std::string bytes = read(L"remesa.xml");
    fileIsOld_ = bytes == oldText_;
    const bool saved = bytes == savedText_;
    EXPECT_TRUE(fileIsOld_ || saved) << moment << ": the file has " << bytes.size()
                                     << " bytes that are neither the old nor the new content";
    bool temporaryLeft = false;
    for (const std::wstring& name : namesIn(folder())) {
      if (name == L"remesa.xml") continue;
      temporaryLeft = true;
      const std::string left = read(name);
      EXPECT_TRUE(fileIsOld_ && name.ends_with(L".tmp") &&
                  ((emptyLeft && left.empty()) || (fullLeft && left == savedText_)))
          << moment << ": file left behind: " << narrow(name) << ", " << left.size() << " bytes";
      DeleteFileW(path(name).c_str());
    }
    EXPECT_EQ(temporaryLeft, emptyLeft || fullLeft) << moment;
    if (fileIsOld_) ++(temporaryLeft ? outcomes_.temporaryLeft : outcomes_.oldBytes);
    if (saved) ++outcomes_.newBytes;
  }

  bool fileIsOld_ = false;
  Outcomes outcomes_;
  const std::string oldText_ = largeRemittance(kSize);
  const std::string savedText_ = converted(oldText_);
};

// The instants between two calls where the copy is unmarked, as docs/saving.md counts them: from
// its creation to its mark (empty), from clearing the mark before the read-back to the new
// handle and from that to its mark (the new bytes), and from clearing it to the rename.
constexpr int kUnmarkedInstants = 4;

TEST_F(SaveKillTest, EndedAtEveryCallLeavesOldOrNewBytes) {
  // The calls' names, from a conversion of the same file here, say where the temporary file is
  // unmarked: first, once created, and then from each clearing of its mark to the next mark or to
  // the replace; there must be no more such instants than the docs say. emptyLeft[i] and
  // fullLeft[i] hold once calls 0 to i - 1 have run.
  putOldFile();
  ScriptedCalls names;
  ASSERT_EQ(remittance::convertRemittance(path(L"remesa.xml"), names), Outcome::Converted);
  fileIsOld_ = false;
  const std::vector<ScriptedCalls::Call>& made = names.made();
  std::vector<bool> emptyLeft{false}, fullLeft{false};
  for (std::size_t index = 0; index < made.size(); ++index) {
    const std::string& name = made[index].name;
    emptyLeft.push_back(name == "createFile" && index + 1 < made.size() &&
                        made[index + 1].name == "markForDeletion" && !fullLeft.back());
    fullLeft.push_back(name == "clearDeletionMark" ||
                       (fullLeft.back() && name != "markForDeletion" && name != "renameByHandle"));
  }
  const auto unmarked = [&](std::size_t index) { return emptyLeft[index] || fullLeft[index]; };
  int unmarkedInstants = 0;
  for (std::size_t index = 0; index < emptyLeft.size(); ++index) {
    unmarkedInstants += unmarked(index);
    if (unmarked(index) && index > 0 && index < made.size())
      std::cout << "[ unmarked ] between " << made[index - 1].name << " and " << made[index].name
                << ": " << made[index].at - made[index - 1].at << " ms\n";
  }
  EXPECT_EQ(unmarkedInstants, kUnmarkedInstants) << "the copy is unmarked only where the docs say";

  int call = 1;
  for (bool completed = false; !completed; ++call) {
    for (const wchar_t* when : {L"before", L"after"}) {
      const bool before = when == std::wstring(L"before");
      const std::string moment =
          std::string(before ? "before " : "after ") +
          (call <= static_cast<int>(made.size()) ? made[call - 1].name : "-") + " (call " +
          std::to_string(call) + ")";
      putOldFile();
      SaveChild child(L"\"" + path(L"remesa.xml") + L"\" " + std::to_wstring(call) + L" " + when);
      const DWORD code = child.exitCode();
      completed = code == 0;
      EXPECT_TRUE(code == ScriptedCalls::kEnded || completed) << moment << ": exit code " << code;
      // Ended before call `index`, or after it, which is before call `index + 1`.
      const std::size_t index = static_cast<std::size_t>(call - 1) + (before ? 0 : 1);
      const bool empty = index < emptyLeft.size() && emptyLeft[index];
      const bool full = index < fullLeft.size() && fullLeft[index];
      checkAfterEnd(moment, empty, full);
    }
  }
  std::cout << "[ calls    ] " << call - 2
            << " calls, each ended before and after: " << outcomes_.oldBytes << " old bytes, "
            << outcomes_.temporaryLeft << " of " << 2 * unmarkedInstants
            << " ends where the temporary file was unmarked, " << outcomes_.newBytes
            << " new bytes\n";
  EXPECT_EQ(call - 2, static_cast<int>(made.size()));
}

}  // namespace
