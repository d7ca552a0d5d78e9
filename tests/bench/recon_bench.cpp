// recon_bench.cpp - one whole reconstruction (180 filtered projections, the
// back projection with its gap filling, the summation) in the program's loop
// orders against the plain loop orders that define it, side by side on the
// same input; each step of the program's back projection on its own; and a
// plain copy of the 94 MB that the stack holds, the floor of the work. Both
// reconstructions leave the same bits; the check runs before timing. At the
// end, the medians of the whole against the plain loops and the copy.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "bench_isa.h"
#include "median_reporter.h"
#include "platform/platform.h"
#include "recon/compute/back_projection_steps.h"
#include "recon/compute/instruction_sets.h"
#include "recon/phases.h"
#include "recon/compute/recon_data.h"
#include "support/recon_capture.h"
#include "support/reference_recon.h"

namespace {

constexpr size_t StackBytes = size_t{BinCount} * BinCount * AngleCount * sizeof(double);  // 94,371,840

// A sinogram of a few ellipses seen by the 256 bins, and a
// Ramachandran-Lakshminarayanan kernel: the filtered method's full work.
void PrepareInput() {
    struct Disc { double cx, cy, r, density; };
    const Disc discs[] = {{0, 0, 90, 1.0}, {-30, 10, 25, -0.4}, {35, -5, 18, 0.6}, {0, 50, 10, 0.9}};
    for (int a = 0; a < AngleCount; ++a) {
        const double theta = a * 0.017453292519943295;
        for (int j = 0; j < BinCount; ++j) {
            const double d = j - 127.5;
            double total = 0.0;
            for (const Disc& disc : discs) {
                const double offset = d - (disc.cx * std::cos(theta) + disc.cy * std::sin(theta));
                if (std::fabs(offset) < disc.r) {
                    total += disc.density * 2.0 * std::sqrt(disc.r * disc.r - offset * offset);
                }
            }
            Sinogram[j * RowStride + a] = total;
        }
    }
    const double pi = 3.14159265358979323846;
    FilterKernel[0] = 0.25;
    for (int n = 1; n < KernelTaps; ++n) FilterKernel[n] = n % 2 ? -1.0 / (pi * pi * n * n) : 0.0;
    MethodAnswer = '2';
}

void BM_ReconstructionStraightforward(benchmark::State& state) {
    for (auto _ : state) {
        ReferenceBackProjectViews();
        ReferenceSumProjectionStack();
        benchmark::DoNotOptimize(SumMax);
    }
}
BENCHMARK(BM_ReconstructionStraightforward)->Unit(benchmark::kMillisecond)->UseRealTime()->Apply(WithSpread);

void BM_ReconstructionWhole(benchmark::State& state) {
    for (auto _ : state) {
        BackProjectViews();
        SumProjectionStack();
        benchmark::DoNotOptimize(SumMax);
    }
}
BENCHMARK(BM_ReconstructionWhole)->Unit(benchmark::kMillisecond)->UseRealTime()->Apply(WithSpread);

// The steps, each on the calling thread alone: the work each takes, of
// which the whole shares out half to each thread.
using Clock = std::chrono::steady_clock;

void BM_StepFiltering(benchmark::State& state) {
    for (auto _ : state) {
        for (int angle = 0; angle < AngleCount; ++angle) FilterProjection(angle);
    }
}
BENCHMARK(BM_StepFiltering)->Unit(benchmark::kMillisecond)->UseRealTime()->Apply(WithSpread);

// The scatter of both halves of every slice (their clearing included), and
// the neighbour pass of both, each timed on its own.
template <bool scatter>
void SliceStep(benchmark::State& state) {
    for (int angle = 0; angle < AngleCount; ++angle) FilterProjection(angle);
    for (auto _ : state) {
        Clock::duration spent{};
        for (int angle = 0; angle < AngleCount; ++angle) {
            const Clock::time_point start = Clock::now();
            ScatterHalf(angle, 0);
            ScatterHalf(angle, 1);
            const Clock::time_point scattered = Clock::now();
            FillHalf(angle, 0);
            FillHalf(angle, 1);
            spent += scatter ? scattered - start : Clock::now() - scattered;
        }
        state.SetIterationTime(std::chrono::duration<double>(spent).count());
    }
}
void BM_StepScatter(benchmark::State& state) { SliceStep<true>(state); }
void BM_StepNeighbourPass(benchmark::State& state) { SliceStep<false>(state); }
BENCHMARK(BM_StepScatter)->Unit(benchmark::kMillisecond)->UseManualTime()->Apply(WithSpread);
BENCHMARK(BM_StepNeighbourPass)->Unit(benchmark::kMillisecond)->UseManualTime()->Apply(WithSpread);

// The writing of the stack with the sums formed on the way, group after
// group, each group built first outside the timing.
void BM_StepStackWriteWithSums(benchmark::State& state) {
    for (int angle = 0; angle < AngleCount; ++angle) FilterProjection(angle);
    for (auto _ : state) {
        Clock::duration writing{};
        for (int group = 0; group <= StackGroups; ++group) {
            if (group < StackGroups) {
                for (int angle = 0; angle < GroupAngles; ++angle) BuildSlice(group * GroupAngles + angle);
            }
            const Clock::time_point start = Clock::now();
            for (int part = 0; part < StackWriteParts; ++part) WriteStackLines(group, part);
            writing += Clock::now() - start;
        }
        state.SetIterationTime(std::chrono::duration<double>(writing).count());
    }
}
BENCHMARK(BM_StepStackWriteWithSums)->Unit(benchmark::kMillisecond)->UseManualTime()->Apply(WithSpread);

// What remains of the summation: the range of SumImage, two printed lines
// and a present.
void BM_StepSumRange(benchmark::State& state) {
    for (auto _ : state) SumProjectionStack();
}
BENCHMARK(BM_StepSumRange)->Unit(benchmark::kMillisecond)->UseRealTime()->Apply(WithSpread);

// The floor: the 94 MB of the stack copied once.
void BM_Copy94MB(benchmark::State& state) {
    std::vector<double> target(StackBytes / sizeof(double), 1.0);
    for (auto _ : state) {
        memcpy(target.data(), ProjectionStack, StackBytes);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_Copy94MB)->Unit(benchmark::kMillisecond)->UseRealTime()->Apply(WithSpread);

// The processor's name as the system gives it.
std::string ProcessorName() {
    FILE* info = fopen("/proc/cpuinfo", "r");
    if (!info) return "unknown";
    char line[256];
    std::string name = "unknown";
    while (fgets(line, sizeof line, info)) {
        if (strncmp(line, "model name", 10) == 0 && strchr(line, ':')) {
            name = strchr(line, ':') + 2;
            if (!name.empty() && name.back() == '\n') name.pop_back();
            break;
        }
    }
    fclose(info);
    return name;
}

void PrintRatios(const MedianReporter& reporter) {
    auto at = [&reporter](const char* name) {
        const auto found = reporter.medianMs.find(name);
        return found == reporter.medianMs.end() ? NAN : found->second;
    };
    const double whole = at("BM_ReconstructionWhole");
    const double plain = at("BM_ReconstructionStraightforward");
    const double copy = at("BM_Copy94MB");
    if (std::isnan(whole)) return;  // run without repetitions: no medians
    printf("\nmedians: whole %.2f ms, straightforward %.2f ms, copy of 94 MB %.2f ms\n", whole, plain, copy);
    printf("whole / straightforward = %.4f, whole / copy = %.2f\n", whole / plain, whole / copy);
    const double steps = at("BM_StepFiltering") + at("BM_StepScatter") + at("BM_StepNeighbourPass") +
                         at("BM_StepStackWriteWithSums") + at("BM_StepSumRange");
    printf("the steps one after another on one thread: %.2f ms; the whole on two threads takes %.2f of half that\n",
           steps, whole / (steps / 2));
    printf("spread of the repetitions (fastest - slowest):\n");
    for (const auto& [name, range] : reporter.rangeMs) {
        printf("  %-36s %8.2f - %8.2f ms\n", name.c_str(), range.first, range.second);
    }
    printf("processor: %s; instruction set of the program's steps: %s\n", ProcessorName().c_str(),
           InstructionSetName());
}

}  // namespace

int main(int argc, char** argv) {
    if (!getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    PlatformInit(&argc, argv);
    PlatformSetUnattended(true);

    LimitInstructionSetFromEnvironment();

    PrepareInput();
    ReferenceBackProjectViews();
    ReferenceSumProjectionStack();
    const ReconCapture reference = CaptureReconstruction();
    BackProjectViews();
    SumProjectionStack();
    if (!SameBits(reference, CaptureReconstruction())) {
        fprintf(stderr, "the program's phases differ from the plain loop orders\n");
        return 1;
    }

    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    MedianReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    PrintRatios(reporter);
    return 0;
}
