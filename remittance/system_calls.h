#pragma once

// The system calls the remittance files are read and written with, as one object the file
// functions take as their last parameter. The program always uses the real calls; a test passes
// an object of its own to make any one call fail, or to end the process at that call.

#include <windows.h>

#include <vector>

namespace remittance {

class SystemCalls {
 public:
  virtual ~SystemCalls() = default;

  virtual HANDLE createFile(const wchar_t* path, DWORD access, DWORD sharing, DWORD disposition,
                            DWORD flagsAndAttributes, SECURITY_ATTRIBUTES* security = nullptr);
  virtual BOOL getFileInformation(HANDLE file, BY_HANDLE_FILE_INFORMATION* information);
  // GetFileInformationByHandleEx(FileBasicInfo): the times, the change time included.
  virtual BOOL getBasicInformation(HANDLE file, FILE_BASIC_INFO* information);
  // SetFileInformationByHandle(FileBasicInfo): the times and attributes that are not zero.
  virtual BOOL setBasicInformation(HANDLE file, const FILE_BASIC_INFO* information);
  // GetFinalPathNameByHandleW, in the "\\?\" form.
  virtual DWORD getFinalPath(HANDLE file, wchar_t* path, DWORD size);
  virtual DWORD getAttributes(const wchar_t* path);
  // GetDriveTypeW of a root such as "C:\".
  virtual UINT getDriveType(const wchar_t* root);
  // The file's security descriptor, self-relative, with the parts `which` asks for.
  virtual BOOL getSecurity(HANDLE file, SECURITY_INFORMATION which, std::vector<BYTE>& descriptor);
  virtual BOOL readFile(HANDLE file, void* buffer, DWORD size, DWORD* done);
  virtual BOOL rewind(HANDLE file);
  virtual BOOL writeFile(HANDLE file, const void* bytes, DWORD size, DWORD* done);
  // SetFileInformationByHandle(FileAllocationInfo): room on the disk for `size` bytes.
  virtual BOOL reserveSpace(HANDLE file, LONGLONG size);
  // SetFileInformationByHandle(FileDispositionInfo): the file goes when its last handle closes,
  // or, cleared, stays.
  virtual BOOL markForDeletion(HANDLE file);
  virtual BOOL clearDeletionMark(HANDLE file);
  virtual BOOL flushFileBuffers(HANDLE file);
  // MoveFileExW with MOVEFILE_REPLACE_EXISTING: `to`, if there, is replaced in one step.
  virtual BOOL moveFile(const wchar_t* from, const wchar_t* to);
  virtual BOOL deleteFile(const wchar_t* path);
  virtual void pause(DWORD milliseconds);

  // The calls made between these two are best effort: they take over something the old file had
  // besides its bytes (its access list, times and attributes, its link), or only help (the drive
  // type, the room reserved, the deletion mark that cleans up after a program ended mid-save).
  // Where one is refused, the save goes on without it. The real calls need not know; a test that
  // fails calls does.
  virtual void bestEffortBegins() {}
  virtual void bestEffortEnds() {}
};

// The real calls; the object holds no state.
SystemCalls& realSystemCalls();

// Marks the calls made while it lives as best effort (see SystemCalls::bestEffortBegins).
class BestEffort {
 public:
  explicit BestEffort(SystemCalls& calls) : calls_(calls) { calls_.bestEffortBegins(); }
  BestEffort(const BestEffort&) = delete;
  BestEffort& operator=(const BestEffort&) = delete;
  ~BestEffort() { calls_.bestEffortEnds(); }

 private:
  SystemCalls& calls_;
};

}  // namespace remittance
