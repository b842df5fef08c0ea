#pragma once

// A running checksum of a file's bytes, the same however the bytes are split into pieces: what
// the conversion wrote is compared with what the disk gives back. It is XXH3's 128-bit hash, from
// xxHash, which rsync checks every file it moves with. It sums with SSE2 instructions, which
// every processor the program starts on has, or with AVX2 ones where the processor has those
// (docs/checksum.md).

#include <cstdint>
#include <memory>
#include <string_view>

#include "xxh3.h"

namespace remittance {

// What the checksum sums with: SSE2 instructions, or AVX2 ones, three times as fast. The sums
// are the same.
enum class Instructions { Sse2, Avx2 };

// AVX2 where the system says the processor has it; SSE2 elsewhere.
Instructions fastestInstructions();

class Checksum {
 public:
  // Throws std::bad_alloc.
  explicit Checksum(Instructions instructions = fastestInstructions());

  void add(std::string_view bytes);

  // Two files' checksums are equal when their bytes are; bytes lost, added, changed or moved
  // make them differ, but for a chance of about one in 2^128.
  bool operator==(const Checksum& other) const;
  std::uint64_t size() const { return size_; }

 private:
  struct Destroy {
    void operator()(xxh3::State* state) const { xxh3::destroy(state); }
  };

  std::unique_ptr<xxh3::State, Destroy> state_;
  Instructions instructions_;
  std::uint64_t size_ = 0;
};

}  // namespace remittance
