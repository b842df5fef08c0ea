// A remittance on a network drive, as an office maps its share: TRASVIDORA_NETWORK_FOLDER names a
// folder on a drive letter that the CTest fixture maps as a network drive. The system answers
// that the drive is remote, and a remittance there converts like anywhere else.

#include <string>
#include <vector>

#include "files_harness.h"

namespace {

// The network folder, with a closing backslash; empty when the test does not run through CTest.
std::wstring networkFolder() {
  const wchar_t* folder = _wgetenv(L"TRASVIDORA_NETWORK_FOLDER");
  if (!folder || !*folder) return {};
  std::wstring path = folder;
  if (!path.ends_with(L'\\')) path += L'\\';
  return path;
}

TEST(NetworkDrive, AnswersRemote) {
  const std::wstring folder = networkFolder();
  if (folder.empty()) GTEST_SKIP() << "TRASVIDORA_NETWORK_FOLDER is not set: run through CTest";
  const std::wstring root = folder.substr(0, 3);
  EXPECT_EQ(GetDriveTypeW(root.c_str()), UINT{DRIVE_REMOTE}) << narrow(root);
  EXPECT_NE(GetFileAttributesW(folder.c_str()), INVALID_FILE_ATTRIBUTES) << narrow(folder);
}

TEST(NetworkDrive, RemittanceThereIsConverted) {
  const std::wstring network = networkFolder();
  if (network.empty()) GTEST_SKIP() << "TRASVIDORA_NETWORK_FOLDER is not set: run through CTest";
  const TempFolder place(network);
  const std::wstring folder = place.path().wstring();
  const std::wstring file = folder + L"\\remesa.xml";
  writeWhole(file, remittanceText("PRE"));

  EXPECT_EQ(remittance::convertRemittance(file), Outcome::Converted);

  EXPECT_EQ(readWhole(file), remittanceText("FSDD") + "\r\n");
  EXPECT_EQ(namesIn(folder), std::vector<std::wstring>{L"remesa.xml"});
}

}  // namespace
