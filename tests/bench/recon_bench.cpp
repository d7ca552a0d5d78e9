// recon_bench.cpp - one whole reconstruction (180 filtered projections, the
// back projection with its gap filling, the summation) in the program's loop
// orders against the plain loop orders that define it, side by side on the
// same input. Both leave the same bits; the check runs before timing.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/platform.h"
#include "recon/phases.h"
#include "recon/recon_data.h"
#include "support/reference_recon.h"

namespace {

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

struct Result {
    std::vector<double> stack, sum;
    double stackMax, sumMax, sumMin;
};

Result Capture() {
    Result r;
    r.stack.assign(ProjectionStack, ProjectionStack + sizeof ProjectionStack / sizeof(double));
    r.sum.assign(SumImage, SumImage + sizeof SumImage / sizeof(double));
    r.stackMax = StackMax;
    r.sumMax = SumMax;
    r.sumMin = SumMin;
    return r;
}

bool SameBits(const Result& a, const Result& b) {
    return memcmp(a.stack.data(), b.stack.data(), a.stack.size() * sizeof(double)) == 0 &&
           memcmp(a.sum.data(), b.sum.data(), a.sum.size() * sizeof(double)) == 0 &&
           memcmp(&a.stackMax, &b.stackMax, sizeof(double)) == 0 &&
           memcmp(&a.sumMax, &b.sumMax, sizeof(double)) == 0 && memcmp(&a.sumMin, &b.sumMin, sizeof(double)) == 0;
}

void BM_ReconstructionStraightforward(benchmark::State& state) {
    for (auto _ : state) {
        ReferenceBackProjectViews();
        ReferenceSumProjectionStack();
        benchmark::DoNotOptimize(SumMax);
    }
}
BENCHMARK(BM_ReconstructionStraightforward)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ReconstructionFast(benchmark::State& state) {
    for (auto _ : state) {
        BackProjectViews();
        SumProjectionStack();
        benchmark::DoNotOptimize(SumMax);
    }
}
BENCHMARK(BM_ReconstructionFast)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    if (!getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    PlatformInit(&argc, argv);
    PlatformSetUnattended(true);

    PrepareInput();
    ReferenceBackProjectViews();
    ReferenceSumProjectionStack();
    const Result reference = Capture();
    BackProjectViews();
    SumProjectionStack();
    if (!SameBits(reference, Capture())) {
        fprintf(stderr, "the fast phases differ from the plain loop orders\n");
        return 1;
    }

    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
