#pragma once

// A fresh folder for one test, removed with everything in it when the test ends. The folders go
// in the system's temporary folder, or in the folder that TRASVIDORA_TEST_FOLDER names (a disk of
// another file system, a network drive), so that the same tests run there.

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

// Where the test folders go.
inline std::filesystem::path testFoldersPlace() {
#ifdef _WIN32
  const wchar_t* chosen = _wgetenv(L"TRASVIDORA_TEST_FOLDER");
#else
  const char* chosen = std::getenv("TRASVIDORA_TEST_FOLDER");
#endif
  if (chosen && *chosen) return chosen;
  return std::filesystem::temp_directory_path();
}

class TempFolder {
 public:
  TempFolder() {
    static std::atomic<int> counter{0};
    const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    path_ = testFoldersPlace() /
            ("trasvidora-test-" + std::to_string(stamp) + "-" + std::to_string(counter++));
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

inline void writeBytes(const std::filesystem::path& file, std::string_view bytes) {
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

inline std::string readBytes(const std::filesystem::path& file) {
  std::error_code missing;
  const auto size = std::filesystem::file_size(file, missing);
  if (missing) return {};
  std::ifstream in(file, std::ios::binary);
  std::string bytes(size, '\0');
  in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return bytes;
}
