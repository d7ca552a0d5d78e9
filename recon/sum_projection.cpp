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
#include "recon/compute/recon_data.h"

void SumProjectionStack() {
    FindSumExtremes();
    TextPrint("\n\n maxp count = %lf", SumMax);
    TextPrint("\n minp count = %lf", SumMin);
    GraphicPresent();
}
