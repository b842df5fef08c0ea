#pragma once

// System calls for the tests: the real ones, each counted and named as it is made with whether it
// is best effort, and one or two of them (by their numbers) made to fail
// with a chosen error, or one to end the process just before or just after it runs.

#include <windows.h>

#include <string>
#include <vector>

#include "system_calls.h"

class ScriptedCalls : public remittance::SystemCalls {
 public:
  enum class Script { Fail, EndBefore, EndAfter };

  // Does nothing but count and name the calls.
  ScriptedCalls() = default;
  // At call number `call` (from 1); with `alsoFailing`, that call fails too.
  ScriptedCalls(int call, Script script, DWORD error = ERROR_SUCCESS, int alsoFailing = 0)
      : call_(call), alsoFailing_(alsoFailing), script_(script), error_(error) {}

  struct Call {
    std::string name;
    bool bestEffort;  // may be refused without failing the save
    DWORD error = 0;  // the error it answered, scripted or the system's; 0 when it went through
    double at = 0;    // when it began, in milliseconds from the first call
  };
  // The calls made so far.
  const std::vector<Call>& made() const { return made_; }
  // Whether the scripted call was reached.
  bool reached() const { return static_cast<int>(made_.size()) >= call_; }

  void bestEffortBegins() override { ++bestEffort_; }
  void bestEffortEnds() override { --bestEffort_; }

  HANDLE createFile(const wchar_t* path, DWORD access, DWORD sharing, DWORD disposition,
                    DWORD flags, SECURITY_ATTRIBUTES* security) override {
    return run("createFile", INVALID_HANDLE_VALUE, [&] {
      return SystemCalls::createFile(path, access, sharing, disposition, flags, security);
    });
  }
  BOOL getFileInformation(HANDLE file, BY_HANDLE_FILE_INFORMATION* information) override {
    return run("getFileInformation", FALSE,
               [&] { return SystemCalls::getFileInformation(file, information); });
  }
  BOOL getBasicInformation(HANDLE file, FILE_BASIC_INFO* information) override {
    return run("getBasicInformation", FALSE,
               [&] { return SystemCalls::getBasicInformation(file, information); });
  }
  BOOL getFileId(HANDLE file, remittance::FileId* id) override {
    return run("getFileId", FALSE, [&] { return SystemCalls::getFileId(file, id); });
  }
  BOOL setBasicInformation(HANDLE file, const FILE_BASIC_INFO* information) override {
    return run("setBasicInformation", FALSE,
               [&] { return SystemCalls::setBasicInformation(file, information); });
  }
  DWORD getFinalPath(HANDLE file, wchar_t* path, DWORD size) override {
    return run("getFinalPath", DWORD{0},
               [&] { return SystemCalls::getFinalPath(file, path, size); });
  }
  DWORD getAttributes(const wchar_t* path) override {
    return run("getAttributes", DWORD{INVALID_FILE_ATTRIBUTES},
               [&] { return SystemCalls::getAttributes(path); });
  }
  UINT getDriveType(const wchar_t* root) override {
    return run("getDriveType", UINT{DRIVE_UNKNOWN},
               [&] { return SystemCalls::getDriveType(root); });
  }
  BOOL getSecurity(HANDLE file, SECURITY_INFORMATION which,
                   std::vector<BYTE>& descriptor) override {
    return run("getSecurity", FALSE,
               [&] { return SystemCalls::getSecurity(file, which, descriptor); });
  }
  BOOL readFile(HANDLE file, void* buffer, DWORD size, DWORD* done) override {
    return run("readFile", FALSE, [&] { return SystemCalls::readFile(file, buffer, size, done); });
  }
  BOOL rewind(HANDLE file) override {
    return run("rewind", FALSE, [&] { return SystemCalls::rewind(file); });
  }
  BOOL writeFile(HANDLE file, const void* bytes, DWORD size, DWORD* done) override {
    return run("writeFile", FALSE, [&] { return SystemCalls::writeFile(file, bytes, size, done); });
  }
  BOOL reserveSpace(HANDLE file, LONGLONG size) override {
    return run("reserveSpace", FALSE, [&] { return SystemCalls::reserveSpace(file, size); });
  }
  BOOL markForDeletion(HANDLE file) override {
    return run("markForDeletion", FALSE, [&] { return SystemCalls::markForDeletion(file); });
  }
  BOOL clearDeletionMark(HANDLE file) override {
    return run("clearDeletionMark", FALSE, [&] { return SystemCalls::clearDeletionMark(file); });
  }
  BOOL flushFileBuffers(HANDLE file) override {
    return run("flushFileBuffers", FALSE, [&] { return SystemCalls::flushFileBuffers(file); });
  }
  BOOL renameByHandle(HANDLE file, const wchar_t* to) override {
    return run("renameByHandle", FALSE, [&] { return SystemCalls::renameByHandle(file, to); });
  }
  BOOL moveFile(const wchar_t* from, const wchar_t* to) override {
    return run("moveFile", FALSE, [&] { return SystemCalls::moveFile(from, to); });
  }
  BOOL deleteFile(const wchar_t* path) override {
    return run("deleteFile", FALSE, [&] { return SystemCalls::deleteFile(path); });
  }
  void pause(DWORD milliseconds) override {
    run("pause", 0, [&] {
      SystemCalls::pause(milliseconds);
      return 0;
    });
  }

  // The exit status of a process ended by its script.
  static constexpr UINT kEnded = 99;

 private:
  template <typename Result, typename RealCall>
  Result run(const char* name, Result failure, RealCall&& call) {
    LARGE_INTEGER now{}, frequency{};
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    if (made_.empty()) start_ = now.QuadPart;
    made_.push_back({name, bestEffort_ > 0, 0,
                     static_cast<double>(now.QuadPart - start_) * 1000 /
                         static_cast<double>(frequency.QuadPart)});
    const int number = static_cast<int>(made_.size());
    const bool scripted = number == call_;
    if (scripted && script_ == Script::EndBefore) TerminateProcess(GetCurrentProcess(), kEnded);
    if ((scripted && script_ == Script::Fail) || number == alsoFailing_) {
      made_.back().error = error_;
      SetLastError(error_);
      return failure;
    }
    const Result result = call();
    if (result == failure) made_.back().error = GetLastError();
    if (scripted && script_ == Script::EndAfter) TerminateProcess(GetCurrentProcess(), kEnded);
    return result;
  }

  LONGLONG start_ = 0;
  int call_ = 0;
  int alsoFailing_ = 0;
  int bestEffort_ = 0;
  Script script_ = Script::Fail;
  DWORD error_ = ERROR_SUCCESS;
  std::vector<Call> made_;
};
