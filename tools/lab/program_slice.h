// program_slice.h - the program's own reconstruction of a sinogram file
// (its rebinning, filtering, back projection and sums, run through
// recon/headless_run.h), as the slice the program shows.
#pragma once

#include <string>
#include <vector>

namespace lab {

struct ProgramSlice {
    // SumImage, bit for bit, as displayed: 256 x 256, row 0 at the top
    // (y = 255), columns x = 0..255.
    std::vector<double> sum;
    double sumMax = 0.0;
    double sumMin = 0.0;
};

// Filtered back projection with the taps of `filterPath`, or simple back
// projection when it is empty. Throws LabError naming the file that was
// refused and why. Uses the program's global arrays: one at a time.
ProgramSlice ReconstructLikeTheProgram(const std::string& sinogramPath, const std::string& filterPath);
// The same on the program's arrays as they are: RawSinogram filled, and
// FilterKernel when `filtered`.
ProgramSlice ReconstructLoaded(bool filtered);

// The factor that turns this filter's sums into attenuation per pixel
// length for the lab's sinograms: the program's reconstruction of the lab's
// water disc (radius 100 pixels, 0.02 per pixel) with the same filter, its
// mean within 50 pixels of the centre divided into 0.02. Runs a
// reconstruction: call it before ReconstructLikeTheProgram.
double SumToMuPerPixel(const std::string& filterPath);

}  // namespace lab
