#pragma once

#include <exception>
#include <string>

namespace remittance {

// What the program was doing with a file when it failed.
enum class FileAction {
  ListFolder,
  Read,
  Write,
  ChangedWhileSaving,  // the file on disk was no longer the one read: nothing was written
};

// A file operation that failed: which file (the path as given, which may hold any UTF-16 units),
// what was being done and the system's own reason, a Win32 error code (0 when the system did not
// refuse anything).
class FileError : public std::exception {
 public:
  FileError(FileAction action, std::wstring file, unsigned long systemError)
      : action_(action), file_(std::move(file)), systemError_(systemError) {}

  const char* what() const noexcept override { return "remittance file error"; }
  FileAction action() const { return action_; }
  const std::wstring& file() const { return file_; }
  unsigned long systemError() const { return systemError_; }

 private:
  FileAction action_;
  std::wstring file_;
  unsigned long systemError_;
};

}  // namespace remittance
