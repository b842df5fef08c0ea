// XXH3 in plain code: what a processor without SSE2 runs.
#define XXH_VECTOR XXH_SCALAR
#include "xxh3_path.inc"

namespace remittance::xxh3 {
const Path kPlain = {create, destroy, add, digest};
}
