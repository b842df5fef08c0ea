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
  // Its security descriptor with the parts `which` asks for. Throws FileError (CannotSave).
  std::vector<BYTE> security(SECURITY_INFORMATION which) const;

  void close() { handle_.reset(); }

 private:
  std::wstring file_;  // as given, for the messages
  SystemCalls& calls_;
  FileHandle handle_;
  BY_HANDLE_FILE_INFORMATION information_{};
  FileStamp stamp_;
};

// Throws FileError (ChangedWhileSaving) when the file at `place` is not the one stamped, and
// FileError (CannotSave) when it cannot be looked at. `file` names it in the messages.
void checkUnchanged(const std::wstring& file, const std::wstring& place, const FileStamp& read,
                    SystemCalls& calls);

// A new file beside the remittance it is to replace, named "~<16 hex digits>.tmp" (never a
// remittance name; the digits are drawn at random, so leftovers cannot use the names up), created
// exclusively with the remittance's attributes, encryption and security descriptor, and marked
// for deletion: a program ended while it is written leaves nothing. When the object goes, the
// file goes too, unless it was put in the remittance's place. Every failure throws FileError
// naming the folder (FolderRefusesNewFiles, FolderLacksRoom) or the remittance (CannotSave).
class TemporaryFile {
 public:
  // `place` is where the remittance is replaced; `file` names it in the messages.
  TemporaryFile(const Remittance& remittance, const std::wstring& place, const std::wstring& file,
                SystemCalls& calls);
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;
  ~TemporaryFile();

  // Takes the room for `size` bytes at once: a folder without room for the new file says so
  // before anything is written, and the file system lays the file out in one go.
  void reserve(std::uint64_t size);
  void write(std::string_view bytes);
  void setCreationTime(const FILETIME& time);
  void flush();
  // Replaces `place` with this file in one step, waiting about a second for another program that
  // holds it briefly. `checkUnchanged` runs before every attempt; the deletion mark is cleared
  // just before each.
  void putInPlaceOf(const std::wstring& place, const std::function<void()>& checkUnchanged);

 private:
  [[noreturn]] void fail(DWORD error) const;

  std::wstring file_;
  SystemCalls& calls_;
  std::wstring folder_;
  std::wstring path_;
  FileHandle handle_;
  bool marked_ = false;  // for deletion when the handle closes
  bool placed_ = false;
};

}  // namespace remittance
