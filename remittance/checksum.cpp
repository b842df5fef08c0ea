#include "checksum.h"

#include <new>

namespace remittance {
namespace {

const xxh3::Path& functionsOf(Checksum::Path path) {
  return path == Checksum::Path::Sse2 ? xxh3::kSse2 : xxh3::kPlain;
}

}  // namespace

Checksum::Checksum(Path path)
    : path_(path),
      functions_(functionsOf(path)),
      state_(functions_.create(), Destroy{&functions_}) {
  if (!state_) throw std::bad_alloc();
}

void Checksum::add(std::string_view bytes) {
  functions_.add(state_.get(), bytes.data(), bytes.size());
  size_ += bytes.size();
}

bool Checksum::operator==(const Checksum& other) const {
  std::uint64_t hash[2], otherHash[2];
  functions_.digest(state_.get(), hash);
  other.functions_.digest(other.state_.get(), otherHash);
  return size_ == other.size_ && hash[0] == otherHash[0] && hash[1] == otherHash[1];
}

}  // namespace remittance
