// The projector: line integrals as the exact length of each ray in each pixel.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "tools/lab/field_image.h"
#include "tools/lab/siddon_projector.h"

namespace {

TEST(SiddonProjector, IntegralsAreExactLengths) {
    // One pixel of value 1 at column 130, row 100: centred square
    // [2, 3] x [27, 28].
    lab::FieldImage field;
    field.at(130, 100) = 1.0;
    const double s = std::sqrt(0.5);
    EXPECT_DOUBLE_EQ(lab::SiddonRayIntegral(field, 2.5, 1.0, 0.0), 1.0);  // vertical through it
    EXPECT_DOUBLE_EQ(lab::SiddonRayIntegral(field, 27.25, 0.0, 1.0), 1.0);  // horizontal
    EXPECT_DOUBLE_EQ(lab::SiddonRayIntegral(field, 3.5, 1.0, 0.0), 0.0);
    // The diagonal through its centre (2.5, 27.5): length sqrt(2).
    EXPECT_NEAR(lab::SiddonRayIntegral(field, (2.5 + 27.5) * s, s, s), std::sqrt(2.0), 1e-12);
    // A uniform field: the chord of the square at 30 degrees.
    std::fill(field.values.begin(), field.values.end(), 1.0);
    const double c = std::cos(M_PI / 6), n = std::sin(M_PI / 6);
    EXPECT_NEAR(lab::SiddonRayIntegral(field, 0.0, c, n), 256.0 / c, 1e-9);
}

}  // namespace
