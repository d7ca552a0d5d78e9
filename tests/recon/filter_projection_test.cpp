// Filtering of one projection: the exact copy of simple back projection and
// the even 255-tap convolution, rounded to single precision.
#include <cmath>
#include <cstring>
#include <random>

#include <gtest/gtest.h>

#include "recon/compute/instruction_sets.h"
#include "recon/phases.h"
#include "recon/compute/recon_data.h"
#include "support/reference_recon.h"

namespace {

double& SinogramAt(int bin, int angle) { return Sinogram[bin * RowStride + angle]; }
double FilteredAt(int bin, int angle) { return FilteredSinogram[bin * RowStride + angle]; }

void KernelWithOnly(int tap, double weight) {
    for (double& h : FilterKernel) h = 0.0;
    FilterKernel[tap] = weight;
}

// A column whose values are not single-precision numbers.
void FillColumn(int angle) {
    for (int b = 0; b < BinCount; ++b) SinogramAt(b, angle) = 1.0 / 3.0 + b * 0.1;
}

double Single(double value) { return static_cast<float>(value); }

TEST(FilterProjection, CentreTapAloneRoundsToSinglePrecisionAndCopyIsExact) {
    FillColumn(7);
    KernelWithOnly(0, 1.0);
    MethodAnswer = '2';
    FilterProjection(7);
    for (int b = 0; b < BinCount; ++b) {
        ASSERT_EQ(FilteredAt(b, 7), Single(SinogramAt(b, 7))) << b;
        ASSERT_NE(FilteredAt(b, 7), SinogramAt(b, 7)) << b;
    }
    MethodAnswer = '1';
    FilterProjection(7);
    for (int b = 0; b < BinCount; ++b) ASSERT_EQ(FilteredAt(b, 7), SinogramAt(b, 7)) << b;
}

TEST(FilterProjection, FirstSideTapSumsBothNeighbours) {
    FillColumn(30);
    KernelWithOnly(1, 1.0);
    MethodAnswer = 'x';
    FilterProjection(30);
    EXPECT_EQ(FilteredAt(0, 30), Single(SinogramAt(1, 30)));
    EXPECT_EQ(FilteredAt(255, 30), Single(SinogramAt(254, 30)));
    for (int b = 1; b <= 254; ++b) {
        ASSERT_EQ(FilteredAt(b, 30), Single(SinogramAt(b + 1, 30) + SinogramAt(b - 1, 30))) << b;
    }
}

TEST(FilterProjection, AllOnesKernelCountsTheTermsOfEachBin) {
    const double s = 0.75;
    for (int b = 0; b < BinCount; ++b) SinogramAt(b, 179) = s;
    for (double& h : FilterKernel) h = 1.0;
    MethodAnswer = 0;  // an empty answer filters too
    FilterProjection(179);
    EXPECT_EQ(FilteredAt(127, 179), 255 * s);
    EXPECT_EQ(FilteredAt(128, 179), 255 * s);
    EXPECT_EQ(FilteredAt(126, 179), 254 * s);
    EXPECT_EQ(FilteredAt(129, 179), 254 * s);
    EXPECT_EQ(FilteredAt(64, 179), 192 * s);
    EXPECT_EQ(FilteredAt(0, 179), 128 * s);
    EXPECT_EQ(FilteredAt(255, 179), 128 * s);
}

// The order of the additions shows where large terms cancel: 1.0 vanishes
// against 1e30 when it comes before it, and survives when it comes after
// 1e30 and -1e30 have cancelled.
TEST(FilterProjection, TermsAreAddedInAscendingTapsUpperSideFirst) {
    for (double& h : FilterKernel) h = 1.0;
    MethodAnswer = '2';
    for (int b = 0; b < BinCount; ++b) SinogramAt(b, 3) = SinogramAt(b, 4) = 0.0;
    // Upper side in ascending j: 1, then 1e30, then -1e30.
    SinogramAt(101, 3) = 1.0;
    SinogramAt(102, 3) = 1e30;
    SinogramAt(103, 3) = -1e30;
    FilterProjection(3);
    EXPECT_EQ(FilteredAt(100, 3), 0.0);
    // The upper side before the lower side: 1e30, then 1, then -1e30.
    SinogramAt(151, 4) = 1e30;
    SinogramAt(152, 4) = 1.0;
    SinogramAt(149, 4) = -1e30;
    FilterProjection(4);
    EXPECT_EQ(FilteredAt(150, 4), 0.0);
}

// The program's filtering against the plain loops, on every angle and with
// every instruction set the processor has, with values that are not numbers
// (payloads included), infinite or -1.0 in the sinogram, and kernels whose
// taps are finite, or one of them infinite or not a number.
TEST(FilterProjection, MatchesThePlainLoopsBitForBit) {
    std::mt19937_64 random(12345);
    std::uniform_real_distribution<double> uniform(-50.0, 50.0);
    const uint64_t payloads[] = {0x7FF8000000000001u, 0xFFF8000000000ABCu, 0x7FF0000000000005u};
    for (int b = 0; b < BinCount; ++b) {
        for (int a = 0; a < AngleCount; ++a) {
            double value = uniform(random);
            const unsigned pick = random() % 200;
            if (pick == 0) memcpy(&value, &payloads[random() % 3], sizeof value);
            if (pick == 1) value = (random() % 2) ? INFINITY : -INFINITY;
            if (pick == 2) value = -1.0;
            SinogramAt(b, a) = value;
        }
    }
    double quietNan;
    memcpy(&quietNan, &payloads[1], sizeof quietNan);
    const struct {
        const char* name;
        int tap;  // the tap that is not finite, or -1
        double value;
    } kernels[] = {{"finite taps", -1, 0.0}, {"an infinite tap", 100, -INFINITY}, {"a tap not a number", 3, quietNan}};
    for (const auto& kernel : kernels) {
        for (double& h : FilterKernel) h = uniform(random) / 10.0;
        if (kernel.tap >= 0) FilterKernel[kernel.tap] = kernel.value;
        for (char method : {'1', '2'}) {
            MethodAnswer = method;
            static double expected[RowStride * RowStride];
            for (int a = 0; a < AngleCount; ++a) ReferenceFilterProjection(a);
            memcpy(expected, FilteredSinogram, sizeof expected);
            for (Isa isa : {Isa::Avx512, Isa::Avx2, Isa::Plain}) {
                if (LimitStepInstructionSet(isa) != isa) continue;
                memset(FilteredSinogram, 0, sizeof FilteredSinogram);
                for (int a = 0; a < AngleCount; ++a) FilterProjection(a);
                EXPECT_EQ(memcmp(expected, FilteredSinogram, sizeof expected), 0)
                    << kernel.name << ", method " << method << ", instruction set " << static_cast<int>(isa);
            }
            LimitStepInstructionSet(Isa::Avx512);
        }
    }
}

}  // namespace
