#include "file_error.h"

#include <string>

namespace remittance {
namespace {

std::string describe(FileAction action, const std::filesystem::path& file, std::error_code reason) {
  static constexpr const char* kVerbs[] = {"listing", "reading", "writing"};
  return std::string(kVerbs[static_cast<int>(action)]) + " " + file.string() + ": " +
         reason.message();
}

}  // namespace

FileError::FileError(FileAction action, std::filesystem::path file, std::error_code reason)
    : std::runtime_error(describe(action, file, reason)),
      action_(action),
      file_(std::move(file)),
      reason_(reason) {}

}  // namespace remittance
