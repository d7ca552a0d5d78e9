// sum_extremes.cpp - the largest and smallest values of SumImage.
#include "recon/compute/computing_steps.h"
#include "recon/compute/recon_data.h"

void FindSumExtremes() {
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
}
