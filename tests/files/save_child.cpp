// The saving side of the kill tests: loads a remittance, changes its prefix and saves it, as the
// CAMBIAR button does, in a process of its own that the test ends at chosen moments.
//
//   save_child FILE CALL before|after   ends itself just before or after call CALL of the save
//   save_child FILE EVENT               sets event "EVENT-ready" once loaded, waits for
//                                       "EVENT-go", then saves (the test ends it from outside)
//
// Exit status: 0 saved, 2 bad arguments, 3 file error, 4 nothing to change; ScriptedCalls::kEnded
// when its script ended it.

#include <windows.h>

#include <cstdlib>
#include <string>

#include "file_error.h"
#include "prefix_change.h"
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
    remittance::LoadedRemittance loaded = remittance::loadRemittance(file);
    if (!remittance::changeMessageIdPrefix(loaded.document)) return 4;
    if (argc == 4) {
      const int call = std::wcstol(argv[2], nullptr, 10);
      const auto script = std::wstring(argv[3]) == L"before" ? ScriptedCalls::Script::EndBefore
                                                             : ScriptedCalls::Script::EndAfter;
      ScriptedCalls calls(call, script);
      remittance::saveRemittance(file, loaded.document, loaded.stamp, calls);
    } else {
      const HANDLE ready = openEvent(std::wstring(argv[2]) + L"-ready");
      const HANDLE go = openEvent(std::wstring(argv[2]) + L"-go");
      if (!ready || !go) return 2;
      SetEvent(ready);
      WaitForSingleObject(go, INFINITE);
      remittance::saveRemittance(file, loaded.document, loaded.stamp);
    }
  } catch (const remittance::FileError&) {
    return 3;
  }
  return 0;
}
