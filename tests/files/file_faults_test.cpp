// Every system call of a save and of a load made to fail in turn, through the code that ships:
// the remittance keeps its exact bytes, no temporary file is left, and the error names the file
// and gives the system's reason.

#include <ostream>
#include <string>
#include <vector>

#include "files_harness.h"
#include "scripted_calls.h"

namespace {

using remittance::FileAction;
using Names = std::vector<std::string>;
using Script = ScriptedCalls::Script;

// The calls of a save, in order, when nothing fails.
const Names kSaveCalls = {
    "createFile",          // the remittance, to check that it is the file that was read
    "getFileInformation",  //
    "createFile",          // the temporary file
    "writeFile",           //
    "setCreationTime",     //
    "flushFileBuffers",    //
    "closeHandle",         //
    "createFile",          // the remittance, checked again right before the replace
    "getFileInformation",  //
    "replaceFile",         //
};

const Names kLoadCalls = {"createFile", "getFileInformation", "readFile"};

struct Fault {
  const char* name;
  int call;  // from 1
  DWORD error;
};

void PrintTo(const Fault& fault, std::ostream* out) {
  *out << fault.name << " fails with error " << fault.error;
}

std::string faultName(const testing::TestParamInfo<Fault>& info) {
  return info.param.name;
}

class SaveFault : public FilesTest, public testing::WithParamInterface<Fault> {
 protected:
  void SetUp() override {
    write(L"remesa.xml", original_);
    loaded_ = remittance::loadRemittance(path(L"remesa.xml"));
    ASSERT_TRUE(remittance::changeMessageIdPrefix(loaded_.document));
  }

  const std::string original_ = remittanceText("PRE");
  remittance::LoadedRemittance loaded_;
};

TEST_F(SaveFault, CallsOfASaveThatWorks) {
  ScriptedCalls calls;
  remittance::saveRemittance(path(L"remesa.xml"), loaded_.document, loaded_.stamp, calls);
  EXPECT_EQ(calls.made(), kSaveCalls);
  EXPECT_EQ(read(L"remesa.xml"), remittanceText("FSDD") + "\r\n");
}

TEST_P(SaveFault, KeepsTheOldBytesAndLeavesNoTemporaryFile) {
  const Fault& fault = GetParam();
  ScriptedCalls calls(fault.call, Script::Fail, fault.error);
  const remittance::FileError error = expectFileError(path(L"remesa.xml"), FileAction::Write, [&] {
    remittance::saveRemittance(path(L"remesa.xml"), loaded_.document, loaded_.stamp, calls);
  });
  EXPECT_EQ(error.systemError(), fault.error);
  EXPECT_EQ(read(L"remesa.xml"), original_);
  EXPECT_EQ(namesIn(folder()), std::vector<std::wstring>{L"remesa.xml"});
}

INSTANTIATE_TEST_SUITE_P(
    EveryCall, SaveFault,
    testing::Values(Fault{"OpenRemittance", 1, ERROR_ACCESS_DENIED},
                    Fault{"ReadRemittanceInformation", 2, ERROR_INVALID_FUNCTION},
                    Fault{"CreateTemporary", 3, ERROR_ACCESS_DENIED},
                    Fault{"WriteTemporary", 4, ERROR_DISK_FULL},
                    Fault{"SetCreationTime", 5, ERROR_INVALID_PARAMETER},
                    Fault{"FlushTemporary", 6, ERROR_IO_DEVICE},
                    Fault{"CloseTemporary", 7, ERROR_DISK_FULL},
                    Fault{"OpenRemittanceBeforeReplace", 8, ERROR_SHARING_VIOLATION},
                    Fault{"ReadRemittanceInformationBeforeReplace", 9, ERROR_INVALID_FUNCTION},
                    Fault{"Replace", 10, ERROR_WRITE_PROTECT}),
    faultName);

class RetriedSave : public SaveFault {};

// A taken temporary name is passed over, and a write that moves fewer bytes than asked goes on.
TEST_F(RetriedSave, TakenTemporaryNameAndShortWritesStillSave) {
  struct ShortWrites : ScriptedCalls {
    ShortWrites() : ScriptedCalls(3, Script::Fail, ERROR_FILE_EXISTS) {}
    BOOL writeFile(HANDLE file, const void* bytes, DWORD size, DWORD* done) override {
      return ScriptedCalls::writeFile(file, bytes, size > 7 ? 7 : size, done);
    }
  } calls;
  remittance::saveRemittance(path(L"remesa.xml"), loaded_.document, loaded_.stamp, calls);
  EXPECT_EQ(read(L"remesa.xml"), remittanceText("FSDD") + "\r\n");
  EXPECT_EQ(namesIn(folder()), std::vector<std::wstring>{L"remesa.xml"});
}

TEST_F(RetriedSave, WriteThatMovesNothingIsAFault) {
  struct NothingWritten : ScriptedCalls {
    BOOL writeFile(HANDLE file, const void* bytes, DWORD, DWORD* done) override {
      return ScriptedCalls::writeFile(file, bytes, 0, done);
    }
  } calls;
  const remittance::FileError error = expectFileError(path(L"remesa.xml"), FileAction::Write, [&] {
    remittance::saveRemittance(path(L"remesa.xml"), loaded_.document, loaded_.stamp, calls);
  });
  EXPECT_EQ(error.systemError(), DWORD{ERROR_WRITE_FAULT});
  EXPECT_EQ(read(L"remesa.xml"), original_);
  EXPECT_EQ(namesIn(folder()), std::vector<std::wstring>{L"remesa.xml"});
}

// Another program holds the remittance while the save is replacing it, and lets go.
TEST_F(RetriedSave, LockReleasedDuringTheReplaceLetsTheSaveThrough) {
  struct LockedAtReplace : ScriptedCalls {
    explicit LockedAtReplace(std::wstring file) : file_(std::move(file)) {}
    ~LockedAtReplace() override {
      if (holder_ != INVALID_HANDLE_VALUE) CloseHandle(holder_);
    }
    BOOL replaceFile(const wchar_t* from, const wchar_t* to) override {
      if (++replaces_ == 1) {
        holder_ = CreateFileW(file_.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              0, nullptr);
      }
      return ScriptedCalls::replaceFile(from, to);
    }
    void pause(DWORD milliseconds) override {
      if (replaces_ == 3) CloseHandle(std::exchange(holder_, INVALID_HANDLE_VALUE));
      ScriptedCalls::pause(milliseconds);
    }
    std::wstring file_;
    HANDLE holder_ = INVALID_HANDLE_VALUE;
    int replaces_ = 0;
  } calls(path(L"remesa.xml"));

  remittance::saveRemittance(path(L"remesa.xml"), loaded_.document, loaded_.stamp, calls);

  EXPECT_EQ(calls.replaces_, 4) << "refused while held, put in place once let go";
  EXPECT_EQ(read(L"remesa.xml"), remittanceText("FSDD") + "\r\n");
  EXPECT_EQ(namesIn(folder()), std::vector<std::wstring>{L"remesa.xml"});
}

class LoadFault : public FilesTest, public testing::WithParamInterface<Fault> {};

TEST_F(LoadFault, CallsOfALoadThatWorks) {
  write(L"remesa.xml", remittanceText("PRE"));
  ScriptedCalls calls;
  EXPECT_EQ(remittance::loadRemittance(path(L"remesa.xml"), calls).document.text(),
            remittanceText("PRE"));
  EXPECT_EQ(calls.made(), kLoadCalls);
}

TEST_P(LoadFault, NamesTheFileAndTheReason) {
  const Fault& fault = GetParam();
  write(L"remesa.xml", remittanceText("PRE"));
  ScriptedCalls calls(fault.call, Script::Fail, fault.error);
  const remittance::FileError error = expectFileError(path(L"remesa.xml"), FileAction::Read, [&] {
    remittance::loadRemittance(path(L"remesa.xml"), calls);
  });
  EXPECT_EQ(error.systemError(), fault.error);
  EXPECT_EQ(read(L"remesa.xml"), remittanceText("PRE"));
}

INSTANTIATE_TEST_SUITE_P(EveryCall, LoadFault,
                         testing::Values(Fault{"Open", 1, ERROR_SHARING_VIOLATION},
                                         Fault{"ReadInformation", 2, ERROR_INVALID_FUNCTION},
                                         Fault{"Read", 3, ERROR_CRC}),
                         faultName);

}  // namespace
