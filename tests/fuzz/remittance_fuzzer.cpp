// Fuzzes the conversion core with any bytes as a remittance file:
//  - the prefix change: the document changes if and only if the first "<MsgId>" is followed by
//    "PRE", and then it is the input with exactly those three characters replaced by "FSDD"; it
//    is done in place, without a new buffer, and a second change is always refused;
//  - loading and saving: a file loads byte for byte, and saving writes the document followed by
//    CR LF over the file, leaving nothing else in the folder.
// Any broken property aborts, which libFuzzer reports with the input that caused it.

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <string_view>

#include "document_file.h"
#include "prefix_change.h"
#include "temp_folder.h"

namespace {

void require(bool holds, const char* property) {
  if (!holds) {
    std::fprintf(stderr, "broken: %s\n", property);
    std::abort();
  }
}

// The first "<MsgId>", found the plain way, independently of the code under test.
std::size_t firstTag(std::string_view text) {
  constexpr std::string_view kTag = "<MsgId>";
  for (std::size_t at = 0; at + kTag.size() <= text.size(); ++at) {
    if (std::memcmp(text.data() + at, kTag.data(), kTag.size()) == 0) return at;
  }
  return std::string_view::npos;
}

// The folder the round trip works in: in memory where the system has one, so that the flushes
// of each save cost little; removed when the fuzzer ends.
class WorkFolder {
 public:
  WorkFolder() {
    const std::filesystem::path shared = "/dev/shm";
    const auto base =
        std::filesystem::is_directory(shared) ? shared : std::filesystem::temp_directory_path();
    path_ = base / ("trasvidora-fuzz-" + std::to_string(::getpid()));
    std::filesystem::create_directories(path_);
  }
  ~WorkFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

void checkPrefixChange(std::string_view input) {
  const std::size_t tag = firstTag(input);
  const bool changeable = tag != std::string_view::npos && input.size() >= tag + 10 &&
                          input.substr(tag + 7, 3) == "PRE";

  std::string document(input);
  require(remittance::changeMessageIdPrefix(document) == changeable,
          "changed if and only if the first <MsgId> is followed by PRE");
  if (changeable) {
    const std::string expected =
        std::string(input.substr(0, tag + 7)) + "FSDD" + std::string(input.substr(tag + 10));
    require(document == expected, "only PRE after the first <MsgId> becomes FSDD");
  } else {
    require(document == input, "a refused document is untouched");
  }

  const std::string once = document;
  require(!remittance::changeMessageIdPrefix(document), "a document is changed at most once");
  require(document == once, "the second refusal leaves the document untouched");
}

void checkRoundTrip(std::string_view input) {
  static WorkFolder folder;
  const auto file = folder.path() / "remesa.xml";
  writeBytes(file, input);

  std::string document = remittance::loadDocument(file);
  require(document == input, "a file loads byte for byte");

  const char* buffer = document.data();
  remittance::changeMessageIdPrefix(document);
  require(document.data() == buffer, "the change is made in the loaded buffer, not in a copy");

  remittance::saveDocument(file, document);
  require(readBytes(file) == document + "\r\n", "a save writes the document and CR LF");
  require(remittance::loadDocument(file) == document + "\r\n", "a saved file loads back");

  std::size_t entries = 0;
  for (const auto& entry : std::filesystem::directory_iterator(folder.path())) {
    require(entry.path().filename() == "remesa.xml", "no temporary file is left");
    ++entries;
  }
  require(entries == 1, "the saved file is in its place");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  checkPrefixChange(input);
  checkRoundTrip(input);
  return 0;
}
