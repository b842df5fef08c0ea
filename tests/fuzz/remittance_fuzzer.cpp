// Fuzzes the portable core with any bytes:
//  - the prefix change on a document: it changes if and only if the first "<MsgId>" is followed
//    by "PRE", and then the text is the input with exactly those three characters replaced by
//    "FSDD", the saved bytes are that text and CR LF, and a second change is always refused;
//  - the rules for names, with the bytes read as UTF-16 units: a name is a remittance exactly
//    when it ends in ".xml" in any case, is longer than that, and holds none of the characters
//    Windows keeps out of file names.
// Any broken property aborts, which libFuzzer reports with the input that caused it.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
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

// The first "<MsgId>", found the plain way, independently of the code under test.
std::size_t firstTag(std::string_view text) {
  constexpr std::string_view kTag = "<MsgId>";
  for (std::size_t at = 0; at + kTag.size() <= text.size(); ++at) {
    if (std::memcmp(text.data() + at, kTag.data(), kTag.size()) == 0) return at;
  }
  return std::string_view::npos;
}

void checkPrefixChange(std::string_view input) {
  const std::size_t tag = firstTag(input);
  const bool changeable = tag != std::string_view::npos && input.size() >= tag + 10 &&
                          input.substr(tag + 7, 3) == "PRE";

  remittance::Document document(input);
  const char* const tail = document.text().data() + (changeable ? tag + 10 : 0);
  require(remittance::changeMessageIdPrefix(document) == changeable,
          "changed if and only if the first <MsgId> is followed by PRE");
  const std::string expected = changeable ? std::string(input.substr(0, tag + 7)) + "FSDD" +
                                                std::string(input.substr(tag + 10))
                                          : std::string(input);
  require(document.text() == expected, "only PRE after the first <MsgId> becomes FSDD");
  require(document.savedBytes() == expected + "\r\n", "the saved bytes end with CR LF");
  if (changeable) {
    require(document.text().data() + tag + 11 == tail,
            "the change moves the bytes before the identifier, never the rest");
  }
  require(!remittance::changeMessageIdPrefix(document), "a document is changed at most once");
  require(document.text() == expected, "the second refusal leaves the document untouched");

  remittance::Document moved = std::move(document);
  require(moved.text() == expected, "a moved document keeps its text");
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
  checkPrefixChange(input);
  checkNameRules(input);
  return 0;
}
