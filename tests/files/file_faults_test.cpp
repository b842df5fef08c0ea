// Faults found the way SQLite's proofs find them: call 1 of a conversion fails, then call 2,
// then 3 ... until a conversion makes fewer calls than the one failed, with each error a file
// system gives when it refuses something. A refused call that only keeps something of the old
// file changes nothing for the user: "Remesa cambiada" and the new bytes. A refused call of the
// save itself leaves the old bytes, no temporary file and a message naming the file or its folder,
// unless the conversion tried the call again and that went through. Then the calls on the way of
// every failure are refused in turn as well. Last, the faults that come from other programs and
// from file systems that misbehave.

#include <algorithm>
#include <cstdlib>
#include <iostream>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include <windows.h>

#include <sddl.h>

#include "file_steps.h"
#include "files_harness.h"
#include "scripted_calls.h"

namespace {

using remittance::FileError;
using remittance::FileProblem;
using Script = ScriptedCalls::Script;
using Names = std::vector<std::wstring>;

// What a refusing file system answers; the last two stand for any other. A call that only keeps
// something is refused with each, a call of the save with the last three.
constexpr DWORD kRefusals[] = {
    ERROR_NOT_SUPPORTED, ERROR_INVALID_PARAMETER, ERROR_INVALID_FUNCTION, ERROR_PRIVILEGE_NOT_HELD,
    ERROR_ACCESS_DENIED, ERROR_IO_DEVICE,         ERROR_DISK_FULL};
constexpr std::size_t kSaveRefusalsFrom = 4;

// Where a conversion runs.
struct Scenario {
  const char* what;
  std::wstring folder;
  bool remote = false;         // on a drive Windows reports as remote
  bool ownAccessList = false;  // the remittance's access list is set on it, not inherited
};

// The calls of a scenario. A remote file system takes no writes to a file marked for deletion,
// as Microsoft documents some to do.
class ScenarioCalls : public ScriptedCalls {
 public:
  ScenarioCalls(const Scenario& scenario, int call, DWORD error, int alsoFailing = 0)
      : ScriptedCalls(call, Script::Fail, error, alsoFailing), scenario_(scenario) {}
  BOOL getSecurity(HANDLE file, SECURITY_INFORMATION which,
                   std::vector<BYTE>& descriptor) override {
    const BOOL got = ScriptedCalls::getSecurity(file, which, descriptor);
    if (!got || !scenario_.ownAccessList) return got;
    PSECURITY_DESCRIPTOR own = nullptr;
    ULONG size = 0;
    ConvertStringSecurityDescriptorToSecurityDescriptorW(L"D:P(A;;FA;;;WD)", SDDL_REVISION_1, &own,
                                                         &size);
    descriptor.assign(static_cast<BYTE*>(own), static_cast<BYTE*>(own) + size);
    LocalFree(own);
    return TRUE;
  }
  BOOL markForDeletion(HANDLE file) override {
    const BOOL marked = ScriptedCalls::markForDeletion(file);
    if (marked) marked_.push_back(file);
    return marked;
  }
  BOOL writeFile(HANDLE file, const void* bytes, DWORD size, DWORD* done) override {
    if (scenario_.remote && std::find(marked_.begin(), marked_.end(), file) != marked_.end()) {
      SetLastError(ERROR_ACCESS_DENIED);
      return FALSE;
    }
    return ScriptedCalls::writeFile(file, bytes, size, done);
  }

 private:
  const Scenario& scenario_;
  std::vector<HANDLE> marked_;
};

struct Result {
  std::optional<FileError> error;
  std::string bytes;
  Names left;
};

class Faults : public FilesTest {
 protected:
  // Converts a fresh remittance in `where` with `calls`.
  Result convert(const std::wstring& where, remittance::SystemCalls& calls) const {
    const std::wstring file = where + L"\\remesa.xml";
    writeBytes(std::filesystem::path(file), original_);
    Result result;
    try {
      EXPECT_EQ(remittance::convertRemittance(file, calls), Outcome::Converted);
    } catch (const FileError& error) {
      result.error = error;
    }
    result.bytes = readBytes(std::filesystem::path(file));
    result.left = namesIn(where);
    for (const std::wstring& name : result.left) {
      if (name != L"remesa.xml") DeleteFileW((where + L"\\" + name).c_str());
    }
    return result;
  }

  // A failure names the remittance, or its folder.
  static void expectNamed(const FileError& error, const std::wstring& where) {
    const std::wstring file = where + L"\\remesa.xml";
    const bool aboutTheFolder = error.problem() == FileProblem::FolderLacksRoom ||
                                error.problem() == FileProblem::FolderRefusesNewFiles;
    const std::wstring folder =
        remittance::longPath(file).substr(0, remittance::longPath(file).size() - 10);
    EXPECT_TRUE(error.file() == (aboutTheFolder ? folder : file)) << narrow(error.file());
  }

  // Call 1, 2, 3 ... of a conversion refused in turn; returns the calls of a plain conversion.
  std::vector<ScriptedCalls::Call> refuseEachCall(const Scenario& scenario) {
    ScenarioCalls plain(scenario, 0, 0);
    EXPECT_FALSE(convert(scenario.folder, plain).error.has_value());
    for (int call = 1; call <= static_cast<int>(plain.made().size()); ++call) {
      const ScriptedCalls::Call& refused = plain.made()[call - 1];
      const auto refusals = std::span(kRefusals).subspan(refused.keeping ? 0 : kSaveRefusalsFrom);
      for (const DWORD refusal : refusals) {
        SCOPED_TRACE("call " + std::to_string(call) + " (" + refused.name + ", " +
                     (refused.keeping ? "keeping" : "the save") + ") refused with " +
                     std::to_string(refusal) + ", " + scenario.what);
        ScenarioCalls calls(scenario, call, refusal);
        expectOutcome(convert(scenario.folder, calls), calls, call, scenario.folder, refusal);
      }
      if (!refused.keeping) saveRefusals_.push_back(call);
    }
    return plain.made();
  }

  void expectOutcome(const Result& result, const ScriptedCalls& calls, int call,
                     const std::wstring& where, DWORD refusal) const {
    const ScriptedCalls::Call& refused = calls.made()[call - 1];
    const bool triedAgain =
        std::any_of(calls.made().begin() + call, calls.made().end(),
                    [&](const ScriptedCalls::Call& later) { return later.name == refused.name; });
    if (refused.keeping || (triedAgain && !result.error)) {
      EXPECT_FALSE(result.error.has_value()) << "problem " << int(result.error->problem());
      EXPECT_EQ(result.bytes, converted_);
    } else if (result.error) {
      EXPECT_EQ(result.bytes, original_);
      expectNamed(*result.error, where);
      EXPECT_EQ(result.error->systemError(), refusal);
    } else {
      ADD_FAILURE() << "the save went on";
    }
    EXPECT_EQ(result.left, Names{L"remesa.xml"}) << "nothing is left beside the remittance";
  }

  // Then the calls made on the way of each refusal of the save (a failure's, or another
  // attempt's) refused in turn too: the remittance holds its old or its new bytes, a failure
  // names it, and what may be left is a temporary file. Returns how many were refused.
  int refuseFailurePaths(const Scenario& scenario) {
    int refused = 0;
    for (const int first : saveRefusals_) {
      ScenarioCalls probe(scenario, first, ERROR_ACCESS_DENIED);
      convert(scenario.folder, probe);
      for (int then = first + 1; then <= static_cast<int>(probe.made().size()); ++then, ++refused) {
        SCOPED_TRACE("calls " + std::to_string(first) + " and " + std::to_string(then) + " (" +
                     probe.made()[then - 1].name + ") refused, " + scenario.what);
        ScenarioCalls calls(scenario, first, ERROR_ACCESS_DENIED, then);
        const Result result = convert(scenario.folder, calls);
        EXPECT_TRUE(result.bytes == original_ || result.bytes == converted_);
        if (result.error && result.error->keptCopy().empty())
          expectNamed(*result.error, scenario.folder);
        for (const std::wstring& name : result.left) {
          EXPECT_TRUE(name == L"remesa.xml" || (name.ends_with(L".tmp") && name[0] == L'~'))
              << narrow(name);
        }
      }
    }
    saveRefusals_.clear();
    return refused;
  }

  const std::string original_ = remittanceText("PRE");
  const std::string converted_ = remittanceText("FSDD") + "\r\n";
  std::vector<int> saveRefusals_;
};

TEST_F(Faults, EveryCallRefusedInTurn) {
  const wchar_t* remote = _wgetenv(L"TRASVIDORA_NETWORK_FOLDER");
  ASSERT_TRUE(remote) << "TRASVIDORA_NETWORK_FOLDER (a folder on a remote drive) is not set: "
                         "run through CTest";
  const TempFolder remoteFolder(remote);
  const Scenario scenarios[] = {
      {"local drive", folder()},
      {"local drive, access list of its own", folder(), false, true},
      {"remote drive", remoteFolder.path().wstring(), true},
  };
  for (const Scenario& scenario : scenarios) {
    const std::vector<ScriptedCalls::Call> plain = refuseEachCall(scenario);
    const int failurePaths = refuseFailurePaths(scenario);

    std::cout << "[ calls    ] " << scenario.what << ": " << plain.size() << " calls (";
    for (const ScriptedCalls::Call& call : plain)
      std::cout << call.name << (call.keeping ? "*" : "") << (call.error ? "!" : "") << ' ';
    std::cout << "), * keeps, ! refused here; then " << failurePaths << " failure paths\n";
    EXPECT_GT(plain.size(), 15u) << "a conversion makes more calls than that";
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
    BOOL moveFile(const wchar_t* from, const wchar_t* to, bool replacing) override {
      if (++moves_ == 1) hold();
      return ScriptedCalls::moveFile(from, to, replacing);
    }
    void pause(DWORD milliseconds) override {
      if (++pauses_ % 3 == 0) letGo();
      ScriptedCalls::pause(milliseconds);
    }
    std::wstring file_;
    HANDLE holder_ = INVALID_HANDLE_VALUE;
    int creates_ = 0, moves_ = 0, pauses_ = 0;
  } calls(path(L"remesa.xml"));
  write(L"remesa.xml", remittanceText("PRE"));
  calls.hold();

  EXPECT_EQ(remittance::convertRemittance(path(L"remesa.xml"), calls), Outcome::Converted);

  EXPECT_EQ(calls.moves_, 5) << "refused while held, put in place once let go";
  EXPECT_EQ(calls.pauses_, 6) << "three pauses at the open, three at the replace";
  EXPECT_EQ(read(L"remesa.xml"), remittanceText("FSDD") + "\r\n");
  expectOnly({L"remesa.xml"});
}

// File systems that misbehave: the converted copy is never thrown away while the remittance is
// gone, and bytes the disk did not keep are never put in its place.
TEST_F(Faults, MisbehavingFileSystemsLoseNothing) {
  // The first rename lets the remittance go and then fails (a network share seen doing this
  // while the copy was open), at once or late: opening its name then finds it and not, in turn,
  // a few times before it is gone; `renames` says how many more fail. A copy of the converted
  // file to the empty name goes through, at once or once the name no longer shows as taken (as a
  // network drive shows it for a moment), or is refused, or reads back changed.
  enum class Copying { Works, NameShownTakenAMoment, Refused, ReadsBackChanged };
  struct LettingGo : ScriptedCalls {
    LettingGo(int renames, Copying copying, bool late)
        : failing_(renames), copying_(copying), late_(late) {}
    HANDLE createFile(const wchar_t* path, DWORD access, DWORD sharing, DWORD disposition,
                      DWORD flags, SECURITY_ATTRIBUTES* security) override {
      if (going_ > 0 && remittance_ == path) {
        if (--going_ == 0) DeleteFileW(path);
        if (going_ % 2 == 0) {
          SetLastError(ERROR_FILE_NOT_FOUND);
          return INVALID_HANDLE_VALUE;
        }
      }
      return ScriptedCalls::createFile(path, access, sharing, disposition, flags, security);
    }
    BOOL moveFile(const wchar_t* from, const wchar_t* to, bool replacing) override {
      if (moves_++ == 0) {
        remittance_ = to;
        if (late_)
          going_ = 6;
        else
          DeleteFileW(to);
      }
      if (moves_ <= failing_ + 1) {
        SetLastError(ERROR_BUSY);
        return FALSE;
      }
      return ScriptedCalls::moveFile(from, to, replacing);
    }
    BOOL copyFile(const wchar_t* from, const wchar_t* to) override {
      if (copying_ == Copying::Refused ||
          (copying_ == Copying::NameShownTakenAMoment && ++copies_ <= 3)) {
        SetLastError(copying_ == Copying::Refused ? ERROR_BUSY : ERROR_FILE_EXISTS);
        return FALSE;
      }
      copied_ = ScriptedCalls::copyFile(from, to);
      return copied_;
    }
    BOOL readFile(HANDLE file, void* buffer, DWORD size, DWORD* done) override {
      const BOOL read = ScriptedCalls::readFile(file, buffer, size, done);
      if (copied_ && copying_ == Copying::ReadsBackChanged && read && *done > 0)
        static_cast<char*>(buffer)[0] ^= 0x20;
      return read;
    }
    int failing_, moves_ = 0, copies_ = 0, going_ = 0;
    Copying copying_;
    bool late_, copied_ = false;
    std::wstring remittance_;
  };
  // Reads give back other bytes than were written, or fewer; the first delete answers success
  // and keeps the file (a network drive that closes files late).
  struct Forgetful : ScriptedCalls {
    explicit Forgetful(bool shorter) : shorter_(shorter) {}
    BOOL deleteFile(const wchar_t* path) override {
      return ++deletes_ == 1 ? TRUE : ScriptedCalls::deleteFile(path);
    }
    BOOL readFile(HANDLE file, void* buffer, DWORD size, DWORD* done) override {
      const BOOL read = ScriptedCalls::readFile(file, buffer, size, done);
      if (++reads_ > 1 && read && *done > 0) {  // only the copy's bytes, read back
        if (shorter_)
          --*done;
        else
          static_cast<char*>(buffer)[*done - 1] ^= 0x20;
      }
      return read;
    }
    bool shorter_;
    int reads_ = 0, deletes_ = 0;
  };
  const std::string original = remittanceText("PRE");
  const std::string converted = remittanceText("FSDD") + "\r\n";

  const struct {
    const char* what;
    int renamesFailing;
    Copying copying;
    DWORD keptBecause;  // 0 when the converted file takes the name
    bool late = false;
  } lettingGo[] = {
      {"the name let go, the next rename takes it", 0, Copying::Works, 0},
      {"the name let go, no rename goes through: a copy takes it", 100, Copying::Works, 0},
      {"the same, the name shown taken for a moment", 100, Copying::NameShownTakenAMoment, 0},
      {"the same, the name let go late", 100, Copying::Works, 0, true},
      {"the name let go, no rename or copy goes through: the copy is kept and named", 100,
       Copying::Refused, ERROR_BUSY},
      {"the name let go, the copy there reads back changed: the copy is kept and named", 100,
       Copying::ReadsBackChanged, ERROR_FILE_CORRUPT},
  };
  for (const auto& row : lettingGo) {
    SCOPED_TRACE(row.what);
    LettingGo calls(row.renamesFailing, row.copying, row.late);
    write(L"remesa.xml", original);
    if (row.keptBecause == 0) {
      EXPECT_EQ(remittance::convertRemittance(path(L"remesa.xml"), calls), Outcome::Converted);
      EXPECT_EQ(read(L"remesa.xml"), converted);
      expectOnly({L"remesa.xml"});
      continue;
    }
    const FileError error = expectFileError(path(L"remesa.xml"), FileProblem::ConvertedCopyKept,
                                            [&] { convertRemittance(path(L"remesa.xml"), calls); });
    EXPECT_EQ(error.systemError(), row.keptBecause);
    const Names left = namesIn(folder());
    ASSERT_EQ(left.size(), 1u) << "only the copy: nothing else in the remittance's name";
    EXPECT_TRUE(error.keptCopy() == longFolder() + left[0]) << narrow(error.keptCopy());
    EXPECT_EQ(read(left[0]), converted);
    DeleteFileW(path(left[0]).c_str());
  }
  {
    SCOPED_TRACE("the copy taken away (a virus scanner), the rename failing: not converted");
    struct TakenAway : ScriptedCalls {
      BOOL moveFile(const wchar_t* from, const wchar_t*, bool) override {
        DeleteFileW(from);
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
      }
    } calls;
    write(L"remesa.xml", original);
    expectFileError(path(L"remesa.xml"), FileProblem::CannotSave,
                    [&] { convertRemittance(path(L"remesa.xml"), calls); });
    EXPECT_EQ(read(L"remesa.xml"), original);
    expectOnly({L"remesa.xml"});
  }
  for (const bool shorter : {false, true}) {
    SCOPED_TRACE(shorter ? "a byte short" : "a byte changed");
    Forgetful calls(shorter);
    write(L"remesa.xml", original);
    const FileError error = expectFileError(path(L"remesa.xml"), FileProblem::NotKeptAsWritten,
                                            [&] { convertRemittance(path(L"remesa.xml"), calls); });
    EXPECT_EQ(read(L"remesa.xml"), original);
    expectOnly({L"remesa.xml"});
  }
}

// An encrypted remittance where no encrypted copy can be made (as under Wine, which encrypts
// nothing): refused, and nothing is written in clear.
TEST_F(Faults, EncryptedRemittanceIsNeverWrittenInClear) {
  struct Encrypted : ScriptedCalls {
    BOOL getFileInformation(HANDLE file, BY_HANDLE_FILE_INFORMATION* information) override {
      const BOOL got = ScriptedCalls::getFileInformation(file, information);
      if (got && ++looks_ == 1) information->dwFileAttributes |= FILE_ATTRIBUTE_ENCRYPTED;
      return got;
    }
    int looks_ = 0;
  } calls;
  write(L"otra.xml", "");
  if (EncryptFileW(path(L"otra.xml").c_str()) &&
      (GetFileAttributesW(path(L"otra.xml").c_str()) & FILE_ATTRIBUTE_ENCRYPTED))
    GTEST_SKIP() << "this system encrypts files here: the conversion keeps the encryption";
  remove(L"otra.xml");
  write(L"remesa.xml", remittanceText("PRE"));

  expectFileError(longFolder(), FileProblem::FolderCannotEncrypt,
                  [&] { remittance::convertRemittance(path(L"remesa.xml"), calls); });

  EXPECT_EQ(read(L"remesa.xml"), remittanceText("PRE"));
  expectOnly({L"remesa.xml"});
}

// The program that held the file during the replace wrote a new export meanwhile: the check
// before the next attempt finds it, and nothing is written over it.
TEST_F(Faults, FileWrittenDuringTheReplaceRetriesIsKept) {
  struct WrittenWhileLocked : ScriptedCalls {
    explicit WrittenWhileLocked(FilesTest& test) : test_(test) {}
    BOOL moveFile(const wchar_t*, const wchar_t*, bool) override {
      test_.write(L"remesa.xml", remittanceText("PRE") + "<!-- nueva -->");
      SetLastError(ERROR_SHARING_VIOLATION);
      return FALSE;
    }
    FilesTest& test_;
  } calls(*this);
  write(L"remesa.xml", remittanceText("PRE"));

  expectFileError(path(L"remesa.xml"), FileProblem::ChangedWhileSaving,
                  [&] { remittance::convertRemittance(path(L"remesa.xml"), calls); });

  EXPECT_EQ(read(L"remesa.xml"), remittanceText("PRE") + "<!-- nueva -->");
  expectOnly({L"remesa.xml"});
}

// A folder watcher takes the converted file away the moment it is in place, and the rename
// answers a failure all the same: it was converted.
TEST_F(Faults, FileMovedAwayRightAfterTheReplaceWasConverted) {
  struct Watcher : ScriptedCalls {
    explicit Watcher(bool answersFailure) : answersFailure_(answersFailure) {}
    BOOL moveFile(const wchar_t* from, const wchar_t* to, bool replacing) override {
      const BOOL moved = ScriptedCalls::moveFile(from, to, replacing);
      MoveFileW(to, (std::wstring(to) + L".enviada").c_str());
      if (answersFailure_) SetLastError(ERROR_FILE_NOT_FOUND);
      return answersFailure_ ? FALSE : moved;
    }
    bool answersFailure_;
  };
  for (const bool answersFailure : {false, true}) {
    Watcher calls(answersFailure);
    write(L"remesa.xml", remittanceText("PRE"));
    EXPECT_EQ(remittance::convertRemittance(path(L"remesa.xml"), calls), Outcome::Converted);
    EXPECT_EQ(read(L"remesa.xml.enviada"), remittanceText("FSDD") + "\r\n");
    expectOnly({L"remesa.xml.enviada"});
    DeleteFileW(path(L"remesa.xml.enviada").c_str());
  }
}

}  // namespace
