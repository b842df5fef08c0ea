#include <windows.h>

#include <algorithm>

#include "file_error.h"
#include "file_steps.h"
#include "grown_path.h"
#include "owned_handle.h"
#include "remittance_files.h"
#include "remittance_names.h"

namespace remittance {
namespace {

bool isListed(const WIN32_FIND_DATAW& entry) {
  constexpr DWORD kLeftOut = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN |
                             FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_DEVICE;
  return (entry.dwFileAttributes & kLeftOut) == 0 && isRemittanceName(entry.cFileName);
}

bool lessIgnoringCase(const std::wstring& left, const std::wstring& right) {
  return CompareStringOrdinal(left.c_str(), static_cast<int>(left.size()), right.c_str(),
                              static_cast<int>(right.size()), TRUE) == CSTR_LESS_THAN;
}

std::wstring withClosingBackslash(std::wstring folder) {
  if (!folder.ends_with(L'\\') && !folder.ends_with(L'/')) folder += L'\\';
  return folder;
}

}  // namespace

std::wstring remittanceFolder() {
  const std::wstring program =
      grownPath([](wchar_t* path, DWORD size) { return GetModuleFileNameW(nullptr, path, size); });
  if (program.empty())
    throw FileError(FileProblem::CannotListFolder, L"trasvidora.exe", GetLastError());
  return longPath(program.substr(0, program.find_last_of(L'\\') + 1) + L"remesas\\");
}

std::vector<std::wstring> listRemittances(const std::wstring& folder) {
  const std::wstring pattern = longPath(withClosingBackslash(folder)) + L"*";
  WIN32_FIND_DATAW entry{};
  const FolderSearch search(FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &entry,
                                             FindExSearchNameMatch, nullptr,
                                             FIND_FIRST_EX_LARGE_FETCH));
  std::vector<std::wstring> names;
  if (!search.valid()) {
    const DWORD error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND) return names;  // An empty folder.
    throw FileError(FileProblem::CannotListFolder, folder, error);
  }
  do {
    if (isListed(entry)) names.emplace_back(entry.cFileName);
  } while (FindNextFileW(search.get(), &entry));
  const DWORD error = GetLastError();
  if (error != ERROR_NO_MORE_FILES) throw FileError(FileProblem::CannotListFolder, folder, error);
  std::sort(names.begin(), names.end(), lessIgnoringCase);
  return names;
}

}  // namespace remittance
