#include "file_information.h"

#include "unique_handle.h"

namespace remittance {
namespace {

std::uint64_t joined(DWORD high, DWORD low) {
  return (std::uint64_t{high} << 32) | low;
}

}  // namespace

DWORD readFileInformation(const std::wstring& longPath, BY_HANDLE_FILE_INFORMATION& information,
                          SystemCalls& calls) {
  const UniqueHandle file(calls.createFile(longPath.c_str(), FILE_READ_ATTRIBUTES,
                                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                           OPEN_EXISTING, 0));
  if (!file.valid()) return GetLastError();
  if (!calls.getFileInformation(file.get(), &information)) return GetLastError();
  return ERROR_SUCCESS;
}

FileStamp stampFrom(const BY_HANDLE_FILE_INFORMATION& information) {
  return {information.dwVolumeSerialNumber,
          joined(information.nFileIndexHigh, information.nFileIndexLow),
          joined(information.nFileSizeHigh, information.nFileSizeLow),
          joined(information.ftLastWriteTime.dwHighDateTime,
                 information.ftLastWriteTime.dwLowDateTime)};
}

}  // namespace remittance
