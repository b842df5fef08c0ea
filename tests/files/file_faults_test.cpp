// Faults found the way SQLite's proofs find them: call 1 of a conversion fails, then call 2,
// then 3 ... until a conversion makes fewer calls than the one failed, with each error a file
// system gives when it refuses something. A refused best-effort call changes nothing for the
// user: "Remesa cambiada" and the new bytes. A refused call of the save itself leaves the old
// bytes, no temporary file and a message naming the file or its folder, unless the conversion
// tried the call again and that went through. Then the calls on the way of every failure are
// refused in turn as well. Last, the faults that come from other programs and from file systems
// that misbehave.

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <functional>
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

// What a refusing file system answers; the last two stand for any other. A best-effort call is
// refused with each, a call of the save with the last three.
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
  bool ownerRefused = false;   // every new file given a descriptor: ERROR_INVALID_OWNER
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
  HANDLE createFile(const wchar_t* path, DWORD access, DWORD sharing, DWORD disposition,
                    DWORD flags, SECURITY_ATTRIBUTES* security) override {
    if (!scenario_.ownerRefused || !security)
      return ScriptedCalls::createFile(path, access, sharing, disposition, flags, security);
    SetLastError(ERROR_INVALID_OWNER);
    return INVALID_HANDLE_VALUE;
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

// Whether a failure with `problem` answers a call refused with `refusal`: the remittance not read
// or not saved, or its folder or another program, as the refusal says; never a change of the files.
bool answers(FileProblem problem, DWORD refusal) {
  using enum FileProblem;
  const bool full = refusal == ERROR_DISK_FULL, denied = refusal == ERROR_ACCESS_DENIED;
  return problem == CannotRead || (problem == CannotSave && !full) ||
         (problem == FolderLacksRoom && full) ||
         ((problem == FolderRefusesNewFiles || problem == HeldByAnotherProgram) && denied);
}

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
      const auto refusals =
          std::span(kRefusals).subspan(refused.bestEffort ? 0 : kSaveRefusalsFrom);
      for (const DWORD refusal : refusals) {
        SCOPED_TRACE("call " + std::to_string(call) + " (" + refused.name + ", " +
                     (refused.bestEffort ? "best effort" : "the save") + ") refused with " +
                     std::to_string(refusal) + ", " + scenario.what);
        ScenarioCalls calls(scenario, call, refusal);
        expectOutcome(convert(scenario.folder, calls), calls, call, scenario.folder, refusal);
      }
      if (!refused.bestEffort) saveRefusals_.push_back(call);
    }
    return plain.made();
  }

  void expectOutcome(const Result& result, const ScriptedCalls& calls, int call,
                     const std::wstring& where, DWORD refusal) const {
    const ScriptedCalls::Call& refused = calls.made()[call - 1];
    const bool triedAgain =
        std::any_of(calls.made().begin() + call, calls.made().end(),
                    [&](const ScriptedCalls::Call& later) { return later.name == refused.name; });
    if (refused.bestEffort || (triedAgain && !result.error)) {
      EXPECT_FALSE(result.error.has_value()) << "problem " << int(result.error->problem());
      EXPECT_EQ(result.bytes, converted_);
    } else if (result.error) {
      EXPECT_EQ(result.bytes, original_);
      expectNamed(*result.error, where);
      EXPECT_EQ(result.error->systemError(), refusal);
      EXPECT_TRUE(answers(result.error->problem(), refusal))
          << "problem " << int(result.error->problem());
    } else {
      ADD_FAILURE() << "the save went on";
    }
    EXPECT_EQ(result.left, Names{L"remesa.xml"}) << "nothing is left beside the remittance";
  }

  // Then the calls made on the way of each refusal of the save (a failure's, or another
  // attempt's) refused in turn too: the remittance holds the new bytes only where the answer is
  // "Remesa cambiada", a failure names it, and a temporary file is left only where the failure
  // names it. Returns how many were refused.
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
        EXPECT_EQ(result.bytes, result.error ? original_ : converted_);
        Names left{L"remesa.xml"};
        if (result.error) {
          expectNamed(*result.error, scenario.folder);
          const std::wstring& copy = result.error->temporaryFile();
          if (!copy.empty()) left.push_back(copy.substr(copy.find_last_of(L'\\') + 1));
        }
        EXPECT_EQ(result.left, left) << "only a temporary file the failure names is left";
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
      {"local drive, its owner refused", folder(), false, true, true},
      {"remote drive", remoteFolder.path().wstring(), true},
  };
  for (const Scenario& scenario : scenarios) {
    const std::vector<ScriptedCalls::Call> plain = refuseEachCall(scenario);
    const int failurePaths = refuseFailurePaths(scenario);

    std::cout << "[ calls    ] " << scenario.what << ": " << plain.size() << " calls (";
    for (const ScriptedCalls::Call& call : plain)
      std::cout << call.name << (call.bestEffort ? "*" : "") << (call.error ? "!" : "") << ' ';
    std::cout << "), * best effort, ! refused here; then " << failurePaths << " failure paths\n";
  }
}

// The path of an open file, as the system gives it.
std::wstring pathOf(HANDLE file) {
  std::wstring path(32768, L'\0');
  path.resize(GetFinalPathNameByHandleW(file, path.data(), 32768, 0));
  return path;
}

// A lock that another program lets go of within the second the conversion waits, when the file
// is opened and when it is replaced, and a scanner that opens the new copy, sharing reading
// only, until the read-back; short writes and a taken temporary name on the way.
TEST_F(Faults, PassingLocksAndShortWritesStillConvert) {
  struct Obstacles : ScriptedCalls {
    explicit Obstacles(std::wstring file) : file_(std::move(file)) {}
    ~Obstacles() override { letGo(); }
    void hold(const std::wstring& file, DWORD sharing = 0) {
      holders_.push_back(
          CreateFileW(file.c_str(), GENERIC_READ, sharing, nullptr, OPEN_EXISTING, 0, nullptr));
      EXPECT_NE(holders_.back(), INVALID_HANDLE_VALUE) << narrow(file);
    }
    void letGo() {
      for (const HANDLE holder : holders_) CloseHandle(holder);
      holders_.clear();
    }
    HANDLE createFile(const wchar_t* path, DWORD access, DWORD sharing, DWORD disposition,
                      DWORD flags, SECURITY_ATTRIBUTES* security) override {
      if (disposition == CREATE_NEW && ++creates_ == 1) {  // a name taken by a leftover
        SetLastError(ERROR_FILE_EXISTS);
        return INVALID_HANDLE_VALUE;
      }
      if (disposition == OPEN_EXISTING && std::wstring_view(path).ends_with(L".tmp") && !scanned_++)
        hold(path, FILE_SHARE_READ | FILE_SHARE_WRITE);  // the scanner, before the read-back
      return ScriptedCalls::createFile(path, access, sharing, disposition, flags, security);
    }
    BOOL writeFile(HANDLE file, const void* bytes, DWORD size, DWORD* done) override {
      return ScriptedCalls::writeFile(file, bytes, size > 7 ? 7 : size, done);
    }
    BOOL renameByHandle(HANDLE file, const wchar_t* to) override {
      if (++moves_ == 1) hold(file_);
      return ScriptedCalls::renameByHandle(file, to);
    }
    void pause(DWORD milliseconds) override {
      if (++pauses_ % 3 == 0) letGo();
      ScriptedCalls::pause(milliseconds);
    }
    std::wstring file_;
    std::vector<HANDLE> holders_;
    int creates_ = 0, moves_ = 0, pauses_ = 0, scanned_ = 0;
  } calls(path(L"remesa.xml"));
  write(L"remesa.xml", remittanceText("PRE"));
  calls.hold(calls.file_);

  EXPECT_EQ(remittance::convertRemittance(path(L"remesa.xml"), calls), Outcome::Converted);

  EXPECT_GT(calls.moves_, 1) << "refused while held, put in place once let go";
  EXPECT_EQ(read(L"remesa.xml"), remittanceText("FSDD") + "\r\n");
  expectOnly({L"remesa.xml"});
}

// What another program does to the remittance, or to the copy, while the replace waits: the
// answer is what happened. "Remesa cambiada" only where the converted copy is at the name; a
// name someone emptied stays empty, the copy left and named; a file that is not the one read is
// left as it is. No temporary file is left but the one a message names.
TEST_F(Faults, ReplaceSaysWhatHappened) {
  const std::string original = remittanceText("PRE");
  const std::string converted = remittanceText("FSDD") + "\r\n";
  const std::string exportedAgain = original + "<!-- nueva -->";
  // How the renames answer: the remittance held by another program for `heldFor` of them (for
  // good with 100), put in place and answering a failure all the same, or, through the copy's
  // handle, that the system cannot rename that way.
  enum class Rename { Held, GoesThroughButFails, ByNameOnly };
  struct Meddling : ScriptedCalls {
    using Meddle = std::function<void(const std::wstring& copy, const std::wstring& place)>;
    Meddling(Rename rename, int heldFor, Meddle meddle, bool deletes)
        : rename_(rename), heldFor_(heldFor), meddle_(std::move(meddle)), deletes_(deletes) {}
    BOOL renameByHandle(HANDLE file, const wchar_t* to) override {
      if (rename_ == Rename::ByNameOnly) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
      }
      return renameAs(pathOf(file), to, [&] { return ScriptedCalls::renameByHandle(file, to); });
    }
    BOOL moveFile(const wchar_t* from, const wchar_t* to) override {
      return renameAs(from, to, [&] { return ScriptedCalls::moveFile(from, to); });
    }
    BOOL renameAs(const std::wstring& copy, const std::wstring& to,
                  const std::function<BOOL()>& call) {
      ++moves_;
      if (rename_ == Rename::GoesThroughButFails) {
        call();
        if (moves_ == 1) meddle_(copy, to);
        SetLastError(ERROR_UNEXP_NET_ERR);
        return FALSE;
      }
      copy_ = copy;
      // Held only while it is there; what the holder does comes after the answer.
      const bool held =
          moves_ <= heldFor_ && GetFileAttributesW(to.c_str()) != INVALID_FILE_ATTRIBUTES;
      if (moves_ == 1) meddle_(copy, to);
      if (!held) return call();
      SetLastError(ERROR_SHARING_VIOLATION);
      return FALSE;
    }
    // Between two attempts the copy, where it was made, is marked for deletion again: a program
    // ended then leaves nothing. (Wine lets others open a file so marked: the calls tell.)
    void pause(DWORD milliseconds) override {
      const auto since = [&](const char* name) {
        return std::find_if(made().rbegin(), made().rend(),
                            [&](const Call& call) { return call.name == name; }) -
               made().rbegin();
      };
      EXPECT_TRUE(!deletes_ || GetFileAttributesW(copy_.c_str()) == INVALID_FILE_ATTRIBUTES ||
                  since("markForDeletion") < since("clearDeletionMark"))
          << "the copy unmarked while waiting";
      ScriptedCalls::pause(milliseconds);
    }
    BOOL markForDeletion(HANDLE file) override {
      if (deletes_) return ScriptedCalls::markForDeletion(file);
      SetLastError(ERROR_ACCESS_DENIED);
      return FALSE;
    }
    BOOL deleteFile(const wchar_t* path) override {
      if (deletes_) return ScriptedCalls::deleteFile(path);
      SetLastError(ERROR_ACCESS_DENIED);
      return FALSE;
    }
    Rename rename_;
    std::wstring copy_;
    int heldFor_, moves_ = 0;
    Meddle meddle_;
    bool deletes_;
  };
  const auto nothing = [](const std::wstring&, const std::wstring&) {};
  const auto replace = [&](const std::wstring&, const std::wstring& place) {
    write(L"nueva.xml", exportedAgain);
    MoveFileExW(path(L"nueva.xml").c_str(), place.c_str(), MOVEFILE_REPLACE_EXISTING);
  };
  // The same file grown (written anew: fusefat takes no write into a file it holds already).
  const auto append = [&](const std::wstring&, const std::wstring&) {
    write(L"remesa.xml", exportedAgain);
  };
  const auto moveAway = [&](const std::wstring&, const std::wstring& place) {
    MoveFileW(place.c_str(), path(L"enviada.xml").c_str());
  };
  const auto writeIntoTheCopy = [](const std::wstring& copy, const std::wstring&) {
    const HANDLE handle = CreateFileW(copy.c_str(), GENERIC_WRITE,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_EQ(handle, INVALID_HANDLE_VALUE) << "the copy taken for writing";
    DWORD done = 0;
    WriteFile(handle, "<Document><GrpHdr><MsgId>XSDD", 29, &done, nullptr);
    CloseHandle(handle);
  };
  const auto quarantineTheCopyAndExportAgain = [&](const std::wstring& copy,
                                                   const std::wstring& place) {
    DeleteFileW(copy.c_str());
    replace(copy, place);
  };
  const auto renameTheCopy = [&](const std::wstring& copy, const std::wstring&) {
    MoveFileW(copy.c_str(), path(L"enviada.xml").c_str());
  };
  // Whether a handle follows its file when another renames it.
  write(L"seguida.xml", "");
  const HANDLE followedFile = CreateFileW(path(L"seguida.xml").c_str(), GENERIC_READ,
                                          FILE_SHARE_DELETE, nullptr, OPEN_EXISTING, 0, nullptr);
  MoveFileW(path(L"seguida.xml").c_str(), path(L"movida.xml").c_str());
  const bool followed = pathOf(followedFile).ends_with(L"\\movida.xml");
  CloseHandle(followedFile);
  remove(L"movida.xml");

  const struct {
    const char* what;
    Rename rename;
    int heldFor;
    Meddling::Meddle meddle;
    std::optional<FileProblem> problem;  // none for "Remesa cambiada"
    std::string atName;                  // "" where no file has the name
    std::string sent;                    // what enviada.xml holds, "" where it is not there
    bool copyNamed = false;              // the error names the copy, which holds the new bytes
    bool deletes = true;                 // deleteFile goes through
  } rows[] = {
      {"held, let go", Rename::Held, 3, nothing, {}, converted, ""},
      {"held past the wait", Rename::Held, 100, nothing, FileProblem::HeldByAnotherProgram,
       original, ""},
      {"held, then sent and moved away", Rename::Held, 100, moveAway, FileProblem::RemittanceGone,
       "", original, true},
      {"held, let go once sent and moved away", Rename::Held, 3, moveAway,
       FileProblem::RemittanceGone, "", original, true},
      {"held, then deleted", Rename::Held, 3,
       [&](const std::wstring&, const std::wstring& place) { DeleteFileW(place.c_str()); },
       FileProblem::RemittanceGone, "", "", true},
      {"held, then replaced by a new export", Rename::Held, 3, replace,
       FileProblem::ChangedWhileSaving, exportedAgain, ""},
      {"held, then appended to", Rename::Held, 3, append, FileProblem::ChangedWhileSaving,
       exportedAgain, ""},
      {"held, the copy written to meanwhile", Rename::Held, 3, writeIntoTheCopy, {}, converted, ""},
      {"held, the copy quarantined and the file exported again", Rename::Held, 3,
       quarantineTheCopyAndExportAgain, FileProblem::ChangedWhileSaving, exportedAgain, ""},
      {"held past the wait, the copy cannot be deleted", Rename::Held, 100, nothing,
       FileProblem::HeldByAnotherProgram, original, "", true, false},
      {"in place, answering a failure", Rename::GoesThroughButFails, 0, nothing, {}, converted, ""},
      // Where the handle follows the copy, it names it where it was moved; Wine's cannot tell.
      {"in place answering a failure, then moved away", Rename::GoesThroughButFails, 0, moveAway,
       FileProblem::RemittanceGone, "", followed ? "" : converted, followed},
      // Windows renames a file through its handle wherever it went; Wine's handle keeps its name.
      {"held, the copy renamed meanwhile", Rename::Held, 3, renameTheCopy,
       followed ? std::nullopt : std::optional(FileProblem::CopyTakenAway),
       followed ? converted : original, followed ? "" : converted},
      {"not renamed through the copy's handle", Rename::ByNameOnly, 0, nothing, {}, converted, ""},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    remove(L"enviada.xml");
    write(L"remesa.xml", original);
    Meddling calls(row.rename, row.heldFor, row.meddle, row.deletes);
    std::optional<FileError> error;
    try {
      EXPECT_EQ(remittance::convertRemittance(path(L"remesa.xml"), calls), Outcome::Converted);
    } catch (const FileError& failure) {
      error = failure;
    }
    ASSERT_EQ(error.has_value(), row.problem.has_value());
    Names left{L"remesa.xml"};
    if (row.atName.empty()) left.clear();
    if (!row.sent.empty()) left.push_back(L"enviada.xml");
    if (error) {
      EXPECT_EQ(error->problem(), *row.problem);
      // A message about the copy names it where it was made; any other, the remittance.
      const bool aboutTheCopy = error->problem() == FileProblem::CopyTakenAway;
      EXPECT_EQ(error->file().starts_with(longFolder() + L"~") && error->file().ends_with(L".tmp"),
                aboutTheCopy)
          << narrow(error->file());
      if (!aboutTheCopy) {
        EXPECT_TRUE(error->file() == path(L"remesa.xml")) << narrow(error->file());
      }
      const std::wstring& copy = error->temporaryFile();
      EXPECT_EQ(copy.empty(), !row.copyNamed) << narrow(copy);
      if (!copy.empty()) {
        const std::wstring name = copy.substr(copy.find_last_of(L'\\') + 1);
        EXPECT_EQ(read(name), converted);
        left.push_back(name);
      }
    }
    std::sort(left.begin(), left.end());
    expectOnly(left);
    EXPECT_EQ(read(L"remesa.xml"), row.atName);
    if (!row.sent.empty()) {
      EXPECT_EQ(read(L"enviada.xml"), row.sent);
    }
    for (const std::wstring& name : namesIn(folder())) remove(name);
  }
}

// The remittance's folder moved away, the copy in it, as the rename begins: nothing is put back,
// and the message names the copy where it is now, or says that it cannot tell (Wine's handle
// keeps the name it was opened with). Where the system moves no folder that holds an open file
// (NTFS on Windows), there is nothing to see.
TEST_F(Faults, CopyMovedWithItsFolderIsNamedWhereItIs) {
  struct MovesTheFolder : ScriptedCalls {
    BOOL renameByHandle(HANDLE file, const wchar_t* place) override {
      if (!tried_++) moved_ = MoveFileW(from_.c_str(), to_.c_str());
      return ScriptedCalls::renameByHandle(file, place);
    }
    std::wstring from_, to_;
    int tried_ = 0;
    bool moved_ = false;
  } calls;
  calls.from_ = path(L"remesas");
  calls.to_ = path(L"enviadas");
  ASSERT_TRUE(CreateDirectoryW(calls.from_.c_str(), nullptr));
  const std::wstring file = calls.from_ + L"\\remesa.xml";
  writeBytes(file, remittanceText("PRE"));
  std::optional<FileError> error;
  try {
    remittance::convertRemittance(file, calls);
  } catch (const FileError& failure) {
    error = failure;
  }
  if (!calls.moved_) GTEST_SKIP() << "this system moves no folder that holds an open file";
  ASSERT_TRUE(error && error->problem() == FileProblem::RemittanceGone);
  const Names moved = namesIn(calls.to_);
  ASSERT_EQ(moved.size(), 2u) << "the remittance and its copy, moved";
  EXPECT_EQ(readBytes(calls.to_ + L"\\" + moved[1]), remittanceText("FSDD") + "\r\n");
  const std::wstring& named = error->temporaryFile();  // empty where it cannot be told
  EXPECT_TRUE(named.empty() ? error->systemError() == 0
                            : named.ends_with(L"enviadas\\" + moved[1]));
}

// A file system that reads back other bytes than were written, fewer or more: nothing is put in
// place.
TEST_F(Faults, ReadBackThatDiffersIsNeverPutInPlace) {
  using Change = void (*)(char* bytes, DWORD& size);
  const struct {
    const char* fault;
    Change change;
  } faults[] = {
      {"a byte lost", [](char* b, DWORD& size) { std::memmove(b + 9, b + 10, --size - 9); }},
      {"a byte added", [](char* b, DWORD& size) { std::memmove(b + 10, b + 9, size++ - 9); }},
      {"a byte changed", [](char* b, DWORD& size) { b[size - 1] ^= 0x20; }},
      {"two pieces swapped",
       [](char* b, DWORD&) { std::swap_ranges(b + 1024, b + 1536, b + 1536); }},
      {"cut short", [](char*, DWORD& size) { size -= 1000; }},
      {"grown", [](char* b, DWORD& size) {
         std::fill_n(b + size, 1000, '\0');
         size += 1000;
       }},
  };
  struct Forgetful : ScriptedCalls {
    explicit Forgetful(Change change) : change_(change) {}
    BOOL readFile(HANDLE file, void* buffer, DWORD size, DWORD* done) override {
      const BOOL read = ScriptedCalls::readFile(file, buffer, size, done);
      if (++reads_ > 1 && read && *done > 0)  // only the copy's bytes, read back
        change_(static_cast<char*>(buffer), *done);
      return read;
    }
    Change change_;
    int reads_ = 0;
  };
  // Past XXH3's first kilobyte, where its long loop runs.
  std::string text = remittanceText("PRE");
  for (int line = 0; text.size() < 4000; ++line) text += "\r\n<!-- " + std::to_string(line) + " -->";
  for (const auto& fault : faults) {
    SCOPED_TRACE(fault.fault);
    Forgetful calls(fault.change);
    write(L"remesa.xml", text);
    expectFileError(path(L"remesa.xml"), FileProblem::ReadBackDiffers,
                    [&] { convertRemittance(path(L"remesa.xml"), calls); });
    EXPECT_EQ(read(L"remesa.xml"), text);
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

}  // namespace
