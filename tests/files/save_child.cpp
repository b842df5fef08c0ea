// The converting side of the kill tests: converts a remittance as the CAMBIAR button does, in a
// process of its own that the test ends at chosen moments.
//
//   save_child FILE CALL before|after   ends itself just before or after call CALL
//   save_child FILE EVENT               sets event "EVENT-ready" once started, waits for
//                                       "EVENT-go", then converts (the test ends it from outside)
//
// Exit status: 0 converted, 2 bad arguments, 3 file error, 4 nothing to change;
// ScriptedCalls::kEnded when its script ended it.

#include <windows.h>

#include <cstdlib>
#include <string>

#include "file_error.h"
#include "remittance_files.h"
#include "scripted_calls.h"

namespace {

HANDLE openEvent(const std::wstring& name) {
  return OpenEventW(EVENT_MODIFY_STATE | SYNCHRONIZE, FALSE, name.c_str());
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 3 && argc != 4) return 2;
  try {
    const std::wstring file = argv[1];
    remittance::Outcome outcome;
    if (argc == 4) {
      const int call = std::wcstol(argv[2], nullptr, 10);
      const auto script = std::wstring(argv[3]) == L"before" ? ScriptedCalls::Script::EndBefore
                                                             : ScriptedCalls::Script::EndAfter;
      ScriptedCalls calls(call, script);
      outcome = remittance::convertRemittance(file, calls);
    } else {
      const HANDLE ready = openEvent(std::wstring(argv[2]) + L"-ready");
      const HANDLE go = openEvent(std::wstring(argv[2]) + L"-go");
      if (!ready || !go) return 2;
      SetEvent(ready);
      WaitForSingleObject(go, INFINITE);
      outcome = remittance::convertRemittance(file);
    }
    if (outcome != remittance::Outcome::Converted) return 4;
  } catch (const remittance::FileError&) {
    return 3;
  }
  return 0;
}
