// The checksum that compares a written file with what the disk gives back: the same however the
// bytes come in pieces, different for the faults a disk makes.

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

Checksum inPieces(std::string_view bytes, std::size_t piece) {
  Checksum sum;
  for (std::size_t at = 0; at < bytes.size(); at += piece) sum.add(bytes.substr(at, piece));
  return sum;
}

TEST(Checksum, IsTheSameForAnyPieces) {
  const std::string bytes = someBytes(1000);
  const Checksum whole = inPieces(bytes, bytes.size());
  for (std::size_t piece = 1; piece <= 17; ++piece) {
    EXPECT_TRUE(inPieces(bytes, piece) == whole) << "pieces of " << piece;
  }
  Checksum withEmptyPieces;
  withEmptyPieces.add({});
  withEmptyPieces.add(bytes);
  withEmptyPieces.add({});
  EXPECT_TRUE(withEmptyPieces == whole);
}

TEST(Checksum, TellsTheFaultsOfADisk) {
  const std::string bytes = someBytes(1000);
  const Checksum written = inPieces(bytes, 7);
  const auto changed = [&](auto change) {
    std::string other = bytes;
    change(other);
    return other;
  };
  const struct {
    const char* fault;
    std::string readBack;
  } faults[] = {
      {"last byte lost", bytes.substr(0, bytes.size() - 1)},
      {"last two bytes lost", bytes.substr(0, bytes.size() - 2)},
      {"a zero byte added", bytes + std::string(1, '\0')},
      {"eight zero bytes added", bytes + std::string(8, '\0')},
      {"one bit changed", changed([](std::string& b) { b[500] ^= 1; })},
      {"a byte in the last word changed", changed([](std::string& b) { b.back() ^= 0x20; })},
      {"two words swapped", changed([](std::string& b) { std::swap_ranges(&b[0], &b[8], &b[8]); })},
      {"a block zeroed", changed([](std::string& b) { b.replace(512, 64, 64, '\0'); })},
  };
  for (const auto& fault : faults) {
    for (std::size_t piece : {std::size_t{1}, std::size_t{8}, std::size_t{4096}}) {
      EXPECT_FALSE(inPieces(fault.readBack, piece) == written) << fault.fault;
    }
  }
}

}  // namespace
