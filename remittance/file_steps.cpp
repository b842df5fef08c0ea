#include "file_steps.h"

#include <cstdint>

#include "grown_path.h"

namespace remittance {
namespace {

// A lock another program holds briefly (a virus scanner, an indexer, a backup) is waited for,
// this many times this long, at the open as at the replace: a save waits two seconds at most.
constexpr int kLockAttempts = 20;
constexpr DWORD kLockPauseMs = 50;
constexpr int kNameAttempts = 100;

constexpr std::wstring_view kLongPrefix = LR"(\\?\)";

// The attributes the new file takes over from the old one.
constexpr DWORD kCopiedAttributes = FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_HIDDEN |
                                    FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

[[noreturn]] void fail(FileProblem problem, const std::wstring& file, DWORD error) {
  throw FileError(problem, file, error);
}

// Where another program holds a file briefly. At the replace, a file open without sharing its
// deletion answers ERROR_ACCESS_DENIED too (MoveFileExW opens the file it replaces for deletion).
enum class Locks { SharingOnly, AccessDeniedToo };

bool isPassingLock(DWORD error, Locks locks) {
  return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION ||
         (locks == Locks::AccessDeniedToo && error == ERROR_ACCESS_DENIED);
}

// Runs `attempt` (which returns ERROR_SUCCESS or the system's error) until it succeeds, fails
// for another reason than a passing lock, or about a second has gone. Returns its last answer.
// The one wait of a conversion.
template <typename Attempt>
DWORD whileLocked(SystemCalls& calls, Locks locks, Attempt&& attempt) {
  for (int count = 1;; ++count) {
    const DWORD error = attempt();
    if (error == ERROR_SUCCESS || !isPassingLock(error, locks) || count == kLockAttempts)
      return error;
    calls.pause(kLockPauseMs);
  }
}

// Runs `call`, which is best effort; says whether the system took it.
template <typename Call>
bool bestEffort(SystemCalls& calls, Call&& call) {
  const BestEffort scope(calls);
  return call() != FALSE;
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

// The stamp of the file named `path`, opened for its attributes alone (which no other program's
// lock refuses). Returns ERROR_SUCCESS, ERROR_FILE_NOT_FOUND or ERROR_PATH_NOT_FOUND where no
// file has the name, or the system's error.
DWORD stampAt(const std::wstring& path, FileStamp& stamp, SystemCalls& calls) {
  const FileHandle named(calls.createFile(path.c_str(), FILE_READ_ATTRIBUTES,
                                          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                          OPEN_EXISTING, 0));
  if (!named.valid()) return GetLastError();
  BY_HANDLE_FILE_INFORMATION information{};
  return readStamp(named.get(), information, stamp, calls);
}

bool isNotFound(DWORD error) {
  return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
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

// Whether the access list of a file's security descriptor is its own: inheritance turned off,
// or an entry set on the file itself. A list wholly inherited from the folder is what any new
// file there gets anyway.
bool hasOwnAccessList(const std::vector<BYTE>& descriptor) {
  const auto security = const_cast<BYTE*>(descriptor.data());
  SECURITY_DESCRIPTOR_CONTROL control = 0;
  DWORD revision = 0;
  if (!GetSecurityDescriptorControl(security, &control, &revision)) return false;
  if (control & SE_DACL_PROTECTED) return true;
  BOOL present = FALSE, defaulted = FALSE;
  PACL list = nullptr;
  if (!GetSecurityDescriptorDacl(security, &present, &list, &defaulted) || !present) return false;
  if (!list) return true;  // no list at all: everyone may do everything, as before
  for (DWORD index = 0; index < list->AceCount; ++index) {
    void* entry = nullptr;
    if (GetAce(list, index, &entry) && !(static_cast<ACE_HEADER*>(entry)->AceFlags & INHERITED_ACE))
      return true;
  }
  return false;
}

// Whether `place` is on a file system reached over the network (a mapped letter, a UNC path).
// A drive whose type cannot be told counts as remote: the copy then goes unmarked, which costs
// at most a leftover file.
bool onRemoteDrive(const std::wstring& place, SystemCalls& calls) {
  if (place.starts_with(LR"(\\?\UNC\)") || !place.starts_with(kLongPrefix)) return true;
  const std::wstring drive = place.substr(kLongPrefix.size(), 2);
  const std::wstring root = drive.size() == 2 && drive[1] == L':'
                                ? drive + L"\\"
                                : place.substr(0, place.find(L'\\', kLongPrefix.size()) + 1);
  const BestEffort scope(calls);
  const UINT type = calls.getDriveType(root.c_str());
  return type == DRIVE_REMOTE || type == DRIVE_UNKNOWN || type == DRIVE_NO_ROOT_DIR;
}

}  // namespace

std::wstring longPath(const std::wstring& file) {
  if (file.starts_with(kLongPrefix)) return file;
  const std::size_t nameAt = file.find_last_of(L"\\/") + 1;
  const std::wstring given = nameAt == 0 ? L".\\" : file.substr(0, nameAt);
  std::wstring folder = grownPath([&](wchar_t* path, DWORD size) {
    return GetFullPathNameW(given.c_str(), size, path, nullptr);
  });
  if (folder.empty()) folder = given;
  std::wstring path = folder.starts_with(LR"(\\)") ? LR"(\\?\UNC\)" + folder.substr(2)
                                                   : std::wstring(kLongPrefix) + folder;
  if (!path.ends_with(L'\\')) path += L'\\';
  return path + file.substr(nameAt);
}

Remittance::Remittance(const std::wstring& file, SystemCalls& calls) : file_(file), calls_(calls) {
  const std::wstring path = longPath(file);
  DWORD error = whileLocked(calls_, Locks::SharingOnly, [&] {
    handle_ = FileHandle(calls_.createFile(path.c_str(), GENERIC_READ, FILE_SHARE_READ,
                                           OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN));
    return handle_.valid() ? ERROR_SUCCESS : GetLastError();
  });
  if (error == ERROR_SUCCESS) error = readStamp(handle_.get(), information_, stamp_, calls_);
  if (error != ERROR_SUCCESS) fail(FileProblem::CannotRead, file_, error);
}

std::string_view Remittance::read(std::span<char> buffer) {
  DWORD got = 0;
  if (!calls_.readFile(handle_.get(), buffer.data(), static_cast<DWORD>(buffer.size()), &got))
    fail(FileProblem::CannotRead, file_, GetLastError());
  return {buffer.data(), got};
}

void Remittance::rewind() {
  if (!calls_.rewind(handle_.get())) fail(FileProblem::CannotRead, file_, GetLastError());
}

std::wstring Remittance::place() const {
  const std::wstring path = [&] {
    const BestEffort scope(calls_);
    return grownPath([&](wchar_t* buffer, DWORD size) {
      return calls_.getFinalPath(handle_.get(), buffer, size);
    });
  }();
  if (!path.empty()) return path;
  // Some file systems cannot name a file by its handle: the listed path is the file itself
  // unless it is a link.
  const DWORD error = GetLastError();
  const std::wstring listed = longPath(file_);
  const DWORD attributes = calls_.getAttributes(listed.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) fail(FileProblem::CannotRead, file_, GetLastError());
  if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) fail(FileProblem::CannotRead, file_, error);
  return listed;
}

std::vector<BYTE> Remittance::ownSecurity(SECURITY_INFORMATION which) const {
  std::vector<BYTE> descriptor(256);
  if (!bestEffort(calls_, [&] { return calls_.getSecurity(handle_.get(), which, descriptor); }) ||
      !hasOwnAccessList(descriptor))
    descriptor.clear();
  return descriptor;
}

TemporaryFile::TemporaryFile(const Remittance& remittance, const std::wstring& place,
                             const std::wstring& file, SystemCalls& calls)
    : file_(file),
      calls_(calls),
      folder_(folderOf(place)),
      remote_(onRemoteDrive(place, calls)),
      encrypted_((remittance.attributes() & FILE_ATTRIBUTE_ENCRYPTED) != 0) {
  create(remittance);
  if (encrypted_) checkEncrypted();
  mark();
}

// Marks the copy for deletion when its handle closes, on a local drive only: a remote file system
// may refuse writes to a file so marked.
void TemporaryFile::mark() {
  if (!remote_) marked_ = bestEffort(calls_, [&] { return calls_.markForDeletion(handle_.get()); });
}

// Clears the deletion mark, where there is one. Returns ERROR_SUCCESS or the system's error.
DWORD TemporaryFile::unmark() {
  if (!marked_) return ERROR_SUCCESS;
  if (!calls_.clearDeletionMark(handle_.get())) return GetLastError();
  marked_ = false;
  return ERROR_SUCCESS;
}

TemporaryFile::~TemporaryFile() {
  remove();
}

// With the remittance's own access list where it has one; where the system refuses it, with the
// folder's, as any new file. An encrypted remittance's copy is encrypted.
void TemporaryFile::create(const Remittance& remittance) {
  const DWORD attributes = encrypted_ ? FILE_ATTRIBUTE_ENCRYPTED : FILE_ATTRIBUTE_NORMAL;
  std::vector<BYTE> security =
      remittance.ownSecurity(OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION);
  while (!security.empty()) {
    if (bestEffort(calls_, [&] { return createNamed(security, attributes); })) return;
    // An owner that may not be given away: the access list alone.
    security = GetLastError() == ERROR_INVALID_OWNER
                   ? remittance.ownSecurity(DACL_SECURITY_INFORMATION)
                   : std::vector<BYTE>();
  }
  if (!createNamed(security, attributes)) fail(GetLastError(), Step::Creating);
}

// Creates the file under a new name, drawing names until one is free. Returns FALSE with the
// system's error where it cannot; path_ then names no file of this program's.
BOOL TemporaryFile::createNamed(std::vector<BYTE>& security, DWORD attributes) {
  SECURITY_ATTRIBUTES given{sizeof given, security.data(), FALSE};
  for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
    path_ = folder_ + temporaryName(attempt);
    handle_ = FileHandle(calls_.createFile(path_.c_str(), GENERIC_READ | GENERIC_WRITE | DELETE,
                                           FILE_SHARE_DELETE, CREATE_NEW, attributes,
                                           security.empty() ? nullptr : &given));
    if (handle_.valid()) return TRUE;
    const DWORD error = GetLastError();
    path_.clear();
    if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) return FALSE;
  }
  return FALSE;
}

// An encrypted remittance is never written out in clear.
void TemporaryFile::checkEncrypted() {
  BY_HANDLE_FILE_INFORMATION information{};
  if (!calls_.getFileInformation(handle_.get(), &information)) fail(GetLastError());
  if (!(information.dwFileAttributes & FILE_ATTRIBUTE_ENCRYPTED))
    fail(FileError(FileProblem::FolderCannotEncrypt, folder_, 0));
}

// Every failure of the save, sorted: what is the folder's names the folder.
void TemporaryFile::fail(DWORD error, Step step) {
  FileProblem problem = FileProblem::CannotSave;
  const std::wstring* named = &file_;
  if (error == ERROR_DISK_FULL || error == ERROR_HANDLE_DISK_FULL) {
    problem = FileProblem::FolderLacksRoom;
    named = &folder_;
  } else if (step == Step::Creating &&
             (error == ERROR_ACCESS_DENIED || error == ERROR_WRITE_PROTECT)) {
    problem = FileProblem::FolderRefusesNewFiles;
    named = &folder_;
  }
  fail(FileError(problem, *named, error));
}

void TemporaryFile::fail(const FileError& error) {
  throw discard(error);
}

FileError TemporaryFile::discard(const FileError& error) {
  if (remove()) return error;
  return FileError(error.problem(), error.file(), error.systemError(), path_);
}

// Deletes the copy, unless it is done with, by closing it where it is marked for deletion, else
// by its name. Says whether it is gone.
bool TemporaryFile::remove() {
  handle_.reset();
  if (done_ || path_.empty() || marked_) return true;
  done_ = true;
  return calls_.deleteFile(path_.c_str()) || isNotFound(GetLastError());
}

void TemporaryFile::reserve(std::uint64_t size) {
  bestEffort(calls_,
             [&] { return calls_.reserveSpace(handle_.get(), static_cast<LONGLONG>(size)); });
}

void TemporaryFile::write(std::string_view bytes) {
  while (!bytes.empty()) {
    DWORD written = 0;
    if (!calls_.writeFile(handle_.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written))
      fail(GetLastError());
    if (written == 0) fail(ERROR_WRITE_FAULT);
    written_.add(bytes.substr(0, written));
    bytes.remove_prefix(written);
  }
}

void TemporaryFile::copyTimesAndAttributes(const Remittance& remittance) {
  FILE_BASIC_INFO copied{};
  const FILETIME& created = remittance.creationTime();
  copied.CreationTime.QuadPart =
      static_cast<LONGLONG>(joined(created.dwHighDateTime, created.dwLowDateTime));
  copied.FileAttributes = remittance.attributes() & kCopiedAttributes;
  if (copied.FileAttributes == 0) copied.FileAttributes = FILE_ATTRIBUTE_NORMAL;
  bestEffort(calls_, [&] { return calls_.setBasicInformation(handle_.get(), &copied); });
}

void TemporaryFile::flush() {
  if (!calls_.flushFileBuffers(handle_.get())) fail(GetLastError());
}

void TemporaryFile::checkReadBack(std::span<char> buffer) {
  openForReadBack();
  Checksum read;
  for (;;) {
    DWORD got = 0;
    if (!calls_.readFile(handle_.get(), buffer.data(), static_cast<DWORD>(buffer.size()), &got))
      fail(GetLastError());
    if (got == 0) break;
    read.add({buffer.data(), got});
    if (read.size() > written_.size()) break;
  }
  if (!(read == written_)) fail(FileError(FileProblem::ReadBackDiffers, file_, 0));
}

// The copy is read back by its name through a handle of its own, as any later reader reads it (a
// file system may answer the handle that wrote it from what it holds of the writes). That handle
// shares reading and deletion (the rename) but not writing: what is put in place is what was read
// back. It is marked for deletion again on a local drive until the replace.
void TemporaryFile::openForReadBack() {
  if (const DWORD error = unmark(); error != ERROR_SUCCESS) fail(error);
  handle_.reset();
  handle_ = FileHandle(calls_.createFile(path_.c_str(), GENERIC_READ | DELETE,
                                         FILE_SHARE_READ | FILE_SHARE_DELETE, OPEN_EXISTING,
                                         FILE_FLAG_SEQUENTIAL_SCAN));
  if (!handle_.valid()) fail(GetLastError());
  mark();
  BY_HANDLE_FILE_INFORMATION information{};
  const DWORD error = readStamp(handle_.get(), information, stamp_, calls_);
  if (error != ERROR_SUCCESS) fail(error);
}

// What the remittance's name holds now. Throws FileError (CannotSave) where it cannot be told.
TemporaryFile::AtPlace TemporaryFile::whatIsAt(const std::wstring& place, const FileStamp& read) {
  FileStamp now;
  const DWORD error = stampAt(place, now, calls_);
  if (isNotFound(error)) return AtPlace::Nothing;
  if (error != ERROR_SUCCESS) fail(error);
  if (now == read) return AtPlace::FileRead;
  return now.isSameFileAs(stamp_) ? AtPlace::Copy : AtPlace::Other;
}

void TemporaryFile::putInPlaceOf(const std::wstring& place, const FileStamp& read) {
  AtPlace at = AtPlace::FileRead;
  const DWORD error = whileLocked(calls_, Locks::AccessDeniedToo, [&] {
    at = whatIsAt(place, read);
    return at == AtPlace::FileRead ? rename(place) : DWORD{ERROR_SUCCESS};
  });
  if (at == AtPlace::FileRead) at = error == ERROR_SUCCESS ? AtPlace::Copy : whatIsAt(place, read);
  switch (at) {
    case AtPlace::Copy:  // in place, though the rename may have answered a failure
      done_ = true;
      return;
    case AtPlace::FileRead:
      if (isPassingLock(error, Locks::AccessDeniedToo))
        fail(FileError(FileProblem::HeldByAnotherProgram, file_, error));
      fail(error);
    case AtPlace::Other:
      fail(FileError(FileProblem::ChangedWhileSaving, file_, 0));
    case AtPlace::Nothing:
      leaveForTheUser();
  }
}

// The copy loses its deletion mark only now, just before it takes the remittance's name.
DWORD TemporaryFile::rename(const std::wstring& place) {
  if (const DWORD error = unmark(); error != ERROR_SUCCESS) return error;
  return calls_.moveFile(path_.c_str(), place.c_str()) ? ERROR_SUCCESS : GetLastError();
}

// Someone moved or deleted the remittance: nothing is put in its name, and the copy is left where
// it is, if it is still there, for the user to see to.
void TemporaryFile::leaveForTheUser() {
  unmark();
  FileStamp there;
  const bool left =
      !marked_ && stampAt(path_, there, calls_) == ERROR_SUCCESS && there.isSameFileAs(stamp_);
  done_ = true;
  handle_.reset();
  throw FileError(FileProblem::RemittanceGone, file_, 0, left ? path_ : std::wstring());
}

}  // namespace remittance
