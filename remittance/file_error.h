#pragma once

#include <exception>
#include <string>
#include <utility>

namespace remittance {

// Why a file could not be used.
enum class FileProblem {
  CannotListFolder,       // the file is the folder
  CannotRead,             // the remittance cannot be opened or read
  CannotSave,             // the remittance cannot be replaced: it keeps its bytes
  ChangedWhileSaving,     // the file on disk was no longer the one read: nothing was written
  HasOtherNames,          // more than one hard link: a replacement would split them
  FolderRefusesNewFiles,  // the file is the folder, where no new file can be created
  FolderLacksRoom,        // the file is the folder, without room for a second copy
  FolderCannotEncrypt,    // the file is the folder, where an encrypted copy cannot be made
  NotKeptAsWritten,       // the disk gave back other bytes than were written: nothing replaced
  ConvertedCopyKept,      // the remittance's name is empty and the converted copy could not take
                          // it: the copy is kept, under the name keptCopy()
};

// A file operation that failed: which file or folder (the path as given, which may hold any
// UTF-16 units), what the problem is and the system's own reason, a Win32 error code (0 when the
// system did not refuse anything).
class FileError : public std::exception {
 public:
  FileError(FileProblem problem, std::wstring file, unsigned long systemError,
            std::wstring keptCopy = {})
      : problem_(problem),
        file_(std::move(file)),
        systemError_(systemError),
        keptCopy_(std::move(keptCopy)),
        what_("remittance file error: problem " + std::to_string(static_cast<int>(problem)) +
              ", system error " + std::to_string(systemError)) {}

  // The problem and the system's error, for a log or a failed test; the user sees a message
  // made from problem(), file() and systemError().
  const char* what() const noexcept override { return what_.c_str(); }
  FileProblem problem() const { return problem_; }
  const std::wstring& file() const { return file_; }
  unsigned long systemError() const { return systemError_; }
  const std::wstring& keptCopy() const { return keptCopy_; }

 private:
  FileProblem problem_;
  std::wstring file_;
  unsigned long systemError_;
  std::wstring keptCopy_;
  std::string what_;
};

}  // namespace remittance
