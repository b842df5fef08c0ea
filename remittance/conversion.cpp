// The conversion of one remittance, step by step. The steps on the file system are in
// file_steps.cpp; the bytes are found and changed by prefix_change.cpp.

#include <memory>

#include "file_error.h"
#include "file_steps.h"
#include "prefix_change.h"
#include "remittance_files.h"

namespace remittance {
namespace {

// What the check at selection reads.
constexpr std::size_t kCheckedSize = 64u << 10;

using Buffer = std::unique_ptr<char[]>;

}  // namespace

void checkRemittance(const std::wstring& file, SystemCalls& calls) {
  Remittance remittance(file, calls);
  const Buffer buffer(new char[kCheckedSize]);
  remittance.read({buffer.get(), kCheckedSize});
}

Outcome convertRemittance(const std::wstring& file, SystemCalls& calls) {
  // 1. Open the remittance as it is on disk now.
  Remittance remittance(file, calls);
  const Buffer buffer(new char[kPieceSize]);
  const std::span<char> space(buffer.get(), kPieceSize);

  // 2. Find the first MsgId element and the three bytes after it; nothing is written before.
  PrefixSearch search;
  std::string_view piece = remittance.read(space);
  bool firstPiece = true;
  while (search.look(piece) == PrefixSearch::Answer::NotYet && !piece.empty()) {
    piece = remittance.read(space);
    firstPiece = false;
  }
  if (search.atEnd() != PrefixSearch::Answer::Change) return Outcome::CannotChange;

  // 3. Refuse what a replacement would damage: the other names of the file, a read-only file.
  if (remittance.links() > 1) throw FileError(FileProblem::HasOtherNames, file, 0);
  if (remittance.attributes() & FILE_ATTRIBUTE_READONLY)
    throw FileError(FileProblem::CannotSave, file, ERROR_ACCESS_DENIED);

  // 4. The new file, beside the file itself (the one a symbolic link points to).
  const std::wstring place = remittance.place();
  TemporaryFile temporary(remittance, place, file, calls);
  temporary.reserve(remittance.stamp().size + kFinancingPrefix.size() - kCollectionPrefix.size() +
                    kSavedLineEnd.size());

  // 5. The converted bytes, from the first: the tag lay beyond the first piece only in a file
  //    whose start left the buffer, which is read again.
  try {
    if (!firstPiece) {
      remittance.rewind();
      piece = remittance.read(space);
    }
    ConvertedBytes converted(search.prefixAt());
    for (; !piece.empty(); piece = remittance.read(space)) {
      for (const std::string_view part : converted.next(piece)) temporary.write(part);
    }
  } catch (const FileError& error) {
    throw temporary.discard(error);
  }
  remittance.close();
  temporary.write(kSavedLineEnd);
  temporary.copyTimesAndAttributes(remittance);
  temporary.flush();

  // 6. What the disk gives back is what was written.
  temporary.checkReadBack(space);

  // 7. In the file's place, if the file on disk is still the one read, checked just before each
  //    attempt. Once there, the conversion is done, whatever happens to the file afterwards.
  temporary.putInPlaceOf(place, remittance.stamp());
  return Outcome::Converted;
}

}  // namespace remittance
