#pragma once

// xxHash's streaming XXH3 128-bit hash, in a file of its own (xxh3.cpp): in the 32-bit program the
// only code compiled with SSE2 instructions. Only these plain functions cross from it: nothing
// inline or templated, which the linker could take from it for the whole program.

#include <cstddef>
#include <cstdint>

namespace remittance::xxh3 {

// xxHash's state.
struct State;

// A fresh state; nullptr when no memory is left.
State* create();
void destroy(State* state);
void add(State* state, const void* bytes, std::size_t size);
// The low and the high half of the 128-bit hash of the bytes added so far.
void digest(const State* state, std::uint64_t (&hash)[2]);

}  // namespace remittance::xxh3
