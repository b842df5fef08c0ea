#pragma once

#include <windows.h>

#include <string>

namespace remittance {

// A path from a system call that writes it into a buffer of the size it is given and answers a
// length: 0 when it fails, the path's length when it fits, and otherwise the size it needs (or,
// as GetModuleFileNameW does, the size it was given). `get(buffer, size)` is called with a
// buffer grown until the path fits. Returns an empty path when the call fails, with the system's
// error for GetLastError().
template <typename Get>
std::wstring grownPath(Get&& get, std::size_t size = MAX_PATH) {
  std::wstring path(size, L'\0');
  for (;;) {
    const DWORD length = get(path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) return {};
    if (length < path.size()) {
      path.resize(length);
      return path;
    }
    path.resize(length > path.size() ? length : path.size() * 2);
  }
}

}  // namespace remittance
