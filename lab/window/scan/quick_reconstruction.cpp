// quick_reconstruction.cpp
#include "lab/window/scan/quick_reconstruction.h"

#include <algorithm>

#include "base/to_int.h"
#include "recon/compute/recon_data.h"
#include "recon/compute/reconstruction_session.h"
#include "lab/reconstruct/filter_kernels.h"
#include "lab/reconstruct/program_slice.h"

namespace labwin {

namespace {

lab::ProgramSlice RamLakSlice(const std::vector<double>& integrals) {
    ReconstructionSession session;
    // The scale of the taps changes only the sum's grey scale, which is
    // shown relative to its largest value.
    return lab::ReconstructValues(session, integrals, lab::KernelTaps("ramlak", 1.0));
}

}  // namespace

QImage QuickReconstruction(const std::vector<double>& integrals) {
    const lab::ProgramSlice slice = RamLakSlice(integrals);

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
