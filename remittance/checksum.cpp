#include "checksum.h"

#include <bit>
#include <cstring>
#include <utility>

namespace remittance {
namespace {

// Eight bytes as a word, the first byte lowest, as the pending bytes are gathered.
std::uint64_t wordAt(const char* bytes) {
  std::uint64_t word = 0;
  if constexpr (std::endian::native == std::endian::little) {
    std::memcpy(&word, bytes, sizeof word);
  } else {
    for (int byte = 7; byte >= 0; --byte)
      word = word << 8 | static_cast<unsigned char>(bytes[byte]);
  }
  return word;
}

}  // namespace

// Eight bytes at a time, each word multiplied into the sum and turned (a multiply-rotate hash:
// every bit of a word reaches the whole sum, and the order of the words counts).
void Checksum::mix(std::uint64_t word) {
  sum_ = (sum_ ^ word) * 0x9E3779B97F4A7C15u;
  sum_ = (sum_ << 29) | (sum_ >> 35);
}

void Checksum::add(std::string_view bytes) {
  std::size_t at = 0;
  // First the bytes that complete the word left pending by the last piece.
  while (size_ % 8 != 0 && at < bytes.size()) {
    pending_ |= std::uint64_t{static_cast<unsigned char>(bytes[at++])} << (8 * (size_ % 8));
    if (++size_ % 8 == 0) mix(std::exchange(pending_, 0));
  }
  for (; at + 8 <= bytes.size(); at += 8, size_ += 8) {
    mix(wordAt(bytes.data() + at));
  }
  for (; at < bytes.size(); ++at, ++size_)
    pending_ |= std::uint64_t{static_cast<unsigned char>(bytes[at])} << (8 * (size_ % 8));
}

}  // namespace remittance
