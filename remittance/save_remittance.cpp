#include <windows.h>

#include "file_error.h"
#include "file_information.h"
#include "long_path.h"
#include "remittance_files.h"
#include "temporary_file.h"

namespace remittance {
namespace {

// The attributes the new file takes over from the old one: the only ones CreateFileW accepts
// besides FILE_ATTRIBUTE_NORMAL (others share their values with FILE_FLAG_* flags).
constexpr DWORD kKeptAttributes = FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_HIDDEN |
                                  FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

[[noreturn]] void failSave(const std::wstring& file, DWORD error) {
  throw FileError(FileAction::Write, file, error);
}

// The information of the file to replace, which must still be the one stamped `loaded`.
BY_HANDLE_FILE_INFORMATION checkUnchanged(const std::wstring& file, const std::wstring& target,
                                          const FileStamp& loaded, SystemCalls& calls) {
  BY_HANDLE_FILE_INFORMATION information{};
  const DWORD error = readFileInformation(target, information, calls);
  // A file that is gone is not the file that was read either.
  const bool gone = error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
  if (error != ERROR_SUCCESS && !gone) failSave(file, error);
  if (gone || stampFrom(information) != loaded)
    throw FileError(FileAction::ChangedWhileSaving, file, 0);
  return information;
}

std::wstring folderOf(const std::wstring& longPath) {
  return longPath.substr(0, longPath.find_last_of(L'\\') + 1);
}

}  // namespace

void saveRemittance(const std::wstring& file, const Document& document, const FileStamp& loaded,
                    SystemCalls& calls) {
  const std::wstring target = longPath(file);
  const BY_HANDLE_FILE_INFORMATION old = checkUnchanged(file, target, loaded, calls);
  if (old.dwFileAttributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY))
    failSave(file, ERROR_ACCESS_DENIED);

  TemporaryFile temporary(folderOf(target), old.dwFileAttributes & kKeptAttributes, calls);
  DWORD error = temporary.error();
  if (error == ERROR_SUCCESS) error = temporary.write(document.savedBytes());
  if (error == ERROR_SUCCESS) error = temporary.setCreationTime(old.ftCreationTime);
  if (error == ERROR_SUCCESS) error = temporary.flush();
  if (error == ERROR_SUCCESS) error = temporary.close();
  if (error != ERROR_SUCCESS) failSave(file, error);

  // Somebody may have written the file while the new one was being written.
  checkUnchanged(file, target, loaded, calls);
  error = temporary.putInPlaceOf(target);
  if (error != ERROR_SUCCESS) failSave(file, error);
}

}  // namespace remittance
