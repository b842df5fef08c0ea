#include "error_message.h"

#include <windows.h>

#include <string_view>

namespace {

std::wstring_view whatFailed(remittance::FileAction action) {
  switch (action) {
    case remittance::FileAction::ListFolder:
      return L"No se puede abrir la carpeta de remesas ";
    case remittance::FileAction::Read:
      return L"No se puede leer la remesa ";
    case remittance::FileAction::Write:
      return L"No se puede guardar la remesa ";
  }
  return L"No se puede usar ";
}

// The path as the user knows it: backslashes, and a folder without its closing separator.
std::wstring shownPath(std::filesystem::path path) {
  path.make_preferred();
  if (!path.has_filename() && path.has_parent_path()) path = path.parent_path();
  return path.native();
}

std::wstring fromAnsi(const char* text) {
  const int length = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
  if (length <= 1) return {};
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  MultiByteToWideChar(CP_ACP, 0, text, -1, wide.data(), length);
  wide.resize(static_cast<std::size_t>(length - 1));
  return wide;
}

}  // namespace

std::wstring systemReason(std::error_code reason) {
  wchar_t* text = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, static_cast<DWORD>(reason.value()), 0, reinterpret_cast<wchar_t*>(&text), 0,
      nullptr);
  std::wstring message = length ? std::wstring(text, length) : std::wstring();
  LocalFree(text);
  while (!message.empty() && (message.back() == L'\n' || message.back() == L'\r' ||
                              message.back() == L' ' || message.back() == L'.')) {
    message.pop_back();
  }
  if (message.empty()) message = L"Error del sistema " + std::to_wstring(reason.value());
  return message + L".";
}

std::wstring describeFileError(const remittance::FileError& error) {
  return std::wstring(whatFailed(error.action())) + shownPath(error.file()) + L".\n\n" +
         systemReason(error.reason());
}

std::wstring describeUnexpectedError(const std::exception& error) {
  return L"Error inesperado: " + fromAnsi(error.what());
}
