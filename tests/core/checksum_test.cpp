// The checksum that compares a written file with what the disk gives back: the same however the
// bytes come in pieces, and whatever instructions sum them. That the hash tells other bytes apart
// is xxHash's own proof; that the save catches them is the file tests'.

#include <gtest/gtest.h>

#include <cstdint>
#include <iostream>
#include <string>
#include <string_view>
#include <vector>

#include "checksum.h"

namespace {

using remittance::Checksum;
using remittance::Instructions;

std::string someBytes(std::size_t size) {
  std::string bytes(size, '\0');
  std::uint32_t seed = 7;
  for (char& byte : bytes) {
    seed = seed * 1664525u + 1013904223u;
    byte = static_cast<char>(seed >> 24);
  }
  return bytes;
}

bool sameInPieces(std::string_view bytes, std::size_t piece, Instructions instructions,
                  const Checksum& whole) {
  Checksum sum(instructions);
  sum.add({});
  for (std::size_t at = 0; at < bytes.size(); at += piece) sum.add(bytes.substr(at, piece));
  return sum == whole;
}

// Short inputs and XXH3's long loop, in pieces that split its 64-byte stripes and 1024-byte
// blocks anywhere, summed with SSE2 and, where the processor has them, AVX2 instructions.
TEST(Checksum, IsTheSameForAnyPiecesAndInstructions) {
  std::vector<Instructions> tried{Instructions::Sse2};
  if (remittance::fastestInstructions() == Instructions::Avx2)
    tried.push_back(Instructions::Avx2);
  else
    std::cout << "This processor has no AVX2: only SSE2 is tried.\n";
  for (const std::size_t size : {std::size_t{0}, std::size_t{100}, std::size_t{5000}}) {
    const std::string bytes = someBytes(size);
    Checksum whole(Instructions::Sse2);
    whole.add(bytes);
    for (const Instructions instructions : tried) {
      for (const std::size_t piece : {1, 7, 64, 65, 1000, 1024, 4096, 8192}) {
        EXPECT_TRUE(sameInPieces(bytes, piece, instructions, whole))
            << size << " bytes, pieces of " << piece << ", AVX2 "
            << (instructions == Instructions::Avx2);
      }
    }
  }
}

}  // namespace
