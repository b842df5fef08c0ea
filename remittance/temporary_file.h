#pragma once

#include <windows.h>

#include <string>
#include <string_view>

#include "system_calls.h"

namespace remittance {

// A new file beside the file it is to replace, named "~<8 hex digits>.tmp" (short, fixed in
// length and never a remittance name), created exclusively. When the object goes, its handle
// is closed and the file deleted, unless it was put in the other file's place. Each step
// returns ERROR_SUCCESS or the system's error.
class TemporaryFile {
 public:
  // `folder` ends with a backslash. See error() for the outcome.
  TemporaryFile(const std::wstring& folder, DWORD attributes, SystemCalls& calls);
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;
  ~TemporaryFile();

  // ERROR_SUCCESS when the file was created.
  DWORD error() const { return error_; }

  DWORD write(std::string_view bytes);
  DWORD setCreationTime(const FILETIME& time);
  DWORD flush();
  DWORD close();
  // Replaces `target` with this file in one step, waiting about a second for another program
  // (a virus scanner, an indexer) that holds `target` briefly.
  DWORD putInPlaceOf(const std::wstring& target);

 private:
  SystemCalls& calls_;
  std::wstring path_;
  HANDLE handle_ = INVALID_HANDLE_VALUE;
  DWORD error_ = ERROR_SUCCESS;
  bool placed_ = false;
};

}  // namespace remittance
