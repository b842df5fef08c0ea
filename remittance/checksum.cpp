#include "checksum.h"

#include <new>

#ifdef _WIN32
#include <windows.h>
#endif

namespace remittance {

Instructions fastestInstructions() {
#ifdef _WIN32
  // A Windows that knows nothing of AVX2 answers no, and the checksum sums with SSE2 there.
  const bool avx2 = IsProcessorFeaturePresent(PF_AVX2_INSTRUCTIONS_AVAILABLE);
#else
  const bool avx2 = __builtin_cpu_supports("avx2");
#endif
  return avx2 ? Instructions::Avx2 : Instructions::Sse2;
}

Checksum::Checksum(Instructions instructions)
    : state_(xxh3::create()), instructions_(instructions) {
  if (!state_) throw std::bad_alloc();
}

void Checksum::add(std::string_view bytes) {
  if (instructions_ == Instructions::Avx2)
    xxh3::addWithAvx2(state_.get(), bytes.data(), bytes.size());
  else
    xxh3::add(state_.get(), bytes.data(), bytes.size());
  size_ += bytes.size();
}

bool Checksum::operator==(const Checksum& other) const {
  std::uint64_t hash[2], otherHash[2];
  xxh3::digest(state_.get(), hash);
  xxh3::digest(other.state_.get(), otherHash);
  return size_ == other.size_ && hash[0] == otherHash[0] && hash[1] == otherHash[1];
}

}  // namespace remittance
