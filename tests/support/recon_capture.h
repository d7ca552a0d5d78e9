// recon_capture.h - the reconstruction's results as they stand, copied, and
// their comparison bit for bit: how the tests and the benchmark check the
// program's phases against the plain loop orders.
#pragma once

#include <vector>

struct ReconCapture {
    std::vector<double> stack, sum, filtered, smear;
    double stackMax, sumMax, sumMin;
};

// ProjectionStack, SumImage, FilteredSinogram, SmearImage, StackMax, SumMax
// and SumMin as they are now.
ReconCapture CaptureReconstruction();

bool SameBits(const std::vector<double>& a, const std::vector<double>& b);
bool SameBits(double a, double b);
// Every array and value the same, bit for bit.
bool SameBits(const ReconCapture& a, const ReconCapture& b);
