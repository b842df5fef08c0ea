#include "file_steps.h"

#include <cstdint>

#include "file_error.h"

namespace remittance {
namespace {

// A lock another program holds briefly (a virus scanner, an indexer, a backup) is waited for,
// this many times this long, at the load as at the replace.
constexpr int kLockAttempts = 20;
constexpr DWORD kLockPauseMs = 50;
constexpr int kNameAttempts = 100;
constexpr int kNameSettlingAttempts = 60;  // about three seconds: a name let go or freed late
constexpr std::size_t kReadBackPiece = 64 * 1024;  // where the conversion's buffer is not at hand

constexpr std::wstring_view kLongPrefix = LR"(\\?\)";

// The attributes the new file takes over from the old one.
constexpr DWORD kKeptAttributes = FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_HIDDEN |
                                  FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

[[noreturn]] void fail(FileProblem problem, const std::wstring& file, DWORD error) {
  throw FileError(problem, file, error);
}

// Where another program holds a file briefly. At the replace, a file open without sharing its
// deletion answers ERROR_ACCESS_DENIED too.
enum class Locks { SharingOnly, AccessDeniedToo };

bool isPassingLock(DWORD error, Locks locks) {
  return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION ||
         (locks == Locks::AccessDeniedToo && error == ERROR_ACCESS_DENIED);
}

// Runs `attempt` (which returns ERROR_SUCCESS or the system's error) until it succeeds, fails
// for another reason than a passing lock, or about a second has gone. Returns its last answer.
template <typename Attempt>
DWORD waitingForPassingLocks(SystemCalls& calls, Locks locks, Attempt&& attempt) {
  for (int count = 1;; ++count) {
    const DWORD error = attempt();
    if (error == ERROR_SUCCESS || !isPassingLock(error, locks) || count == kLockAttempts)
      return error;
    calls.pause(kLockPauseMs);
  }
}

// Runs `call`, which only keeps something of the old file; says whether the system took it.
template <typename Call>
bool keep(SystemCalls& calls, Call&& call) {
  const Keeping keeping(calls);
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
  const Keeping keeping(calls);
  const UINT type = calls.getDriveType(root.c_str());
  return type == DRIVE_REMOTE || type == DRIVE_UNKNOWN || type == DRIVE_NO_ROOT_DIR;
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
  DWORD error = waitingForPassingLocks(calls_, Locks::SharingOnly, [&] {
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
  std::wstring path(MAX_PATH, L'\0');
  for (const Keeping keeping(calls_);;) {
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

std::vector<BYTE> Remittance::ownSecurity(SECURITY_INFORMATION which) const {
  std::vector<BYTE> descriptor(256);
  if (!keep(calls_, [&] { return calls_.getSecurity(handle_.get(), which, descriptor); }) ||
      !hasOwnAccessList(descriptor))
    descriptor.clear();
  return descriptor;
}

bool isUnchanged(const std::wstring& file, const std::wstring& place, const FileStamp& read,
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
  return !gone && now == read;
}

TemporaryFile::TemporaryFile(const Remittance& remittance, const std::wstring& place,
                             const std::wstring& file, SystemCalls& calls)
    : file_(file),
      calls_(calls),
      folder_(folderOf(place)),
      encrypted_((remittance.attributes() & FILE_ATTRIBUTE_ENCRYPTED) != 0) {
  const bool remote = onRemoteDrive(place, calls_);
  create(remittance);
  if (encrypted_) checkEncrypted();
  // A remote file system may refuse writes to a file marked for deletion.
  if (!remote) marked_ = keep(calls_, [&] { return calls_.markForDeletion(handle_.get()); });
}

TemporaryFile::~TemporaryFile() {
  handle_.reset();
  if (!placed_ && !kept_ && !marked_) remove(path_);
}

// With the remittance's own access list where it has one; where the system refuses it, with the
// folder's, as any new file. An encrypted remittance's copy is encrypted.
void TemporaryFile::create(const Remittance& remittance) {
  const DWORD attributes = encrypted_ ? FILE_ATTRIBUTE_ENCRYPTED : FILE_ATTRIBUTE_NORMAL;
  std::vector<BYTE> security =
      remittance.ownSecurity(OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION);
  while (!security.empty()) {
    if (keep(calls_, [&] { return createNamed(security, attributes); })) return;
    // An owner that may not be given away: the access list alone.
    security = GetLastError() == ERROR_INVALID_OWNER
                   ? remittance.ownSecurity(DACL_SECURITY_INFORMATION)
                   : std::vector<BYTE>();
  }
  if (!createNamed(security, attributes)) fail(GetLastError(), Step::Creating);
}

// Creates the file under a new name, drawing names until one is free. Returns FALSE with the
// system's error where it cannot.
BOOL TemporaryFile::createNamed(std::vector<BYTE>& security, DWORD attributes) {
  SECURITY_ATTRIBUTES given{sizeof given, security.data(), FALSE};
  for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
    path_ = folder_ + temporaryName(attempt);
    handle_ = FileHandle(calls_.createFile(path_.c_str(), GENERIC_READ | GENERIC_WRITE | DELETE,
                                           FILE_SHARE_DELETE, CREATE_NEW, attributes,
                                           security.empty() ? nullptr : &given));
    if (handle_.valid()) return TRUE;
    const DWORD error = GetLastError();
    if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) return FALSE;
  }
  return FALSE;
}

// An encrypted remittance is never written out in clear.
void TemporaryFile::checkEncrypted() {
  BY_HANDLE_FILE_INFORMATION information{};
  const bool looked = calls_.getFileInformation(handle_.get(), &information) != FALSE;
  const DWORD error = looked ? ERROR_SUCCESS : GetLastError();
  if (looked && (information.dwFileAttributes & FILE_ATTRIBUTE_ENCRYPTED)) return;
  handle_.reset();  // this object is not made: its destructor will not run
  remove(path_);
  if (!looked) fail(error);
  remittance::fail(FileProblem::FolderCannotEncrypt, folder_, 0);
}

// Every failure of the save, sorted: what is the folder's names the folder.
void TemporaryFile::fail(DWORD error, Step step) const {
  if (error == ERROR_DISK_FULL || error == ERROR_HANDLE_DISK_FULL)
    remittance::fail(FileProblem::FolderLacksRoom, folder_, error);
  if (step == Step::Creating && (error == ERROR_ACCESS_DENIED || error == ERROR_WRITE_PROTECT))
    remittance::fail(FileProblem::FolderRefusesNewFiles, folder_, error);
  remittance::fail(FileProblem::CannotSave, file_, error);
}

void TemporaryFile::reserve(std::uint64_t size) {
  keep(calls_, [&] { return calls_.reserveSpace(handle_.get(), static_cast<LONGLONG>(size)); });
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

void TemporaryFile::keepTimesAndAttributes(const Remittance& remittance) {
  FILE_BASIC_INFO kept{};
  const FILETIME& created = remittance.creationTime();
  kept.CreationTime.QuadPart =
      static_cast<LONGLONG>(joined(created.dwHighDateTime, created.dwLowDateTime));
  kept.FileAttributes = remittance.attributes() & kKeptAttributes;
  if (kept.FileAttributes == 0) kept.FileAttributes = FILE_ATTRIBUTE_NORMAL;
  keep(calls_, [&] { return calls_.setBasicInformation(handle_.get(), &kept); });
}

void TemporaryFile::flush() {
  if (!calls_.flushFileBuffers(handle_.get())) fail(GetLastError());
}

// From here the copy holds all its bytes. It is read back by its name, as anyone will read it,
// through a handle of its own (a file system may answer a handle opened before the writes with
// what the file held then), and renamed with no handle open (some rename no open file).
void TemporaryFile::checkKeptAsWritten(std::span<char> buffer) {
  if (marked_) {
    if (!calls_.clearDeletionMark(handle_.get())) fail(GetLastError());
    marked_ = false;
  }
  handle_.reset();
  Checksum read;
  const DWORD error = readWhole(path_, buffer, read);
  if (error != ERROR_SUCCESS) fail(error);
  if (!(read == written_)) remittance::fail(FileProblem::NotKeptAsWritten, file_, 0);
}

// Reads the file at `path` by its name, through `buffer`, into `read` (no further than one byte
// past what was written). Returns ERROR_SUCCESS or the system's error.
DWORD TemporaryFile::readWhole(const std::wstring& path, std::span<char> buffer,
                               Checksum& read) const {
  FileHandle named;
  const DWORD error = waitingForPassingLocks(calls_, Locks::SharingOnly, [&] {
    named = FileHandle(calls_.createFile(path.c_str(), GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING,
                                         FILE_FLAG_SEQUENTIAL_SCAN));
    return named.valid() ? ERROR_SUCCESS : GetLastError();
  });
  if (error != ERROR_SUCCESS) return error;
  for (;;) {
    DWORD got = 0;
    if (!calls_.readFile(named.get(), buffer.data(), static_cast<DWORD>(buffer.size()), &got))
      return GetLastError();
    if (got == 0) return ERROR_SUCCESS;
    read.add({buffer.data(), got});
    if (read.size() > written_.size()) return ERROR_SUCCESS;
  }
}

DWORD TemporaryFile::move(const std::wstring& place, bool replacing) {
  return calls_.moveFile(path_.c_str(), place.c_str(), replacing) ? ERROR_SUCCESS : GetLastError();
}

// Whether a file has the name `path`, as opening it answers: what a file system shows of a name
// may be older than the name (a network drive through FUSE keeps a gone name for a second).
TemporaryFile::Name TemporaryFile::look(const std::wstring& path) const {
  const FileHandle named(calls_.createFile(path.c_str(), FILE_READ_ATTRIBUTES,
                                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                           OPEN_EXISTING, 0));
  if (named.valid()) return Name::Taken;
  const DWORD error = GetLastError();
  return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? Name::Empty
                                                                        : Name::Unknown;
}

// Deletes the file at `path` until opening it finds nothing, for about three seconds at most: a
// network drive that closes files late may answer a delete with success and keep the file.
void TemporaryFile::remove(const std::wstring& path) const {
  for (int attempt = 1;; ++attempt) {
    calls_.deleteFile(path.c_str());
    if (look(path) != Name::Taken || attempt == kNameSettlingAttempts) return;
    calls_.pause(kLockPauseMs);
  }
}

void TemporaryFile::putInPlaceOf(const std::wstring& place,
                                 const std::function<bool()>& unchanged) {
  if (!unchanged()) remittance::fail(FileProblem::ChangedWhileSaving, file_, 0);
  DWORD error = move(place, true);
  if (error != ERROR_SUCCESS) {
    error = waitingForPassingLocks(calls_, Locks::AccessDeniedToo,
                                   [&] { return tryAgain(place, unchanged); });
  }
  if (error != ERROR_SUCCESS) settleFailedReplace(place, error, unchanged);
  placed_ = true;
}

// Whether a move that answered a failure went through all the same: the copy's name is empty,
// and the remittance's no longer holds the file read (else someone took the copy away).
bool TemporaryFile::wentThrough(const std::function<bool()>& unchanged) const {
  return look(path_) == Name::Empty && !unchanged();
}

// One more attempt after a failed one, with the remittance checked again if it is there.
DWORD TemporaryFile::tryAgain(const std::wstring& place, const std::function<bool()>& unchanged) {
  if (wentThrough(unchanged)) return ERROR_SUCCESS;
  switch (look(place)) {
    case Name::Taken:
      if (unchanged()) return move(place, true);
      // Not the file read: changed meanwhile, or going (the failed attempt may have let it go, and
      // a file system that lets a name go late may still show it for a while).
      if (!letGo(place)) remittance::fail(FileProblem::ChangedWhileSaving, file_, 0);
      return takeEmptyName(place);
    case Name::Empty:  // the file system let the remittance go in the failed attempt
      return takeEmptyName(place);
    case Name::Unknown:
      break;
  }
  return GetLastError();
}

// Whether opening `path` finds nothing within about three seconds.
bool TemporaryFile::letGo(const std::wstring& path) const {
  for (int attempt = 1;; ++attempt) {
    if (look(path) == Name::Empty) return true;
    if (attempt == kNameSettlingAttempts) return false;
    calls_.pause(kLockPauseMs);
  }
}

// The remittance's name is empty: the copy takes it by a rename, or where the file system renames
// nothing (some network drives rename no file that anyone holds open, and the system may hold it
// to rename it), by its bytes, read back there before the copy goes. A name just let go may
// still be shown as taken for a moment (a network drive keeps what it showed for a second or
// more): the copy waits for it while opening the name finds nothing. Returns ERROR_SUCCESS or
// the system's error.
DWORD TemporaryFile::takeEmptyName(const std::wstring& place) {
  for (int attempt = 1;; ++attempt) {
    if (move(place, false) == ERROR_SUCCESS) return ERROR_SUCCESS;
    if (calls_.copyFile(path_.c_str(), place.c_str())) return checkCopied(place);
    const DWORD error = GetLastError();
    const bool shownTaken = error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS;
    if (!shownTaken || attempt == kNameSettlingAttempts || look(place) != Name::Empty) return error;
    calls_.pause(kLockPauseMs);
  }
}

// The copy's bytes, copied to `place`, are read back there; then the copy goes. Where they
// differ, what was made at `place` goes instead.
DWORD TemporaryFile::checkCopied(const std::wstring& place) {
  std::vector<char> buffer(kReadBackPiece);
  Checksum read;
  DWORD error = readWhole(place, buffer, read);
  if (error == ERROR_SUCCESS && !(read == written_)) error = ERROR_FILE_CORRUPT;
  remove(error == ERROR_SUCCESS ? path_ : place);
  return error;
}

// After the last failed attempt, the copy is deleted only while the remittance is there: where
// its name is empty, the copy takes it or is kept.
void TemporaryFile::settleFailedReplace(const std::wstring& place, DWORD error,
                                        const std::function<bool()>& unchanged) {
  if (wentThrough(unchanged)) return;
  const Name name = look(place);
  if (name == Name::Taken) fail(error);
  if (name == Name::Empty && takeEmptyName(place) == ERROR_SUCCESS) return;
  kept_ = true;
  throw FileError(FileProblem::ConvertedCopyKept, file_, error, path_);
}

}  // namespace remittance
