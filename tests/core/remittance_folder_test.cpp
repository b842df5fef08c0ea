#include "remittance_folder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "document_file.h"
#include "file_error.h"
#include "temp_folder.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

using remittance::listRemittances;
using Names = std::vector<std::filesystem::path>;

void hide(const std::filesystem::path& file) {
#ifdef _WIN32
  ASSERT_TRUE(SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_HIDDEN));
#else
  std::filesystem::rename(file, file.parent_path() / ("." + file.filename().string()));
#endif
}

TEST(ListRemittances, KeepsOnlyVisibleXmlFilesSortedWithoutRegardToCase) {
  TempFolder folder;
  for (const char* name : {"b.xml", "A.XML", "c.Xml", "notes.txt", "d.xml.bak", "e.xml.123-0.tmp",
                           "xml", ".xml", "hidden.xml", "system.xml"}) {
    writeBytes(folder / name, "x");
  }
  std::filesystem::create_directory(folder / "folder.xml");
  hide(folder / "hidden.xml");
#ifdef _WIN32
  ASSERT_TRUE(SetFileAttributesW((folder / "system.xml").c_str(), FILE_ATTRIBUTE_SYSTEM));
  const Names expected{"A.XML", "b.xml", "c.Xml"};
#else
  const Names expected{"A.XML", "b.xml", "c.Xml", "system.xml"};
#endif
  EXPECT_EQ(listRemittances(folder.path()), expected);
}

TEST(ListRemittances, ListsUnicodeNames) {
  TempFolder folder;
  const Names names{u8"Año 2026 remesa.xml", u8"ñandú.xml", u8"Ωmega.xml", u8"汇款.xml"};
  for (const auto& name : names) writeBytes(folder / name, "x");
  const Names listed = listRemittances(folder.path());
  ASSERT_EQ(listed.size(), names.size());
  for (const auto& name : names) {
    EXPECT_NE(std::find(listed.begin(), listed.end(), name), listed.end()) << name;
    EXPECT_EQ(remittance::loadDocument(folder / name), "x");
  }
}

TEST(ListRemittances, EmptyFolderGivesNoEntries) {
  TempFolder folder;
  EXPECT_TRUE(listRemittances(folder.path()).empty());
}

TEST(ListRemittances, MissingFolderIsReported) {
  TempFolder folder;
  const auto missing = folder / "remesas";
  try {
    listRemittances(missing);
    FAIL() << "a missing folder was listed";
  } catch (const remittance::FileError& error) {
    EXPECT_EQ(error.action(), remittance::FileAction::ListFolder);
    EXPECT_EQ(error.file(), missing);
    EXPECT_TRUE(error.reason());
  }
}

TEST(ListRemittances, WorksInFoldersBeyondTheClassicPathLimit) {
  TempFolder folder;
  auto deep = folder.path();
  for (int level = 0; level < 6; ++level) deep /= std::string(60, static_cast<char>('a' + level));
  std::filesystem::create_directories(deep);
  ASSERT_GT(deep.native().size(), 300u);

  remittance::saveDocument(deep / "remesa.xml", "<MsgId>PRE1");
  EXPECT_EQ(listRemittances(deep), Names{"remesa.xml"});
  EXPECT_EQ(remittance::loadDocument(deep / "remesa.xml"), "<MsgId>PRE1\r\n");
}

TEST(RemittanceFolder, IsTheRemesasFolderBesideTheProgram) {
  const auto folder = remittance::remittanceFolder();
  EXPECT_EQ(folder.parent_path().filename(), "remesas");
  EXPECT_TRUE(folder.native().ends_with(std::filesystem::path::preferred_separator));
  const auto programFolder = folder.parent_path().parent_path();
  EXPECT_TRUE(std::filesystem::exists(programFolder / "core_tests") ||
              std::filesystem::exists(programFolder / "core_tests.exe"));
}

}  // namespace
