#include "system_calls.h"

namespace remittance {

HANDLE SystemCalls::createFile(const wchar_t* path, DWORD access, DWORD sharing, DWORD disposition,
                               DWORD flagsAndAttributes, SECURITY_ATTRIBUTES* security) {
  return CreateFileW(path, access, sharing, security, disposition, flagsAndAttributes, nullptr);
}

BOOL SystemCalls::getFileInformation(HANDLE file, BY_HANDLE_FILE_INFORMATION* information) {
  return GetFileInformationByHandle(file, information);
}

BOOL SystemCalls::getBasicInformation(HANDLE file, FILE_BASIC_INFO* information) {
  return GetFileInformationByHandleEx(file, FileBasicInfo, information, sizeof *information);
}

BOOL SystemCalls::setBasicInformation(HANDLE file, const FILE_BASIC_INFO* information) {
  FILE_BASIC_INFO copy = *information;
  return SetFileInformationByHandle(file, FileBasicInfo, &copy, sizeof copy);
}

DWORD SystemCalls::getFinalPath(HANDLE file, wchar_t* path, DWORD size) {
  return GetFinalPathNameByHandleW(file, path, size, FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
}

DWORD SystemCalls::getAttributes(const wchar_t* path) {
  return GetFileAttributesW(path);
}

UINT SystemCalls::getDriveType(const wchar_t* root) {
  return GetDriveTypeW(root);
}

BOOL SystemCalls::getSecurity(HANDLE file, SECURITY_INFORMATION which,
                              std::vector<BYTE>& descriptor) {
  for (;;) {
    DWORD needed = 0;
    if (GetKernelObjectSecurity(file, which, descriptor.data(),
                                static_cast<DWORD>(descriptor.size()), &needed)) {
      return TRUE;
    }
    if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || needed <= descriptor.size()) return FALSE;
    descriptor.resize(needed);
  }
}

BOOL SystemCalls::readFile(HANDLE file, void* buffer, DWORD size, DWORD* done) {
  return ReadFile(file, buffer, size, done, nullptr);
}

BOOL SystemCalls::rewind(HANDLE file) {
  return SetFilePointerEx(file, LARGE_INTEGER{}, nullptr, FILE_BEGIN);
}

BOOL SystemCalls::writeFile(HANDLE file, const void* bytes, DWORD size, DWORD* done) {
  return WriteFile(file, bytes, size, done, nullptr);
}

BOOL SystemCalls::reserveSpace(HANDLE file, LONGLONG size) {
  FILE_ALLOCATION_INFO room{};
  room.AllocationSize.QuadPart = size;
  return SetFileInformationByHandle(file, FileAllocationInfo, &room, sizeof room);
}

namespace {

BOOL setDeletion(HANDLE file, bool deleted) {
  FILE_DISPOSITION_INFO disposition{static_cast<BOOLEAN>(deleted)};
  return SetFileInformationByHandle(file, FileDispositionInfo, &disposition, sizeof disposition);
}

}  // namespace

BOOL SystemCalls::markForDeletion(HANDLE file) {
  return setDeletion(file, true);
}

BOOL SystemCalls::clearDeletionMark(HANDLE file) {
  return setDeletion(file, false);
}

BOOL SystemCalls::flushFileBuffers(HANDLE file) {
  return FlushFileBuffers(file);
}

BOOL SystemCalls::moveFile(const wchar_t* from, const wchar_t* to) {
  return MoveFileExW(from, to, MOVEFILE_REPLACE_EXISTING);
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
