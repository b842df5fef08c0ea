#pragma once

#include <windows.h>

#include <cstddef>
#include <utility>

namespace remittance {

// What a handle holds when it stands for nothing: null for most kinds, INVALID_HANDLE_VALUE for
// files and folder searches.
struct NullHandle {
  static constexpr std::nullptr_t value() { return nullptr; }
};
struct InvalidHandleValue {
  static HANDLE value() { return INVALID_HANDLE_VALUE; }
};

// The one owner of every handle of the program: the handle is let go of with `letGo` when its
// owner goes. `Empty` is what the owner holds when it owns nothing; null is never a handle either.
template <typename Handle, auto letGo, typename Empty = NullHandle>
class Owned {
 public:
  Owned() = default;
  explicit Owned(Handle handle) : handle_(handle) {}
  Owned(Owned&& other) noexcept : handle_(std::exchange(other.handle_, Empty::value())) {}
  Owned& operator=(Owned&& other) noexcept {
    std::swap(handle_, other.handle_);
    return *this;
  }
  ~Owned() { reset(); }

  Handle get() const { return handle_; }
  bool valid() const { return handle_ != Handle{} && handle_ != Handle(Empty::value()); }
  void reset() {
    if (valid()) letGo(handle_);
    handle_ = Empty::value();
  }

 private:
  Handle handle_ = Empty::value();
};

// A file opened with CreateFileW. Closing it cannot lose data: a written file is flushed, and
// checked, before its owner lets it go.
using FileHandle = Owned<HANDLE, CloseHandle, InvalidHandleValue>;
using FolderSearch = Owned<HANDLE, FindClose, InvalidHandleValue>;

}  // namespace remittance
