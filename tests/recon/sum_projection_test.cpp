// The sum of the slices: its range, the two printed lines, and the order of
// the additions.
#include <cmath>

#include <gtest/gtest.h>

#include "recon/phases.h"
#include "recon/compute/recon_data.h"
#include "recon_test_support.h"

using namespace recon_test;

namespace {

double SumAt(int x, int y) { return SumImage[x * RowStride + y]; }

double& SinogramAt(int bin, int angle) { return Sinogram[bin * RowStride + angle]; }

// Simple back projection of projections that all hold `value`.
void ProjectEverywhere(double value) {
    for (int b = 0; b < BinCount; ++b) {
        for (int a = 0; a < AngleCount; ++a) SinogramAt(b, a) = value;
    }
    MethodAnswer = '1';
}

void FillSum(double value) {
    for (int x = 0; x < BinCount; ++x) {
        for (int y = 0; y < BinCount; ++y) SumImage[x * RowStride + y] = value;
    }
}

TEST(SumProjection, OnesEverywhereSumTo180AndTwoInTheCorners) {
    ProjectEverywhere(1.0);
    BackProjectViews();
    SumProjectionStack();
    EXPECT_EQ(SumMax, 180.0);
    EXPECT_EQ(SumMin, 2.0);
    EXPECT_EQ(SumAt(127, 128), 180.0);
    EXPECT_EQ(SumAt(0, 0), 2.0);
    EXPECT_EQ(SumAt(0, 255), 2.0);
    EXPECT_EQ(SumAt(255, 0), 2.0);
    EXPECT_EQ(SumAt(255, 255), 2.0);
    for (int x = 0; x < BinCount; ++x) {
        for (int y = 0; y < BinCount; ++y) {
            const double dx = x - 127.5, dy = y - 127.5;
            if (dx * dx + dy * dy <= 125.0 * 125.0) {
                ASSERT_EQ(SumAt(x, y), 180.0) << x << " " << y;
            }
        }
    }
    EXPECT_EQ(ConsoleLine(1), " maxp count = 180.000000");
    EXPECT_EQ(ConsoleLine(0), " minp count = 2.000000");
}

TEST(SumProjection, EqualCellsPrintTheSameNumberTwice) {
    FillSum(45.0);
    SumProjectionStack();
    EXPECT_EQ(ConsoleLine(1), " maxp count = 45.000000");
    EXPECT_EQ(ConsoleLine(0), " minp count = 45.000000");
}

// The sum is formed while the stack is written: each cell's terms added to
// 0.0 in ascending angle order.
TEST(SumProjection, AnglesAreAddedInAscendingOrderStartingFromZero) {
    ProjectEverywhere(1.0);
    SinogramAt(3, 0) = 1e16;      // slice 0: column x = 3; every later 1.0 vanishes against it
    SinogramAt(128, 179) = 1e16;  // slice 179: a line of cells; the 179 ones before it count
    BackProjectViews();
    SumProjectionStack();
    EXPECT_EQ(SumAt(3, 128), 1e16);
    int lineCells = 0;
    for (int x = 28; x < 228; ++x) {
        for (int y = 28; y < 228; ++y) {
            if (StackCell(x, y, 179) == 1e16) {
                ASSERT_EQ(SumAt(x, y), 1e16 + 180.0) << x << " " << y;
                ++lineCells;
            }
        }
    }
    EXPECT_GT(lineCells, 150);
    EXPECT_EQ(SumMax, 1e16 + 180.0);

    ProjectEverywhere(-0.0);
    BackProjectViews();
    SumProjectionStack();
    EXPECT_EQ(SumAt(127, 128), 0.0);
    EXPECT_FALSE(std::signbit(SumAt(127, 128)));  // 0.0 + -0.0 is +0.0
}

TEST(SumProjection, NotANumberNeverBecomesTheRange) {
    FillSum(180.0);
    SumImage[0] = NAN;  // the seed cell itself
    SumImage[200 * RowStride + 100] = 184.0;
    SumProjectionStack();
    EXPECT_TRUE(std::isnan(SumMax));  // a seed that is not a number is never replaced
    EXPECT_TRUE(std::isnan(SumMin));
    SumImage[0] = 180.0;
    SumImage[9 * RowStride + 9] = NAN;
    SumProjectionStack();
    EXPECT_EQ(SumMax, 184.0);
    EXPECT_EQ(SumMin, 180.0);
}

}  // namespace
