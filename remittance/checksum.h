#pragma once

// A running checksum of a file's bytes, the same however the bytes are split into pieces: what
// the conversion wrote is compared with what the disk gives back. It is XXH3's 128-bit hash, from
// xxHash, which rsync checks every file it moves with.

#include <cstdint>
#include <memory>
#include <string_view>

#include "xxh3_paths.h"

namespace remittance {

class Checksum {
 public:
  // The instructions the bytes are summed with: the same sums either way. Plain code runs on any
  // x86 processor; SSE2 takes a quarter of its time in the 32-bit program, and only a processor
  // that has SSE2 may run it.
  enum class Path { Plain, Sse2 };

  // Throws std::bad_alloc.
  explicit Checksum(Path path);

  void add(std::string_view bytes);

  // Two files' checksums are equal when their bytes are; bytes lost, added, changed or moved
  // make them differ, but for a chance of about one in 2^128.
  bool operator==(const Checksum& other) const;
  std::uint64_t size() const { return size_; }
  Path path() const { return path_; }

 private:
  struct Destroy {
    const xxh3::Path* path;
    void operator()(xxh3::State* state) const { path->destroy(state); }
  };

  Path path_;
  const xxh3::Path& functions_;
  std::unique_ptr<xxh3::State, Destroy> state_;
  std::uint64_t size_ = 0;
};

}  // namespace remittance
