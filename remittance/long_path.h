#pragma once

#include <string>

namespace remittance {

// The full path in the "\\?\" form, which lifts the 260-character limit of classic Win32 paths
// (a folder deep enough plus a name of 255 characters goes past it). Relative paths, "." and
// ".." and forward slashes are resolved first, as the system would. Throws std::bad_alloc.
std::wstring longPath(const std::wstring& path);

}  // namespace remittance
