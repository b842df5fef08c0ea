#include "remittance_names.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct NameCase {
  std::wstring name;
  bool listed;
};

std::string printable(const std::wstring& name) {
  std::string text;
  for (wchar_t c : name) {
    if (c >= 0x20 && c < 0x7F) {
      text += static_cast<char>(c);
    } else {
      text += "\\u" + std::to_string(static_cast<unsigned>(c));
    }
  }
  return text;
}

TEST(RemittanceNames, OnlyPlainXmlNamesAreRemittances) {
  const NameCase cases[] = {
      {L"a.xml", true},
      {L"A.XML", true},
      {L"c.Xml", true},
      {L"Año 2026 remesa.xml", true},
      {L"\u6c47\u6b3e.xml", true},
      {L"x.y.xml", true},
      {std::wstring(251, L'r') + L".xml", true},
      {std::wstring(L"\xD800") + L"a.xml", true},  // a lone surrogate: NTFS allows it
      {L".xml", false},
      {L"xml", false},
      {L"", false},
      {L"a.xm", false},
      {L"a.xml.bak", false},
      {L"a.xml.tmp", false},
      {L"~0001f00.tmp", false},
      {L"a.txt", false},
      {L"a.xmll", false},
      {L"x\\..\\..\\victim.xml", false},
      {L"../victim.xml", false},
      {L"c:victim.xml", false},
      {L"a*.xml", false},
      {L"a?.xml", false},
      {L"a\".xml", false},
      {L"a<.xml", false},
      {L"a>.xml", false},
      {L"pipe|.xml", false},
      {L"tab\t.xml", false},
      {std::wstring(L"nul\0.xml", 8), false},
      {L"line\n.xml", false},
      {L"\x1f.xml", false},
  };
  for (const NameCase& example : cases) {
    EXPECT_EQ(remittance::isRemittanceName(example.name), example.listed)
        << printable(example.name);
  }
}

}  // namespace
