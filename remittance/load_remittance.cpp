#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <new>

#include "file_error.h"
#include "file_information.h"
#include "long_path.h"
#include "remittance_files.h"
#include "unique_handle.h"

namespace remittance {
namespace {

// ReadFile moves at most this much in one call.
constexpr std::size_t kLargestRead = 1u << 30;

[[noreturn]] void failRead(const std::wstring& file, DWORD error) {
  throw FileError(FileAction::Read, file, error);
}

Document unsetDocument(const std::wstring& file, std::uint64_t size) {
  if (size > SIZE_MAX / 2) failRead(file, ERROR_NOT_ENOUGH_MEMORY);
  try {
    return Document::withUnsetText(static_cast<std::size_t>(size));
  } catch (const std::bad_alloc&) {
    failRead(file, ERROR_NOT_ENOUGH_MEMORY);
  }
}

}  // namespace

LoadedRemittance loadRemittance(const std::wstring& file, SystemCalls& calls) {
  const UniqueHandle handle(calls.createFile(longPath(file).c_str(), GENERIC_READ, FILE_SHARE_READ,
                                             OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN));
  if (!handle.valid()) failRead(file, GetLastError());
  BY_HANDLE_FILE_INFORMATION information{};
  if (!calls.getFileInformation(handle.get(), &information)) failRead(file, GetLastError());

  LoadedRemittance loaded{{}, stampFrom(information)};
  loaded.document = unsetDocument(file, loaded.stamp.size);
  char* const text = loaded.document.writableText();
  const std::size_t size = loaded.document.text().size();
  for (std::size_t done = 0; done < size;) {
    const auto piece = static_cast<DWORD>(std::min(size - done, kLargestRead));
    DWORD got = 0;
    if (!calls.readFile(handle.get(), text + done, piece, &got)) failRead(file, GetLastError());
    // Nobody can write to the file while it is open here: a short file is a failed read.
    if (got == 0) failRead(file, ERROR_HANDLE_EOF);
    done += got;
  }
  return loaded;
}

FileStamp stampOf(const std::wstring& file, SystemCalls& calls) {
  BY_HANDLE_FILE_INFORMATION information{};
  const DWORD error = readFileInformation(longPath(file), information, calls);
  if (error != ERROR_SUCCESS) failRead(file, error);
  return stampFrom(information);
}

}  // namespace remittance
