// Fitting pictures and slices into the field: area weights, pixel spacing,
// centring, the scanned disc.
#include <gtest/gtest.h>

#include <cmath>
#include <numeric>

#include "lab/core/field_image.h"

namespace {

TEST(FieldImage, FittingKeepsAreasPlacesAndSpacing) {
    // 128 x 64 pixels of 2 x 4 mm: 256 x 256 mm, so each source pixel
    // becomes a block of 2 x 4 field pixels of 1 mm.
    lab::SourceImage source;
    source.width = 128;
    source.height = 64;
    source.spacingX = 2.0;
    source.spacingY = 4.0;
    source.values.assign(128 * 64, 0.0);
    source.values[10 * 128 + 70] = 1.0;  // row 10, column 70
    const lab::FieldImage field = lab::FitIntoField(source, 256.0);
    EXPECT_DOUBLE_EQ(field.pixelMm, 1.0);
    for (int r = 0; r < 256; ++r) {
        for (int x = 0; x < 256; ++x) {
            const bool inside = x >= 140 && x < 142 && r >= 40 && r < 44;
            ASSERT_DOUBLE_EQ(field.at(x, r), inside ? 1.0 : 0.0) << x << " " << r;
        }
    }

    // A field twice as wide: a uniform source fills the middle half, and
    // the total is kept (each field pixel is the mean of what it covers).
    source.values.assign(128 * 64, 1.0);
    const lab::FieldImage wide = lab::FitIntoField(source, 512.0);
    EXPECT_DOUBLE_EQ(wide.pixelMm, 2.0);
    EXPECT_DOUBLE_EQ(wide.at(64, 64), 1.0);
    EXPECT_DOUBLE_EQ(wide.at(63, 64), 0.0);
    EXPECT_DOUBLE_EQ(wide.at(191, 191), 1.0);
    EXPECT_DOUBLE_EQ(wide.at(192, 191), 0.0);
    // Uneven steps: 3 source pixels over 2 field pixels share them exactly.
    lab::SourceImage three;
    three.width = 3;
    three.height = 1;
    three.values = {3.0, 6.0, 9.0};
    const lab::FieldImage coarse = lab::FitIntoField(three, 3.0 * 256 / 2);
    // Field pixels 1.5 wide: column 127 takes all of 3 and half of 6, and
    // the one source row covers a third of rows 127 and 128.
    EXPECT_DOUBLE_EQ(coarse.at(127, 127), (3.0 + 3.0) / 1.5 / 3.0);
    EXPECT_DOUBLE_EQ(coarse.at(128, 128), (3.0 + 9.0) / 1.5 / 3.0);
    EXPECT_DOUBLE_EQ(coarse.at(126, 127), 0.0);

    // Outside the scanned disc the field is air.
    const lab::FieldImage full = lab::FitIntoField(source, 256.0);
    EXPECT_DOUBLE_EQ(full.at(0, 0), 0.0);
    EXPECT_DOUBLE_EQ(full.at(0, 127), 0.0);  // centre 127.501 from the centre
    EXPECT_DOUBLE_EQ(full.at(1, 127), 1.0);
    EXPECT_DOUBLE_EQ(full.at(127, 1), 1.0);
}

}  // namespace
