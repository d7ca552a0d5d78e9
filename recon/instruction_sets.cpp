// instruction_sets.cpp - which instruction set the hot steps use.
#include "recon/instruction_sets.h"

namespace {

Isa ProcessorBest() {
#if defined(SINORA_WIDE_VARIANTS)
    __builtin_cpu_init();
    if (__builtin_cpu_supports("avx2")) return Isa::Avx2;
#endif
    return Isa::Plain;
}

Isa Limit = Isa::Avx2;

}  // namespace

Isa StepInstructionSet() {
    static const Isa best = ProcessorBest();
    return best < Limit ? best : Limit;
}

Isa LimitStepInstructionSet(Isa highest) {
    Limit = highest;
    return StepInstructionSet();
}
