#pragma once

// The remittance files on Windows: the folder and its listing, loading, and the crash-safe save.
// Paths are wide Win32 paths, used as given (a name may hold any UTF-16 units).

#include <cstdint>
#include <string>
#include <vector>

#include "document.h"
#include "system_calls.h"

namespace remittance {

// Which file a path led to, and the state it was in: a file replaced, rewritten, grown or
// touched since has another stamp.
struct FileStamp {
  std::uint32_t volume = 0;
  std::uint64_t index = 0;
  std::uint64_t size = 0;
  std::uint64_t lastWrite = 0;
  bool operator==(const FileStamp&) const = default;
};

struct LoadedRemittance {
  Document document;
  FileStamp stamp;
};

// Where the remittance files are kept: "remesas" beside the program, with a closing backslash.
// The program never creates it.
std::wstring remittanceFolder();

// The names, without folder, of the remittances in `folder`: its regular files that are neither
// hidden nor system files and whose name isRemittanceName accepts, sorted without regard to
// letter case. Throws FileError (ListFolder) when the folder cannot be read.
std::vector<std::wstring> listRemittances(const std::wstring& folder);

// Reads the whole file, byte for byte, with its stamp. Throws FileError (Read).
LoadedRemittance loadRemittance(const std::wstring& file, SystemCalls& calls = realSystemCalls());

// The stamp of the file as it is now. Throws FileError (Read) when it is gone or unreadable.
FileStamp stampOf(const std::wstring& file, SystemCalls& calls = realSystemCalls());

// Replaces `file` with the document followed by CR LF: the bytes go to a new temporary file
// "~<8 hex digits>.tmp" beside it, which is flushed, closed and then put in the file's place in
// one step, keeping the file's creation time and its archive, hidden, system and not-indexed
// attributes. Throws FileError (ChangedWhileSaving) when the file on disk is not the one stamped
// `loaded` any more, and FileError (Write) on any other failure, a read-only file or a folder in
// its place included. On any failure the file keeps its exact bytes and no temporary file is left.
void saveRemittance(const std::wstring& file, const Document& document, const FileStamp& loaded,
                    SystemCalls& calls = realSystemCalls());

}  // namespace remittance
