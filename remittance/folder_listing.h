#pragma once

// The system-specific side of the remittance folder, one implementation per platform.

#include <filesystem>
#include <vector>

namespace remittance {

// Names of the regular files of `folder` that are neither hidden nor system files.
// Throws FileError (FileAction::ListFolder) when the folder cannot be read.
std::vector<std::filesystem::path> listVisibleRegularFiles(const std::filesystem::path& folder);

// Orders file names the way the system's file lists do: letter case does not count.
bool lessIgnoringCase(const std::filesystem::path& left, const std::filesystem::path& right);

}  // namespace remittance
