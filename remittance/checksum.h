#pragma once

// A running checksum of a file's bytes, the same however the bytes are split into pieces: what
// the conversion wrote is compared with what the disk gives back.

#include <cstdint>
#include <string_view>

namespace remittance {

class Checksum {
 public:
  void add(std::string_view bytes);

  // Two files' checksums are equal when their bytes are; bytes lost, added or changed make them
  // differ, but for a chance of one in 2^64.
  bool operator==(const Checksum& other) const {
    return size_ == other.size_ && pending_ == other.pending_ && sum_ == other.sum_;
  }
  std::uint64_t size() const { return size_; }

 private:
  void mix(std::uint64_t word);

  std::uint64_t sum_ = 0;
  std::uint64_t pending_ = 0;  // the last size % 8 bytes, not yet mixed in
  std::uint64_t size_ = 0;
};

}  // namespace remittance
