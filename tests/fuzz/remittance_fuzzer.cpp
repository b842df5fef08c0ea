// Fuzzes the portable core with any bytes:
//  - the conversion, fed in pieces of sizes the input itself chooses: it changes if and only if
//    the start tag of the first MsgId element, found over the whole input by a plain reference
//    search, is followed by "PRE"; then its bytes are exactly those of the reference conversion
//    (the input with those three bytes replaced by "FSDD", and CR LF), and the converted bytes
//    never change again;
//  - the rules for names, with the bytes read as UTF-16 units: a name is a remittance exactly
//    when it ends in ".xml" in any case, is longer than that, and holds none of the characters
//    Windows keeps out of file names;
//  - the checksum of the read-back: the same in any pieces.
// Any broken property aborts, which libFuzzer reports with the input that caused it.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

#include "checksum.h"
#include "prefix_change.h"
#include "remittance_names.h"

namespace {

void require(bool holds, const char* property) {
  if (!holds) {
    std::fprintf(stderr, "broken: %s\n", property);
    std::abort();
  }
}

constexpr std::size_t kNone = std::string_view::npos;

// One past the first `closing` at or after `from`, or kNone.
std::size_t after(std::string_view text, std::string_view closing, std::size_t from) {
  const std::size_t at = text.find(closing, from);
  return at == kNone ? kNone : at + closing.size();
}

// One past the end of the comment, CDATA section, instruction or declaration that starts at
// `at` with "<!" or "<?", or kNone when the text ends first. A declaration ends at its own '>',
// past quoted literals and the comments, instructions and declarations nested in it.
std::size_t afterSpecialMarkup(std::string_view text, std::size_t at) {
  const std::string_view markup = text.substr(at);
  if (markup.starts_with("<!--")) return after(text, "-->", at + 4);
  if (markup.starts_with("<![CDATA[")) return after(text, "]]>", at + 9);
  if (markup.starts_with("<?")) return after(text, "?>", at + 2);
  for (std::size_t i = at + 2; i != kNone;) {
    i = text.find_first_of("\"'<>", i);
    if (i == kNone) return kNone;
    const std::string_view rest = text.substr(i);
    if (rest[0] == '>') return i + 1;
    if (rest.starts_with("<!") || rest.starts_with("<?")) {
      i = afterSpecialMarkup(text, i);
    } else if (rest[0] == '<') {
      ++i;
    } else {
      i = after(text, rest.substr(0, 1), i + 1);
    }
  }
  return kNone;
}

struct Identifier {
  std::size_t contentAt;  // the byte after the start tag's '>'
  bool empty;             // the tag ends in "/>"
};

// The start tag of the first MsgId element, read over the whole text. A tag is '<', a name up
// to a space, '/', '>', '<' or a quote, then up to '>' past quoted values; a '<' before that '>'
// leaves the tag unfinished and opens the next markup.
std::optional<Identifier> firstIdentifier(std::string_view text) {
  for (std::size_t at = text.find('<'); at != kNone;) {
    const std::string_view markup = text.substr(at);
    if (markup.starts_with("<!") || markup.starts_with("<?")) {
      const std::size_t end = afterSpecialMarkup(text, at);
      if (end == kNone) return std::nullopt;
      at = text.find('<', end);
      continue;
    }
    const bool endTag = markup.starts_with("</");
    const std::size_t nameAt = at + (endTag ? 2 : 1);
    const std::size_t nameEnd = text.find_first_of(" \t\r\n/><\"'", nameAt);
    if (nameEnd == kNone) return std::nullopt;
    const std::string_view name = text.substr(nameAt, nameEnd - nameAt);
    const bool identifier =
        !endTag && (name == "MsgId" || (name.size() > 6 && name.ends_with(":MsgId")));
    std::size_t end = text.find_first_of("\"'<>", nameEnd);
    while (end != kNone && (text[end] == '"' || text[end] == '\'')) {
      const std::size_t valueEnd = after(text, text.substr(end, 1), end + 1);
      end = valueEnd == kNone ? kNone : text.find_first_of("\"'<>", valueEnd);
    }
    if (end == kNone) return std::nullopt;
    if (text[end] == '<') {
      at = end;
    } else if (identifier) {
      return Identifier{end + 1, text[end - 1] == '/'};
    } else {
      at = text.find('<', end + 1);
    }
  }
  return std::nullopt;
}

// The conversion done the plain way, independently of the code under test: nothing when the
// file cannot change.
std::optional<std::string> referenceConversion(std::string_view text) {
  const std::optional<Identifier> found = firstIdentifier(text);
  if (!found || found->empty || text.substr(found->contentAt, 3) != "PRE") return std::nullopt;
  return std::string(text.substr(0, found->contentAt)) + "FSDD" +
         std::string(text.substr(found->contentAt + 3)) + "\r\n";
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
          "converted if and only if the first MsgId element is followed by PRE");
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

// The checksum of the read-back: the same for the bytes in any pieces, summed with SSE2 or with
// the processor's fastest instructions.
void checkChecksum(std::string_view input) {
  remittance::Checksum whole(remittance::Instructions::Sse2), pieces;
  whole.add(input);
  PieceSizes sizes(input);
  for (std::size_t at = 0, size = 0; at < input.size(); at += size) {
    size = sizes.next();
    pieces.add(input.substr(at, size));
  }
  require(pieces == whole, "the checksum does not depend on the pieces");
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  checkConversion(input);
  checkNameRules(input);
  checkChecksum(input);
  return 0;
}
