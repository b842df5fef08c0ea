#include "prefix_change.h"

#include <gtest/gtest.h>

#include <cctype>
#include <string>

namespace {

using remittance::changeMessageIdPrefix;
using remittance::Document;

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

TEST_P(PrefixChange, ChangesOnlyThePrefixOfTheFirstIdentifier) {
  const PrefixCase& example = GetParam();
  Document document(example.before);
  const bool changed = changeMessageIdPrefix(document);
  EXPECT_EQ(document.text(), example.after);
  EXPECT_EQ(changed, example.before != example.after);
  EXPECT_EQ(document.savedBytes(), example.after + "\r\n");
  EXPECT_FALSE(changeMessageIdPrefix(document)) << "a document is changed at most once";
  EXPECT_EQ(document.text(), example.after);
}

const std::string kHeader = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<Document><GrpHdr>";

INSTANTIATE_TEST_SUITE_P(
    Identifiers, PrefixChange,
    testing::Values(PrefixCase{"collection identifier", kHeader + "<MsgId>PRE123</MsgId>",
                               kHeader + "<MsgId>FSDD123</MsgId>"},
                    PrefixCase{"identifier that is only the prefix", "<MsgId>PRE</MsgId>",
                               "<MsgId>FSDD</MsgId>"},
                    PrefixCase{"document ends right after the prefix", "<MsgId>PRE", "<MsgId>FSDD"},
                    PrefixCase{"tag at the very start", "<MsgId>PRE2026\n", "<MsgId>FSDD2026\n"},
                    PrefixCase{"only the first of two identifiers",
                               "<MsgId>PRE1</MsgId><PmtInfId>x</PmtInfId><MsgId>PRE2</MsgId>",
                               "<MsgId>FSDD1</MsgId><PmtInfId>x</PmtInfId><MsgId>PRE2</MsgId>"},
                    PrefixCase{"bytes around the tag are kept",
                               std::string("\xEF\xBB\xBF\0\xFF<MsgId>PRE\0x", 15),
                               std::string("\xEF\xBB\xBF\0\xFF<MsgId>FSDD\0x", 16)},
                    PrefixCase{"long identifier is not trimmed",
                               "<MsgId>PRE" + std::string(40, '9') + "</MsgId>",
                               "<MsgId>FSDD" + std::string(40, '9') + "</MsgId>"}),
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
        PrefixCase{"space before the prefix", "<MsgId> PRE1</MsgId>", "<MsgId> PRE1</MsgId>"},
        PrefixCase{"empty document", "", ""},
        PrefixCase{"no tag with an XML declaration", kHeader + "<Id>PRE1</Id>",
                   kHeader + "<Id>PRE1</Id>"},
        // Characters 7 to 9 read "PRE" but there is no identifier to change: splicing there
        // would damage the file.
        PrefixCase{"no tag but PRE at characters 7 to 9", "<Docu>PRE123", "<Docu>PRE123"},
        PrefixCase{"tag with attributes is another tag", "<MsgId a=\"1\">PRE1",
                   "<MsgId a=\"1\">PRE1"},
        PrefixCase{"prefix split by a line end", "<MsgId>PR\r\nE1</MsgId>",
                   "<MsgId>PR\r\nE1</MsgId>"}),
    caseName<PrefixCase>);

TEST(PrefixChangeInPlace, MovesOnlyTheBytesBeforeTheIdentifier) {
  Document document("<MsgId>PRE1</MsgId>" + std::string(100000, ' '));
  const char* const tail = document.text().data() + 10;  // "1</MsgId>..."
  ASSERT_TRUE(changeMessageIdPrefix(document));
  EXPECT_EQ(document.text().data() + 11, tail) << "the text after the prefix stays where it was";
  EXPECT_EQ(document.savedBytes().substr(0, 12), "<MsgId>FSDD1");
  EXPECT_EQ(document.savedBytes().substr(document.savedBytes().size() - 3), " \r\n");
}

struct ReplaceCase {
  const char* what;
  std::string before;
  std::size_t at;
  std::size_t length;
  std::string replacement;
  std::string after;
};

class DocumentReplace : public testing::TestWithParam<ReplaceCase> {};

TEST_P(DocumentReplace, GivesTheTextWithTheReplacementAndTheLineEndAfterIt) {
  const ReplaceCase& example = GetParam();
  Document document(example.before);
  document.replace(example.at, example.length, example.replacement);
  EXPECT_EQ(document.text(), example.after);
  EXPECT_EQ(document.savedBytes(), example.after + "\r\n");
}

INSTANTIATE_TEST_SUITE_P(
    Texts, DocumentReplace,
    testing::Values(ReplaceCase{"same length", "abcdef", 2, 2, "XY", "abXYef"},
                    ReplaceCase{"one longer at the start", "abcdef", 0, 1, "XY", "XYbcdef"},
                    ReplaceCase{"one longer at the end", "abcdef", 5, 1, "XY", "abcdeXY"},
                    ReplaceCase{"longer than the spare room", "abcdef", 1, 1, "WXYZ", "aWXYZcdef"},
                    ReplaceCase{"shorter", "abcdef", 1, 3, "X", "aXef"}),
    caseName<ReplaceCase>);

TEST(DocumentStorage, MovedAndReleasedDocumentsAreEmpty) {
  Document document("<MsgId>PRE1");
  Document taken = std::move(document);
  EXPECT_EQ(taken.text(), "<MsgId>PRE1");
  EXPECT_TRUE(document.text().empty());  // NOLINT(bugprone-use-after-move): it is the point
  EXPECT_EQ(document.savedBytes(), "\r\n");
  taken = {};
  EXPECT_TRUE(taken.text().empty());
  EXPECT_FALSE(changeMessageIdPrefix(taken));
}

}  // namespace
