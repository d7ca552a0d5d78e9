// Back projection into the per-angle slices: the mappings at 0 and 90
// degrees, the cells that stay empty, the gap filling and its in-place
// order, the empty marker -1.0, StackMax, and the program's loop order
// against the plain loops bit for bit.
#include <cmath>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "recon/compute/instruction_sets.h"
#include "recon/phases.h"
#include "recon/compute/recon_data.h"
#include "recon/compute/shared_parts.h"
#include "base/to_int.h"
#include "support/recon_capture.h"
#include "support/reference_recon.h"

namespace {

double& SinogramAt(int bin, int angle) { return Sinogram[bin * RowStride + angle]; }
double FilteredAt(int bin, int angle) { return FilteredSinogram[bin * RowStride + angle]; }

// Projections as given: simple back projection copies them unchanged.
template <typename Value>
void ProjectAll(Value value) {
    for (int b = 0; b < BinCount; ++b) {
        for (int a = 0; a < AngleCount; ++a) SinogramAt(b, a) = value(b, a);
    }
    MethodAnswer = '1';
    BackProjectViews();
}

TEST(BackProjection, AngleZeroAndNinetyCoverEverySliceCell) {
    ProjectAll([](int b, int a) { return (b + 1) * 0.5 + a; });
    for (int x = 0; x < BinCount; ++x) {
        for (int y = 0; y < BinCount; ++y) {
            ASSERT_EQ(StackCell(x, y, 0), FilteredAt(x, 0)) << x << " " << y;
            ASSERT_EQ(StackCell(x, y, 90), FilteredAt(y, 90)) << x << " " << y;
        }
    }
}

// Counts of the scatter at 45 degrees: cells no source pixel reaches, and
// cells reached more than once.
TEST(BackProjection, AtFortyFiveDegreesAboutAThirdOfTheCellsStayEmpty) {
    std::vector<int> hits(BinCount * BinCount, 0);
    const double theta = 45 * 0.017453292519943295;
    const double cosA = cos(theta), sinA = sin(theta);
    for (int u = 0; u < BinCount; ++u) {
        const double X = u - 127.5;
        for (int v = 0; v < BinCount; ++v) {
            const double Y = v - 127.5;
            const int x = TruncToInt32(((Y * cosA - X * sinA) + 127.5) + 0.5);
            const int y = TruncToInt32(((Y * sinA + X * cosA) + 127.5) + 0.5);
            if (x >= 0 && x < BinCount && y >= 0 && y < BinCount) ++hits[x * BinCount + y];
        }
    }
    int empty = 0, multiple = 0;
    for (int h : hits) {
        empty += h == 0;
        multiple += h > 1;
    }
    EXPECT_NEAR(empty, 20400, 300);
    EXPECT_NEAR(multiple, 9400, 300);

    // The slice itself: with a constant positive projection every cell is
    // that value or, where nothing reached it and nothing filled it, 0.0.
    ProjectAll([](int, int) { return 3.0; });
    int zeros = 0;
    for (int x = 0; x < BinCount; ++x) {
        for (int y = 0; y < BinCount; ++y) {
            const double value = StackCell(x, y, 45);
            ASSERT_TRUE(value == 3.0 || value == 0.0) << x << " " << y;
            zeros += value == 0.0;
            if (hits[x * BinCount + y] > 0) {
                ASSERT_EQ(value, 3.0);
            }
        }
    }
    EXPECT_LT(zeros, empty);
}

TEST(BackProjection, EveryEmptyCellNearTheCentreIsFilled) {
    ProjectAll([](int, int) { return 2.0; });
    for (int a = 0; a < AngleCount; ++a) {
        for (int x = 0; x < BinCount; ++x) {
            for (int y = 0; y < BinCount; ++y) {
                const double dx = x - 127.5, dy = y - 127.5;
                if (dx * dx + dy * dy <= 120.0 * 120.0) {
                    ASSERT_EQ(StackCell(x, y, a), 2.0) << x << " " << y << " " << a;
                }
            }
        }
        // Angle 1 already misses the corner cell (0, 0).
        if (a != 0 && a != 90) {
            ASSERT_EQ(StackCell(0, 0, a), 0.0) << a;
        }
    }
}

TEST(BackProjection, ProjectionValueMinusOneCountsAsEmpty) {
    ProjectAll([](int b, int) { return b == 100 || b == 0 ? -1.0 : b * 2.0; });
    for (int y = 1; y <= 254; ++y) {
        ASSERT_EQ(StackCell(100, y, 0), 200.0) << y;  // mean of 202 and 198
        ASSERT_EQ(StackCell(0, y, 0), 0.0) << y;      // border column: never filled
    }
    EXPECT_EQ(StackCell(100, 0, 0), 0.0);
    EXPECT_EQ(StackCell(100, 255, 0), 0.0);
}

TEST(BackProjection, StackMaxLooksAtSliceOneOnly) {
    ProjectAll([](int b, int a) { return a == 1 ? -2.0 - b : 100.0; });
    EXPECT_EQ(StackMax, 0.0);
    ProjectAll([](int b, int a) { return a == 1 ? (b == 128 ? 7.25 : 1.0) : 100.0; });
    EXPECT_EQ(StackMax, 7.25);
}

// ---- gap filling of one slice ------------------------------------------------
// The rules of the gap filling on the plain loops that the program's back
// projection is compared with bit for bit below: the comparison holds the
// program to these loops, and these cases hold the loops to the rules.

class StackGapsTest : public ::testing::Test {
protected:
    static constexpr int Angle = 7;
    void SetUp() override {
        for (int x = 0; x < BinCount; ++x) {
            for (int y = 0; y < BinCount; ++y) StackCell(x, y, Angle) = 3.0;
        }
    }
};

TEST_F(StackGapsTest, EmptyCellTakesTheMeanOfItsXNeighbours) {
    StackCell(50, 60, Angle) = -1.0;
    StackCell(49, 60, Angle) = 1.0;
    StackCell(51, 60, Angle) = 6.0;
    ReferenceFillStackGaps(Angle);
    EXPECT_EQ(StackCell(50, 60, Angle), 3.5);
}

TEST_F(StackGapsTest, FilledCellsServeAsNeighboursOfLaterCells) {
    // (80, 90) has an empty right neighbour: filled from below (2) and above (6).
    StackCell(80, 90, Angle) = -1.0;
    StackCell(81, 90, Angle) = -1.0;
    StackCell(80, 89, Angle) = 2.0;
    StackCell(80, 91, Angle) = 6.0;
    StackCell(82, 90, Angle) = 5.0;
    ReferenceFillStackGaps(Angle);
    EXPECT_EQ(StackCell(80, 90, Angle), 4.0);
    EXPECT_EQ(StackCell(81, 90, Angle), 4.5);  // (5 + 4) / 2, the left one filled just before
}

TEST_F(StackGapsTest, NeighbourStillToBeFilledCountsAsEmpty) {
    // (30, 40) sees its upper neighbour before that one is filled.
    StackCell(30, 40, Angle) = -1.0;
    StackCell(31, 40, Angle) = -1.0;
    StackCell(30, 41, Angle) = -1.0;
    ReferenceFillStackGaps(Angle);
    EXPECT_EQ(StackCell(30, 40, Angle), 0.0);
    EXPECT_EQ(StackCell(31, 40, Angle), 3.0);  // left neighbour stayed empty; below and above are 3
    EXPECT_EQ(StackCell(30, 41, Angle), 3.0);
}

TEST_F(StackGapsTest, BorderCellsBecomeZero) {
    StackCell(0, 10, Angle) = -1.0;
    StackCell(10, 255, Angle) = -1.0;
    ReferenceFillStackGaps(Angle);
    EXPECT_EQ(StackCell(0, 10, Angle), 0.0);
    EXPECT_EQ(StackCell(10, 255, Angle), 0.0);
}

TEST_F(StackGapsTest, MeanOfExactlyMinusOneStaysEmpty) {
    StackCell(20, 20, Angle) = -1.0;
    StackCell(19, 20, Angle) = -1.5;
    StackCell(21, 20, Angle) = -0.5;  // x mean -1.0: still empty, then y
    StackCell(20, 19, Angle) = 8.0;
    StackCell(20, 21, Angle) = 4.0;
    ReferenceFillStackGaps(Angle);
    EXPECT_EQ(StackCell(20, 20, Angle), 6.0);
}

// ---- against the plain loops -------------------------------------------------

// Random projections with values that are not numbers (with payloads),
// infinite, or exactly -1.0, in runs, so that empty cells, means of them and
// chains of filled cells all occur.
void RandomSinogram(unsigned seed) {
    std::mt19937_64 random(seed);
    std::uniform_real_distribution<double> uniform(-3.0, 3.0);
    const uint64_t payloads[] = {0x7FF8000000000001u, 0xFFF80000DEAD0000u, 0x7FF0000000000077u};
    for (int a = 0; a < AngleCount; ++a) {
        for (int b = 0; b < BinCount; ++b) {
            double value = uniform(random);
            const unsigned pick = random() % 40;
            if (pick < 4) value = -1.0;
            if (pick == 4) memcpy(&value, &payloads[random() % 3], sizeof value);
            if (pick == 5) value = (random() % 2) ? INFINITY : -INFINITY;
            if (pick == 6) value = -0.0;
            if (pick == 7) value = (random() % 2) ? -1.5 : -0.5;
            SinogramAt(b, a) = value;
        }
    }
    for (double& h : FilterKernel) h = uniform(random);
}

// Where the first differing stack cell is, for the failure message.
std::string FirstDifference(const std::vector<double>& expected, const std::vector<double>& got) {
    for (size_t k = 0; k < expected.size(); ++k) {
        if (memcmp(&expected[k], &got[k], sizeof(double)) != 0) {
            const int a = static_cast<int>(k % AngleCount), cell = static_cast<int>(k / AngleCount);
            return testing::PrintToString(testing::Message() << "cell x " << cell / RowStride << " y "
                                                             << cell % RowStride << " angle " << a << ": "
                                                             << expected[k] << " expected, " << got[k]);
        }
    }
    return "";
}

void ExpectSameReconstruction(const ReconCapture& expected, const ReconCapture& got) {
    EXPECT_TRUE(SameBits(expected.filtered, got.filtered));
    EXPECT_TRUE(SameBits(expected.stack, got.stack)) << FirstDifference(expected.stack, got.stack);
    EXPECT_TRUE(SameBits(expected.smear, got.smear));
    EXPECT_TRUE(SameBits(expected.sum, got.sum));
    EXPECT_TRUE(SameBits(expected.stackMax, got.stackMax));
    EXPECT_TRUE(SameBits(expected.sumMax, got.sumMax));
    EXPECT_TRUE(SameBits(expected.sumMin, got.sumMin));
}

TEST(BackProjection, MatchesThePlainLoopsBitForBit) {
    for (char method : {'1', '2'}) {
        for (unsigned seed : {1u, 2u}) {
            SCOPED_TRACE(testing::Message() << "method " << method << " seed " << seed);
            RandomSinogram(seed);
            MethodAnswer = method;
            // Stale values from before must not matter to either.
            memset(ProjectionStack, 0x5A, sizeof ProjectionStack);
            ReferenceBackProjectViews();
            ReferenceSumProjectionStack();
            const ReconCapture expected = CaptureReconstruction();
            // Every instruction set the processor has, the best one first, on
            // two threads; the plain one also on the calling thread alone.
            const struct {
                Isa isa;
                bool twoThreads;
            } runs[] = {{Isa::Avx512, true}, {Isa::Avx2, true}, {Isa::Plain, true}, {Isa::Plain, false}};
            for (const auto& run : runs) {
                const Isa isa = run.isa;
                if (LimitStepInstructionSet(isa) != isa) continue;
                SecondThreadAllowed = run.twoThreads;
                SCOPED_TRACE(testing::Message() << "instruction set " << static_cast<int>(isa)
                                                << (run.twoThreads ? "" : ", one thread"));
                memset(ProjectionStack, 0xA5, sizeof ProjectionStack);
                for (int x = 0; x < BinCount; ++x) {  // y slots 256..259 are never written
                    for (int y = 256; y < RowStride; ++y) {
                        for (int a = 0; a < AngleCount; ++a) {
                            StackCell(x, y, a) = expected.stack[(x * RowStride + y) * AngleCount + a];
                        }
                    }
                }
                BackProjectViews();
                SecondThreadAllowed = true;
                SumProjectionStack();
                ExpectSameReconstruction(expected, CaptureReconstruction());
            }
            LimitStepInstructionSet(Isa::Avx512);
        }
    }
}

}  // namespace
