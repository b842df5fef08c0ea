#pragma once

// xxHash's streaming XXH3 128-bit hash, compiled twice: in plain code for any x86 processor
// (xxh3_plain.cpp) and with SSE2 instructions (xxh3_sse2.cpp). Only these plain functions cross
// from one file to the other: nothing inline or templated, which the linker could take from the
// SSE2 file for the whole program.

#include <cstddef>
#include <cstdint>

namespace remittance::xxh3 {

// xxHash's state, as each file compiles it.
struct State;

struct Path {
  State* (*create)();  // a fresh state; nullptr when no memory is left
  void (*destroy)(State* state);
  void (*add)(State* state, const void* bytes, std::size_t size);
  // The low and the high half of the 128-bit hash of the bytes added so far.
  void (*digest)(const State* state, std::uint64_t (&hash)[2]);
};

extern const Path kPlain;
extern const Path kSse2;

}  // namespace remittance::xxh3
