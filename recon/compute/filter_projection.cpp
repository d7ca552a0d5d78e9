// filter_projection.cpp - the projection of one angle for the back
// projection: the Sinogram column itself for simple back projection, or that
// column convolved with the 255-tap even real-space filter h[|d|] and rounded
// to single precision for filtered back projection.
//
// Every bin's sum is formed in its own fixed order: 0.0, then h[j] x bin
// (b + j) for j = 0..127 while b + j <= 255, then h[j] x bin (b - j) for
// j = 1..127 while b - j >= 0. Neighbouring bins are summed side by side,
// each bin in its own lane, in that same order, so that the additions of
// different bins overlap.
//
// With AVX2 or AVX-512 and every tap finite, the column is read with 128
// zeros on either side and every bin takes all 255 terms: a term beyond the
// ends is then +0.0 or -0.0, and adding either leaves the running sum as it
// was (a sum that begins at +0.0 is never -0.0), so the bins need no limits
// of their own and many go side by side. A tap that is infinite or not a
// number would make such a term not a number, so then the limits are kept.
#include <algorithm>
#include <cmath>

#if defined(SINORA_WIDE_VARIANTS)
#include <immintrin.h>
#endif

#include "recon/compute/computing_steps.h"
#include "recon/compute/instruction_sets.h"
#include "recon/compute/ordered_arithmetic.h"
#include "recon/compute/recon_data.h"
#include "recon/compute/step_variants.h"

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

// The general routine: each bin's terms within its limits.
void FilterColumnPlain(const double* padded, const double* h, double* filtered) {
    const double* column = padded + FilterPadding;
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
        for (int k = 0; k < Lanes; ++k) filtered[first + k] = static_cast<float>(sum[k]);
    }
}

#if defined(SINORA_WIDE_VARIANTS)
namespace {

// sum + product lane by lane, the sum the first addend, as AddInOrder has it.
WITH_AVX2 inline __m256d AddInOrderLanes(__m256d sum, __m256d product) {
    __m256d result;
    __asm__("vaddpd %2, %1, %0" : "=x"(result) : "x"(sum), "x"(product));
    return result;
}
WITH_AVX512 inline __m512d AddInOrderLanes(__m512d sum, __m512d product) {
    __m512d result;
    __asm__("vaddpd %2, %1, %0" : "=v"(result) : "v"(sum), "v"(product));
    return result;
}

}  // namespace

// Every tap finite: 32 bins at a time, eight registers of four, enough
// sums under way that the additions follow one another without waiting.
WITH_AVX2 void FilterColumnAvx2(const double* padded, const double* h, double* filtered) {
    enum { Width = 4, Sums = 8 };
    for (int first = 0; first < BinCount; first += Width * Sums) {
        const double* at = padded + FilterPadding + first;
        __m256d sum[Sums];
#pragma GCC unroll 8
        for (int k = 0; k < Sums; ++k) sum[k] = _mm256_setzero_pd();
        for (int j = 0; j < KernelTaps; ++j) {
            const __m256d tap = _mm256_set1_pd(h[j]);
#pragma GCC unroll 8
            for (int k = 0; k < Sums; ++k) {
                sum[k] = AddInOrderLanes(sum[k], _mm256_mul_pd(tap, _mm256_loadu_pd(at + Width * k + j)));
            }
        }
        for (int j = 1; j < KernelTaps; ++j) {
            const __m256d tap = _mm256_set1_pd(h[j]);
#pragma GCC unroll 8
            for (int k = 0; k < Sums; ++k) {
                sum[k] = AddInOrderLanes(sum[k], _mm256_mul_pd(tap, _mm256_loadu_pd(at + Width * k - j)));
            }
        }
#pragma GCC unroll 8
        for (int k = 0; k < Sums; ++k) {
            _mm256_storeu_pd(filtered + first + Width * k, _mm256_cvtps_pd(_mm256_cvtpd_ps(sum[k])));
        }
    }
}

// The same with 64 bins at a time, eight registers of eight.
WITH_AVX512 void FilterColumnAvx512(const double* padded, const double* h, double* filtered) {
    enum { Width = 8, Sums = 8 };
    for (int first = 0; first < BinCount; first += Width * Sums) {
        const double* at = padded + FilterPadding + first;
        __m512d sum[Sums];
#pragma GCC unroll 8
        for (int k = 0; k < Sums; ++k) sum[k] = _mm512_setzero_pd();
        for (int j = 0; j < KernelTaps; ++j) {
            const __m512d tap = _mm512_set1_pd(h[j]);
#pragma GCC unroll 8
            for (int k = 0; k < Sums; ++k) {
                sum[k] = AddInOrderLanes(sum[k], _mm512_mul_pd(tap, _mm512_loadu_pd(at + Width * k + j)));
            }
        }
        for (int j = 1; j < KernelTaps; ++j) {
            const __m512d tap = _mm512_set1_pd(h[j]);
#pragma GCC unroll 8
            for (int k = 0; k < Sums; ++k) {
                sum[k] = AddInOrderLanes(sum[k], _mm512_mul_pd(tap, _mm512_loadu_pd(at + Width * k - j)));
            }
        }
#pragma GCC unroll 8
        for (int k = 0; k < Sums; ++k) {
            _mm512_storeu_pd(filtered + first + Width * k, _mm512_maskz_cvtps_pd(0xFF, _mm512_maskz_cvtpd_ps(0xFF, sum[k])));
        }
    }
}
#endif

void FilterProjection(int angle) {
    const double* source = Sinogram + angle;
    double* target = FilteredSinogram + angle;

    if (MethodAnswer == '1') {
        for (int b = 0; b < BinCount; ++b) target[b * RowStride] = source[b * RowStride];
        return;
    }

    alignas(64) double padded[FilterPadding + BinCount + FilterPadding] = {};
    for (int b = 0; b < BinCount; ++b) padded[FilterPadding + b] = source[b * RowStride];
    const double* h = FilterKernel;
    bool tapsFinite = true;
    for (int j = 0; j < KernelTaps; ++j) tapsFinite &= std::isfinite(h[j]);
    alignas(64) double filtered[BinCount];
    (tapsFinite ? ChosenSteps().filterColumn : FilterColumnPlain)(padded, h, filtered);
    for (int b = 0; b < BinCount; ++b) target[b * RowStride] = filtered[b];
}
