// sum_projection.cpp - the reconstructed slice: the plain sum over the 180
// angles of ProjectionStack, its largest and smallest values, printed.
//
// Each cell's terms are added to 0.0 in ascending angle order, as the
// definition of the sum prescribes. A cell's 180 angles lie next to each
// other in the stack, so each cell is summed while its run is read in one
// sweep; eight cells are summed side by side so that their additions
// overlap, and the columns of x are shared out between two threads.
#include "console/text_print.h"
#include "graphic/canvas.h"
#include "recon/ordered_arithmetic.h"
#include "recon/phases.h"
#include "recon/recon_data.h"
#include "recon/shared_parts.h"

namespace {

enum { Lanes = 8 };

// Sums the cells of one x.
void SumColumn(int x) {
    for (int y0 = 0; y0 < BinCount; y0 += Lanes) {
        const double* run = ProjectionStack + (x * RowStride + y0) * AngleCount;
        double sum[Lanes];
        for (int k = 0; k < Lanes; ++k) sum[k] = 0.0;
        for (int a = 0; a < AngleCount; ++a) {
#pragma GCC unroll 8
            for (int k = 0; k < Lanes; ++k) sum[k] = AddInOrder(sum[k], run[k * AngleCount + a]);
        }
        for (int k = 0; k < Lanes; ++k) SumImage[x * RowStride + y0 + k] = sum[k];
    }
}

}  // namespace

void SumProjectionStack() {
    RunSharedParts(BinCount, SumColumn);

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
