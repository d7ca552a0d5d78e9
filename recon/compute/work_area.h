// work_area.h - storage lent out for a while, so that a run's peak memory
// stays lower. The sinogram file is read into the stack's storage before it
// is accepted: nothing reads the stack between runs, and every run rebuilds
// it before it is shown. While the back projection runs, SmearImage holds
// four of its code images (slice_codes.h); at the end it gets the last
// angle's smear.
#pragma once

#include <cstdint>

#include "recon/compute/recon_data.h"

inline double* SinogramFileBuffer() { return ProjectionStack; }
static_assert(SinogramFileValues <= BinCount * RowStride * AngleCount, "the file fits in the stack's storage");

union SmearArea {
    double image[RowStride * RowStride];
    uint16_t sliceCodes[RowStride * RowStride * sizeof(double) / sizeof(uint16_t)];
};

extern SmearArea SmearStorage;
