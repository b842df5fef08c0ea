#include <windows.h>

#include <string>

#include "file_error.h"
#include "folder_listing.h"
#include "remittance_folder.h"
#include "win32_file.h"

namespace remittance {
namespace {

class FindHandle {
 public:
  explicit FindHandle(HANDLE handle) : handle_(handle) {}
  FindHandle(const FindHandle&) = delete;
  FindHandle& operator=(const FindHandle&) = delete;
  ~FindHandle() {
    if (valid()) FindClose(handle_);
  }
  HANDLE get() const { return handle_; }
  bool valid() const { return handle_ != INVALID_HANDLE_VALUE; }

 private:
  HANDLE handle_;
};

bool isVisibleRegularFile(const WIN32_FIND_DATAW& entry) {
  constexpr DWORD kLeftOut = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN |
                             FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_DEVICE;
  return (entry.dwFileAttributes & kLeftOut) == 0;
}

}  // namespace

std::error_code lastSystemError() {
  return {static_cast<int>(GetLastError()), std::system_category()};
}

std::filesystem::path executableFolder() {
  std::wstring program(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length =
        GetModuleFileNameW(nullptr, program.data(), static_cast<DWORD>(program.size()));
    if (length == 0) throw FileError(FileAction::Read, L"trasvidora.exe", lastSystemError());
    if (length < program.size()) {
      program.resize(length);
      return std::filesystem::path(program).parent_path();
    }
    program.resize(program.size() * 2);
  }
}

std::vector<std::filesystem::path> listVisibleRegularFiles(const std::filesystem::path& folder) {
  const std::wstring pattern = extendedLengthPath(folder / L"*");
  WIN32_FIND_DATAW entry{};
  FindHandle search(FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &entry,
                                     FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH));
  std::vector<std::filesystem::path> names;
  if (!search.valid()) {
    if (GetLastError() == ERROR_FILE_NOT_FOUND) return names;  // An empty folder.
    throw FileError(FileAction::ListFolder, folder, lastSystemError());
  }
  do {
    if (isVisibleRegularFile(entry)) names.emplace_back(entry.cFileName);
  } while (FindNextFileW(search.get(), &entry));
  if (GetLastError() != ERROR_NO_MORE_FILES)
    throw FileError(FileAction::ListFolder, folder, lastSystemError());
  return names;
}

bool lessIgnoringCase(const std::filesystem::path& left, const std::filesystem::path& right) {
  const std::wstring& a = left.native();
  const std::wstring& b = right.native();
  return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(),
                              static_cast<int>(b.size()), TRUE) == CSTR_LESS_THAN;
}

}  // namespace remittance
