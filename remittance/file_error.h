#pragma once

#include <filesystem>
#include <stdexcept>
#include <system_error>

namespace remittance {

// What the program was doing with a file when the system refused.
enum class FileAction { ListFolder, Read, Write };

// A file operation that failed: which file, what was being done and the system's own reason
// (a Win32 error code on Windows, errno on POSIX).
class FileError : public std::runtime_error {
 public:
  FileError(FileAction action, std::filesystem::path file, std::error_code reason);

  FileAction action() const { return action_; }
  const std::filesystem::path& file() const { return file_; }
  std::error_code reason() const { return reason_; }

 private:
  FileAction action_;
  std::filesystem::path file_;
  std::error_code reason_;
};

// The calling thread's last system error (GetLastError on Windows, errno on POSIX).
std::error_code lastSystemError();

}  // namespace remittance
