// show_sinogram.cpp - the rebinned sinogram as a grey-level picture, one
// canvas pixel per value: bins from left to right (x 10..265), angles from
// top to bottom (y 10..189), SinogramMin black and SinogramMax white.
#include "graphic/canvas_draw.h"
#include "graphic/canvas_layout.h"
#include "recon/phases.h"
#include "recon/compute/recon_data.h"
#include "shared/framework_state.h"

void ShowSinogram() {
    const double range = SinogramMax - SinogramMin;
    for (int a = 0; a < AngleCount; ++a) {
        for (int j = 0; j < BinCount; ++j) {
            const double v = Sinogram[j * RowStride + a];
            // A zero range gives NaN, and so black.
            const int32_t g = ClampedGrey((v - SinogramMin) * 255.0 / range);
            PutCanvasPixel(SinogramLeft + j, SinogramTop + a, GreyColour(g));
        }
    }
}
