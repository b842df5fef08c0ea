#pragma once

// A fresh folder for one test, removed with everything in it when the test ends. The folders go
// in the system's temporary folder, or in the folder that TRASVIDORA_TEST_FOLDER names (a disk of
// another file system, a network drive), so that the same tests run there, or where a test says.

#ifdef _WIN32
#include <windows.h>
#endif

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <string_view>

// Where the test folders go.
#ifdef _WIN32
// In its long form: Windows may give the temporary folder with 8.3 short names
// (C:\Users\RUNNER~1\...), and the program names every file by its long form.
inline std::filesystem::path testFoldersPlace() {
  const wchar_t* chosen = _wgetenv(L"TRASVIDORA_TEST_FOLDER");
  const std::filesystem::path place =
      chosen && *chosen ? chosen : std::filesystem::temp_directory_path();
  std::wstring full(32768, L'\0');
  const DWORD length = GetLongPathNameW(place.c_str(), full.data(), 32768);
  if (length == 0 || length >= 32768) return place;
  full.resize(length);
  return full;
}
#else
inline std::filesystem::path testFoldersPlace() {
  const char* chosen = std::getenv("TRASVIDORA_TEST_FOLDER");
  if (chosen && *chosen) return chosen;
  return std::filesystem::temp_directory_path();
}
#endif

class TempFolder {
 public:
  explicit TempFolder(const std::filesystem::path& place = testFoldersPlace()) {
    static std::atomic<int> counter{0};
    const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    path_ = place / ("trasvidora-test-" + std::to_string(stamp) + "-" + std::to_string(counter++));
    std::filesystem::create_directories(path_);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  ~TempFolder() {
    // Read-only files left by a test must not keep the folder from going.
    std::error_code ignored;
    std::filesystem::recursive_directory_iterator entry(path_, ignored), end;
    for (; entry != end; entry.increment(ignored)) {
      std::filesystem::permissions(entry->path(), std::filesystem::perms::owner_all,
                                   std::filesystem::perm_options::add, ignored);
    }
    std::filesystem::remove_all(path_, ignored);
  }

  const std::filesystem::path& path() const { return path_; }
  std::filesystem::path operator/(const std::filesystem::path& name) const { return path_ / name; }

 private:
  std::filesystem::path path_;
};

// Writes a whole file anew. A file already there is deleted first rather than cut short in place:
// the FAT driver through FUSE corrupts a file cut short, and a later rename over it never ends.
inline void writeBytes(const std::filesystem::path& file, std::string_view bytes) {
  std::error_code absent;
  std::filesystem::remove(file, absent);
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

inline std::string readBytes(const std::filesystem::path& file) {
  std::error_code missing;
  const auto size = std::filesystem::file_size(file, missing);
  if (missing) return {};
  // A 32-bit test program cannot hold a file of 4 GiB or more whole: such a file is read in parts.
  if (size > std::string().max_size()) throw std::length_error("too large to read whole");
  // Read to the end, not to that size: a network drive may still answer the size the file had
  // before its last write.
  std::ifstream in(file, std::ios::binary);
  std::string bytes;
  char piece[1 << 16];
  while (in.read(piece, sizeof piece) || in.gcount() > 0) bytes.append(piece, in.gcount());
  return bytes;
}
