// Converts one remittance file exactly as the window's CAMBIAR button does: load the whole file,
// change the prefix of the message identifier in place and save it over the file (temporary
// file, flush, replace). Used to time the full conversion from outside, against cp and sed.
//
//   convert_remittance FILE
//
// Prints the milliseconds spent loading, changing and saving: "load 12.3 change 0.4 save 45.6".
// Exit status: 0 converted, 1 left alone (no "PRE" after the first "<MsgId>"), 2 file error.

#include <chrono>
#include <cstdio>
#include <string>

#include "document_file.h"
#include "file_error.h"
#include "prefix_change.h"

int main(int argc, char** argv) {
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
    std::string document = remittance::loadDocument(argv[1]);
    const auto loaded = Clock::now();
    if (!remittance::changeMessageIdPrefix(document)) {
      std::fputs("No se puede cambiar el prefijo\n", stderr);
      return 1;
    }
    const auto changed = Clock::now();
    remittance::saveDocument(argv[1], document);
    const auto saved = Clock::now();
    std::printf("load %.1f change %.1f save %.1f\n", milliseconds(start, loaded),
                milliseconds(loaded, changed), milliseconds(changed, saved));
  } catch (const remittance::FileError& error) {
    std::fprintf(stderr, "%s\n", error.what());
    return 2;
  }
  return 0;
}
