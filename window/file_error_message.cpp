#include "file_error_message.h"

#include <windows.h>

#include <string_view>

namespace {

// The path as the user knows it: backslashes, no "\\?\" form, and a folder without its closing
// separator.
std::wstring shownPath(std::wstring path) {
  for (wchar_t& character : path) {
    if (character == L'/') character = L'\\';
  }
  if (path.starts_with(LR"(\\?\UNC\)")) {
    path.erase(2, 6);
  } else if (path.starts_with(LR"(\\?\)")) {
    path.erase(0, 4);
  }
  if (path.size() > 1 && path.back() == L'\\') path.pop_back();
  return path;
}

std::wstring fromAnsi(const char* text) {
  const int length = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
  if (length <= 1) return {};
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  MultiByteToWideChar(CP_ACP, 0, text, -1, wide.data(), length);
  wide.resize(static_cast<std::size_t>(length - 1));
  return wide;
}

// The message up to the system's reason, around the file's or the folder's name.
std::wstring whatFailed(const remittance::FileError& error) {
  using remittance::FileProblem;
  const std::wstring name = shownPath(error.file());
  switch (error.problem()) {
    case FileProblem::CannotListFolder:
      return L"No se puede abrir la carpeta de remesas " + name + L".";
    case FileProblem::CannotRead:
      return L"No se puede leer la remesa " + name + L".";
    case FileProblem::CannotSave:
      return L"No se puede guardar la remesa " + name + L".";
    case FileProblem::ChangedWhileSaving:
      return L"La remesa " + name +
             L" ha cambiado mientras se guardaba. No se ha escrito nada en ella.";
    case FileProblem::HasOtherNames:
      return L"La remesa " + name +
             L" tiene más de un nombre en el disco (enlaces duros). Al guardarla, los otros "
             L"nombres "
             L"seguirían con el contenido antiguo, así que no se ha escrito nada en ella.";
    case FileProblem::FolderRefusesNewFiles:
      return L"No se puede guardar la remesa: la carpeta " + name +
             L" no permite crear archivos nuevos, y hace falta crear en ella la remesa cambiada "
             L"antes de poner esta en el lugar de la antigua. La remesa no ha cambiado.";
    case FileProblem::FolderLacksRoom:
      return L"No se puede guardar la remesa: en el disco de la carpeta " + name +
             L" no queda espacio para una segunda copia de la remesa, que hace falta mientras se "
             L"guarda. La remesa no ha cambiado.";
    case FileProblem::FolderCannotEncrypt:
      return L"No se puede guardar la remesa: está cifrada, y en la carpeta " + name +
             L" no se puede crear la copia cifrada que hace falta mientras se guarda. Una remesa "
             L"cifrada nunca se escribe sin cifrar. La remesa no ha cambiado.";
    case FileProblem::HeldByAnotherProgram:
      return L"No se puede guardar la remesa " + name +
             L": puede que otro programa la tenga abierta. Ciérrelo y vuelva a intentarlo. La "
             L"remesa no ha cambiado.";
    case FileProblem::ReadBackDiffers:
      return L"No se puede guardar la remesa " + name +
             L": el disco no ha devuelto la remesa cambiada tal como se escribió. La remesa no "
             L"ha cambiado.";
    case FileProblem::RemittanceGone:
      return L"La remesa " + name +
             L" ya no está en su carpeta: otro programa la ha movido o borrado mientras se "
             L"guardaba. No se ha vuelto a crear." +
             (!error.temporaryFile().empty()
                  ? L" La remesa cambiada está en " + shownPath(error.temporaryFile()) +
                        L": compruebe si la remesa ya se ha enviado al banco antes de usarla."
              : error.systemError() != 0
                  ? L" Tampoco se ha podido conservar la remesa cambiada."
                  : L" No se sabe dónde está ahora la remesa cambiada: puede que otro programa "
                    L"la haya movido o borrado también.");
    case FileProblem::CopyTakenAway:
      return L"No se puede guardar la remesa: mientras se guardaba, otro programa ha movido o "
             L"borrado el archivo temporal " +
             name + L", que tenía la remesa cambiada. La remesa no ha cambiado.";
  }
  return L"No se puede usar " + name + L".";
}

// Where the converted copy was left after another failure: the temporary file could not be
// deleted.
std::wstring leftover(const remittance::FileError& error) {
  if (error.temporaryFile().empty() || error.problem() == remittance::FileProblem::RemittanceGone)
    return {};
  return L" No se ha podido borrar el archivo temporal " + shownPath(error.temporaryFile()) +
         L": bórrelo.";
}

// The number in decimal digits: std::to_wstring would bring the C library's whole printf into the
// program, 25 KB of it.
std::wstring decimal(unsigned long number) {
  std::wstring digits;
  do {
    digits.insert(digits.begin(), static_cast<wchar_t>(L'0' + number % 10));
    number /= 10;
  } while (number != 0);
  return digits;
}

}  // namespace

std::wstring systemReason(unsigned long errorCode) {
  wchar_t* text = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, errorCode, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::wstring message = length ? std::wstring(text, length) : std::wstring();
  LocalFree(text);
  while (!message.empty() && (message.back() == L'\n' || message.back() == L'\r' ||
                              message.back() == L' ' || message.back() == L'.')) {
    message.pop_back();
  }
  if (message.empty()) message = L"Error del sistema " + decimal(errorCode);
  return message + L".";
}

std::wstring describeFileError(const remittance::FileError& error) {
  const std::wstring text = whatFailed(error) + leftover(error);
  if (error.systemError() == 0) return text;
  return text + L"\n\n" + systemReason(error.systemError());
}

std::wstring describeUnexpectedError(const std::exception& error) {
  return L"Error inesperado: " + fromAnsi(error.what());
}
