// Times the read-back's checksum in the Windows build under Wine, as the program that ships
// computes it (the in-process benchmarks of the core time it in 64-bit Linux code), with each of
// the instructions it may sum with that the processor has: 100 MiB of remittance-like bytes
// summed in the conversion's 1 MiB pieces, read from memory, and one such piece summed 100 times
// from the processor's cache, where the conversion's piece is when it is summed. The best of 9
// runs of each.
//
//   checksum_speed
//
// Prints a line for each: "checksum with SSE2: 5.4 ms per 100 MiB from memory, 5.8 from the cache".

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <string_view>

#include "checksum.h"
#include "prefix_change.h"

namespace {

constexpr std::size_t kSize = std::size_t{100} << 20;

// The best of 9 sums of 100 MiB: `bytes` (whole pieces) in pieces, again and again.
double bestMilliseconds(std::string_view bytes, remittance::Instructions instructions) {
  using Clock = std::chrono::steady_clock;
  double best = 1e30;
  for (int run = 0; run < 9; ++run) {
    const auto start = Clock::now();
    remittance::Checksum sum(instructions);
    for (std::size_t done = 0; done < kSize; done += remittance::kPieceSize)
      sum.add(bytes.substr(done % bytes.size(), remittance::kPieceSize));
    best = std::min(best, std::chrono::duration<double, std::milli>(Clock::now() - start).count());
  }
  return best;
}

}  // namespace

int main() {
  std::string bytes;
  for (unsigned n = 0; bytes.size() < kSize; ++n)
    bytes += "<DrctDbtTxInf><InstdAmt Ccy=\"EUR\">1234.56</InstdAmt>" + std::to_string(n) + "\r\n";
  bytes.resize(kSize);
  const std::string_view all(bytes);

  using remittance::Instructions;
  for (const Instructions instructions : {Instructions::Sse2, Instructions::Avx2}) {
    const bool avx2 = instructions == Instructions::Avx2;
    if (avx2 && remittance::fastestInstructions() != instructions) {
      std::printf("checksum with AVX2: not timed, this processor has no AVX2\n");
      continue;
    }
    std::printf("checksum with %s: %.1f ms per 100 MiB from memory, %.1f from the cache\n",
                avx2 ? "AVX2" : "SSE2", bestMilliseconds(all, instructions),
                bestMilliseconds(all.substr(0, remittance::kPieceSize), instructions));
  }
  return 0;
}
