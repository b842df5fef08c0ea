#pragma once

// xxHash's streaming XXH3 128-bit hash, in two files of their own: xxh3.cpp with SSE2
// instructions, in the 32-bit program the only code compiled with them, and xxh3_avx2.cpp with
// AVX2 instructions, the only code compiled with those, for the processors that have them. Only
// these plain functions cross from them: nothing inline or templated, which the linker could take
// from them for the whole program.

#include <cstddef>
#include <cstdint>

namespace remittance::xxh3 {

// xxHash's state, the same whatever instructions add to it.
struct State;

// A fresh state; nullptr when no memory is left.
State* create();
void destroy(State* state);
void add(State* state, const void* bytes, std::size_t size);
// The same as add(), three times as fast, with AVX2 instructions: only where the processor and
// the system have them.
void addWithAvx2(State* state, const void* bytes, std::size_t size);
// The low and the high half of the 128-bit hash of the bytes added so far.
void digest(const State* state, std::uint64_t (&hash)[2]);

}  // namespace remittance::xxh3
