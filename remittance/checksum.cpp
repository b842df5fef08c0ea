#include "checksum.h"

#include <algorithm>
#include <bit>
#include <cstring>

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

// A multiply-rotate hash: every bit of a word reaches the whole sum, and the order of the words
// in a lane counts.
void Checksum::mix(std::size_t lane, std::uint64_t word) {
  const std::uint64_t sum = (sums_[lane] ^ word) * 0x9E3779B97F4A7C15u;
  sums_[lane] = std::rotl(sum, 29);
}

void Checksum::add(std::string_view bytes) {
  const char* at = bytes.data();
  const char* const end = at + bytes.size();
  // One byte at a time up to the start of a word, or the end.
  const auto gather = [&](const char* until) {
    for (; at < until; ++at, ++size_) {
      pending_ |= std::uint64_t{static_cast<unsigned char>(*at)} << (8 * (size_ % 8));
      if (size_ % 8 == 7) {
        mix(size_ / 8 % kLanes, pending_);
        pending_ = 0;
      }
    }
  };
  gather(at + std::min<std::size_t>(bytes.size(), (8 - size_ % 8) % 8));
  // Whole words up to lane 0, then four words at a time, then the last whole words.
  for (; end - at >= 8 && size_ / 8 % kLanes != 0; at += 8, size_ += 8)
    mix(size_ / 8 % kLanes, wordAt(at));
  for (; end - at >= 32; at += 32, size_ += 32) {
    mix(0, wordAt(at));
    mix(1, wordAt(at + 8));
    mix(2, wordAt(at + 16));
    mix(3, wordAt(at + 24));
  }
  for (; end - at >= 8; at += 8, size_ += 8) mix(size_ / 8 % kLanes, wordAt(at));
  gather(end);
}

}  // namespace remittance
