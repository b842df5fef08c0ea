#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <initializer_list>
#include <string>
#include <utility>

#include "document_file.h"
#include "file_error.h"

namespace remittance {
namespace {

// A POSIX file descriptor that is closed when it goes out of scope.
class FileDescriptor {
 public:
  explicit FileDescriptor(int descriptor) : descriptor_(descriptor) {}
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  FileDescriptor(FileDescriptor&& other) noexcept
      : descriptor_(std::exchange(other.descriptor_, -1)) {}
  ~FileDescriptor() {
    if (descriptor_ >= 0) ::close(descriptor_);
  }

  int get() const { return descriptor_; }
  bool valid() const { return descriptor_ >= 0; }

  // Closes now and reports whether the system accepted it.
  bool close() { return ::close(std::exchange(descriptor_, -1)) == 0; }

 private:
  int descriptor_;
};

[[noreturn]] void fail(FileAction action, const std::filesystem::path& file, int error) {
  throw FileError(action, file, std::error_code(error, std::generic_category()));
}

bool writeAll(int descriptor, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t written = ::write(descriptor, bytes.data(), bytes.size());
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    bytes.remove_prefix(static_cast<std::size_t>(written));
  }
  return true;
}

std::filesystem::path temporaryPathFor(const std::filesystem::path& file, int attempt) {
  std::filesystem::path temporary = file;
  temporary += "." + std::to_string(::getpid()) + "-" + std::to_string(attempt) + ".tmp";
  return temporary;
}

FileDescriptor createTemporary(const std::filesystem::path& file,
                               std::filesystem::path& temporary) {
  for (int attempt = 0;; ++attempt) {
    temporary = temporaryPathFor(file, attempt);
    FileDescriptor descriptor(
        ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
    if (descriptor.valid() || errno != EEXIST || attempt == 100) return descriptor;
  }
}

// Makes the rename of a file in `folder` last across a power cut.
void syncFolder(const std::filesystem::path& folder) {
  FileDescriptor directory(
      ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (directory.valid()) ::fsync(directory.get());
}

// Writes the pieces into the new temporary file and flushes it; returns 0 or the errno.
int fillTemporary(FileDescriptor& descriptor, std::initializer_list<std::string_view> pieces,
                  const struct stat* original) {
  if (original && ::fchmod(descriptor.get(), original->st_mode & 07777) != 0) return errno;
  for (std::string_view piece : pieces) {
    if (!writeAll(descriptor.get(), piece)) return errno != 0 ? errno : EIO;
  }
  if (::fsync(descriptor.get()) != 0) return errno;
  if (!descriptor.close()) return errno;
  return 0;
}

}  // namespace

std::string loadDocument(const std::filesystem::path& file) {
  FileDescriptor descriptor(::open(file.c_str(), O_RDONLY | O_CLOEXEC));
  if (!descriptor.valid()) fail(FileAction::Read, file, errno);
  struct stat status {};
  if (::fstat(descriptor.get(), &status) != 0) fail(FileAction::Read, file, errno);
  if (S_ISDIR(status.st_mode)) fail(FileAction::Read, file, EISDIR);

  const auto size = static_cast<std::size_t>(status.st_size);
  std::string document;
  document.reserve(size + kDocumentSlack);
  document.resize(size);
  std::size_t done = 0;
  while (done < size) {
    const ssize_t got = ::read(descriptor.get(), document.data() + done, size - done);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) fail(FileAction::Read, file, errno);
    if (got == 0) break;  // The file shrank while being read: keep what it holds now.
    done += static_cast<std::size_t>(got);
  }
  document.resize(done);
  return document;
}

void saveDocument(const std::filesystem::path& file, std::string_view document) {
  struct stat original {};
  const bool exists = ::stat(file.c_str(), &original) == 0;
  if (!exists && errno != ENOENT) fail(FileAction::Write, file, errno);
  if (exists && (original.st_mode & 0222) == 0) fail(FileAction::Write, file, EACCES);

  std::filesystem::path temporary;
  FileDescriptor descriptor = createTemporary(file, temporary);
  if (!descriptor.valid()) fail(FileAction::Write, file, errno);

  int error = fillTemporary(descriptor, {document, kSavedLineEnd}, exists ? &original : nullptr);
  if (error == 0 && ::rename(temporary.c_str(), file.c_str()) != 0) error = errno;
  if (error != 0) {
    ::unlink(temporary.c_str());
    fail(FileAction::Write, file, error);
  }
  syncFolder(file.parent_path());
}

}  // namespace remittance
