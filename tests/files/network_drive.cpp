// Maps a drive letter of the Wine prefix to a Unix folder as a network drive, as an office maps
// its share, or takes the letter away again:
//
//   network_drive LETTER UNIX_FOLDER    LETTER: leads to UNIX_FOLDER and is a network drive
//   network_drive LETTER                LETTER: is taken away
//
// Only Wine has this: its mount manager (\\.\MountPointManager) defines a drive letter for a Unix
// folder with the type it is given, as winecfg does; the control code and the layout of its input
// are Wine's own. The letter answers DRIVE_REMOTE at once. A type written in the registry
// (HKLM\Software\Wine\Drives) instead is read only when the Wine server starts its services.
//
// Exit status: 0 done, 1 refused (one line says why), 2 bad arguments.

#include <windows.h>
#include <winioctl.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

// The input of Wine's "define Unix drive" request, followed by the folder's Unix path.
struct UnixDrive {
  ULONG size;
  ULONG type;
  ULONG fileSystem;
  DWORD serial;
  ULONGLONG unixDevice;
  WCHAR letter;
  USHORT folderOffset;
  USHORT deviceOffset;
  USHORT labelOffset;
};

constexpr DWORD kDefineUnixDrive =
    CTL_CODE('m', 32, METHOD_BUFFERED, FILE_READ_ACCESS | FILE_WRITE_ACCESS);

std::string utf8(const wchar_t* text) {
  const int size = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
  std::string bytes(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text, -1, bytes.data(), size, nullptr, nullptr);
  return bytes;  // with its closing NUL
}

// Defines `letter` as a network drive leading to `folder`, or takes it away when `folder` is null.
DWORD defineDrive(wchar_t letter, const wchar_t* folder) {
  const std::string path = folder ? utf8(folder) : std::string();
  std::vector<char> request(sizeof(UnixDrive) + path.size());
  UnixDrive drive{};
  drive.size = static_cast<ULONG>(request.size());
  drive.type = folder ? DRIVE_REMOTE : DRIVE_NO_ROOT_DIR;
  drive.letter = letter;
  if (folder) drive.folderOffset = sizeof(UnixDrive);
  std::memcpy(request.data(), &drive, sizeof drive);
  std::memcpy(request.data() + sizeof drive, path.data(), path.size());

  const HANDLE manager =
      CreateFileW(LR"(\\.\MountPointManager)", GENERIC_READ | GENERIC_WRITE,
                  FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
  if (manager == INVALID_HANDLE_VALUE) return GetLastError();
  DWORD returned = 0;
  const BOOL done =
      DeviceIoControl(manager, kDefineUnixDrive, request.data(), static_cast<DWORD>(request.size()),
                      nullptr, 0, &returned, nullptr);
  const DWORD error = done ? ERROR_SUCCESS : GetLastError();
  CloseHandle(manager);
  return error;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 2 || argc > 3 || std::wcslen(argv[1]) != 1) {
    std::fputs("usage: network_drive LETTER [UNIX_FOLDER]\n", stderr);
    return 2;
  }
  const wchar_t letter = argv[1][0];
  const wchar_t* folder = argc == 3 ? argv[2] : nullptr;
  const DWORD error = defineDrive(letter, folder);
  const wchar_t root[] = {letter, L':', L'\\', L'\0'};
  const UINT type = GetDriveTypeW(root);
  if (error != ERROR_SUCCESS || type != (folder ? DRIVE_REMOTE : DRIVE_NO_ROOT_DIR)) {
    std::fprintf(stderr,
                 "network_drive: Wine's mount manager did not %s %lc: (error %lu, drive type %u)\n",
                 folder ? "map" : "take away", letter, error, type);
    return 1;
  }
  return 0;
}
