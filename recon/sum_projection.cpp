// sum_projection.cpp - the reconstructed slice: the plain sum over the 180
// angles of ProjectionStack, its largest and smallest values, printed.
//
// SumImage already holds the sum when this phase runs: BackProjectViews
// forms each cell's sum while the cell's 180 angles are at hand for the
// stack (its terms added to 0.0 in ascending angle order), so that the
// 94 MB stack is not read back for it. Nothing changes the stack between
// the two phases.
#include "console/text_print.h"
#include "graphic/canvas.h"
#include "recon/phases.h"
#include "recon/recon_data.h"

void SumProjectionStack() {
    // Range in the order y, then x, seeded with cell (0, 0); only strictly
    // larger or smaller values replace the current ones.
    SumMax = SumImage[0];
    SumMin = SumImage[0];
    for (int y = 0; y < BinCount; ++y) {
        for (int x = 0; x < BinCount; ++x) {
            const double value = SumImage[x * RowStride + y];
            if (SumMax < value) SumMax = value;
            if (SumMin > value) SumMin = value;
        }
    }

    TextPrint("\n\n maxp count = %lf", SumMax);
    TextPrint("\n minp count = %lf", SumMin);
    GraphicPresent();
}
