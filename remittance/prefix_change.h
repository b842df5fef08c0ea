#pragma once

// The conversion of a remittance prepared for collection into one for advance financing: when
// the text of the first "<MsgId>" starts with "PRE", those three bytes become "FSDD" and the file
// ends with CR LF; nothing else changes. The comparison is exact and case-sensitive and only the
// first tag is looked at. Both halves take the file's bytes as they come, in pieces of any size,
// so that a file is never held whole.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace remittance {

inline constexpr std::string_view kMessageIdTag = "<MsgId>";
inline constexpr std::string_view kCollectionPrefix = "PRE";
inline constexpr std::string_view kFinancingPrefix = "FSDD";
// The line end written after the last byte of every converted file.
inline constexpr std::string_view kSavedLineEnd = "\r\n";

// The size of the pieces the conversion reads the file in. Larger pieces are slower to write
// (most likely they have left the processor's cache by then): in pieces of 4 MiB the pass over a
// 1 GiB file took two to four times as long.
inline constexpr std::size_t kPieceSize = std::size_t{1} << 20;

// Finds the first "<MsgId>" in the bytes of a file and compares the three bytes after it with
// "PRE". A file without the tag, or that ends before three bytes follow it, cannot change.
class PrefixSearch {
 public:
  enum class Answer { NotYet, Change, CannotChange };

  // Looks at the next piece of the file. Once the answer is known, later pieces are not looked at.
  Answer look(std::string_view piece);
  // The answer once the whole file has been looked at.
  Answer atEnd() const { return answer_ == Answer::NotYet ? Answer::CannotChange : answer_; }
  // Where "PRE" starts, in bytes from the start of the file, once the answer is Change.
  std::uint64_t prefixAt() const { return prefixAt_; }

 private:
  Answer answer_ = Answer::NotYet;
  std::uint64_t looked_ = 0;  // bytes of the earlier pieces
  std::size_t tagMatched_ = 0;
  std::size_t prefixMatched_ = 0;
  std::uint64_t prefixAt_ = 0;
};

// The converted file, made from the original bytes given piece by piece from the first: every
// byte as it was, "FSDD" in place of the "PRE" at `prefixAt`, and after the last piece
// kSavedLineEnd.
class ConvertedBytes {
 public:
  explicit ConvertedBytes(std::uint64_t prefixAt) : prefixAt_(prefixAt) {}

  // The converted bytes of the next piece, as up to three parts to write in order (the bytes
  // before "PRE", "FSDD", the bytes after it); parts may be empty.
  std::array<std::string_view, 3> next(std::string_view piece);

 private:
  std::uint64_t prefixAt_;
  std::uint64_t at_ = 0;  // where the next piece starts in the file
};

}  // namespace remittance
