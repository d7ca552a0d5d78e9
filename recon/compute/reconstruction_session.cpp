// reconstruction_session.cpp - the values copied into the program's arrays,
// its steps run as its own run runs them, and the results copied out.
#include "recon/compute/reconstruction_session.h"

#include <algorithm>
#include <stdexcept>

#include "recon/compute/headless_run.h"
#include "recon/compute/recon_data.h"

namespace {

// The one lock of the program's arrays in the process.
std::mutex& ProgramArraysLock() {
    static std::mutex arrays;
    return arrays;
}

// A 256 x 256 field of the program's (x * 260 + y, y upward) as shown.
std::vector<double> AsShown(const double* field) {
    std::vector<double> shown(static_cast<size_t>(BinCount) * BinCount);
    for (int r = 0; r < BinCount; ++r)
        for (int x = 0; x < BinCount; ++x) shown[r * BinCount + x] = field[x * RowStride + (BinCount - 1 - r)];
    return shown;
}

// The used part of a 260-stride sinogram array, bin-major.
std::vector<double> Bins(const double* sinogram) {
    std::vector<double> bins(static_cast<size_t>(BinCount) * AngleCount);
    for (int j = 0; j < BinCount; ++j) std::copy_n(sinogram + j * RowStride, AngleCount, &bins[j * AngleCount]);
    return bins;
}

}  // namespace

ReconstructionSession::ReconstructionSession() : arrays_(ProgramArraysLock()) {}

ReconstructionSession::~ReconstructionSession() = default;

ReconstructionResult ReconstructionSession::Reconstruct(const std::vector<double>& sinogram,
                                                        const std::vector<double>& kernel) {
    if (sinogram.size() != static_cast<size_t>(SinogramFileValues))
        throw std::invalid_argument("a sinogram holds 729 x 180 values");
    if (!kernel.empty() && kernel.size() != static_cast<size_t>(KernelTaps))
        throw std::invalid_argument("a filter kernel holds 128 taps");
    std::copy(sinogram.begin(), sinogram.end(), RawSinogram);
    std::copy(kernel.begin(), kernel.end(), FilterKernel);
    RunReconstructionSteps(kernel.empty() ? Method::Simple : Method::Filtered);
    reconstructed_ = true;

    ReconstructionResult result;
    result.sum = AsShown(SumImage);
    result.sumMax = SumMax;
    result.sumMin = SumMin;
    result.rebinned = Bins(Sinogram);
    result.filtered = Bins(FilteredSinogram);
    return result;
}

std::vector<double> ReconstructionSession::Views() const {
    if (!reconstructed_) throw std::logic_error("no reconstruction in this session yet");
    constexpr size_t Pixels = static_cast<size_t>(BinCount) * BinCount;
    std::vector<double> views(Pixels * AngleCount);
    for (int x = 0; x < BinCount; ++x)
        for (int y = 0; y < BinCount; ++y) {
            const double* angles = &StackCell(x, y, 0);
            const size_t pixel = static_cast<size_t>(BinCount - 1 - y) * BinCount + x;
            for (int a = 0; a < AngleCount; ++a) views[a * Pixels + pixel] = angles[a];
        }
    return views;
}
