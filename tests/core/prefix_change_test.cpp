#include "prefix_change.h"

#include <gtest/gtest.h>

#include <cctype>
#include <optional>
#include <string>

namespace {

using remittance::ConvertedBytes;
using remittance::PrefixSearch;

// The file converted as the program does it, its bytes given `pieceSize` at a time: the search
// first, then the converted bytes from the start. Nothing when the file cannot change.
std::optional<std::string> convertInPieces(const std::string& text, std::size_t pieceSize) {
  PrefixSearch search;
  for (std::size_t at = 0; at < text.size(); at += pieceSize) {
    if (search.look(std::string_view(text).substr(at, pieceSize)) != PrefixSearch::Answer::NotYet)
      break;
  }
  if (search.atEnd() != PrefixSearch::Answer::Change) return std::nullopt;
  ConvertedBytes converted(search.prefixAt());
  std::string bytes;
  for (std::size_t at = 0; at < text.size(); at += pieceSize) {
    for (std::string_view part : converted.next(std::string_view(text).substr(at, pieceSize)))
      bytes += part;
  }
  return bytes + std::string(remittance::kSavedLineEnd);
}

struct PrefixCase {
  const char* what;
  std::string before;
  std::string after;  // Equal to `before` when nothing may change.
};

// "only two characters follow the tag" -> "OnlyTwoCharactersFollowTheTag".
std::string caseName(const testing::TestParamInfo<PrefixCase>& info) {
  std::string name;
  bool startOfWord = true;
  for (const char* c = info.param.what; *c; ++c) {
    if (std::isalnum(static_cast<unsigned char>(*c))) {
      name += startOfWord ? static_cast<char>(std::toupper(static_cast<unsigned char>(*c))) : *c;
      startOfWord = false;
    } else {
      startOfWord = true;
    }
  }
  return name;
}

class PrefixChange : public testing::TestWithParam<PrefixCase> {};

// Whole, byte by byte and in pieces that cut the tag and the prefix anywhere.
TEST_P(PrefixChange, ChangesOnlyThePrefixOfTheFirstIdentifierInPiecesOfAnySize) {
  const PrefixCase& example = GetParam();
  const bool changes = example.before != example.after;
  for (std::size_t pieceSize : {std::size_t{1}, std::size_t{2}, std::size_t{3}, std::size_t{8},
                                example.before.size() + 1}) {
    SCOPED_TRACE(pieceSize);
    const std::optional<std::string> converted = convertInPieces(example.before, pieceSize);
    EXPECT_EQ(converted.has_value(), changes);
    if (converted) {
      EXPECT_EQ(*converted, example.after + "\r\n");
      EXPECT_FALSE(convertInPieces(example.after, pieceSize)) << "a file is changed at most once";
    }
  }
}

const std::string kHeader = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<Document><GrpHdr>";

INSTANTIATE_TEST_SUITE_P(
    Identifiers, PrefixChange,
    testing::Values(PrefixCase{"collection identifier", kHeader + "<MsgId>PRE123</MsgId>",
                               kHeader + "<MsgId>FSDD123</MsgId>"},
                    PrefixCase{"file ends right after the prefix", "<MsgId>PRE", "<MsgId>FSDD"},
                    PrefixCase{"tag at the very start", "<MsgId>PRE2026\n", "<MsgId>FSDD2026\n"},
                    PrefixCase{"only the first of two identifiers",
                               "<MsgId>PRE1</MsgId><PmtInfId>x</PmtInfId><MsgId>PRE2</MsgId>",
                               "<MsgId>FSDD1</MsgId><PmtInfId>x</PmtInfId><MsgId>PRE2</MsgId>"},
                    PrefixCase{"bytes around the tag are kept",
                               std::string("\xEF\xBB\xBF\0\xFF<MsgId>PRE\0x", 15),
                               std::string("\xEF\xBB\xBF\0\xFF<MsgId>FSDD\0x", 16)},
                    PrefixCase{"a false start of the tag before it", "<<Msg<MsgI<MsgId>PRE1",
                               "<<Msg<MsgI<MsgId>FSDD1"}),
    caseName);

INSTANTIATE_TEST_SUITE_P(
    Refusals, PrefixChange,
    testing::Values(
        PrefixCase{"lower-case prefix", "<MsgId>pre123</MsgId>", "<MsgId>pre123</MsgId>"},
        PrefixCase{"lower-case tag", "<msgid>PRE123</msgid>", "<msgid>PRE123</msgid>"},
        PrefixCase{"already converted", "<MsgId>FSDD123</MsgId>", "<MsgId>FSDD123</MsgId>"},
        PrefixCase{"first identifier is not a collection one, second is",
                   "<MsgId>ABC</MsgId><MsgId>PRE1</MsgId>",
                   "<MsgId>ABC</MsgId><MsgId>PRE1</MsgId>"},
        PrefixCase{"only two characters follow the tag", "<MsgId>PR", "<MsgId>PR"},
        PrefixCase{"nothing follows the tag", "<MsgId>", "<MsgId>"},
        PrefixCase{"empty file", "", ""},
        // Characters 7 to 9 read "PRE" but there is no identifier to change: splicing there
        // would damage the file.
        PrefixCase{"no tag but PRE at characters 7 to 9", "<Docu>PRE123", "<Docu>PRE123"},
        PrefixCase{"tag with attributes is another tag", "<MsgId a=\"1\">PRE1",
                   "<MsgId a=\"1\">PRE1"},
        PrefixCase{"prefix split by a line end", "<MsgId>PR\r\nE1</MsgId>",
                   "<MsgId>PR\r\nE1</MsgId>"}),
    caseName);

// The position goes past what 32 bits count, as in a remittance of over 4 GiB.
TEST(PrefixSearchPosition, CountsBeyondFourGigabytes) {
  PrefixSearch search;
  const std::string nothing(1 << 20, ' ');
  for (int piece = 0; piece < 4096 + 1; ++piece)
    ASSERT_EQ(search.look(nothing), PrefixSearch::Answer::NotYet);
  ASSERT_EQ(search.look("x<MsgId>PRE1"), PrefixSearch::Answer::Change);
  EXPECT_EQ(search.prefixAt(), (std::uint64_t{4097} << 20) + 8);
}

}  // namespace
