// A save killed at any moment leaves the remittance with exactly its old or exactly its new bytes,
// and whatever temporary file the killed save leaves behind is never listed as a remittance.
//
// A child process saves a large document over the file and the test kills it with SIGKILL:
// at fixed steps (right before and right after the flush of the temporary file, the rename and
// the flush of the folder), and at moments spread over the whole save, from before it starts to
// after it ends.

#include <fcntl.h>
#include <signal.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "document_file.h"
#include "prefix_change.h"
#include "remittance_folder.h"
#include "temp_folder.h"

namespace {

// The steps of a save at which the child can be made to kill itself. saveDocument flushes the
// temporary file, renames it over the remittance and flushes the folder, in that order; each of
// those calls goes through the hooks below.
struct KillPoint {
  int call = 0;  // 1-based count of fsync and rename calls; 0: never
  bool afterCall = false;
};

KillPoint gKillPoint;
int gCallsSeen = 0;

void beforeHookedCall() {
  ++gCallsSeen;
  if (gCallsSeen == gKillPoint.call && !gKillPoint.afterCall) raise(SIGKILL);
}

void afterHookedCall() {
  if (gCallsSeen == gKillPoint.call && gKillPoint.afterCall) raise(SIGKILL);
}

}  // namespace

// The program's own fsync and rename, as seen by the save code linked into this test: they do the
// system call and give the child the chance to die just before or just after it.
extern "C" int fsync(int descriptor) {
  beforeHookedCall();
  const auto result = static_cast<int>(syscall(SYS_fsync, descriptor));
  afterHookedCall();
  return result;
}

extern "C" int rename(const char* from, const char* to) noexcept {
  beforeHookedCall();
  const auto result = static_cast<int>(syscall(SYS_rename, from, to));
  afterHookedCall();
  return result;
}

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::size_t kDocumentSize = 32u << 20;

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

// Starts a child that saves `document` over `file`, dying at `killPoint` if it has one.
pid_t startSave(const std::filesystem::path& file, const std::string& document,
                KillPoint killPoint) {
  const pid_t child = fork();
  if (child == 0) {
    gKillPoint = killPoint;
    gCallsSeen = 0;
    int status = 0;
    try {
      remittance::saveDocument(file, document);
    } catch (...) {
      status = 3;
    }
    _exit(status);  // No test framework teardown in the child.
  }
  return child;
}

// Waits for the child; true when it ended by SIGKILL, false when it finished the save.
bool waitForSave(pid_t child) {
  int status = 0;
  while (waitpid(child, &status, 0) < 0) {
    if (errno != EINTR) ADD_FAILURE() << "waitpid: " << errno;
  }
  if (WIFSIGNALED(status)) return WTERMSIG(status) == SIGKILL;
  EXPECT_EQ(WEXITSTATUS(status), 0) << "the save in the child failed";
  return false;
}

struct Outcomes {
  int kills = 0;
  int oldBytes = 0;
  int oldBytesWithTemporary = 0;  // Died between creating the temporary file and the rename.
  int newBytes = 0;
};

class SaveCrashTest : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    oldText_ = largeRemittance();
    newText_ = oldText_;
    ASSERT_TRUE(remittance::changeMessageIdPrefix(newText_));
    savedText_ = newText_ + std::string(remittance::kSavedLineEnd);
  }
  static void TearDownTestSuite() { oldText_ = newText_ = savedText_ = {}; }

  // Puts the old bytes back where a save went through.
  void putOldFile() {
    if (!fileIsOld_) writeBytes(file_, oldText_);
    fileIsOld_ = true;
  }

  // Checks the folder after one killed save and clears what it left.
  void checkAfterKill(const std::string& moment) {
    ASSERT_TRUE(std::filesystem::exists(file_)) << moment << ": the remittance is gone";
    const std::string bytes = readBytes(file_);
    const bool old = bytes == oldText_;
    const bool saved = bytes == savedText_;
    fileIsOld_ = old;
    EXPECT_TRUE(old || saved) << moment << ": the file has " << bytes.size()
                              << " bytes that are neither the old nor the new content";

    bool temporaryLeft = false;
    for (const auto& entry : std::filesystem::directory_iterator(folder_.path())) {
      const auto name = entry.path().filename();
      if (name == file_.filename()) continue;
      EXPECT_EQ(name.extension(), ".tmp") << moment << ": unexpected file " << name;
      temporaryLeft = true;
      std::filesystem::remove(entry.path());
    }
    ++outcomes_.kills;
    if (old) ++(temporaryLeft ? outcomes_.oldBytesWithTemporary : outcomes_.oldBytes);
    if (saved) ++outcomes_.newBytes;
  }

  void expectOnlyTheRemittanceListed(const std::string& moment) {
    const auto listed = remittance::listRemittances(folder_.path());
    EXPECT_EQ(listed, std::vector<std::filesystem::path>{file_.filename()})
        << moment << ": the listing shows more than the remittance";
  }

  // One save killed at a fixed step.
  void killAtStep(KillPoint point, const std::string& moment) {
    putOldFile();
    waitForSave(startSave(file_, newText_, point));
    expectOnlyTheRemittanceListed(moment);
    checkAfterKill(moment);
  }

  // One save killed `delay` after it was started (perhaps after it has ended).
  void killAfter(Clock::duration delay) {
    putOldFile();
    const auto start = Clock::now();
    const pid_t child = startSave(file_, newText_, {});
    const auto deadline = start + delay;
    const auto left = std::chrono::duration_cast<std::chrono::nanoseconds>(deadline - Clock::now());
    if (left.count() > 0) {
      timespec pause{static_cast<time_t>(left.count() / 1000000000),
                     static_cast<long>(left.count() % 1000000000)};
      while (nanosleep(&pause, &pause) != 0 && errno == EINTR) {
      }
    }
    kill(child, SIGKILL);
    waitForSave(child);
    const std::string moment =
        "killed after " +
        std::to_string(std::chrono::duration_cast<std::chrono::microseconds>(delay).count()) +
        " us";
    expectOnlyTheRemittanceListed(moment);
    checkAfterKill(moment);
  }

  // How long one save takes when nobody kills it.
  Clock::duration timeOneSave() {
    putOldFile();
    const auto start = Clock::now();
    EXPECT_FALSE(waitForSave(startSave(file_, newText_, {})));
    const auto took = Clock::now() - start;
    EXPECT_EQ(readBytes(file_), savedText_) << "a save that nobody killed";
    fileIsOld_ = false;
    return took;
  }

  TempFolder folder_;
  std::filesystem::path file_ = folder_ / "remesa.xml";
  bool fileIsOld_ = false;
  Outcomes outcomes_;

  static std::string oldText_;
  static std::string newText_;
  static std::string savedText_;
};

std::string SaveCrashTest::oldText_;
std::string SaveCrashTest::newText_;
std::string SaveCrashTest::savedText_;

TEST_F(SaveCrashTest, KilledAtEveryStepLeavesOldOrNewBytes) {
  // fsync of the temporary file (1), rename (2), fsync of the folder (3).
  killAtStep({1, false}, "before flushing the temporary file");
  killAtStep({1, true}, "after flushing the temporary file");
  killAtStep({2, false}, "right before the rename");
  killAtStep({2, true}, "right after the rename");
  killAtStep({3, false}, "before flushing the folder");
  killAtStep({3, true}, "after flushing the folder");

  EXPECT_EQ(outcomes_.oldBytesWithTemporary, 3) << "up to the rename the old bytes stay";
  EXPECT_EQ(outcomes_.newBytes, 3) << "from the rename on the new bytes are in place";
}

TEST_F(SaveCrashTest, KilledAtMomentsSpreadOverTheSave) {
  auto whole = std::max(timeOneSave(), timeOneSave());
  whole = std::max<Clock::duration>(whole, std::chrono::milliseconds(5));
  // From the start to a little past the end, at even steps.
  constexpr int kMoments = 50;
  for (int n = 0; n < kMoments; ++n) killAfter(whole * n * 6 / (5 * (kMoments - 1)));

  std::cout << "[ moments  ] save of " << savedText_.size() << " bytes took "
            << std::chrono::duration_cast<std::chrono::milliseconds>(whole).count() << " ms; "
            << outcomes_.kills << " kills: " << outcomes_.oldBytes << " before the temporary file, "
            << outcomes_.oldBytesWithTemporary << " during the write, " << outcomes_.newBytes
            << " after the rename\n";
  EXPECT_EQ(outcomes_.kills, kMoments);
  EXPECT_EQ(outcomes_.oldBytes + outcomes_.oldBytesWithTemporary + outcomes_.newBytes, kMoments);
  EXPECT_GT(outcomes_.newBytes, 0) << "the last moments come after the save";
}

}  // namespace
