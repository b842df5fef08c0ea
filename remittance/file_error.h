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
  HeldByAnotherProgram,   // the same, because another program holds it (or it may not be replaced)
  ChangedWhileSaving,     // the file on disk was no longer the one read: nothing was written
  HasOtherNames,          // more than one hard link: a replacement would split them
  FolderRefusesNewFiles,  // the file is the folder, where no new file can be created
  FolderLacksRoom,        // the file is the folder, without room for a second copy
  FolderCannotEncrypt,    // the file is the folder, where an encrypted copy cannot be made
  ReadBackDiffers,        // the disk gave back other bytes than were written: nothing replaced
  RemittanceGone,         // another program moved or deleted the remittance while it was saved:
                          // nothing is put in its name; the converted copy is temporaryFile(),
                          // where it is now (empty where that cannot be told, or, with a system
                          // error, where it could not be kept)
  CopyTakenAway,          // the file is the converted copy, which another program moved or
                          // deleted while it was saved: nothing replaced
};

// A file operation that failed: which file or folder (the path as given, which may hold any
// UTF-16 units), what the problem is, the system's own reason, a Win32 error code (0 when the
// system did not refuse anything), and the converted copy that is left on disk, if any: the
// program's temporary file, where it could not be deleted, or where it was left for the user.
class FileError : public std::exception {
 public:
  FileError(FileProblem problem, std::wstring file, unsigned long systemError,
            std::wstring temporaryFile = {})
      : problem_(problem),
        file_(std::move(file)),
        systemError_(systemError),
        temporaryFile_(std::move(temporaryFile)),
        what_("remittance file error: problem " + std::to_string(static_cast<int>(problem)) +
              ", system error " + std::to_string(systemError)) {}

  // The problem and the system's error, for a log or a failed test; the user sees a message
  // made from problem(), file() and systemError().
  const char* what() const noexcept override { return what_.c_str(); }
  FileProblem problem() const { return problem_; }
  const std::wstring& file() const { return file_; }
  unsigned long systemError() const { return systemError_; }
  const std::wstring& temporaryFile() const { return temporaryFile_; }

 private:
  FileProblem problem_;
  std::wstring file_;
  unsigned long systemError_;
  std::wstring temporaryFile_;
  std::string what_;
};

}  // namespace remittance
