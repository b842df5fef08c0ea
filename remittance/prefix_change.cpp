#include "prefix_change.h"

#include <algorithm>
#include <cstring>

namespace remittance {

PrefixSearch::Answer PrefixSearch::look(std::string_view piece) {
  std::size_t at = 0;
  while (answer_ == Answer::NotYet && at < piece.size()) {
    if (tagMatched_ == 0) {
      // Only '<' can start the tag: jump to the next one.
      const void* next = std::memchr(piece.data() + at, '<', piece.size() - at);
      if (!next) {
        at = piece.size();
        break;
      }
      at = static_cast<std::size_t>(static_cast<const char*>(next) - piece.data());
    }
    const char byte = piece[at];
    if (tagMatched_ < kMessageIdTag.size()) {
      // '<' is nowhere else in the tag: a mismatch starts again from nothing, or from itself.
      if (byte == kMessageIdTag[tagMatched_]) {
        ++tagMatched_;
      } else {
        tagMatched_ = byte == '<' ? 1 : 0;
      }
    } else if (byte != kCollectionPrefix[prefixMatched_]) {
      answer_ = Answer::CannotChange;
    } else if (++prefixMatched_ == kCollectionPrefix.size()) {
      answer_ = Answer::Change;
      prefixAt_ = looked_ + at + 1 - kCollectionPrefix.size();
    }
    ++at;
  }
  looked_ += at;
  return answer_;
}

std::array<std::string_view, 3> ConvertedBytes::next(std::string_view piece) {
  const std::uint64_t start = at_;
  const std::uint64_t end = start + piece.size();
  at_ = end;
  const std::uint64_t prefixEnd = prefixAt_ + kCollectionPrefix.size();
  const auto part = [&](std::uint64_t from, std::uint64_t to) {
    from = std::clamp(from, start, end);
    to = std::clamp(to, from, end);
    return piece.substr(static_cast<std::size_t>(from - start),
                        static_cast<std::size_t>(to - from));
  };
  const bool replacedHere = start <= prefixAt_ && prefixAt_ < end;
  return {part(start, prefixAt_), replacedHere ? kFinancingPrefix : std::string_view(),
          part(prefixEnd, end)};
}

}  // namespace remittance
