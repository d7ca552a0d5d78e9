// filter_projection.cpp - the projection of one angle for the back
// projection: the Sinogram column itself for simple back projection, or that
// column convolved with the 255-tap even real-space filter h[|d|] and rounded
// to single precision for filtered back projection.
//
// Every bin's sum is formed in its own fixed order: 0.0, then h[j] x bin
// (b + j) for j = 0..127 while b + j <= 255, then h[j] x bin (b - j) for
// j = 1..127 while b - j >= 0. Eight neighbouring bins are summed side by
// side, two to a processor register where the processor allows (each bin in
// its own lane, in that same order), so that the additions of different
// bins overlap.
#include <algorithm>

#include "recon/ordered_arithmetic.h"
#include "recon/phases.h"
#include "recon/recon_data.h"

namespace {

enum { Lanes = 8 };

// The terms that all eight bins first..first + 7 take: for j = 0..last, the
// tap h[j] times the bin at offset j from each (the column pointer moved by
// `step` per tap: +1 on the upper side, -1 on the lower one).
void AddSharedTerms(double* sum, const double* h, int jFirst, int jLast, const double* bins, int step) {
#if defined(__SSE2__) && defined(__GNUC__)
    __m128d pair[Lanes / 2];  // in registers: the loops over them are unrolled
#pragma GCC unroll 4
    for (int k = 0; k < Lanes / 2; ++k) pair[k] = _mm_loadu_pd(sum + 2 * k);
    for (int j = jFirst; j <= jLast; ++j) {
        const __m128d tap = _mm_set1_pd(h[j]);
        const double* at = bins + j * step;
#pragma GCC unroll 4
        for (int k = 0; k < Lanes / 2; ++k) pair[k] = AddProductInOrder(pair[k], tap, _mm_loadu_pd(at + 2 * k));
    }
#pragma GCC unroll 4
    for (int k = 0; k < Lanes / 2; ++k) _mm_storeu_pd(sum + 2 * k, pair[k]);
#else
    for (int j = jFirst; j <= jLast; ++j) {
        const double* at = bins + j * step;
        for (int k = 0; k < Lanes; ++k) sum[k] = AddInOrder(sum[k], MulInOrder(h[j], at[k]));
    }
#endif
}

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
        AddSharedTerms(sum, h, 0, upperShared, column + first, 1);
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
        AddSharedTerms(sum, h, 1, lowerShared, column + first, -1);
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
