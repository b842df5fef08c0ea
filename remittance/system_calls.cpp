#include "system_calls.h"

namespace remittance {

HANDLE SystemCalls::createFile(const wchar_t* path, DWORD access, DWORD sharing, DWORD disposition,
                               DWORD flagsAndAttributes) {
  return CreateFileW(path, access, sharing, nullptr, disposition, flagsAndAttributes, nullptr);
}

BOOL SystemCalls::getFileInformation(HANDLE file, BY_HANDLE_FILE_INFORMATION* information) {
  return GetFileInformationByHandle(file, information);
}

BOOL SystemCalls::readFile(HANDLE file, void* buffer, DWORD size, DWORD* done) {
  return ReadFile(file, buffer, size, done, nullptr);
}

BOOL SystemCalls::writeFile(HANDLE file, const void* bytes, DWORD size, DWORD* done) {
  return WriteFile(file, bytes, size, done, nullptr);
}

BOOL SystemCalls::setCreationTime(HANDLE file, const FILETIME* time) {
  return SetFileTime(file, time, nullptr, nullptr);
}

BOOL SystemCalls::flushFileBuffers(HANDLE file) {
  return FlushFileBuffers(file);
}

BOOL SystemCalls::closeHandle(HANDLE handle) {
  return CloseHandle(handle);
}

BOOL SystemCalls::replaceFile(const wchar_t* from, const wchar_t* to) {
  return MoveFileExW(from, to, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
}

BOOL SystemCalls::deleteFile(const wchar_t* path) {
  return DeleteFileW(path);
}

void SystemCalls::pause(DWORD milliseconds) {
  Sleep(milliseconds);
}

SystemCalls& realSystemCalls() {
  static SystemCalls calls;
  return calls;
}

}  // namespace remittance
