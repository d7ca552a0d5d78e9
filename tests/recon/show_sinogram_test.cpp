// The sinogram picture: grey levels and placement on the canvas, read back
// from the back buffer.
#include <limits>

#include <gtest/gtest.h>

#include "shared/framework_state.h"
#include "recon/phases.h"
#include "recon/compute/recon_data.h"
#include "tests/support/canvas_fixture.h"

namespace {

using ShowSinogramTest = CanvasTest;

TEST_F(ShowSinogramTest, SinogramGreyLevelsAndPlacement) {
    for (int a = 0; a < AngleCount; ++a) {
        for (int j = 0; j < BinCount; ++j) Sinogram[j * RowStride + a] = 255.0;  // grey 127
    }
    Sinogram[0 * RowStride + 0] = 0.0;
    Sinogram[1 * RowStride + 0] = 510.0;
    Sinogram[2 * RowStride + 0] = 3.0;
    Sinogram[3 * RowStride + 0] = 509.0;
    Sinogram[255 * RowStride + 179] = 510.0;
    SinogramMin = 0.0;
    SinogramMax = 510.0;
    const COLORREF outside = 0x00336699;
    FillCanvas(outside);

    ShowSinogram();

    EXPECT_EQ(Pixel(10, 10), 0x000000u);
    EXPECT_EQ(Pixel(11, 10), 0xFFFFFFu);
    EXPECT_EQ(Pixel(12, 10), 0x010101u);
    EXPECT_EQ(Pixel(13, 10), 0xFEFEFEu);
    EXPECT_EQ(Pixel(14, 10), 0x7F7F7Fu);
    EXPECT_EQ(Pixel(265, 189), 0xFFFFFFu);
    EXPECT_EQ(Pixel(10, 189), 0x7F7F7Fu);
    EXPECT_EQ(FrameworkState.CurrentColor, 0xFFFFFFu);  // the last pixel's colour
    EXPECT_EQ(FrameworkState.PresentNeeded, 1);

    EXPECT_EQ(PixelsOtherThan(outside, 10, 10, 265, 189, true), 0);
}

TEST_F(ShowSinogramTest, SinogramWithZeroRangeOrNaNIsBlack) {
    for (int a = 0; a < AngleCount; ++a) {
        for (int j = 0; j < BinCount; ++j) Sinogram[j * RowStride + a] = 7.0;
    }
    SinogramMin = 7.0;
    SinogramMax = 7.0;
    FillCanvas(0xFFFFFF);
    ShowSinogram();
    EXPECT_EQ(PixelsOtherThan(0, 10, 10, 265, 189), 0);

    SinogramMax = 17.0;
    Sinogram[5 * RowStride + 3] = std::numeric_limits<double>::quiet_NaN();
    Sinogram[6 * RowStride + 3] = 17.0;
    ShowSinogram();
    EXPECT_EQ(Pixel(15, 13), 0u);
    EXPECT_EQ(Pixel(16, 13), 0xFFFFFFu);
}

}  // namespace
