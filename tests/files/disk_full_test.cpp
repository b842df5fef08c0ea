// A conversion on a disk that fills up for real (a small tmpfs mounted by the CTest fixture): the
// remittance keeps its bytes, no temporary file is left, the space is given back, and the user
// reads that the folder has no room for a second copy.

#include <cstdlib>
#include <string>
#include <vector>

#include "file_error_message.h"
#include "files_harness.h"

namespace {

std::uint64_t freeSpace(const std::wstring& folder, std::uint64_t* total = nullptr) {
  ULARGE_INTEGER available{}, size{};
  if (!GetDiskFreeSpaceExW(folder.c_str(), &available, &size, nullptr)) return 0;
  if (total) *total = size.QuadPart;
  return available.QuadPart;
}

TEST(DiskFull, SaveThatFillsTheDiskKeepsTheRemittanceAndSaysSo) {
  const wchar_t* disk = _wgetenv(L"TRASVIDORA_SMALL_DISK");
  if (!disk) GTEST_SKIP() << "TRASVIDORA_SMALL_DISK is not set: run through CTest";
  const std::wstring folder = disk;
  std::uint64_t total = 0;
  const std::uint64_t available = freeSpace(folder, &total);
  if (total == 0 || total > (64u << 20))
    GTEST_SKIP() << "no small disk at " << narrow(folder) << " (the mount was refused)";

  // Room for the remittance but not for a second copy of it.
  const std::wstring file = folder + L"\\remesa.xml";
  const std::string original =
      remittanceText("PRE") + std::string(static_cast<std::size_t>(available * 6 / 10), ' ');
  writeBytes(file, original);
  const std::uint64_t before = freeSpace(folder);

  const remittance::FileError error =
      expectFileError(LR"(\\?\)" + folder + L"\\", remittance::FileProblem::FolderLacksRoom,
                      [&] { remittance::convertRemittance(file); });

  EXPECT_EQ(error.systemError(), DWORD{ERROR_DISK_FULL});
  const std::wstring message = describeFileError(error);
  EXPECT_NE(message.find(L"la carpeta " + folder + L" no queda espacio"), std::wstring::npos);
  EXPECT_TRUE(message.ends_with(systemReason(ERROR_DISK_FULL)));
  EXPECT_TRUE(readBytes(file) == original) << "the remittance keeps its bytes";
  EXPECT_EQ(namesIn(folder), std::vector<std::wstring>{L"remesa.xml"});
  EXPECT_EQ(freeSpace(folder), before) << "the space of the temporary file is given back";
  DeleteFileW(file.c_str());
}

}  // namespace
