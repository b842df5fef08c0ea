// Converts one remittance file exactly as the window's CAMBIAR button does: load the whole file,
// change the prefix of the message identifier in place and save it over the file (temporary
// file, flush, replace). Used to time the full conversion from outside, against cp and sed.
//
//   convert_remittance FILE
//
// Exit status: 0 converted, 1 left alone (no "PRE" after the first "<MsgId>"), 2 file error.

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
  try {
    std::string document = remittance::loadDocument(argv[1]);
    if (!remittance::changeMessageIdPrefix(document)) {
      std::fputs("No se puede cambiar el prefijo\n", stderr);
      return 1;
    }
    remittance::saveDocument(argv[1], document);
  } catch (const remittance::FileError& error) {
    std::fprintf(stderr, "%s\n", error.what());
    return 2;
  }
  return 0;
}
