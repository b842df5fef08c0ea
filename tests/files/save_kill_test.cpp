// A conversion ended at any moment leaves the remittance with exactly its old or exactly its new
// bytes, and no temporary file: only an end in the instant between the temporary file's creation
// and its deletion mark (it is empty then), or between clearing the mark and putting it in place
// (it holds the new bytes) may leave one, which is never listed as a remittance.
//
// A child process (save_child.exe, beside this test) converts the file and is ended: by its own
// script just before and just after call 1, 2, 3 ... of the conversion, until one ends without
// reaching its call; and by this test with TerminateProcess at 50 moments spread over the
// conversion of a 32 MiB remittance.

#include <chrono>
#include <cstdint>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "files_harness.h"
#include "scripted_calls.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::size_t kLargeSize = 32u << 20;
// A few pieces of the conversion's buffer, for the ends at every call.
constexpr std::size_t kSmallSize = (5u << 20) / 2;
constexpr int kMoments = 50;

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
    EXPECT_TRUE(CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                               nullptr, &startup, &process))
        << "error " << GetLastError();
    CloseHandle(process.hThread);
    process_ = process.hProcess;
  }
  SaveChild(const SaveChild&) = delete;
  SaveChild& operator=(const SaveChild&) = delete;
  ~SaveChild() {
    if (process_) CloseHandle(process_);
  }

  void end() { TerminateProcess(process_, kEndedByTest); }
  DWORD exitCode() {
    WaitForSingleObject(process_, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(process_, &code);
    return code;
  }

  static constexpr UINT kEndedByTest = 77;

 private:
  HANDLE process_ = nullptr;
};

struct Outcomes {
  int oldBytes = 0;
  int lastInstant = 0;  // old bytes and a temporary file left, in the first or the last instant
  int newBytes = 0;
};

std::string converted(std::string text) {
  text.replace(text.find("<MsgId>PRE") + 7, 3, "FSDD");
  return text + "\r\n";
}

class SaveKillTest : public FilesTest {
 protected:
  void SetUp() override { use(largeRemittance(kLargeSize)); }

  void use(std::string text) {
    oldText_ = std::move(text);
    savedText_ = converted(oldText_);
    fileIsOld_ = false;
  }

  void putOldFile() {
    if (!fileIsOld_) write(L"remesa.xml", oldText_);
    fileIsOld_ = true;
  }

  // Checks the folder after one ended conversion and clears what it left; true for the old bytes.
  // `firstInstant` and `lastInstant` say whether the end may have come between the creation of
  // the temporary file and its deletion mark, or between the clearing of the mark and the replace.
  bool checkAfterEnd(const std::string& moment, bool firstInstant, bool lastInstant) {
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
                  ((firstInstant && left.empty()) || (lastInstant && left == savedText_)))
          << moment << ": file left behind: " << narrow(name) << ", " << left.size() << " bytes";
      DeleteFileW(path(name).c_str());
    }
    if (fileIsOld_) ++(temporaryLeft ? outcomes_.lastInstant : outcomes_.oldBytes);
    if (saved) ++outcomes_.newBytes;
    return fileIsOld_;
  }

  // Starts a save that waits for the go; returns when it is ready.
  class WaitingSave {
   public:
    WaitingSave(const std::wstring& file, int number) {
      const std::wstring name = L"trasvidora-save-" + std::to_wstring(GetCurrentProcessId()) +
                                L"-" + std::to_wstring(number);
      ready_ = CreateEventW(nullptr, TRUE, FALSE, (name + L"-ready").c_str());
      go_ = CreateEventW(nullptr, TRUE, FALSE, (name + L"-go").c_str());
      child_ = std::make_unique<SaveChild>(L"\"" + file + L"\" " + name);
      EXPECT_EQ(WaitForSingleObject(ready_, 60000), WAIT_OBJECT_0);
    }
    ~WaitingSave() {
      CloseHandle(ready_);
      CloseHandle(go_);
    }
    void go() { SetEvent(go_); }
    SaveChild& child() { return *child_; }

   private:
    HANDLE ready_;
    HANDLE go_;
    std::unique_ptr<SaveChild> child_;
  };

  Clock::duration timeOneSave(int number) {
    putOldFile();
    WaitingSave save(path(L"remesa.xml"), number);
    const auto start = Clock::now();
    save.go();
    EXPECT_EQ(save.child().exitCode(), 0u) << "a save that nobody ended";
    const auto took = Clock::now() - start;
    EXPECT_TRUE(read(L"remesa.xml") == savedText_);
    fileIsOld_ = false;
    return took;
  }

  bool fileIsOld_ = false;
  Outcomes outcomes_;
  std::string oldText_;
  std::string savedText_;
};

TEST_F(SaveKillTest, EndedAtEveryCallLeavesOldOrNewBytes) {
  use(largeRemittance(kSmallSize));
  // The calls' names, from a conversion of the same file here, say where the last instant is.
  putOldFile();
  ScriptedCalls names;
  ASSERT_EQ(remittance::convertRemittance(path(L"remesa.xml"), names), Outcome::Converted);
  fileIsOld_ = false;
  const std::vector<std::string>& made = names.made();
  const auto is = [&](std::size_t index, const char* name) {
    return index < made.size() && made[index] == name;
  };
  // Call `index` (from 0) comes in the instant before the call named `next`, after `previous`.
  const auto between = [&](std::size_t index, const char* previous, const char* next) {
    return is(index, next) && index > 0 && is(index - 1, previous);
  };

  int call = 1;
  for (bool completed = false; !completed; ++call) {
    for (const wchar_t* when : {L"before", L"after"}) {
      const bool before = when == std::wstring(L"before");
      const std::string moment = std::string(before ? "before " : "after ") +
                                 (call <= static_cast<int>(made.size()) ? made[call - 1] : "-") +
                                 " (call " + std::to_string(call) + ")";
      putOldFile();
      SaveChild child(L"\"" + path(L"remesa.xml") + L"\" " + std::to_wstring(call) + L" " + when);
      const DWORD code = child.exitCode();
      completed = code == 0;
      EXPECT_TRUE(code == ScriptedCalls::kEnded || completed) << moment << ": exit code " << code;
      // Ended before call `index`, or after it, which is before call `index + 1`.
      const std::size_t index = static_cast<std::size_t>(call - 1) + (before ? 0 : 1);
      checkAfterEnd(moment, between(index, "createFile", "markForDeletion"),
                    between(index, "markForDeletion", "moveFileOver"));
    }
  }
  std::cout << "[ calls    ] " << call - 2
            << " calls, each ended before and after: " << outcomes_.oldBytes << " old bytes, "
            << outcomes_.lastInstant << " in the first or the last instant, " << outcomes_.newBytes
            << " new bytes\n";
  EXPECT_EQ(call - 2, static_cast<int>(made.size()));
  EXPECT_EQ(outcomes_.lastInstant, 4) << "each instant, ended after its first call and before "
                                         "its second";
}

TEST_F(SaveKillTest, EndedAtMomentsSpreadOverTheSave) {
  const auto whole = std::max(timeOneSave(0), timeOneSave(1));
  // From the go to a little past the end of the save, at even steps.
  for (int n = 0; n < kMoments; ++n) {
    putOldFile();
    const auto delay = whole * n * 6 / (5 * (kMoments - 1));
    WaitingSave save(path(L"remesa.xml"), 2 + n);
    const auto start = Clock::now();
    save.go();
    while (Clock::now() - start < delay) {
    }
    save.child().end();
    const DWORD code = save.child().exitCode();
    EXPECT_TRUE(code == SaveChild::kEndedByTest || code == 0) << "exit code " << code;
    checkAfterEnd(
        "ended after " +
            std::to_string(std::chrono::duration_cast<std::chrono::microseconds>(delay).count()) +
            " us",
        true, true);
  }
  std::cout << "[ moments  ] save of " << savedText_.size() << " bytes took "
            << std::chrono::duration_cast<std::chrono::milliseconds>(whole).count() << " ms; "
            << kMoments << " ends: " << outcomes_.oldBytes << " with the old bytes, "
            << outcomes_.lastInstant << " in the last instant, " << outcomes_.newBytes
            << " after the replace\n";
  EXPECT_EQ(outcomes_.oldBytes + outcomes_.lastInstant + outcomes_.newBytes, kMoments);
  EXPECT_GT(outcomes_.oldBytes, kMoments / 3) << "many moments fall inside the conversion";
  EXPECT_GT(outcomes_.newBytes, 0) << "the last moments come after it";
}

}  // namespace
