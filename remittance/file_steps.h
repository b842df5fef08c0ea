#pragma once

// The steps of a conversion on the file system: the remittance opened for its one pass, the
// temporary file that replaces it, and the check that the file on disk is still the one read.

#include <windows.h>

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "checksum.h"
#include "owned_handle.h"
#include "system_calls.h"

namespace remittance {

// The full path of `file` in the "\\?\" form: see remittance_files.h.
std::wstring longPath(const std::wstring& file);

// Which file a path led to and the state it was in: a file replaced, rewritten (even to the same
// size and last-write time: its change time moves) or renamed over has another stamp.
struct FileStamp {
  std::uint32_t volume = 0;
  std::uint64_t index = 0;
  std::uint64_t size = 0;
  std::int64_t lastWrite = 0;
  std::int64_t change = 0;
  bool operator==(const FileStamp&) const = default;
};

// The remittance, opened for reading (others may read it, nobody may write it meanwhile).
class Remittance {
 public:
  // Opens `file`, waiting about a second for a passing lock, and stamps it. Throws FileError
  // (CannotRead).
  Remittance(const std::wstring& file, SystemCalls& calls);

  // Reads the next piece into `buffer`; empty at the end of the file. Throws FileError
  // (CannotRead).
  std::string_view read(std::span<char> buffer);
  // Back to the first byte. Throws FileError (CannotRead).
  void rewind();

  // The path of the file itself, where it is replaced: the listed path, or for a symbolic link
  // the file it points to. Throws FileError (CannotRead).
  std::wstring place() const;
  const FileStamp& stamp() const { return stamp_; }
  DWORD links() const { return information_.nNumberOfLinks; }
  DWORD attributes() const { return information_.dwFileAttributes; }
  const FILETIME& creationTime() const { return information_.ftCreationTime; }
  // Its security descriptor with the parts `which` asks for, when its access list is its own
  // (set on the file, not only inherited from its folder); empty otherwise, and where the
  // system does not give it.
  std::vector<BYTE> ownSecurity(SECURITY_INFORMATION which) const;

  void close() { handle_.reset(); }

 private:
  std::wstring file_;  // as given, for the messages
  SystemCalls& calls_;
  FileHandle handle_;
  BY_HANDLE_FILE_INFORMATION information_{};
  FileStamp stamp_;
};

// Whether the file at `place` is still the one stamped (false when it is gone). Throws FileError
// (CannotSave) when it cannot be looked at. `file` names it in the messages.
bool isUnchanged(const std::wstring& file, const std::wstring& place, const FileStamp& read,
                 SystemCalls& calls);

// The converted copy: a new file beside the remittance it is to replace, named
// "~<16 hex digits>.tmp" (never a remittance name; the digits are drawn at random, so leftovers
// cannot use the names up), created exclusively and encrypted if the remittance is. On a local
// drive it is marked for deletion until it is read back, so that a program ended while it is
// written leaves nothing; a remote file system may refuse writes to a file so marked, and there
// the copy is deleted by name on every failure instead. When the object goes, the copy goes too,
// unless it was put in the remittance's place or had to be kept (see putInPlaceOf).
//
// Only the save itself may fail: creating the copy, writing it, flushing it, reading it back,
// checking the remittance and putting the copy in its place. What it keeps of the old file
// besides (owner and access list, attributes, creation time, the room reserved, the deletion
// mark) is done where the system takes it and let go where it does not. Every failure throws
// FileError naming the folder (FolderRefusesNewFiles, FolderLacksRoom, FolderCannotEncrypt) or
// the remittance (CannotSave, ChangedWhileSaving, NotKeptAsWritten, ConvertedCopyKept).
class TemporaryFile {
 public:
  // `place` is where the remittance is replaced; `file` names it in the messages.
  TemporaryFile(const Remittance& remittance, const std::wstring& place, const std::wstring& file,
                SystemCalls& calls);
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;
  ~TemporaryFile();

  // Asks for the room of `size` bytes at once, so that the file system lays the file out in one
  // go; where it cannot, the writes still take their room one by one.
  void reserve(std::uint64_t size);
  void write(std::string_view bytes);
  // The remittance's creation time and attributes.
  void keepTimesAndAttributes(const Remittance& remittance);
  void flush();
  // Closes the copy and reads it back by its name, through `buffer`, to compare it with what
  // was written. Its deletion mark goes first: the copy holds all its bytes now.
  void checkKeptAsWritten(std::span<char> buffer);
  // After checkKeptAsWritten, replaces `place` with this file, if `unchanged` says it is still
  // the one read, and throws FileError (ChangedWhileSaving) where it is not. A failed attempt is
  // tried again, waiting about a second for another program that holds the remittance, with the
  // check before each attempt.
  // The copy is thrown away only while the remittance is still there under its name: where the
  // name is empty, the copy takes it (renamed, or where no rename goes through, copied there and
  // read back), and where even that fails, it is kept and named (ConvertedCopyKept).
  void putInPlaceOf(const std::wstring& place, const std::function<bool()>& unchanged);

 private:
  enum class Name { Taken, Empty, Unknown };
  enum class Step { Creating, Other };

  void create(const Remittance& remittance);
  BOOL createNamed(std::vector<BYTE>& security, DWORD attributes);
  void checkEncrypted();
  DWORD move(const std::wstring& place, bool replacing);
  DWORD readWhole(const std::wstring& path, std::span<char> buffer, Checksum& read) const;
  DWORD tryAgain(const std::wstring& place, const std::function<bool()>& unchanged);
  DWORD takeEmptyName(const std::wstring& place);
  DWORD checkCopied(const std::wstring& place);
  bool wentThrough(const std::function<bool()>& unchanged) const;
  void settleFailedReplace(const std::wstring& place, DWORD error,
                           const std::function<bool()>& unchanged);
  Name look(const std::wstring& path) const;
  bool letGo(const std::wstring& path) const;
  void remove(const std::wstring& path) const;
  [[noreturn]] void fail(DWORD error, Step step = Step::Other) const;

  std::wstring file_;
  SystemCalls& calls_;
  std::wstring folder_;
  std::wstring path_;
  FileHandle handle_;
  Checksum written_;
  bool encrypted_ = false;
  bool marked_ = false;  // for deletion when the handle closes
  bool placed_ = false;
  bool kept_ = false;
};

}  // namespace remittance
