// A save ended at any moment leaves the remittance with exactly its old or exactly its new
// bytes, and whatever temporary file it leaves behind is never listed as a remittance.
//
// A child process (save_child.exe, beside this test) saves a 32 MiB remittance over the file and
// is ended: by its own script at each system call of the save, just before and just after it,
// and by this test with TerminateProcess at 50 moments spread over the whole save.

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

constexpr std::size_t kDocumentSize = 32u << 20;
constexpr int kSaveCalls = 10;  // see file_faults_test.cpp
constexpr int kMoments = 50;

std::string largeRemittance() {
  std::string text =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
      "<Document xmlns=\"urn:iso:std:iso:20022:tech:xsd:pain.008.001.02\">\r\n"
      "  <CstmrDrctDbtInitn>\r\n    <GrpHdr>\r\n      <MsgId>PRE2026120700001</MsgId>\r\n";
  // Every line different, so that a block written to the wrong place cannot go unnoticed.
  for (std::uint64_t n = 0; text.size() < kDocumentSize; ++n) {
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
                               nullptr, &startup, &process));
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
  int oldBytesWithTemporary = 0;  // ended between creating the temporary file and the replace
  int newBytes = 0;
};

class SaveKillTest : public FilesTest {
 protected:
  static void SetUpTestSuite() {
    oldText_ = largeRemittance();
    remittance::Document changed(oldText_);
    ASSERT_TRUE(remittance::changeMessageIdPrefix(changed));
    savedText_ = changed.savedBytes();
  }
  static void TearDownTestSuite() { oldText_ = savedText_ = {}; }

  void putOldFile() {
    if (!fileIsOld_) write(L"remesa.xml", oldText_);
    fileIsOld_ = true;
  }

  // Checks the folder after one ended save and clears what it left; true for the old bytes.
  bool checkAfterEnd(const std::string& moment) {
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
      EXPECT_TRUE(name.ends_with(L".tmp")) << moment << ": unexpected file " << narrow(name);
      temporaryLeft = true;
      DeleteFileW(path(name).c_str());
    }
    if (fileIsOld_) ++(temporaryLeft ? outcomes_.oldBytesWithTemporary : outcomes_.oldBytes);
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
  static std::string oldText_;
  static std::string savedText_;
};

std::string SaveKillTest::oldText_;
std::string SaveKillTest::savedText_;

TEST_F(SaveKillTest, EndedAtEveryCallLeavesOldOrNewBytes) {
  for (int call = 1; call <= kSaveCalls; ++call) {
    for (const wchar_t* when : {L"before", L"after"}) {
      const std::string moment = std::string(when == std::wstring(L"before") ? "before" : "after") +
                                 " call " + std::to_string(call);
      putOldFile();
      SaveChild child(L"\"" + path(L"remesa.xml") + L"\" " + std::to_wstring(call) + L" " + when);
      EXPECT_EQ(child.exitCode(), ScriptedCalls::kEnded) << moment;
      const bool old = checkAfterEnd(moment);
      // Up to the replace the old bytes stay; from the replace on the new ones are in place.
      const bool replaced = call == kSaveCalls && when == std::wstring(L"after");
      EXPECT_EQ(old, !replaced) << moment;
    }
  }
  EXPECT_EQ(outcomes_.newBytes, 1);
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
        " us");
  }
  std::cout << "[ moments  ] save of " << savedText_.size() << " bytes took "
            << std::chrono::duration_cast<std::chrono::milliseconds>(whole).count() << " ms; "
            << kMoments << " ends: " << outcomes_.oldBytes << " before the temporary file, "
            << outcomes_.oldBytesWithTemporary << " during the write, " << outcomes_.newBytes
            << " after the replace\n";
  EXPECT_EQ(outcomes_.oldBytes + outcomes_.oldBytesWithTemporary + outcomes_.newBytes, kMoments);
  EXPECT_GT(outcomes_.oldBytesWithTemporary, 0) << "some moments fall inside the write";
  EXPECT_GT(outcomes_.newBytes, 0) << "the last moments come after the save";
}

}  // namespace
