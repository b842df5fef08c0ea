// Converts one remittance file exactly as the window's CAMBIAR button does: load the whole file,
// change the prefix of the message identifier in place and save it over the file (temporary
// file, flush, replace). The Windows build, run under Wine, is timed from outside against cp and
// sed.
//
//   convert_remittance FILE
//
// Prints the milliseconds spent loading, changing and saving: "load 12.3 change 0.4 save 45.6".
// Exit status: 0 converted, 1 left alone (no "PRE" after the first "<MsgId>"), 2 file error.

#include <chrono>
#include <cstdio>
#include <string>

#include "file_error.h"
#include "prefix_change.h"
#include "remittance_files.h"

int wmain(int argc, wchar_t** argv) {
  if (argc != 2) {
    std::fputs("usage: convert_remittance FILE\n", stderr);
    return 2;
  }
  using Clock = std::chrono::steady_clock;
  const auto milliseconds = [](Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double, std::milli>(to - from).count();
  };
  try {
    const auto start = Clock::now();
    remittance::LoadedRemittance loaded = remittance::loadRemittance(argv[1]);
    const auto read = Clock::now();
    if (!remittance::changeMessageIdPrefix(loaded.document)) {
      std::fputs("No se puede cambiar el prefijo\n", stderr);
      return 1;
    }
    const auto changed = Clock::now();
    remittance::saveRemittance(argv[1], loaded.document, loaded.stamp);
    const auto saved = Clock::now();
    std::printf("load %.1f change %.1f save %.1f\n", milliseconds(start, read),
                milliseconds(read, changed), milliseconds(changed, saved));
  } catch (const remittance::FileError& error) {
    std::fprintf(stderr, "file error %d (system error %lu)\n", static_cast<int>(error.action()),
                 error.systemError());
    return 2;
  }
  return 0;
}
