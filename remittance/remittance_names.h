#pragma once

#include <string_view>

namespace remittance {

// Whether a file name found in the remittance folder is a remittance the program can work on:
// it ends in ".xml" in any letter case and is one plain name, with none of the characters
// Windows keeps out of file names (\ / : * ? " < > | and control characters), so that joined
// to the folder it names a file inside it and nothing else.
bool isRemittanceName(std::wstring_view name);

}  // namespace remittance
