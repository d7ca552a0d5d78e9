// recon_capture.cpp - copies of the reconstruction's results.
#include "support/recon_capture.h"

#include <cstring>

#include "recon/compute/recon_data.h"

ReconCapture CaptureReconstruction() {
    ReconCapture r;
    r.stack.assign(ProjectionStack, ProjectionStack + sizeof ProjectionStack / sizeof(double));
    r.sum.assign(SumImage, SumImage + sizeof SumImage / sizeof(double));
    r.filtered.assign(FilteredSinogram, FilteredSinogram + sizeof FilteredSinogram / sizeof(double));
    r.smear.assign(SmearImage, SmearImage + sizeof SmearImage / sizeof(double));
    r.stackMax = StackMax;
    r.sumMax = SumMax;
    r.sumMin = SumMin;
    return r;
}

bool SameBits(const std::vector<double>& a, const std::vector<double>& b) {
    return a.size() == b.size() && memcmp(a.data(), b.data(), a.size() * sizeof(double)) == 0;
}

bool SameBits(double a, double b) { return memcmp(&a, &b, sizeof a) == 0; }

bool SameBits(const ReconCapture& a, const ReconCapture& b) {
    return SameBits(a.stack, b.stack) && SameBits(a.sum, b.sum) && SameBits(a.filtered, b.filtered) &&
           SameBits(a.smear, b.smear) && SameBits(a.stackMax, b.stackMax) && SameBits(a.sumMax, b.sumMax) &&
           SameBits(a.sumMin, b.sumMin);
}
