#include "file_steps.h"

#include <algorithm>
#include <chrono>
#include <cstdint>

#include "file_error.h"

namespace remittance {
namespace {

// ReadFile and WriteFile move at most this much in one call.
constexpr std::size_t kLargestPiece = 1u << 30;

// A lock another program holds briefly (a virus scanner, an indexer, a backup) is waited for,
// this many times this long, at the load as at the replace.
constexpr int kLockAttempts = 20;
constexpr DWORD kLockPauseMs = 50;
constexpr int kNameAttempts = 100;

constexpr std::wstring_view kLongPrefix = LR"(\\?\)";

// The attributes the new file takes over from the old one: the only ones CreateFileW accepts
// besides FILE_ATTRIBUTE_NORMAL (others share their values with FILE_FLAG_* flags).
constexpr DWORD kKeptAttributes = FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_HIDDEN |
                                  FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED |
                                  FILE_ATTRIBUTE_ENCRYPTED;

[[noreturn]] void fail(FileProblem problem, const std::wstring& file, DWORD error) {
  throw FileError(problem, file, error);
}

bool isPassingLock(DWORD error) {
  return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION;
}

std::int64_t joined(DWORD high, DWORD low) {
  return static_cast<std::int64_t>((std::uint64_t{high} << 32) | low);
}

// Reads the stamp of an open file. Returns ERROR_SUCCESS or the system's error.
DWORD readStamp(HANDLE file, BY_HANDLE_FILE_INFORMATION& information, FileStamp& stamp,
                SystemCalls& calls) {
  FILE_BASIC_INFO times{};
  if (!calls.getFileInformation(file, &information) || !calls.getBasicInformation(file, &times))
    return GetLastError();
  stamp = {
      information.dwVolumeSerialNumber,
      static_cast<std::uint64_t>(joined(information.nFileIndexHigh, information.nFileIndexLow)),
      static_cast<std::uint64_t>(joined(information.nFileSizeHigh, information.nFileSizeLow)),
      joined(information.ftLastWriteTime.dwHighDateTime, information.ftLastWriteTime.dwLowDateTime),
      times.ChangeTime.QuadPart};
  return ERROR_SUCCESS;
}

// The path as GetFullPathNameW resolves it; the path itself when it cannot.
std::wstring fullPath(const std::wstring& path) {
  std::wstring full(path.size() + MAX_PATH, L'\0');
  for (;;) {
    const DWORD length =
        GetFullPathNameW(path.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    if (length == 0) return path;
    if (length < full.size()) {
      full.resize(length);
      return full;
    }
    full.resize(length);
  }
}

std::wstring folderOf(const std::wstring& path) {
  return path.substr(0, path.find_last_of(L'\\') + 1);
}

// A name for the temporary file: 64 bits from the clock, the process and the attempt, mixed.
std::wstring temporaryName(int attempt) {
  LARGE_INTEGER now{};
  QueryPerformanceCounter(&now);
  std::uint64_t bits = static_cast<std::uint64_t>(now.QuadPart) ^
                       (std::uint64_t{GetCurrentProcessId()} << 40) ^
                       (static_cast<std::uint64_t>(attempt) << 20);
  // splitmix64's finaliser: every input bit moves every output bit.
  bits = (bits ^ (bits >> 30)) * 0xBF58476D1CE4E5B9u;
  bits = (bits ^ (bits >> 27)) * 0x94D049BB133111EBu;
  bits ^= bits >> 31;
  constexpr wchar_t kDigits[] = L"0123456789abcdef";
  std::wstring name = L"~0000000000000000.tmp";
  for (int digit = 16; digit >= 1; --digit, bits >>= 4) name[digit] = kDigits[bits & 0xF];
  return name;
}

}  // namespace

std::wstring longPath(const std::wstring& file) {
  if (file.starts_with(kLongPrefix)) return file;
  const std::size_t nameAt = file.find_last_of(L"\\/") + 1;
  const std::wstring folder = fullPath(nameAt == 0 ? L".\\" : file.substr(0, nameAt));
  std::wstring path = folder.starts_with(LR"(\\)") ? LR"(\\?\UNC\)" + folder.substr(2)
                                                   : std::wstring(kLongPrefix) + folder;
  if (!path.ends_with(L'\\')) path += L'\\';
  return path + file.substr(nameAt);
}

Remittance::Remittance(const std::wstring& file, SystemCalls& calls) : file_(file), calls_(calls) {
  const std::wstring path = longPath(file);
  for (int attempt = 1;; ++attempt) {
    handle_ = FileHandle(calls_.createFile(path.c_str(), GENERIC_READ, FILE_SHARE_READ,
                                           OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN));
    if (handle_.valid()) break;
    const DWORD error = GetLastError();
    if (!isPassingLock(error) || attempt == kLockAttempts)
      fail(FileProblem::CannotRead, file_, error);
    calls_.pause(kLockPauseMs);
  }
  const DWORD error = readStamp(handle_.get(), information_, stamp_, calls_);
  if (error != ERROR_SUCCESS) fail(FileProblem::CannotRead, file_, error);
}

std::string_view Remittance::read(std::span<char> buffer) {
  const auto size = static_cast<DWORD>(std::min(buffer.size(), kLargestPiece));
  DWORD got = 0;
  if (!calls_.readFile(handle_.get(), buffer.data(), size, &got))
    fail(FileProblem::CannotRead, file_, GetLastError());
  return {buffer.data(), got};
}

void Remittance::rewind() {
  if (!calls_.rewind(handle_.get())) fail(FileProblem::CannotRead, file_, GetLastError());
}

std::wstring Remittance::place() const {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length =
        calls_.getFinalPath(handle_.get(), path.data(), static_cast<DWORD>(path.size()));
    if (length != 0 && length < path.size()) {
      path.resize(length);
      return path;
    }
    if (length == 0) break;
    path.resize(length);
  }
  // Some file systems cannot name a file by its handle: the listed path is the file itself
  // unless it is a link.
  const DWORD error = GetLastError();
  const std::wstring listed = longPath(file_);
  const DWORD attributes = calls_.getAttributes(listed.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) fail(FileProblem::CannotRead, file_, GetLastError());
  if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) fail(FileProblem::CannotRead, file_, error);
  return listed;
}

std::vector<BYTE> Remittance::security(SECURITY_INFORMATION which) const {
  std::vector<BYTE> descriptor(256);
  if (!calls_.getSecurity(handle_.get(), which, descriptor))
    fail(FileProblem::CannotSave, file_, GetLastError());
  return descriptor;
}

void checkUnchanged(const std::wstring& file, const std::wstring& place, const FileStamp& read,
                    SystemCalls& calls) {
  const FileHandle onDisk(calls.createFile(place.c_str(), FILE_READ_ATTRIBUTES,
                                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                           OPEN_EXISTING, 0));
  DWORD error = onDisk.valid() ? ERROR_SUCCESS : GetLastError();
  BY_HANDLE_FILE_INFORMATION information{};
  FileStamp now;
  if (error == ERROR_SUCCESS) error = readStamp(onDisk.get(), information, now, calls);
  // A file that is gone is not the file that was read either.
  const bool gone = error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
  if (error != ERROR_SUCCESS && !gone) fail(FileProblem::CannotSave, file, error);
  if (gone || now != read) fail(FileProblem::ChangedWhileSaving, file, 0);
}

TemporaryFile::TemporaryFile(const Remittance& remittance, const std::wstring& place,
                             const std::wstring& file, SystemCalls& calls)
    : file_(file), calls_(calls), folder_(folderOf(place)) {
  // The owner is kept where the system allows it; elsewhere the new file is the user's own.
  std::vector<BYTE> descriptor =
      remittance.security(OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION);
  const DWORD attributes = remittance.attributes() & kKeptAttributes;
  DWORD error = ERROR_SUCCESS;
  for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
    SECURITY_ATTRIBUTES security{sizeof security, descriptor.data(), FALSE};
    path_ = folder_ + temporaryName(attempt);
    handle_ = FileHandle(calls_.createFile(path_.c_str(), GENERIC_WRITE | DELETE, FILE_SHARE_DELETE,
                                           CREATE_NEW, attributes, &security));
    if (handle_.valid()) break;
    error = GetLastError();
    if (error == ERROR_INVALID_OWNER) {
      descriptor = remittance.security(DACL_SECURITY_INFORMATION);
    } else if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) {
      break;
    }
  }
  if (!handle_.valid()) {
    if (error == ERROR_ACCESS_DENIED || error == ERROR_WRITE_PROTECT)
      remittance::fail(FileProblem::FolderRefusesNewFiles, folder_, error);
    fail(error);
  }
  if (!calls_.markForDeletion(handle_.get(), true)) {
    // The destructor does not run for an object that was never made: delete the file here.
    error = GetLastError();
    handle_.reset();
    calls_.deleteFile(path_.c_str());
    fail(error);
  }
  marked_ = true;
}

TemporaryFile::~TemporaryFile() {
  handle_.reset();
  if (!placed_ && !marked_) calls_.deleteFile(path_.c_str());
}

void TemporaryFile::fail(DWORD error) const {
  if (error == ERROR_DISK_FULL || error == ERROR_HANDLE_DISK_FULL)
    remittance::fail(FileProblem::FolderLacksRoom, folder_, error);
  remittance::fail(FileProblem::CannotSave, file_, error);
}

void TemporaryFile::reserve(std::uint64_t size) {
  if (calls_.reserveSpace(handle_.get(), static_cast<LONGLONG>(size))) return;
  // Only the lack of room is a failure: a file system that cannot reserve still takes the
  // writes, each of them checked.
  const DWORD error = GetLastError();
  if (error == ERROR_DISK_FULL || error == ERROR_HANDLE_DISK_FULL) fail(error);
}

void TemporaryFile::write(std::string_view bytes) {
  while (!bytes.empty()) {
    const auto piece = static_cast<DWORD>(std::min(bytes.size(), kLargestPiece));
    DWORD written = 0;
    if (!calls_.writeFile(handle_.get(), bytes.data(), piece, &written)) fail(GetLastError());
    if (written == 0) fail(ERROR_WRITE_FAULT);
    bytes.remove_prefix(written);
  }
}

void TemporaryFile::setCreationTime(const FILETIME& time) {
  if (!calls_.setCreationTime(handle_.get(), &time)) fail(GetLastError());
}

void TemporaryFile::flush() {
  if (!calls_.flushFileBuffers(handle_.get())) fail(GetLastError());
}

void TemporaryFile::putInPlaceOf(const std::wstring& place,
                                 const std::function<void()>& checkUnchanged) {
  for (int attempt = 1;; ++attempt) {
    checkUnchanged();
    if (!calls_.markForDeletion(handle_.get(), false)) fail(GetLastError());
    marked_ = false;
    if (calls_.moveFileOver(path_.c_str(), place.c_str())) {
      placed_ = true;
      handle_.reset();
      return;
    }
    // The file in place may be open without sharing its deletion (ERROR_ACCESS_DENIED then).
    const DWORD error = GetLastError();
    marked_ = calls_.markForDeletion(handle_.get(), true) != FALSE;
    if ((!isPassingLock(error) && error != ERROR_ACCESS_DENIED) || attempt == kLockAttempts)
      fail(error);
    calls_.pause(kLockPauseMs);
  }
}

}  // namespace remittance
