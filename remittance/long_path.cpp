#include "long_path.h"

#include <windows.h>

namespace remittance {
namespace {

constexpr std::wstring_view kLongPrefix = LR"(\\?\)";
constexpr std::wstring_view kLongUncPrefix = LR"(\\?\UNC\)";

// The path as GetFullPathNameW resolves it; the path itself when it cannot.
std::wstring fullPath(const std::wstring& path) {
  std::wstring full(path.size() + MAX_PATH, L'\0');
  for (;;) {
    const DWORD length =
        GetFullPathNameW(path.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    if (length == 0) return path;
    if (length < full.size()) {
      full.resize(length);
      return full;
    }
    full.resize(length);
  }
}

}  // namespace

std::wstring longPath(const std::wstring& path) {
  if (path.starts_with(kLongPrefix) || path.starts_with(LR"(\\.\)")) return path;
  const std::wstring full = fullPath(path);
  if (full.starts_with(LR"(\\)")) return std::wstring(kLongUncPrefix) + full.substr(2);
  return std::wstring(kLongPrefix) + full;
}

}  // namespace remittance
