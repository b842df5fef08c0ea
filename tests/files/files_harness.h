#pragma once

// What the tests of the remittance files share: a folder of their own, its listing as the system
// gives it, and the conversion as the CAMBIAR button does it.

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

#include "file_error.h"
#include "prefix_change.h"
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

enum class Answer { Converted, LeftAlone };

inline std::ostream& operator<<(std::ostream& out, Answer answer) {
  return out << (answer == Answer::Converted ? "converted" : "left alone");
}

// What the program does with the selected file when CAMBIAR is pressed.
inline Answer convertAsTheProgramDoes(const std::wstring& file) {
  remittance::LoadedRemittance loaded = remittance::loadRemittance(file);
  if (!remittance::changeMessageIdPrefix(loaded.document)) return Answer::LeftAlone;
  remittance::saveRemittance(file, loaded.document, loaded.stamp);
  return Answer::Converted;
}

// Runs `action`, which must fail with a FileError about `file`, and returns that error.
template <typename Action>
remittance::FileError expectFileError(const std::wstring& file, remittance::FileAction action,
                                      Action&& run) {
  try {
    run();
  } catch (const remittance::FileError& error) {
    EXPECT_TRUE(error.file() == file) << narrow(error.file()) << " for " << narrow(file);
    EXPECT_EQ(error.action(), action);
    return error;
  }
  ADD_FAILURE() << "no FileError for " << narrow(file);
  return remittance::FileError(action, file, 0);
}

// A remittance whose first message identifier starts with `prefix`.
inline std::string remittanceText(std::string_view prefix) {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<Document><GrpHdr><MsgId>" +
         std::string(prefix) + "2026120700001</MsgId></GrpHdr></Document>";
}

// A test folder with wide paths.
class FilesTest : public testing::Test {
 protected:
  std::wstring folder() const { return temp_.path().wstring(); }
  std::wstring path(std::wstring_view name) const { return folder() + L"\\" + std::wstring(name); }
  void write(std::wstring_view name, std::string_view bytes) const {
    writeBytes(temp_.path() / std::wstring(name), bytes);
  }
  std::string read(std::wstring_view name) const {
    return readBytes(temp_.path() / std::wstring(name));
  }

  TempFolder temp_;
};
