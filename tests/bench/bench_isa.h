// bench_isa.h - SINORA_BENCH_ISA=plain (or avx2) times the steps of a lower
// instruction set than the processor's best; and the name of the set in use.
#pragma once

#include <cstdlib>
#include <cstring>

#include "recon/compute/instruction_sets.h"

inline void LimitInstructionSetFromEnvironment() {
    if (const char* isa = getenv("SINORA_BENCH_ISA")) {
        if (strcmp(isa, "plain") == 0) LimitStepInstructionSet(Isa::Plain);
        if (strcmp(isa, "avx2") == 0) LimitStepInstructionSet(Isa::Avx2);
    }
}

inline const char* InstructionSetName() {
    const char* names[] = {"plain x86-64", "AVX2", "AVX-512"};
    return names[static_cast<int>(StepInstructionSet())];
}
