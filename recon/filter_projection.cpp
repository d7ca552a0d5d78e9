// filter_projection.cpp - the projection of one angle for the back
// projection: the Sinogram column itself for simple back projection, or that
// column convolved with the 255-tap even real-space filter h[|d|] and rounded
// to single precision for filtered back projection.
//
// Every bin's sum is formed in the prescribed order: 0.0, then h[j] x bin
// (b + j) for j = 0..127 while b + j <= 255, then h[j] x bin (b - j) for
// j = 1..127 while b - j >= 0. Eight neighbouring bins are summed side by
// side (each in its own running sum, in that same order) so that the
// additions of different bins overlap in the processor.
#include <algorithm>

#include "recon/ordered_arithmetic.h"
#include "recon/phases.h"
#include "recon/recon_data.h"

namespace {

enum { Lanes = 8 };

}  // namespace

void FilterProjection(int angle) {
    const double* source = Sinogram + angle;
    double* target = FilteredSinogram + angle;

    if (MethodAnswer == '1') {
        for (int b = 0; b < BinCount; ++b) target[b * RowStride] = source[b * RowStride];
        return;
    }

    double column[BinCount];
    for (int b = 0; b < BinCount; ++b) column[b] = source[b * RowStride];
    const double* h = FilterKernel;

    for (int first = 0; first < BinCount; first += Lanes) {
        double sum[Lanes];
        for (int k = 0; k < Lanes; ++k) sum[k] = 0.0;

        // Upper side, centre included: bin b takes j = 0..min(127, 255 - b).
        // All eight bins take j up to the limit of the highest one ...
        const int upperShared = std::min(KernelTaps - 1, BinCount - 1 - (first + Lanes - 1));
        for (int j = 0; j <= upperShared; ++j) {
            const double tap = h[j];
            const double* bins = column + first + j;
#pragma GCC unroll 8
            for (int k = 0; k < Lanes; ++k) sum[k] = AddInOrder(sum[k], MulInOrder(tap, bins[k]));
        }
        // ... and the lower bins their remaining taps.
        for (int k = 0; k < Lanes; ++k) {
            const int b = first + k;
            const int upperLast = std::min(KernelTaps - 1, BinCount - 1 - b);
            for (int j = upperShared + 1; j <= upperLast; ++j) {
                sum[k] = AddInOrder(sum[k], MulInOrder(h[j], column[b + j]));
            }
        }

        // Lower side: bin b takes j = 1..min(127, b).
        const int lowerShared = std::min(KernelTaps - 1, first);
        for (int j = 1; j <= lowerShared; ++j) {
            const double tap = h[j];
            const double* bins = column + first - j;
#pragma GCC unroll 8
            for (int k = 0; k < Lanes; ++k) sum[k] = AddInOrder(sum[k], MulInOrder(tap, bins[k]));
        }
        for (int k = 0; k < Lanes; ++k) {
            const int b = first + k;
            const int lowerLast = std::min(KernelTaps - 1, b);
            for (int j = lowerShared + 1; j <= lowerLast; ++j) {
                sum[k] = AddInOrder(sum[k], MulInOrder(h[j], column[b - j]));
            }
        }

        // Each filtered value carries single precision only.
        for (int k = 0; k < Lanes; ++k) target[(first + k) * RowStride] = static_cast<float>(sum[k]);
    }
}
