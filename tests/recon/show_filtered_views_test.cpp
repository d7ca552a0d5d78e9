// The grid of per-angle back projections, read back pixel by pixel from the
// back buffer.

#include <gtest/gtest.h>

#include "shared/framework_state.h"
#include "recon/phases.h"
#include "recon/compute/recon_data.h"
#include "tests/support/canvas_fixture.h"

namespace {

using FilteredViewsTest = CanvasTest;

TEST_F(FilteredViewsTest, GridPlacementWrapAndNegativeColour) {
    ClearStack();
    StackMax = 510.0;
    const int a = 175;  // image 35: x0 640, y0 584
    StackCell(0, 255, a) = 512.0;     // g 256: black
    StackCell(2, 255, a) = 1022.0;    // g 511: white
    StackCell(4, 255, a) = -2.0;      // -StackMax / 255: g -1, cyan
    StackCell(6, 255, a) = -1.99;     // g 0: black, not cyan
    StackCell(8, 255, a) = 600.0;     // g 300: grey 44
    StackCell(10, 255, a) = 510.0;    // g 255
    StackCell(1, 255, a) = 510.0;     // odd columns are not shown
    StackCell(12, 254, a) = 510.0;    // nor odd rows
    StackCell(0, 1, a) = 200.0;       // bottom row of the image: canvas row 711
    StackCell(254, 1, a) = 100.0;
    FillCanvas(0x336699);

    ShowFilteredViews();

    EXPECT_EQ(Pixel(640, 584), 0u);
    EXPECT_EQ(Pixel(641, 584), White);
    EXPECT_EQ(Pixel(642, 584), Cyan);
    EXPECT_EQ(Pixel(643, 584), 0u);
    EXPECT_EQ(Pixel(644, 584), Grey(44));
    EXPECT_EQ(Pixel(645, 584), White);
    EXPECT_EQ(Pixel(646, 584), 0u);
    EXPECT_EQ(Pixel(640, 711), Grey(100));
    EXPECT_EQ(Pixel(767, 711), Grey(50));
    EXPECT_EQ(Pixel(640, 712), 0x336699u);  // below the last row of the grid
    EXPECT_EQ(Pixel(768, 584), 0x336699u);  // right of image 35
    EXPECT_EQ(Pixel(0, 200), 0u);           // image 0 at its cell
    EXPECT_EQ(Pixel(1199, 200), 0u);        // the tenth column reaches the edge
    EXPECT_EQ(Pixel(100, 199), 0x336699u);  // the sinogram's area is left alone
    EXPECT_EQ(FrameworkState.PresentNeeded, 0);
}

TEST_F(FilteredViewsTest, GridWithZeroScaleIsCyan) {
    ClearStack();
    StackMax = 0.0;
    ShowFilteredViews();
    EXPECT_EQ(Pixel(0, 200), Cyan);
    EXPECT_EQ(Pixel(767, 711), Cyan);
}

}  // namespace
