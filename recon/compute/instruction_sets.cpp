// instruction_sets.cpp - which instruction set the hot steps use, and the
// table of their variants by set.
#include "recon/compute/instruction_sets.h"

#include "recon/compute/step_variants.h"

namespace {

// By Isa, in its order.
const StepVariants VariantsBySet[] = {
    {FilterColumnPlain, ScatterHalfPlain, FillHalfPlain, WriteWholeLinesPlain, WriteHalfLinesPlain},
#if defined(SINORA_WIDE_VARIANTS)
    {FilterColumnAvx2, ScatterHalfAvx2, FillHalfAvx2, WriteWholeLinesAvx2, WriteHalfLinesAvx2},
    {FilterColumnAvx512, ScatterHalfAvx512, FillHalfAvx512, WriteWholeLinesAvx512, WriteHalfLinesAvx512},
#endif
};
constexpr int SetsBuilt = sizeof VariantsBySet / sizeof VariantsBySet[0];

Isa ProcessorBest() {
#if defined(SINORA_WIDE_VARIANTS)
    __builtin_cpu_init();
    if (__builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") && __builtin_cpu_supports("avx512vl") &&
        __builtin_cpu_supports("avx512vbmi2")) {
        return Isa::Avx512;
    }
    if (__builtin_cpu_supports("avx2")) return Isa::Avx2;
#endif
    return Isa::Plain;
}

Isa Limit = Isa::Avx512;

}  // namespace

Isa StepInstructionSet() {
    static const Isa best = ProcessorBest();
    return best < Limit ? best : Limit;
}

Isa LimitStepInstructionSet(Isa highest) {
    Limit = highest;
    return StepInstructionSet();
}

const StepVariants& ChosenSteps() {
    const int set = static_cast<int>(StepInstructionSet());
    return VariantsBySet[set < SetsBuilt ? set : SetsBuilt - 1];
}
