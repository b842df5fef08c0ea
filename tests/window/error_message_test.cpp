// The Spanish messages for file errors: what failed, the file or folder as the user knows it
// (whatever UTF-16 units its name holds, never in the "\\?\" form) and the system's reason.

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "file_error_message.h"

namespace {

using remittance::FileError;
using remittance::FileProblem;

TEST(FileErrorMessage, NamesTheFileWhatFailedAndTheReason) {
  const std::wstring oddName = std::wstring(LR"(C:\remesas\)") + L"\xD800" + L"r.xml";
  const struct {
    FileError error;
    std::wstring message;
  } cases[] = {
      {{FileProblem::CannotListFolder, LR"(C:\programa\remesas\)", ERROR_PATH_NOT_FOUND},
       LR"(No se puede abrir la carpeta de remesas C:\programa\remesas.)"
       L"\n\n" +
           systemReason(ERROR_PATH_NOT_FOUND)},
      {{FileProblem::CannotRead, oddName, ERROR_SHARING_VIOLATION},
       L"No se puede leer la remesa " + oddName + L".\n\n" + systemReason(ERROR_SHARING_VIOLATION)},
      {{FileProblem::CannotSave, oddName, ERROR_DISK_FULL},
       L"No se puede guardar la remesa " + oddName + L".\n\n" + systemReason(ERROR_DISK_FULL)},
      {{FileProblem::ChangedWhileSaving, oddName, 0},
       L"La remesa " + oddName +
           L" ha cambiado mientras se guardaba. No se ha escrito nada en ella."},
      {{FileProblem::CannotRead, LR"(\\?\C:\remesas\r.xml)", ERROR_SHARING_VIOLATION},
       LR"(No se puede leer la remesa C:\remesas\r.xml.)"
       L"\n\n" +
           systemReason(ERROR_SHARING_VIOLATION)},
      {{FileProblem::HasOtherNames, LR"(\\?\UNC\servidor\remesas\r.xml)", 0},
       LR"(La remesa \\servidor\remesas\r.xml tiene más de un nombre en el disco (enlaces )"
       L"duros). Al guardarla, los otros nombres seguirían con el contenido antiguo, así que no se "
       L"ha escrito nada en ella."},
      {{FileProblem::FolderRefusesNewFiles, LR"(\\?\C:\remesas\)", ERROR_ACCESS_DENIED},
       LR"(No se puede guardar la remesa: la carpeta C:\remesas no permite crear archivos )"
       L"nuevos, y hace falta crear en ella la remesa cambiada antes de poner esta en el lugar de "
       L"la antigua. La remesa no ha cambiado.\n\n" +
           systemReason(ERROR_ACCESS_DENIED)},
      {{FileProblem::FolderLacksRoom, LR"(\\?\C:\remesas\)", ERROR_DISK_FULL},
       LR"(No se puede guardar la remesa: en el disco de la carpeta C:\remesas no queda espacio )"
       L"para una segunda copia de la remesa, que hace falta mientras se guarda. La remesa no ha "
       L"cambiado.\n\n" +
           systemReason(ERROR_DISK_FULL)},
      {{FileProblem::FolderCannotEncrypt, LR"(\\?\C:\remesas\)", 0},
       LR"(No se puede guardar la remesa: está cifrada, y en la carpeta C:\remesas no se puede )"
       L"crear la copia cifrada que hace falta mientras se guarda. Una remesa cifrada nunca se "
       L"escribe sin cifrar. La remesa no ha cambiado."},
      {{FileProblem::ReadBackDiffers, LR"(C:\remesas\r.xml)", 0},
       LR"(No se puede guardar la remesa C:\remesas\r.xml: el disco no ha devuelto la remesa )"
       L"cambiada tal como se escribió. La remesa no ha cambiado."},
      {{FileProblem::HeldByAnotherProgram, LR"(C:\remesas\r.xml)", ERROR_SHARING_VIOLATION,
        LR"(\\?\C:\remesas\~0123456789abcdef.tmp)"},
       LR"(No se puede guardar la remesa C:\remesas\r.xml: puede que otro programa la tenga )"
       L"abierta. Ciérrelo y vuelva a intentarlo. La remesa no ha cambiado. No se ha podido "
       LR"(borrar el archivo temporal C:\remesas\~0123456789abcdef.tmp: bórrelo.)"
       L"\n\n" +
           systemReason(ERROR_SHARING_VIOLATION)},
      {{FileProblem::RemittanceGone, LR"(\\?\UNC\servidor\remesas\r.xml)", 0,
        LR"(\\?\UNC\servidor\remesas\~0123456789abcdef.tmp)"},
       LR"(La remesa \\servidor\remesas\r.xml ya no está en su carpeta: otro programa la ha )"
       L"movido o borrado mientras se guardaba. No se ha vuelto a crear. La remesa cambiada está "
       LR"(en \\servidor\remesas\~0123456789abcdef.tmp: compruebe si la remesa ya se ha )"
       L"enviado al banco antes de usarla."},
      {{FileProblem::RemittanceGone, LR"(C:\remesas\r.xml)", 0},
       LR"(La remesa C:\remesas\r.xml ya no está en su carpeta: otro programa la ha movido o )"
       L"borrado mientras se guardaba. No se ha vuelto a crear. No se sabe dónde está ahora la "
       L"remesa cambiada: puede que otro programa la haya movido o borrado también."},
      {{FileProblem::CopyTakenAway, LR"(\\?\C:\remesas\~0123456789abcdef.tmp)", ERROR_FILE_NOT_FOUND},
       L"No se puede guardar la remesa: mientras se guardaba, otro programa ha movido o borrado "
       LR"(el archivo temporal C:\remesas\~0123456789abcdef.tmp, que tenía la remesa cambiada. )"
       L"La remesa no ha cambiado.\n\n" +
           systemReason(ERROR_FILE_NOT_FOUND)},
  };
  for (const auto& example : cases) {
    EXPECT_TRUE(describeFileError(example.error) == example.message)
        << static_cast<int>(example.error.problem());
  }
  EXPECT_GT(systemReason(ERROR_DISK_FULL).size(), 5u);
  EXPECT_EQ(systemReason(ERROR_DISK_FULL).back(), L'.');
  // An error the system has no text for is named by its number.
  EXPECT_EQ(systemReason(0xE000FFFFu), L"Error del sistema 3758161919.");
}

}  // namespace
