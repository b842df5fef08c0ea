// Faults found the way SQLite's proofs find them: call 1 of a conversion fails, then call 2,
// then 3 ... until a conversion makes fewer calls than the one failed. Every time the remittance
// holds exactly its old or its new bytes, no temporary file is left, and a failure names the
// file (or its folder) with the system's reason. Then the faults that come from other programs:
// locks that pass, a file written during the retries, a file moved away after the replace.

#include <string>
#include <vector>

#include "files_harness.h"
#include "scripted_calls.h"

namespace {

using remittance::FileError;
using remittance::FileProblem;
using Script = ScriptedCalls::Script;

class Faults : public FilesTest {
 protected:
  const std::string original_ = remittanceText("PRE");
  const std::string converted_ = remittanceText("FSDD") + "\r\n";
};

TEST_F(Faults, EveryCallOfAConversionFailedInTurn) {
  for (const DWORD fault :
       {DWORD{ERROR_IO_DEVICE}, DWORD{ERROR_ACCESS_DENIED}, DWORD{ERROR_DISK_FULL}}) {
    int call = 1;
    for (;; ++call) {
      SCOPED_TRACE("call " + std::to_string(call) + " fails with error " + std::to_string(fault));
      write(L"remesa.xml", original_);
      ScriptedCalls calls(call, Script::Fail, fault);
      bool failed = false;
      try {
        EXPECT_EQ(remittance::convertRemittance(path(L"remesa.xml"), calls), Outcome::Converted);
      } catch (const FileError& error) {
        failed = true;
        EXPECT_EQ(error.systemError(), fault);
        const bool aboutTheFolder = error.problem() == FileProblem::FolderLacksRoom ||
                                    error.problem() == FileProblem::FolderRefusesNewFiles;
        EXPECT_TRUE(error.file() == (aboutTheFolder ? longFolder() : path(L"remesa.xml")))
            << narrow(error.file());
      }
      const std::string bytes = read(L"remesa.xml");
      EXPECT_TRUE(failed ? bytes == original_ : bytes == converted_)
          << calls.made()[call - 1] << (failed ? " failed" : " failed, and the save went on");
      expectOnly({L"remesa.xml"});
      if (!calls.reached()) break;
    }
    EXPECT_GT(call, 15) << "a conversion makes more calls than that";
  }
}

// A lock that another program lets go of within the second the conversion waits, when the file
// is opened and when it is replaced; short writes and a taken temporary name on the way.
TEST_F(Faults, PassingLocksAndShortWritesStillConvert) {
  struct Obstacles : ScriptedCalls {
    explicit Obstacles(std::wstring file) : file_(std::move(file)) {}
    ~Obstacles() override { letGo(); }
    void hold() {
      holder_ = CreateFileW(file_.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    }
    void letGo() {
      if (holder_ != INVALID_HANDLE_VALUE)
        CloseHandle(std::exchange(holder_, INVALID_HANDLE_VALUE));
    }
    HANDLE createFile(const wchar_t* path, DWORD access, DWORD sharing, DWORD disposition,
                      DWORD flags, SECURITY_ATTRIBUTES* security) override {
      if (disposition == CREATE_NEW && ++creates_ == 1) {  // a name taken by a leftover
        SetLastError(ERROR_FILE_EXISTS);
        return INVALID_HANDLE_VALUE;
      }
      return ScriptedCalls::createFile(path, access, sharing, disposition, flags, security);
    }
    BOOL writeFile(HANDLE file, const void* bytes, DWORD size, DWORD* done) override {
      return ScriptedCalls::writeFile(file, bytes, size > 7 ? 7 : size, done);
    }
    BOOL moveFileOver(const wchar_t* from, const wchar_t* to) override {
      if (++moves_ == 1) hold();
      return ScriptedCalls::moveFileOver(from, to);
    }
    void pause(DWORD milliseconds) override {
      if (++pauses_ % 3 == 0) letGo();
      ScriptedCalls::pause(milliseconds);
    }
    std::wstring file_;
    HANDLE holder_ = INVALID_HANDLE_VALUE;
    int creates_ = 0, moves_ = 0, pauses_ = 0;
  } calls(path(L"remesa.xml"));
  write(L"remesa.xml", original_);
  calls.hold();

  EXPECT_EQ(remittance::convertRemittance(path(L"remesa.xml"), calls), Outcome::Converted);

  EXPECT_EQ(calls.moves_, 4) << "refused while held, put in place once let go";
  EXPECT_EQ(calls.pauses_, 6) << "three pauses at the open, three at the replace";
  EXPECT_EQ(read(L"remesa.xml"), converted_);
  expectOnly({L"remesa.xml"});
}

// The program that held the file during the replace wrote a new export meanwhile: the check
// before the next attempt finds it, and nothing is written over it.
TEST_F(Faults, FileWrittenDuringTheReplaceRetriesIsKept) {
  struct WrittenWhileLocked : ScriptedCalls {
    explicit WrittenWhileLocked(FilesTest& test) : test_(test) {}
    BOOL moveFileOver(const wchar_t*, const wchar_t*) override {
      test_.write(L"remesa.xml", remittanceText("PRE") + "<!-- nueva -->");
      SetLastError(ERROR_SHARING_VIOLATION);
      return FALSE;
    }
    FilesTest& test_;
  } calls(*this);
  write(L"remesa.xml", original_);

  expectFileError(path(L"remesa.xml"), FileProblem::ChangedWhileSaving,
                  [&] { remittance::convertRemittance(path(L"remesa.xml"), calls); });

  EXPECT_EQ(read(L"remesa.xml"), remittanceText("PRE") + "<!-- nueva -->");
  expectOnly({L"remesa.xml"});
}

// A folder watcher takes the converted file away the moment it is in place: it was converted.
TEST_F(Faults, FileMovedAwayRightAfterTheReplaceWasConverted) {
  struct Watcher : ScriptedCalls {
    BOOL moveFileOver(const wchar_t* from, const wchar_t* to) override {
      const BOOL moved = ScriptedCalls::moveFileOver(from, to);
      MoveFileW(to, (std::wstring(to) + L".enviada").c_str());
      return moved;
    }
  } calls;
  write(L"remesa.xml", original_);

  EXPECT_EQ(remittance::convertRemittance(path(L"remesa.xml"), calls), Outcome::Converted);

  EXPECT_EQ(read(L"remesa.xml.enviada"), converted_);
  expectOnly({L"remesa.xml.enviada"});
}

}  // namespace
