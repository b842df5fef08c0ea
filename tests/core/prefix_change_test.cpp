#include "prefix_change.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using remittance::changeMessageIdPrefix;

struct PrefixCase {
  const char* what;
  std::string before;
  std::string after;  // Equal to `before` when nothing may change.
};

std::string caseName(const testing::TestParamInfo<PrefixCase>& info) {
  return "Case" + std::to_string(info.index);
}

class PrefixChange : public testing::TestWithParam<PrefixCase> {};

TEST_P(PrefixChange, ChangesOnlyThePrefixOfTheFirstIdentifier) {
  const PrefixCase& example = GetParam();
  std::string document = example.before;
  const bool changed = changeMessageIdPrefix(document);
  EXPECT_EQ(document, example.after);
  EXPECT_EQ(changed, example.before != example.after);
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
    caseName);

TEST(PrefixChangeTwice, SecondChangeIsRefused) {
  std::string document = "<MsgId>PRE1</MsgId>";
  ASSERT_TRUE(changeMessageIdPrefix(document));
  EXPECT_FALSE(changeMessageIdPrefix(document));
  EXPECT_EQ(document, "<MsgId>FSDD1</MsgId>");
}

}  // namespace
