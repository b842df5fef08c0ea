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

  HANDLE createFile(const wchar_t* path, DWORD access, DWORD sharing, DWORD disposition,
                    DWORD flags) override {
    return run("createFile", INVALID_HANDLE_VALUE,
               [&] { return SystemCalls::createFile(path, access, sharing, disposition, flags); });
  }
  BOOL getFileInformation(HANDLE file, BY_HANDLE_FILE_INFORMATION* information) override {
    return run("getFileInformation", FALSE,
               [&] { return SystemCalls::getFileInformation(file, information); });
  }
  BOOL readFile(HANDLE file, void* buffer, DWORD size, DWORD* done) override {
    return run("readFile", FALSE, [&] { return SystemCalls::readFile(file, buffer, size, done); });
  }
  BOOL writeFile(HANDLE file, const void* bytes, DWORD size, DWORD* done) override {
    return run("writeFile", FALSE, [&] { return SystemCalls::writeFile(file, bytes, size, done); });
  }
  BOOL setCreationTime(HANDLE file, const FILETIME* time) override {
    return run("setCreationTime", FALSE, [&] { return SystemCalls::setCreationTime(file, time); });
  }
  BOOL flushFileBuffers(HANDLE file) override {
    return run("flushFileBuffers", FALSE, [&] { return SystemCalls::flushFileBuffers(file); });
  }
  BOOL closeHandle(HANDLE handle) override {
    // A failed close still lets go of the handle, as the system's does.
    return run(
        "closeHandle", FALSE, [&] { return SystemCalls::closeHandle(handle); },
        [&] { SystemCalls::closeHandle(handle); });
  }
  BOOL replaceFile(const wchar_t* from, const wchar_t* to) override {
    return run("replaceFile", FALSE, [&] { return SystemCalls::replaceFile(from, to); });
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

 private:
  template <typename Result, typename Call, typename OnFailure = void (*)()>
  Result run(
      const char* name, Result failure, Call&& call, OnFailure&& onFailure = [] {}) {
    made_.emplace_back(name);
    const bool scripted = static_cast<int>(made_.size()) == call_;
    if (scripted && script_ == Script::EndBefore) TerminateProcess(GetCurrentProcess(), kEnded);
    if (scripted && script_ == Script::Fail) {
      onFailure();
      SetLastError(error_);
      return failure;
    }
    const Result result = call();
    if (scripted && script_ == Script::EndAfter) TerminateProcess(GetCurrentProcess(), kEnded);
    return result;
  }

 public:
  // The exit status of a process ended by its script.
  static constexpr UINT kEnded = 99;

 private:
  int call_ = 0;
  Script script_ = Script::Fail;
  DWORD error_ = ERROR_SUCCESS;
  std::vector<std::string> made_;
};
