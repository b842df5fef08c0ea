// The Spanish messages for file errors: what failed, the file as the user knows it (whatever
// UTF-16 units its name holds) and the system's reason.

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "file_error_message.h"

namespace {

using remittance::FileAction;
using remittance::FileError;

TEST(FileErrorMessage, NamesTheFileWhatFailedAndTheReason) {
  const std::wstring oddName = std::wstring(LR"(C:\remesas\)") + L"\xD800" + L"r.xml";
  const struct {
    FileError error;
    std::wstring message;
  } cases[] = {
      {{FileAction::ListFolder, LR"(C:\programa\remesas\)", ERROR_PATH_NOT_FOUND},
       LR"(No se puede abrir la carpeta de remesas C:\programa\remesas.)"
       L"\n\n" +
           systemReason(ERROR_PATH_NOT_FOUND)},
      {{FileAction::Read, oddName, ERROR_SHARING_VIOLATION},
       L"No se puede leer la remesa " + oddName + L".\n\n" + systemReason(ERROR_SHARING_VIOLATION)},
      {{FileAction::Write, oddName, ERROR_DISK_FULL},
       L"No se puede guardar la remesa " + oddName + L".\n\n" + systemReason(ERROR_DISK_FULL)},
      {{FileAction::ChangedWhileSaving, oddName, 0},
       L"La remesa " + oddName +
           L" ha cambiado mientras se guardaba. No se ha escrito nada en ella."},
  };
  for (const auto& example : cases) {
    EXPECT_TRUE(describeFileError(example.error) == example.message)
        << static_cast<int>(example.error.action());
  }
  EXPECT_GT(systemReason(ERROR_DISK_FULL).size(), 5u);
  EXPECT_EQ(systemReason(ERROR_DISK_FULL).back(), L'.');
}

}  // namespace
