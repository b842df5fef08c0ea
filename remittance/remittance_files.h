#pragma once

// The remittance files on Windows: the folder and its listing, the check at selection and the
// conversion. Paths are wide Win32 paths; a name may hold any UTF-16 units.

#include <string>
#include <vector>

#include "system_calls.h"

namespace remittance {

// Where the remittance files are: "remesas" beside the program, in the "\\?\" form and with a
// closing backslash. The program never creates it.
std::wstring remittanceFolder();

// The names, without folder, of the remittances in `folder`: its regular files that are neither
// hidden nor system files and whose name isRemittanceName accepts, sorted without regard to
// letter case. Throws FileError (CannotListFolder) when the folder cannot be read.
std::vector<std::wstring> listRemittances(const std::wstring& folder);

// What the files functions below do with `file`, a folder and a listed name: a path in the
// "\\?\" form is used as it is; any other has its folder resolved and the name joined to it as
// it is, never read as a device (CON.xml is the file of that name).

// Checks, at selection, that the remittance can be opened and read: opens it, waiting about a
// second for a passing lock, and reads its first bytes. Keeps nothing. Throws FileError
// (CannotRead).
void checkRemittance(const std::wstring& file, SystemCalls& calls = realSystemCalls());

enum class Outcome { Converted, CannotChange };

// Converts the remittance as it is on disk, in one pass through a buffer of fixed size: when the
// start tag of its first MsgId element is followed by "PRE", the converted bytes go to a new
// temporary file "~<16 hex digits>.tmp" beside it, which is flushed, read back and put in the
// file's place in one step, after a check that the file is still the one read (see TemporaryFile
// in file_steps.h for what it takes over from the old file, and where). A symbolic link stays a
// link: the file it points to is converted, in its own folder. Returns CannotChange, writing
// nothing, for any other file. Throws FileError: CannotRead, CannotSave (a read-only file
// included), HeldByAnotherProgram, ChangedWhileSaving, HasOtherNames, FolderRefusesNewFiles,
// FolderLacksRoom, FolderCannotEncrypt, ReadBackDiffers: the file keeps its exact bytes and the
// temporary file is deleted (or, where it cannot be, named); or RemittanceGone: another program
// moved or deleted the remittance meanwhile, and the converted copy is left, named.
Outcome convertRemittance(const std::wstring& file, SystemCalls& calls = realSystemCalls());

}  // namespace remittance
