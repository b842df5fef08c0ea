// xxHash's XXH3 again, with its AVX2 code: only the function that adds bytes, on the state that
// xxh3.cpp makes and reads (the state and the sums are the same whatever the instructions). See
// xxh3.h and CMakeLists.txt.

#define XXH_INLINE_ALL
#define XXH_VECTOR XXH_AVX2
#define XXH_NO_INLINE_HINTS 1
#include <xxhash.h>

#include "xxh3.h"

namespace remittance::xxh3 {

void addWithAvx2(State* state, const void* bytes, std::size_t size) {
  XXH3_128bits_update(reinterpret_cast<XXH3_state_t*>(state), bytes, size);
}

}  // namespace remittance::xxh3
