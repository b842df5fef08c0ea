#include "checksum.h"

#include <new>

namespace remittance {

Checksum::Checksum() : state_(xxh3::create()) {
  if (!state_) throw std::bad_alloc();
}

void Checksum::add(std::string_view bytes) {
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
