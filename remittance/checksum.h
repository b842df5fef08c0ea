#pragma once

// A running checksum of a file's bytes, the same however the bytes are split into pieces: what
// the conversion wrote is compared with what the disk gives back.

#include <array>
#include <cstdint>
#include <string_view>

namespace remittance {

class Checksum {
 public:
  void add(std::string_view bytes);

  // Two files' checksums are equal when their bytes are; bytes lost, added or changed make them
  // differ, but for a chance of about one in 2^64.
  bool operator==(const Checksum& other) const = default;
  std::uint64_t size() const { return size_; }

 private:
  static constexpr std::size_t kLanes = 4;

  void mix(std::size_t lane, std::uint64_t word);

  // Word n of the file goes into lane n % 4: four sums that do not wait for each other.
  std::array<std::uint64_t, kLanes> sums_{};
  std::uint64_t pending_ = 0;  // the last size % 8 bytes, not yet mixed in
  std::uint64_t size_ = 0;
};

}  // namespace remittance
