#pragma once

// What the tests of the remittance files share: a folder of their own, its listing as the system
// gives it, and remittances.

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

#include "file_error.h"
#include "remittance_files.h"
#include "temp_folder.h"

// Every name in `folder`, whatever it is, sorted.
inline std::vector<std::wstring> namesIn(const std::wstring& folder) {
  std::vector<std::wstring> names;
  WIN32_FIND_DATAW entry{};
  const HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &entry);
  if (search == INVALID_HANDLE_VALUE) return names;
  do {
    const std::wstring_view name = entry.cFileName;
    if (name != L"." && name != L"..") names.emplace_back(name);
  } while (FindNextFileW(search, &entry));
  FindClose(search);
  std::sort(names.begin(), names.end());
  return names;
}

// Readable wide text in failure messages.
inline std::string narrow(std::wstring_view text) {
  std::string result;
  for (wchar_t c : text) {
    result += (c >= 0x20 && c < 0x7F) ? static_cast<char>(c) : '?';
  }
  return result;
}

using remittance::Outcome;

inline std::ostream& operator<<(std::ostream& out, Outcome outcome) {
  return out << (outcome == Outcome::Converted ? "converted" : "cannot change");
}

// Runs `action`, which must fail with a FileError about `file`, and returns that error.
template <typename Action>
remittance::FileError expectFileError(const std::wstring& file, remittance::FileProblem problem,
                                      Action&& run) {
  try {
    run();
  } catch (const remittance::FileError& error) {
    EXPECT_TRUE(error.file() == file) << narrow(error.file()) << " for " << narrow(file);
    EXPECT_EQ(error.problem(), problem);
    return error;
  }
  ADD_FAILURE() << "no FileError for " << narrow(file);
  return remittance::FileError(problem, file, 0);
}

// A remittance whose first message identifier starts with `prefix`.
inline std::string remittanceText(std::string_view prefix) {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<Document><GrpHdr><MsgId>" +
         std::string(prefix) + "2026120700001</MsgId></GrpHdr></Document>";
}

// A full path in the "\\?\" form, which takes names of any length and reserved ones: a
// \\server\share path becomes \\?\UNC\server\share.
inline std::wstring longForm(const std::wstring& path) {
  if (path.starts_with(LR"(\\)")) return LR"(\\?\UNC\)" + path.substr(2);
  return LR"(\\?\)" + path;
}

// Writes and reads a whole file by its full path, whatever its name or length.
inline void writeWhole(const std::wstring& file, std::string_view bytes) {
  const HANDLE handle = CreateFileW(longForm(file).c_str(), GENERIC_WRITE, 0, nullptr,
                                    CREATE_ALWAYS, 0, nullptr);
  DWORD done = 0;
  WriteFile(handle, bytes.data(), static_cast<DWORD>(bytes.size()), &done, nullptr);
  CloseHandle(handle);
}

inline std::string readWhole(const std::wstring& file) {
  const HANDLE handle = CreateFileW(longForm(file).c_str(), GENERIC_READ, FILE_SHARE_READ,
                                    nullptr, OPEN_EXISTING, 0, nullptr);
  std::string bytes(1 << 16, '\0');
  DWORD done = 0;
  if (handle == INVALID_HANDLE_VALUE || !ReadFile(handle, bytes.data(), 1 << 16, &done, nullptr))
    done = 0;
  CloseHandle(handle);
  bytes.resize(done);
  return bytes;
}

// A test folder with wide paths.
class FilesTest : public testing::Test {
 public:
  std::wstring folder() const { return temp_.path().wstring(); }
  // The folder as the conversion names it: full, in the "\\?\" form, with a closing backslash.
  std::wstring longFolder() const { return longForm(folder()) + L"\\"; }
  std::wstring path(std::wstring_view name) const { return folder() + L"\\" + std::wstring(name); }
  void write(std::wstring_view name, std::string_view bytes) const {
    writeBytes(temp_.path() / std::wstring(name), bytes);
  }
  std::string read(std::wstring_view name) const {
    return readBytes(temp_.path() / std::wstring(name));
  }
  // Deletes a file of the folder. (A network drive may answer a delete with success and keep the
  // file: it is deleted again until the name is free.)
  void remove(std::wstring_view name) const {
    for (int attempt = 0; attempt < 50; ++attempt) {
      if (!DeleteFileW(path(name).c_str()) && GetLastError() == ERROR_FILE_NOT_FOUND) return;
      Sleep(100);
    }
  }
  // Only `names` are in the folder: no temporary file is left. (A network drive may show a
  // deleted file for a moment, while the server closes what it held open of it.)
  void expectOnly(const std::vector<std::wstring>& names) const {
    std::vector<std::wstring> listed = namesIn(folder());
    for (int look = 0; look < 50 && listed != names; ++look) {
      Sleep(100);
      listed = namesIn(folder());
    }
    EXPECT_EQ(listed, names) << "nothing is left beside the remittances";
  }

  TempFolder temp_;
};
