#pragma once

// Small Win32 helpers shared by the Windows side of the remittance files.

#include <windows.h>

#include <filesystem>
#include <string>
#include <utility>

namespace remittance {

// A kernel handle that is closed when it goes out of scope.
class UniqueHandle {
 public:
  explicit UniqueHandle(HANDLE handle = INVALID_HANDLE_VALUE) : handle_(handle) {}
  UniqueHandle(UniqueHandle&& other) noexcept
      : handle_(std::exchange(other.handle_, INVALID_HANDLE_VALUE)) {}
  UniqueHandle& operator=(UniqueHandle&& other) noexcept {
    std::swap(handle_, other.handle_);
    return *this;
  }
  ~UniqueHandle() {
    if (valid()) CloseHandle(handle_);
  }

  HANDLE get() const { return handle_; }
  bool valid() const { return handle_ != INVALID_HANDLE_VALUE && handle_ != nullptr; }

  // Closes now and reports whether the system accepted it.
  bool close() { return CloseHandle(std::exchange(handle_, INVALID_HANDLE_VALUE)) != FALSE; }

 private:
  HANDLE handle_;
};

// The path in the "\\?\" form that lifts the 260-character limit of the classic Win32 paths.
inline std::wstring extendedLengthPath(const std::filesystem::path& path) {
  const std::wstring absolute =
      std::filesystem::absolute(path).lexically_normal().make_preferred().native();
  if (absolute.starts_with(LR"(\\?\)")) return absolute;
  if (absolute.starts_with(LR"(\\)")) return LR"(\\?\UNC\)" + absolute.substr(2);
  return LR"(\\?\)" + absolute;
}

}  // namespace remittance
