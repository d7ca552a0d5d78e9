// instruction_sets.h - the instruction sets the reconstruction's hot steps
// are compiled for: plain x86-64 and AVX2. Each step is a template on the
// set, instantiated once per set in a function compiled for it; the
// processor's best set is picked once, and the tests may ask for the plain
// one so that both variants are checked on one machine. (Variants for
// AVX-512 were measured no faster here: the steps are bound by stores and
// table lookups, not by the width of the arithmetic.)
#pragma once

#include "recon/ordered_arithmetic.h"

enum class Isa { Plain, Avx2 };

#if defined(__GNUC__) && defined(__x86_64__) && !defined(SINORA_ONE_TARGET)
#define SINORA_WIDE_VARIANTS 1
#define WITH_AVX2 __attribute__((target("avx2")))
#else
#define WITH_AVX2
#endif

// The set the steps use: the best the processor has, at most the limit.
Isa StepInstructionSet();

// For the tests: the steps use at most `highest` from now on. Returns the
// set they use then.
Isa LimitStepInstructionSet(Isa highest);

// The ordered additions and products in the encoding of the instructions
// around them (VEX where the code is compiled for AVX).
template <Isa isa>
inline double Add(double first, double second) {
    if constexpr (isa != Isa::Plain) return AddInOrderVex(first, second);
    return AddInOrder(first, second);
}

template <Isa isa>
inline double Mul(double first, double second) {
    if constexpr (isa != Isa::Plain) return MulInOrderVex(first, second);
    return MulInOrder(first, second);
}
