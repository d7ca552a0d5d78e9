// show_filter.cpp - the plot of FilterKernel: taps 0..20 as a yellow curve
// mirrored around x = 600 in a black frame, with its caption.
#include <cstdint>

#include "base/to_int.h"
#include "graphic/canvas_draw.h"
#include "graphic/canvas_layout.h"
#include "recon/phases.h"
#include "recon/compute/recon_data.h"
#include "shared/framework_state.h"

namespace {

// The y of a tap value on the plot's scale.
// A tap too large for 32 bits (or not a number) converts to -2147483648;
// the subtraction then wraps around in 32 bits, as the machine's does,
// putting the point far outside the canvas instead of overflowing.
int TapY(double tap) {
    return static_cast<int32_t>(static_cast<uint32_t>(FilterZeroY) -
                                static_cast<uint32_t>(TruncToInt32(FilterPixelsPerUnit * tap)));
}

}  // namespace

void PlotFilter() {
    FrameworkStateRecord& s = FrameworkState;

    // Black frame; it also erases the curve of an earlier pass.
    DrawFilledFrame(FilterFrameLeft, FilterFrameTop, FilterFrameRight, FilterFrameBottom, BlackColour);

    // Caption; the font record keeps its height afterwards.
    s.PenWidth = FilterCurvePenWidth;
    DrawCanvasCaption(FilterCaptionX, FilterCaptionY, "Real Space Filter", FilterCaptionHeight, WhiteColour);

    // Taps 0..20, to the right of the centre and mirrored to its left.
    s.CurrentColor = YellowColour;
    for (int k = 0; k < 20; ++k) {
        const int y1 = TapY(FilterKernel[k]);
        const int y2 = TapY(FilterKernel[k + 1]);
        DrawCanvasSegment(FilterCentreX + FilterTapStep * k, y1, FilterCentreX + FilterTapStep * (k + 1), y2);
        DrawCanvasSegment(FilterCentreX - FilterTapStep * k, y1, FilterCentreX - FilterTapStep * (k + 1), y2);
    }
}
