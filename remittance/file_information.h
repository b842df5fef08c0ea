#pragma once

// What the load and the save read about a file without opening its content.

#include <windows.h>

#include <string>

#include "remittance_files.h"
#include "system_calls.h"

namespace remittance {

// Reads the information of the file at `longPath` through a handle that reads only its
// attributes and lets everybody else read, write and delete it. Returns ERROR_SUCCESS or the
// system's error.
DWORD readFileInformation(const std::wstring& longPath, BY_HANDLE_FILE_INFORMATION& information,
                          SystemCalls& calls);

FileStamp stampFrom(const BY_HANDLE_FILE_INFORMATION& information);

}  // namespace remittance
