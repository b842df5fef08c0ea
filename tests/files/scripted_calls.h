#pragma once

// System calls for the tests: the real ones, each counted and named as it is made, and one of
// them (by its number) made to fail with a chosen error, or to end the process just before or
// just after it runs.

#include <windows.h>

#include <string>
#include <vector>

#include "system_calls.h"

class ScriptedCalls : public remittance::SystemCalls {
 public:
  enum class Script { Fail, EndBefore, EndAfter };

  // Does nothing but count and name the calls.
  ScriptedCalls() = default;
  // At call number `call` (from 1).
  ScriptedCalls(int call, Script script, DWORD error = ERROR_SUCCESS)
      : call_(call), script_(script), error_(error) {}

  // The calls made so far, by name.
  const std::vector<std::string>& made() const { return made_; }
  // Whether the scripted call was reached.
  bool reached() const { return static_cast<int>(made_.size()) >= call_; }

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
  DWORD getFinalPath(HANDLE file, wchar_t* path, DWORD size) override {
    return run("getFinalPath", DWORD{0},
               [&] { return SystemCalls::getFinalPath(file, path, size); });
  }
  DWORD getAttributes(const wchar_t* path) override {
    return run("getAttributes", DWORD{INVALID_FILE_ATTRIBUTES},
               [&] { return SystemCalls::getAttributes(path); });
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
  BOOL setCreationTime(HANDLE file, const FILETIME* time) override {
    return run("setCreationTime", FALSE, [&] { return SystemCalls::setCreationTime(file, time); });
  }
  BOOL markForDeletion(HANDLE file, bool deleted) override {
    return run("markForDeletion", FALSE,
               [&] { return SystemCalls::markForDeletion(file, deleted); });
  }
  BOOL flushFileBuffers(HANDLE file) override {
    return run("flushFileBuffers", FALSE, [&] { return SystemCalls::flushFileBuffers(file); });
  }
  BOOL moveFileOver(const wchar_t* from, const wchar_t* to) override {
    return run("moveFileOver", FALSE, [&] { return SystemCalls::moveFileOver(from, to); });
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
  template <typename Result, typename Call>
  Result run(const char* name, Result failure, Call&& call) {
    made_.emplace_back(name);
    const bool scripted = static_cast<int>(made_.size()) == call_;
    if (scripted && script_ == Script::EndBefore) TerminateProcess(GetCurrentProcess(), kEnded);
    if (scripted && script_ == Script::Fail) {
      SetLastError(error_);
      return failure;
    }
    const Result result = call();
    if (scripted && script_ == Script::EndAfter) TerminateProcess(GetCurrentProcess(), kEnded);
    return result;
  }

  int call_ = 0;
  Script script_ = Script::Fail;
  DWORD error_ = ERROR_SUCCESS;
  std::vector<std::string> made_;
};
