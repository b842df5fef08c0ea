#pragma once

// The system calls the remittance files are read and written with, as one object the file
// functions take as their last parameter. The program always uses the real calls; a test passes
// an object of its own to make any one call fail, or to end the process at that call.

#include <windows.h>

namespace remittance {

class SystemCalls {
 public:
  virtual ~SystemCalls() = default;

  virtual HANDLE createFile(const wchar_t* path, DWORD access, DWORD sharing, DWORD disposition,
                            DWORD flagsAndAttributes);
  virtual BOOL getFileInformation(HANDLE file, BY_HANDLE_FILE_INFORMATION* information);
  virtual BOOL readFile(HANDLE file, void* buffer, DWORD size, DWORD* done);
  virtual BOOL writeFile(HANDLE file, const void* bytes, DWORD size, DWORD* done);
  virtual BOOL setCreationTime(HANDLE file, const FILETIME* time);
  virtual BOOL flushFileBuffers(HANDLE file);
  virtual BOOL closeHandle(HANDLE handle);
  // MoveFileExW with MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH.
  virtual BOOL replaceFile(const wchar_t* from, const wchar_t* to);
  virtual BOOL deleteFile(const wchar_t* path);
  virtual void pause(DWORD milliseconds);
};

// The real calls; the object holds no state.
SystemCalls& realSystemCalls();

}  // namespace remittance
