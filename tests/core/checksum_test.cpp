// The checksum that compares a written file with what the disk gives back: the same however the
// bytes come in pieces, and the same on both paths, plain and SSE2 (which the 32-bit program
// compiles apart). That the hash tells other bytes apart is xxHash's own proof; that the save
// catches them is the file tests'.

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "checksum.h"

namespace {

using remittance::Checksum;

std::string someBytes(std::size_t size) {
  std::string bytes(size, '\0');
  std::uint32_t seed = 7;
  for (char& byte : bytes) {
    seed = seed * 1664525u + 1013904223u;
    byte = static_cast<char>(seed >> 24);
  }
  return bytes;
}

bool sameInPieces(Checksum::Path path, std::string_view bytes, std::size_t piece,
                  const Checksum& whole) {
  Checksum sum(path);
  sum.add({});
  for (std::size_t at = 0; at < bytes.size(); at += piece) sum.add(bytes.substr(at, piece));
  return sum == whole;
}

// Past 1024 bytes XXH3 runs its long loop, where the paths differ; pieces that split its
// 64-byte stripes and 1024-byte blocks anywhere.
TEST(Checksum, IsTheSameForAnyPiecesOnEitherPath) {
  for (const std::size_t size : {std::size_t{0}, std::size_t{100}, std::size_t{5000}}) {
    const std::string bytes = someBytes(size);
    Checksum whole(Checksum::Path::Plain);
    whole.add(bytes);
    for (const auto path : {Checksum::Path::Plain, Checksum::Path::Sse2}) {
      for (const std::size_t piece : {1, 7, 64, 65, 1000, 1024, 4096, 8192}) {
        EXPECT_TRUE(sameInPieces(path, bytes, piece, whole))
            << size << " bytes, pieces of " << piece << ", path " << static_cast<int>(path);
      }
    }
  }
}

}  // namespace
