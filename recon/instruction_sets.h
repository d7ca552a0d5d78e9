// instruction_sets.h - the instruction sets the reconstruction's hot steps
// are compiled for: plain x86-64 and, in the build with wide variants, AVX2.
// Each such step has one function per set (step_variants.h); which one runs
// is decided once, in instruction_sets.cpp, from the processor's best set,
// and the tests may ask for the plain one so that both variants are checked
// on one machine. (Variants for AVX-512 were measured no faster here: the
// steps are bound by stores and table lookups, not by the width of the
// arithmetic.)
//
// SINORA_WIDE_VARIANTS, set by the CMake option of that name (on by default
// where the compiler targets x86-64), is the one guard of the wide variants;
// without it only the plain variants are built and run.
#pragma once

#include "recon/ordered_arithmetic.h"

enum class Isa { Plain, Avx2 };

#if defined(SINORA_WIDE_VARIANTS)
#define WITH_AVX2 __attribute__((target("avx2")))
#endif

// The set the steps use: the best the processor has, at most the limit.
Isa StepInstructionSet();

// For the tests: the steps use at most `highest` from now on. Returns the
// set they use then.
Isa LimitStepInstructionSet(Isa highest);

// The ordered additions and products in the encoding of the instructions
// around them (VEX where the code is compiled for AVX).
#if defined(SINORA_WIDE_VARIANTS)
template <Isa isa>
inline double Add(double a, double b) {
    return isa == Isa::Plain ? AddInOrder(a, b) : AddInOrderVex(a, b);
}
template <Isa isa>
inline double Mul(double a, double b) {
    return isa == Isa::Plain ? MulInOrder(a, b) : MulInOrderVex(a, b);
}
#else
template <Isa>
inline double Add(double a, double b) {
    return AddInOrder(a, b);
}
template <Isa>
inline double Mul(double a, double b) {
    return MulInOrder(a, b);
}
#endif
