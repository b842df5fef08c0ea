#include "file_error_message.h"

#include <windows.h>

#include <string_view>

namespace {

// The path as the user knows it: backslashes, and a folder without its closing separator.
std::wstring shownPath(std::wstring path) {
  for (wchar_t& character : path) {
    if (character == L'/') character = L'\\';
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

// How the message starts: what could not be done, up to the file's name.
std::wstring_view whatFailed(remittance::FileAction action) {
  switch (action) {
    case remittance::FileAction::ListFolder:
      return L"No se puede abrir la carpeta de remesas ";
    case remittance::FileAction::Read:
      return L"No se puede leer la remesa ";
    case remittance::FileAction::Write:
      return L"No se puede guardar la remesa ";
    case remittance::FileAction::ChangedWhileSaving:
      return L"La remesa ";
  }
  return L"No se puede usar ";
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
  if (message.empty()) message = L"Error del sistema " + std::to_wstring(errorCode);
  return message + L".";
}

std::wstring describeFileError(const remittance::FileError& error) {
  const std::wstring start = std::wstring(whatFailed(error.action())) + shownPath(error.file());
  if (error.action() == remittance::FileAction::ChangedWhileSaving)
    return start + L" ha cambiado mientras se guardaba. No se ha escrito nada en ella.";
  return start + L".\n\n" + systemReason(error.systemError());
}

std::wstring describeUnexpectedError(const std::exception& error) {
  return L"Error inesperado: " + fromAnsi(error.what());
}
