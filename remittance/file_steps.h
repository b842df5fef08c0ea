#pragma once

// The steps of a conversion on the file system: the remittance opened for its one pass, and the
// temporary file that replaces it once the file on disk is found to be still the one read.

#include <windows.h>

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "checksum.h"
#include "file_error.h"
#include "owned_handle.h"
#include "system_calls.h"

namespace remittance {

// The full path of `file` in the "\\?\" form: see remittance_files.h.
std::wstring longPath(const std::wstring& file);

// Which file a path led to and the state it was in: a file replaced, rewritten (even to the same
// size and last-write time: its change time moves) or renamed over has another stamp. A file is
// told by its 128-bit identifier where the system gives it for both stamps (Windows 8 and later;
// the 64-bit index is not unique on ReFS), else by its volume and 64-bit index.
struct FileStamp {
  std::uint32_t volume = 0;
  std::uint64_t index = 0;
  bool hasId = false;
  FileId id{};
  std::uint64_t size = 0;
  std::int64_t lastWrite = 0;
  std::int64_t change = 0;
  bool isSameFileAs(const FileStamp& other) const;
  bool operator==(const FileStamp& other) const {
    return isSameFileAs(other) && size == other.size && lastWrite == other.lastWrite &&
           change == other.change;
  }
};

// The remittance, opened for reading (others may read it, nobody may write it meanwhile).
class Remittance {
 public:
  // Opens `file`, waiting up to about a second for a passing lock, and stamps it. Throws
  // FileError (CannotRead).
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

// The converted copy: a new file beside the remittance it is to replace, named
// "~<16 hex digits>.tmp" (never a remittance name; the digits are drawn at random, so leftovers
// cannot use the names up), created exclusively and encrypted if the remittance is. On a local
// drive it is marked for deletion while it is written and read back, so that a program ended
// then leaves nothing; a remote file system may refuse writes to a file so marked, and there it
// is deleted by its path instead.
//
// Only the save itself may fail: creating the copy, writing it, flushing it, reading it back and
// putting it in the remittance's place. What else it takes over from the old file (owner and
// access list, attributes, creation time) and what only helps (the room reserved, the deletion
// mark) is best effort: done where the system takes it, let go where it does not. Every failure
// throws FileError naming the folder (FolderRefusesNewFiles, FolderLacksRoom,
// FolderCannotEncrypt), the remittance (CannotSave, HeldByAnotherProgram, ChangedWhileSaving,
// ReadBackDiffers, RemittanceGone) or the copy (CopyTakenAway). The copy is deleted on every
// failure but RemittanceGone; where its deletion fails, the error names it (temporaryFile()).
//
// The copy is known by its own handle, which it keeps from the read-back to the end: the rename
// goes through it, and where the copy is afterwards is asked of it.
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
  void copyTimesAndAttributes(const Remittance& remittance);
  void flush();
  // Reads the copy back through `buffer`, by its name as anyone will read it, and compares it
  // with what was written. From here to the replace nobody else may write it.
  void checkReadBack(std::span<char> buffer);
  // After checkReadBack, replaces the remittance at `place` with this file while the file there
  // is still the one `read`, checked just before every attempt, trying again for about a second
  // while another program holds it. Where it is not: the copy is deleted (ChangedWhileSaving),
  // or, where no file has the name any more, left where it is, and named (RemittanceGone):
  // nothing is put in a name someone emptied.
  void putInPlaceOf(const std::wstring& place, const FileStamp& read);

  // Deletes the copy after a failure elsewhere, and returns `error`, naming the copy where it
  // could not be deleted.
  FileError discard(const FileError& error);

 private:
  enum class Step { Creating, Other };
  enum class AtPlace { FileRead, Copy, Other, Nothing };

  void create(const Remittance& remittance);
  BOOL createNamed(std::vector<BYTE>& security, DWORD attributes);
  void checkEncrypted();
  void mark();
  DWORD unmark();
  void openForReadBack();
  AtPlace whatIsAt(const std::wstring& place, const FileStamp& read);
  DWORD rename(const std::wstring& place);
  std::wstring pathNow();
  std::optional<bool> isAt(const std::wstring& path);
  std::wstring whereNow();
  bool isWhereMade();
  [[noreturn]] void leaveForTheUser();
  std::wstring remove();
  [[noreturn]] void fail(DWORD error, Step step = Step::Other);
  [[noreturn]] void fail(const FileError& error);

  std::wstring file_;
  SystemCalls& calls_;
  std::wstring folder_;
  std::wstring path_;  // where it was created
  bool remote_ = false;
  FileHandle handle_;
  Checksum written_;
  int pausesLeft_;  // of the one wait its opens and the replace share
  bool encrypted_ = false;
  bool marked_ = false;  // for deletion when the handle closes
  bool done_ = false;    // in place, or left for the user: not to be deleted
};

}  // namespace remittance
