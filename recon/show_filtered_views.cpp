// show_filtered_views.cpp - every fifth per-angle back projection as a
// 128 x 128 image (every second sample of the slice) in a grid of ten images
// per row below the sinogram picture. The grey level wraps modulo 256 and
// values at or below -StackMax / 255 are drawn cyan; the tenth image of a
// row reaches past the canvas's right edge, where drawing has no effect.
#include "base/to_int.h"
#include "graphic/canvas.h"
#include "graphic/canvas_draw.h"
#include "graphic/canvas_layout.h"
#include "recon/phases.h"
#include "recon/compute/recon_data.h"
#include "shared/framework_state.h"

void ShowFilteredViews() {
    GraphicPresent();
    for (int a = 0; a < AngleCount; a += 5) {
        const int n = a / 5;
        const int x0 = (n % GridColumns) * GridImageSize;
        const int y0 = GridTop + (n / GridColumns) * GridImageSize;
        for (int r = 0; r < 256; r += 2) {
            for (int k = 0; k < 256; k += 2) {
                const double w = StackCell(k, 255 - r, a);
                const int32_t g = TruncToInt32((w * 255.0) / StackMax);
                const COLORREF colour = g < 0 ? NegativeColour : GreyColour(g & 0xFF);
                PutCanvasPixel(x0 + k / 2, y0 + r / 2, colour);
            }
        }
    }
    GraphicPresent();
}
