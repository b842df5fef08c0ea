// Converts one remittance file exactly as the window's CAMBIAR button does: one pass through a
// fixed buffer to a temporary file, flushed, read back and put in the file's place. The Windows
// build, run under Wine, is timed from outside against cp and sed.
//
//   convert_remittance FILE
//
// Prints the milliseconds the conversion took: "convert 45.6".
// Exit status: 0 converted, 1 left alone (no "PRE" in the first MsgId element), 2 file error.

#include <chrono>
#include <cstdio>
#include <string>

#include "file_error.h"
#include "remittance_files.h"

int wmain(int argc, wchar_t** argv) {
  if (argc != 2) {
    std::fputs("usage: convert_remittance FILE\n", stderr);
    return 2;
  }
  using Clock = std::chrono::steady_clock;
  try {
    const auto start = Clock::now();
    const remittance::Outcome outcome = remittance::convertRemittance(argv[1]);
    const auto done = Clock::now();
    if (outcome != remittance::Outcome::Converted) {
      std::fputs("No se puede cambiar el prefijo\n", stderr);
      return 1;
    }
    std::printf("convert %.1f\n", std::chrono::duration<double, std::milli>(done - start).count());
  } catch (const remittance::FileError& error) {
    std::fprintf(stderr, "file error %d (system error %lu)\n", static_cast<int>(error.problem()),
                 error.systemError());
    return 2;
  }
  return 0;
}
