#include "prefix_change.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

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
template <typename Case>
std::string caseName(const testing::TestParamInfo<Case>& info) {
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
    testing::Values(
        PrefixCase{"collection identifier", kHeader + "<MsgId>PRE123</MsgId>",
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
                   "<<Msg<MsgI<MsgId>FSDD1"},
        PrefixCase{"tag with attributes", "<MsgId a=\"1\">PRE1", "<MsgId a=\"1\">FSDD1"},
        PrefixCase{"identifier after a comment that holds one", "<!-- <MsgId>PRE0 --><MsgId>PRE1",
                   "<!-- <MsgId>PRE0 --><MsgId>FSDD1"}),
    caseName<PrefixCase>);

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
        PrefixCase{"prefix split by a line end", "<MsgId>PR\r\nE1</MsgId>",
                   "<MsgId>PR\r\nE1</MsgId>"}),
    caseName<PrefixCase>);

// Where "PRE" starts in `document` given to the search in pieces cut at `cuts` (in order), or
// nothing when it cannot change. Once the search answers, no more pieces are given.
std::optional<std::uint64_t> searchInPieces(std::string_view document,
                                            const std::vector<std::size_t>& cuts) {
  PrefixSearch search;
  std::size_t from = 0;
  for (std::size_t cut : cuts) {
    if (search.look(document.substr(from, cut - from)) != PrefixSearch::Answer::NotYet) break;
    from = cut;
  }
  if (search.atEnd() != PrefixSearch::Answer::Change) return std::nullopt;
  return search.prefixAt();
}

struct SearchCase {
  const char* what;
  std::string document;  // The identifier to change reads PRE1; PRE0 stands where none may be.
  std::optional<std::uint64_t> prefixAt;  // Nothing when the document cannot change.
};

class IdentifierSearch : public testing::TestWithParam<SearchCase> {};

// Whole, cut in two at every byte, and in pieces of every size: the markup around the identifier
// may end anywhere.
TEST_P(IdentifierSearch, FindsTheFirstIdentifierElementWhereverThePiecesEnd) {
  const SearchCase& example = GetParam();
  const std::string_view document = example.document;
  if (example.prefixAt) {
    ASSERT_EQ(document.substr(static_cast<std::size_t>(*example.prefixAt), 4), "PRE1");
  }
  EXPECT_EQ(searchInPieces(document, {document.size()}), example.prefixAt) << "whole";
  for (std::size_t cut = 1; cut < document.size(); ++cut)
    EXPECT_EQ(searchInPieces(document, {cut, document.size()}), example.prefixAt) << "cut " << cut;
  for (std::size_t size = 1; size < document.size(); ++size) {
    std::vector<std::size_t> cuts;
    for (std::size_t cut = size; cut < document.size() + size; cut += size)
      cuts.push_back(std::min(cut, document.size()));
    EXPECT_EQ(searchInPieces(document, cuts), example.prefixAt) << "pieces of " << size;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Markup, IdentifierSearch,
    testing::Values(
        SearchCase{"comment before the identifier", "<!-- <MsgId>PRE0 --><MsgId>PRE1", 27},
        SearchCase{"comment ends at the first two dashes and a bracket",
                   "<!-- - -- <MsgId>PRE0 ---><MsgId>PRE1", 33},
        SearchCase{"<!--> opens a comment and does not close it", "<!--><MsgId>PRE0 --><MsgId>PRE1",
                   27},
        SearchCase{"<!---> does not close it either", "<!---><MsgId>PRE0--><MsgId>PRE1", 27},
        SearchCase{"<!----> is a whole comment", "<!----><MsgId>PRE1", 14},
        SearchCase{"CDATA section", "<![CDATA[<MsgId>PRE0]]]><MsgId>PRE1", 31},
        SearchCase{"CDATA section with lone brackets", "<![CDATA[]>]] ]<MsgId>PRE0]]><MsgId>PRE1",
                   36},
        SearchCase{"XML declaration and an instruction",
                   "<?xml version=\"1.0\"?><?pi <MsgId>PRE0 >?><MsgId>PRE1", 48},
        SearchCase{"<?> opens an instruction and does not close it", "<?><MsgId>PRE0?><MsgId>PRE1",
                   23},
        SearchCase{"DOCTYPE with an internal subset",
                   "<!DOCTYPE d [<!ENTITY e \"<MsgId>PRE0\"><!ENTITY f '>\"'><!-- > --><?p > ?>"
                   "<![CDATA[>]]>]><MsgId>PRE1",
                   94},
        SearchCase{"quoted bracket in an external identifier",
                   "<!DOCTYPE d SYSTEM \"a>b\"><MsgId>PRE1", 32},
        SearchCase{"conditional section", "<![INCLUDE[<!ENTITY e \"<MsgId>PRE0\">]]><MsgId>PRE1",
                   46},
        SearchCase{"declarations that start like a comment or CDATA",
                   "<!-x><![CDAT\"<MsgId>PRE0\"><MsgId>PRE1", 33},
        SearchCase{"attribute values", "<a b=\"<MsgId>PRE0\" c='>\"'><MsgId>PRE1", 33},
        SearchCase{"end tags", "</MsgId>PRE0</a b=\">\"><MsgId>PRE1", 29},
        SearchCase{"namespace prefix, then a plain one", "<ns:MsgId>PRE1</ns:MsgId><MsgId>PRE0",
                   10},
        SearchCase{"line ends and attributes in the tag", "<Doc><MsgId\r\n\tv=\"1\" w='>'>PRE1",
                   26},
        SearchCase{"space at the end of the tag", "<MsgId >PRE1", 8},
        SearchCase{"names that are not the identifier",
                   "<MsgIdX>PRE0<ns:MsgIdentifier>PRE0<:MsgId>PRE0<XMsgId>PRE0<msgid>PRE0"
                   "<a:b:MsgId>PRE1",
                   80},
        SearchCase{"broken tags end where the next one opens", "<<Msg<MsgI<a b=1<MsgId>PRE1", 23},
        SearchCase{"other empty elements", "<ns:a/><MsgIdX/><MsgId a=\"/\">PRE1", 29}),
    caseName<SearchCase>);

INSTANTIATE_TEST_SUITE_P(
    Refusals, IdentifierSearch,
    testing::Values(SearchCase{"empty identifier element", "<MsgId/><MsgId>PRE0", std::nullopt},
                    SearchCase{"empty identifier element with attributes",
                               "<ns:MsgId a=\"/\"/>PRE0", std::nullopt},
                    SearchCase{"identifier only in a comment", "<!-- <MsgId>PRE0 -->",
                               std::nullopt},
                    SearchCase{"comment never closed", "<!-- <MsgId>PRE0 -", std::nullopt},
                    SearchCase{"CDATA never closed", "<![CDATA[<MsgId>PRE0]]", std::nullopt},
                    SearchCase{"instruction never closed", "<?pi <MsgId>PRE0 ?", std::nullopt},
                    SearchCase{"declaration never closed",
                               "<!DOCTYPE d [<!ENTITY e \"<MsgId>PRE0\">", std::nullopt},
                    SearchCase{"value never closed", "<a b=\"<MsgId>PRE0 >", std::nullopt},
                    SearchCase{"identifier tag never closed", "<MsgId a=\"1\" PRE0", std::nullopt},
                    SearchCase{"first identifier after a comment is not a collection one",
                               "<!-- <MsgId>PRE0 --><MsgId> PRE0<MsgId>PRE0", std::nullopt}),
    caseName<SearchCase>);

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
