// Fuzzes the portable core with any bytes:
//  - the conversion, fed in pieces of sizes the input itself chooses: it changes if and only if
//    the first "<MsgId>" is followed by "PRE", and then its bytes are exactly those of a plain
//    reference conversion (the input with those three bytes replaced by "FSDD", and CR LF), and
//    the converted bytes never change again;
//  - the rules for names, with the bytes read as UTF-16 units: a name is a remittance exactly
//    when it ends in ".xml" in any case, is longer than that, and holds none of the characters
//    Windows keeps out of file names.
// Any broken property aborts, which libFuzzer reports with the input that caused it.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

#include "prefix_change.h"
#include "remittance_names.h"

namespace {

void require(bool holds, const char* property) {
  if (!holds) {
    std::fprintf(stderr, "broken: %s\n", property);
    std::abort();
  }
}

// The conversion done the plain way, independently of the code under test: nothing when the
// file cannot change.
std::optional<std::string> referenceConversion(std::string_view text) {
  constexpr std::string_view kTag = "<MsgId>";
  for (std::size_t at = 0; at + kTag.size() <= text.size(); ++at) {
    if (std::memcmp(text.data() + at, kTag.data(), kTag.size()) != 0) continue;
    if (text.substr(at + kTag.size(), 3) != "PRE") return std::nullopt;
    return std::string(text.substr(0, at + kTag.size())) + "FSDD" +
           std::string(text.substr(at + kTag.size() + 3)) + "\r\n";
  }
  return std::nullopt;
}

// The piece sizes: from the input's first bytes, 1 to 16 bytes each, cycled.
class PieceSizes {
 public:
  explicit PieceSizes(std::string_view seed) : seed_(seed.substr(0, 8)) {}
  std::size_t next() {
    if (seed_.empty()) return 4096;
    return 1 + static_cast<unsigned char>(seed_[at_++ % seed_.size()]) % 16;
  }

 private:
  std::string_view seed_;
  std::size_t at_ = 0;
};

std::optional<std::string> convertInPieces(std::string_view text, PieceSizes sizes) {
  remittance::PrefixSearch search;
  for (std::size_t at = 0; at < text.size();) {
    const std::size_t size = sizes.next();
    if (search.look(text.substr(at, size)) != remittance::PrefixSearch::Answer::NotYet) break;
    at += size;
  }
  if (search.atEnd() != remittance::PrefixSearch::Answer::Change) return std::nullopt;
  remittance::ConvertedBytes converted(search.prefixAt());
  std::string bytes;
  for (std::size_t at = 0; at < text.size();) {
    const std::size_t size = sizes.next();
    for (std::string_view part : converted.next(text.substr(at, size))) bytes += part;
    at += size;
  }
  return bytes + std::string(remittance::kSavedLineEnd);
}

void checkConversion(std::string_view input) {
  const std::optional<std::string> expected = referenceConversion(input);
  const std::optional<std::string> got = convertInPieces(input, PieceSizes(input));
  require(got.has_value() == expected.has_value(),
          "converted if and only if the first <MsgId> is followed by PRE");
  if (!got) return;
  require(*got == *expected, "the bytes are exactly the reference conversion's");
  require(!convertInPieces(*got, PieceSizes(input.substr(1))), "a file is changed at most once");
}

void checkNameRules(std::string_view input) {
  std::wstring name;
  for (std::size_t at = 0; at + 1 < input.size(); at += 2) {
    name.push_back(static_cast<wchar_t>(static_cast<unsigned char>(input[at]) |
                                        static_cast<unsigned char>(input[at + 1]) << 8));
  }
  bool plain = true;
  for (wchar_t c : name) {
    if (c < 0x20 || c == L'\\' || c == L'/' || c == L':' || c == L'*' || c == L'?' || c == L'"' ||
        c == L'<' || c == L'>' || c == L'|') {
      plain = false;
    }
  }
  const auto lower = [](wchar_t c) { return c >= L'A' && c <= L'Z' ? c + (L'a' - L'A') : c; };
  const std::size_t n = name.size();
  const bool xml = n > 4 && name[n - 4] == L'.' && lower(name[n - 3]) == L'x' &&
                   lower(name[n - 2]) == L'm' && lower(name[n - 1]) == L'l';
  require(remittance::isRemittanceName(name) == (plain && xml),
          "a remittance name is a plain name ending in .xml");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  checkConversion(input);
  checkNameRules(input);
  return 0;
}
