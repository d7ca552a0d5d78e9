// reconstruction_session.h - the program's reconstruction on values in
// memory, for programs with several threads. The steps work on the
// program's global arrays (recon_data.h), of which a process has one set: a
// session holds them from its construction to its destruction, and a second
// session, on any thread, waits until then.
//
//     ReconstructionSession session;
//     const ReconstructionResult result = session.Reconstruct(sinogram, taps);
//     double centre = result.sum[128 * 256 + 128];
//
// The results are the program's, bit for bit: the same steps as its run,
// copied out of its arrays.
#pragma once

#include <mutex>
#include <vector>

struct ReconstructionResult {
    // SumImage as the program shows it: 256 x 256, row 0 at the top
    // (y = 255), columns x = 0..255.
    std::vector<double> sum;
    double sumMax = 0.0;  // SumMax
    double sumMin = 0.0;  // SumMin
    // Sinogram: bin j of angle a at j * 180 + a.
    std::vector<double> rebinned;
    // FilteredSinogram, as `rebinned`; the same values for simple back
    // projection.
    std::vector<double> filtered;
};

class ReconstructionSession {
public:
    // Waits until no other session holds the arrays.
    ReconstructionSession();
    ~ReconstructionSession();
    ReconstructionSession(const ReconstructionSession&) = delete;
    ReconstructionSession& operator=(const ReconstructionSession&) = delete;

    // `sinogram`: 729 x 180 values in file order, as RawSinogram holds
    // them; `kernel`: the 128 taps of filtered back projection, or empty for
    // simple back projection. Throws std::invalid_argument for other sizes.
    ReconstructionResult Reconstruct(const std::vector<double>& sinogram, const std::vector<double>& kernel);

    // Each view's back projection from this session's last Reconstruct
    // (ProjectionStack): view a at a * 65536 + row * 256 + x, row 0 at the
    // top (y = 255). 94 MB, so copied only on request. Throws
    // std::logic_error before the first Reconstruct, when the arrays may
    // hold another session's results.
    std::vector<double> Views() const;

private:
    std::unique_lock<std::mutex> arrays_;
    bool reconstructed_ = false;
};
