#pragma once

#include <windows.h>

#include <utility>

namespace remittance {

// The one owner of the core's handles: the handle is let go of when the owner goes.
// `Kind` gives the handle's type, its invalid value and how it is let go of.
template <typename Kind>
class Owned {
 public:
  using Handle = typename Kind::Handle;

  Owned() = default;
  explicit Owned(Handle handle) : handle_(handle) {}
  Owned(Owned&& other) noexcept : handle_(std::exchange(other.handle_, Kind::invalid())) {}
  Owned& operator=(Owned&& other) noexcept {
    std::swap(handle_, other.handle_);
    return *this;
  }
  ~Owned() { reset(); }

  Handle get() const { return handle_; }
  bool valid() const { return handle_ != Kind::invalid() && handle_ != Handle{}; }
  void reset() {
    if (valid()) Kind::letGo(handle_);
    handle_ = Kind::invalid();
  }

 private:
  Handle handle_ = Kind::invalid();
};

struct OpenFileKind {
  using Handle = HANDLE;
  static HANDLE invalid() { return INVALID_HANDLE_VALUE; }
  static void letGo(HANDLE handle) { CloseHandle(handle); }
};

struct FolderSearchKind {
  using Handle = HANDLE;
  static HANDLE invalid() { return INVALID_HANDLE_VALUE; }
  static void letGo(HANDLE handle) { FindClose(handle); }
};

// A file opened with CreateFileW. Closing it cannot lose data: a written file is flushed, and
// checked, before its owner lets it go.
using FileHandle = Owned<OpenFileKind>;
using FolderSearch = Owned<FolderSearchKind>;

}  // namespace remittance
