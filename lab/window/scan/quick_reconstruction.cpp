// quick_reconstruction.cpp
#include "lab/window/scan/quick_reconstruction.h"

#include <algorithm>
#include <mutex>

#include "base/to_int.h"
#include "recon/recon_data.h"
#include "lab/reconstruct/filter_kernels.h"
#include "lab/reconstruct/program_slice.h"

namespace labwin {

std::mutex& ProgramArraysLock() {
    static std::mutex arrays;
    return arrays;
}

QImage QuickReconstruction(const std::vector<double>& integrals) {
    const std::lock_guard<std::mutex> hold(ProgramArraysLock());
    std::copy(integrals.begin(), integrals.end(), RawSinogram);
    // The scale of the taps changes only the sum's grey scale, which is
    // shown relative to its largest value.
    const std::vector<double> taps = lab::KernelTaps("ramlak", 1.0);
    std::copy(taps.begin(), taps.end(), FilterKernel);
    const lab::ProgramSlice slice = lab::ReconstructLoaded(true);

    QImage picture(BinCount, BinCount, QImage::Format_Grayscale8);
    for (int r = 0; r < BinCount; ++r) {
        uchar* row = picture.scanLine(r);
        for (int x = 0; x < BinCount; ++x) {
            const double q = (slice.sum[r * BinCount + x] * 255.0) / slice.sumMax;
            row[x] = static_cast<uchar>(std::clamp(TruncToInt32(q), 0, 255));
        }
    }
    return picture;
}

}  // namespace labwin
