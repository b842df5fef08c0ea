#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <memory>
#include <string>

#include "file_error.h"
#include "folder_listing.h"
#include "remittance_folder.h"

namespace remittance {
namespace {

struct DirectoryCloser {
  void operator()(DIR* directory) const { closedir(directory); }
};

bool isRegularFile(DIR* directory, const char* name) {
  struct stat status {};
  return fstatat(dirfd(directory), name, &status, 0) == 0 && S_ISREG(status.st_mode);
}

}  // namespace

std::error_code lastSystemError() {
  return {errno, std::generic_category()};
}

std::filesystem::path executableFolder() {
  std::error_code error;
  const auto program = std::filesystem::read_symlink("/proc/self/exe", error);
  if (error) throw FileError(FileAction::Read, "/proc/self/exe", error);
  return program.parent_path();
}

std::vector<std::filesystem::path> listVisibleRegularFiles(const std::filesystem::path& folder) {
  std::unique_ptr<DIR, DirectoryCloser> directory(opendir(folder.c_str()));
  if (!directory) throw FileError(FileAction::ListFolder, folder, lastSystemError());

  std::vector<std::filesystem::path> names;
  errno = 0;
  while (const dirent* entry = readdir(directory.get())) {
    const bool hidden = entry->d_name[0] == '.';
    if (!hidden && isRegularFile(directory.get(), entry->d_name)) names.emplace_back(entry->d_name);
    errno = 0;
  }
  if (errno != 0) throw FileError(FileAction::ListFolder, folder, lastSystemError());
  return names;
}

bool lessIgnoringCase(const std::filesystem::path& left, const std::filesystem::path& right) {
  const auto fold = [](unsigned char c) { return (c >= 'A' && c <= 'Z') ? c - 'A' + 'a' : c; };
  const std::string& a = left.native();
  const std::string& b = right.native();
  const std::size_t common = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < common; ++i) {
    const int difference =
        fold(static_cast<unsigned char>(a[i])) - fold(static_cast<unsigned char>(b[i]));
    if (difference != 0) return difference < 0;
  }
  return a.size() < b.size();
}

}  // namespace remittance
