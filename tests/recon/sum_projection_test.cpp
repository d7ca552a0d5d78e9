// The sum of the slices: its range, the two printed lines, and the order of
// the additions.
#include <cmath>

#include <gtest/gtest.h>

#include "recon/phases.h"
#include "recon/recon_data.h"
#include "recon_test_support.h"

using namespace recon_test;

namespace {

double SumAt(int x, int y) { return SumImage[x * RowStride + y]; }

void FillStack(double value) {
    for (int x = 0; x < BinCount; ++x) {
        for (int y = 0; y < BinCount; ++y) {
            for (int a = 0; a < AngleCount; ++a) StackCell(x, y, a) = value;
        }
    }
}

TEST(SumProjection, OnesEverywhereSumTo180AndTwoInTheCorners) {
    for (int b = 0; b < BinCount; ++b) {
        for (int a = 0; a < AngleCount; ++a) Sinogram[b * RowStride + a] = 1.0;
    }
    MethodAnswer = '1';
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
    FillStack(0.25);
    SumProjectionStack();
    EXPECT_EQ(ConsoleLine(1), " maxp count = 45.000000");
    EXPECT_EQ(ConsoleLine(0), " minp count = 45.000000");
}

TEST(SumProjection, AnglesAreAddedInAscendingOrderStartingFromZero) {
    FillStack(1.0);
    StackCell(3, 4, 0) = 1e16;  // every later 1.0 vanishes against it
    StackCell(5, 6, 179) = 1e16;  // the 179 ones before it count
    for (int a = 0; a < AngleCount; ++a) StackCell(7, 8, a) = -0.0;
    SumProjectionStack();
    EXPECT_EQ(SumAt(3, 4), 1e16);
    EXPECT_EQ(SumAt(5, 6), 1e16 + 180.0);
    EXPECT_EQ(SumAt(7, 8), 0.0);
    EXPECT_FALSE(std::signbit(SumAt(7, 8)));  // 0.0 + -0.0 is +0.0
    EXPECT_EQ(SumMax, 1e16 + 180.0);
    EXPECT_EQ(SumMin, 0.0);
}

TEST(SumProjection, NotANumberNeverBecomesTheRange) {
    FillStack(1.0);
    StackCell(0, 0, 17) = NAN;  // the seed cell itself
    StackCell(200, 100, 3) = 5.0;
    SumProjectionStack();
    EXPECT_TRUE(std::isnan(SumAt(0, 0)));
    EXPECT_TRUE(std::isnan(SumMax));  // a seed that is not a number is never replaced
    EXPECT_TRUE(std::isnan(SumMin));
    StackCell(0, 0, 17) = 1.0;
    StackCell(9, 9, 9) = NAN;
    SumProjectionStack();
    EXPECT_EQ(SumMax, 184.0);
    EXPECT_EQ(SumMin, 180.0);
}

}  // namespace
