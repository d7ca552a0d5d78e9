// rebin_sinogram.cpp - the 256-bin Sinogram from the file's 729 channels,
// and its count range.
#include "recon/compute/computing_steps.h"
#include "recon/compute/ordered_arithmetic.h"
#include "recon/compute/recon_data.h"

void RebinSinogram() {
    for (int a = 0; a < AngleCount; ++a) {
        for (int j = 0; j < BinCount; ++j) {
            const int first = FirstChannelOfBin(j);
            Sinogram[j * RowStride + a] =
                AddInOrder(RawSinogram[(first + 1) * AngleCount + a], RawSinogram[first * AngleCount + a]);
        }
    }
}

void FindSinogramExtremes() {
    // Seeded with the file's first value, which lies outside the rebinned band.
    SinogramMax = RawSinogram[0];
    SinogramMin = RawSinogram[0];
    for (int a = 0; a < AngleCount; ++a) {
        for (int j = 0; j < BinCount; ++j) {
            double value = Sinogram[j * RowStride + a];
            if (value > SinogramMax) SinogramMax = value;
            if (value < SinogramMin) SinogramMin = value;
        }
    }
}
