#pragma once

#include <filesystem>
#include <vector>

namespace remittance {

// The folder that holds the running program.
std::filesystem::path executableFolder();

// Where the remittance files are kept: "remesas" beside the program, with a trailing separator.
// The program never creates it.
std::filesystem::path remittanceFolder();

// The names, without folder, of the remittance files of `folder`: its regular files whose name
// ends in ".xml" in any letter case, leaving out hidden and system files, sorted without regard
// to letter case. Throws FileError when the folder cannot be read.
std::vector<std::filesystem::path> listRemittances(const std::filesystem::path& folder);

}  // namespace remittance
