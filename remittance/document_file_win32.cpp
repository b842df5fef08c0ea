#include <windows.h>

#include <initializer_list>
#include <string>

#include "document_file.h"
#include "file_error.h"
#include "win32_file.h"

namespace remittance {
namespace {

// ReadFile and WriteFile move at most this much in one call.
constexpr DWORD kLargestTransfer = 1u << 30;

// How long a replace waits for a virus scanner or indexer to let go of the file.
constexpr int kReplaceAttempts = 20;
constexpr DWORD kReplacePauseMs = 50;

[[noreturn]] void fail(FileAction action, const std::filesystem::path& file, DWORD error) {
  throw FileError(action, file, std::error_code(static_cast<int>(error), std::system_category()));
}

bool writeAll(HANDLE file, std::string_view bytes) {
  while (!bytes.empty()) {
    const DWORD chunk =
        bytes.size() < kLargestTransfer ? static_cast<DWORD>(bytes.size()) : kLargestTransfer;
    DWORD written = 0;
    if (!WriteFile(file, bytes.data(), chunk, &written, nullptr)) return false;
    if (written == 0) {
      SetLastError(ERROR_WRITE_FAULT);
      return false;
    }
    bytes.remove_prefix(written);
  }
  return true;
}

std::wstring temporaryPathFor(const std::wstring& file, int attempt) {
  return file + L"." + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(attempt) +
         L".tmp";
}

UniqueHandle createTemporary(const std::wstring& file, DWORD attributes, std::wstring& temporary) {
  for (int attempt = 0;; ++attempt) {
    temporary = temporaryPathFor(file, attempt);
    UniqueHandle handle(
        CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, attributes, nullptr));
    if (handle.valid() || GetLastError() != ERROR_FILE_EXISTS || attempt == 100) return handle;
  }
}

// Writes the pieces into the new temporary file, gives it the original's creation time and
// flushes it; returns ERROR_SUCCESS or the system's error.
DWORD fillTemporary(UniqueHandle& handle, std::initializer_list<std::string_view> pieces,
                    const FILETIME* creationTime) {
  for (std::string_view piece : pieces) {
    if (!writeAll(handle.get(), piece)) return GetLastError();
  }
  if (creationTime && !SetFileTime(handle.get(), creationTime, nullptr, nullptr))
    return GetLastError();
  if (!FlushFileBuffers(handle.get())) return GetLastError();
  if (!handle.close()) return GetLastError();
  return ERROR_SUCCESS;
}

bool isPassingLock(DWORD error) {
  return error == ERROR_SHARING_VIOLATION || error == ERROR_ACCESS_DENIED ||
         error == ERROR_LOCK_VIOLATION;
}

DWORD moveIntoPlace(const std::wstring& temporary, const std::wstring& file) {
  for (int attempt = 1;; ++attempt) {
    if (MoveFileExW(temporary.c_str(), file.c_str(),
                    MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
      return ERROR_SUCCESS;
    }
    const DWORD error = GetLastError();
    if (!isPassingLock(error) || attempt == kReplaceAttempts) return error;
    Sleep(kReplacePauseMs);
  }
}

}  // namespace

std::string loadDocument(const std::filesystem::path& file) {
  const std::wstring path = extendedLengthPath(file);
  UniqueHandle handle(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!handle.valid()) fail(FileAction::Read, file, GetLastError());
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(handle.get(), &size)) fail(FileAction::Read, file, GetLastError());

  std::string document;
  const auto total = static_cast<std::size_t>(size.QuadPart);
  document.reserve(total + kDocumentSlack);
  document.resize(total);
  std::size_t done = 0;
  while (done < total) {
    const std::size_t left = total - done;
    DWORD got = 0;
    if (!ReadFile(handle.get(), document.data() + done,
                  left < kLargestTransfer ? static_cast<DWORD>(left) : kLargestTransfer, &got,
                  nullptr)) {
      fail(FileAction::Read, file, GetLastError());
    }
    if (got == 0) break;  // The file shrank while being read: keep what it holds now.
    done += got;
  }
  document.resize(done);
  return document;
}

void saveDocument(const std::filesystem::path& file, std::string_view document) {
  const std::wstring path = extendedLengthPath(file);
  WIN32_FILE_ATTRIBUTE_DATA original{};
  const bool exists = GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &original) != FALSE;
  if (!exists && GetLastError() != ERROR_FILE_NOT_FOUND)
    fail(FileAction::Write, file, GetLastError());
  constexpr DWORD kNotReplaceable = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY;
  if (exists && (original.dwFileAttributes & kNotReplaceable))
    fail(FileAction::Write, file, ERROR_ACCESS_DENIED);

  // The new file takes the old one's attributes (archive, not indexed...) and creation time.
  const DWORD attributes = exists ? original.dwFileAttributes : FILE_ATTRIBUTE_NORMAL;
  std::wstring temporary;
  UniqueHandle handle = createTemporary(path, attributes, temporary);
  if (!handle.valid()) fail(FileAction::Write, file, GetLastError());

  DWORD error =
      fillTemporary(handle, {document, kSavedLineEnd}, exists ? &original.ftCreationTime : nullptr);
  if (error == ERROR_SUCCESS) error = moveIntoPlace(temporary, path);
  if (error != ERROR_SUCCESS) {
    DeleteFileW(temporary.c_str());
    fail(FileAction::Write, file, error);
  }
}

}  // namespace remittance
