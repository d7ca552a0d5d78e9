// instruction_sets.h - the instruction sets the reconstruction's hot steps
// are compiled for: plain x86-64 and, in the build with wide variants, AVX2
// and AVX-512. Each such step has one function per set (step_variants.h);
// which one runs is decided once, in instruction_sets.cpp, from the
// processor's best set, and the tests may ask for a lower one so that every
// variant is checked on one machine. (AVX-512 pays where the slices are
// built: the scatter's positions sixteen at a time, the neighbour pass's
// candidates listed by one compress instruction; the stack's writing, bound
// by its stores and look-ups, gains from a whole line in one store.)
//
// SINORA_WIDE_VARIANTS, set by the CMake option of that name (on by default
// where the compiler targets x86-64), is the one guard of the wide variants;
// without it only the plain variants are built and run.
#pragma once

#include "recon/compute/ordered_arithmetic.h"

enum class Isa { Plain, Avx2, Avx512 };

#if defined(SINORA_WIDE_VARIANTS)
#define WITH_AVX2 __attribute__((target("avx2")))
#define WITH_AVX512 __attribute__((target("avx2,avx512f,avx512bw,avx512vl,avx512vbmi2")))
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
