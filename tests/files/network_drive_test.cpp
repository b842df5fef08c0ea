// A remittance on a network drive, as an office maps its share: TRASVIDORA_NETWORK_FOLDER names a
// folder on a drive letter that the CTest fixture maps as a network drive. The system answers
// that the drive is remote, and a remittance there converts like anywhere else.

#include <string>
#include <vector>

#include "files_harness.h"
#include "scripted_calls.h"

namespace {

// The network folder, with a closing backslash; empty when the test does not run through CTest.
std::wstring networkFolder() {
  const wchar_t* folder = _wgetenv(L"TRASVIDORA_NETWORK_FOLDER");
  if (!folder || !*folder) return {};
  std::wstring path = folder;
  if (!path.ends_with(L'\\')) path += L'\\';
  return path;
}

// There the copy is never marked for deletion: a network file system may refuse writes to a file
// so marked.
TEST(NetworkDrive, RemittanceThereIsConvertedWithoutDeletionMark) {
  const std::wstring network = networkFolder();
  if (network.empty()) GTEST_SKIP() << "TRASVIDORA_NETWORK_FOLDER is not set: run through CTest";
  const TempFolder place(network);
  const std::wstring folder = place.path().wstring();
  const std::wstring file = folder + L"\\remesa.xml";
  writeWhole(file, remittanceText("PRE"));
  ScriptedCalls calls;

  EXPECT_EQ(remittance::convertRemittance(file, calls), Outcome::Converted);

  EXPECT_EQ(readWhole(file), remittanceText("FSDD") + "\r\n");
  EXPECT_EQ(namesIn(folder), std::vector<std::wstring>{L"remesa.xml"});
  for (const ScriptedCalls::Call& call : calls.made()) EXPECT_NE(call.name, "markForDeletion");
}

}  // namespace
