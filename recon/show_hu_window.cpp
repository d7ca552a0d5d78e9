// show_hu_window.cpp - the last phase of a run: the scaled slice under a
// window typed in as centre and width, as often as the user wants, then the
// choice between a new run and the end of the program.
#include <cstdint>
#include <cstdlib>

#include "console/text_print.h"
#include "console/text_scan.h"
#include "graphic/canvas.h"
#include "graphic/canvas_draw.h"
#include "graphic/canvas_layout.h"
#include "recon/phases.h"
#include "recon/compute/recon_data.h"
#include "shared/framework_state.h"

void ShowHuWindow() {
    do {
        TextPrint("\n HU Center = ");
        TextScan("%d", &HuCenter);
        TextPrint("\n HU Width  = ");
        TextScan("%d", &HuWidth);

        // The half width is an integer division, so an odd width loses one
        // unit and the window stays symmetric. Centre plus or minus half is
        // summed in 64 bits: typed extremes cannot overflow, and the sum is
        // exact as a double.
        const int32_t half = HuWidth / 2;
        const double huUpper = static_cast<double>(static_cast<int64_t>(HuCenter) + half);
        const double huLower = static_cast<double>(static_cast<int64_t>(HuCenter) - half);

        GraphicPresent();

        // A zero range (widths -1, 0, 1) gives infinite or NaN quotients:
        // all black. A negative range inverts the grey scale.
        const double range = huUpper - huLower;
        for (int r = 0; r < 256; ++r) {
            for (int x = 0; x < 256; ++x) {
                const double v = ScaledSumImage[x * BinCount + r];
                const int32_t g = ClampedGrey(((v - huLower) * 255.0) / range);
                PutCanvasBlock(SumImageLeft + 2 * x, SumImageTop + 2 * r, GreyColour(g));
            }
        }

        TextPrint("\n\n Retry HU Center, Window ? (no:n) ");
        TextScan("%c", &PromptAnswer);
    } while (PromptAnswer != 'n');

    TextPrint("\n\n Retry? (no:n) ");
    TextScan("%c", &PromptAnswer);
    if (PromptAnswer == 'n') exit(0);
}
