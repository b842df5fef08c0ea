// The converting side of the kill tests: converts a remittance as the CAMBIAR button does, in a
// process of its own that the test ends at chosen moments.
//
//   save_child FILE CALL before|after   ends itself just before or after call CALL
//
// Exit status: 0 converted, 2 bad arguments, 3 file error, 4 nothing to change;
// ScriptedCalls::kEnded when its script ended it.

#include <windows.h>

#include <cstdlib>
#include <string>

#include "file_error.h"
#include "remittance_files.h"
#include "scripted_calls.h"

int wmain(int argc, wchar_t** argv) {
  if (argc != 4) return 2;
  try {
    const auto script = std::wstring(argv[3]) == L"before" ? ScriptedCalls::Script::EndBefore
                                                           : ScriptedCalls::Script::EndAfter;
    ScriptedCalls calls(std::wcstol(argv[2], nullptr, 10), script);
    const remittance::Outcome outcome = remittance::convertRemittance(argv[1], calls);
    if (outcome != remittance::Outcome::Converted) return 4;
  } catch (const remittance::FileError&) {
    return 3;
  }
  return 0;
}
