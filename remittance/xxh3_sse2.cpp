// XXH3 with SSE2 instructions. The 32-bit build compiles this file alone with -msse2 (see
// CMakeLists.txt): the program calls it only where the processor says it has SSE2.
#define XXH_VECTOR XXH_SSE2
#include "xxh3_path.inc"

namespace remittance::xxh3 {
const Path kSse2 = {create, destroy, add, digest};
}
