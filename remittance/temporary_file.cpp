#include "temporary_file.h"

#include <algorithm>
#include <utility>

namespace remittance {
namespace {

// WriteFile moves at most this much in one call.
constexpr std::size_t kLargestWrite = 1u << 30;

constexpr int kNameAttempts = 256;
constexpr int kReplaceAttempts = 20;
constexpr DWORD kReplacePauseMs = 50;

std::wstring temporaryName(DWORD number) {
  constexpr wchar_t kDigits[] = L"0123456789abcdef";
  std::wstring name = L"~00000000.tmp";
  for (int digit = 8; digit >= 1; --digit, number >>= 4) name[digit] = kDigits[number & 0xF];
  return name;
}

bool isPassingLock(DWORD error) {
  return error == ERROR_SHARING_VIOLATION || error == ERROR_ACCESS_DENIED ||
         error == ERROR_LOCK_VIOLATION;
}

}  // namespace

TemporaryFile::TemporaryFile(const std::wstring& folder, DWORD attributes, SystemCalls& calls)
    : calls_(calls) {
  const DWORD first = GetCurrentProcessId() << 8;
  for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
    path_ = folder + temporaryName(first + static_cast<DWORD>(attempt));
    handle_ = calls_.createFile(path_.c_str(), GENERIC_WRITE, 0, CREATE_NEW, attributes);
    if (handle_ != INVALID_HANDLE_VALUE) {
      error_ = ERROR_SUCCESS;
      return;
    }
    error_ = GetLastError();
    if (error_ != ERROR_FILE_EXISTS && error_ != ERROR_ALREADY_EXISTS) break;
  }
  placed_ = true;  // Nothing was created: nothing to delete.
}

TemporaryFile::~TemporaryFile() {
  if (handle_ != INVALID_HANDLE_VALUE) calls_.closeHandle(handle_);
  if (!placed_) calls_.deleteFile(path_.c_str());
}

DWORD TemporaryFile::write(std::string_view bytes) {
  while (!bytes.empty()) {
    const auto piece = static_cast<DWORD>(std::min(bytes.size(), kLargestWrite));
    DWORD written = 0;
    if (!calls_.writeFile(handle_, bytes.data(), piece, &written)) return GetLastError();
    if (written == 0) return ERROR_WRITE_FAULT;
    bytes.remove_prefix(written);
  }
  return ERROR_SUCCESS;
}

DWORD TemporaryFile::setCreationTime(const FILETIME& time) {
  return calls_.setCreationTime(handle_, &time) ? ERROR_SUCCESS : GetLastError();
}

DWORD TemporaryFile::flush() {
  return calls_.flushFileBuffers(handle_) ? ERROR_SUCCESS : GetLastError();
}

DWORD TemporaryFile::close() {
  const HANDLE handle = std::exchange(handle_, INVALID_HANDLE_VALUE);
  return calls_.closeHandle(handle) ? ERROR_SUCCESS : GetLastError();
}

DWORD TemporaryFile::putInPlaceOf(const std::wstring& target) {
  for (int attempt = 1;; ++attempt) {
    if (calls_.replaceFile(path_.c_str(), target.c_str())) {
      placed_ = true;
      return ERROR_SUCCESS;
    }
    const DWORD error = GetLastError();
    if (!isPassingLock(error) || attempt == kReplaceAttempts) return error;
    calls_.pause(kReplacePauseMs);
  }
}

}  // namespace remittance
