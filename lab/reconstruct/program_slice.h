// program_slice.h - the program's own reconstruction of a sinogram file
// (its rebinning, filtering, back projection and sums, run in a
// ReconstructionSession: recon/compute/reconstruction_session.h), as the slice the
// program shows.
#pragma once

#include <string>
#include <vector>

#include "recon/compute/reconstruction_session.h"

namespace lab {

// The slice (`sum`: SumImage bit for bit as displayed, 256 x 256, row 0 at
// the top), its range, and the sinograms it was made from.
using ProgramSlice = ReconstructionResult;

// Filtered back projection with the taps of `filterPath`, or simple back
// projection when it is empty. The sinogram is read as ReadSinogramFile
// reads it (slice_files.h) and taken as the program's own reading would
// take it; the filter by the program's own reading, once the lab's input
// rule (input_file.h) has accepted it. Throws LabError naming the file that
// was refused and why, also for a value that is no line integral or tap
// (LineIntegralProblem, TapProblem: option_bounds.h), which the program
// itself would take.
ProgramSlice ReconstructLikeTheProgram(ReconstructionSession& session, const std::string& sinogramPath,
                                       const std::string& filterPath);
// The same on values in memory: `integrals` 729 x 180 in file order, `taps`
// 128 or none (simple back projection); refuses the same values.
ProgramSlice ReconstructValues(ReconstructionSession& session, const std::vector<double>& integrals,
                               const std::vector<double>& taps);
// Throws LabError unless `integrals` holds 729 x 180 values.
void RequireSinogramValues(const std::vector<double>& integrals);

// The program's sums of air and water with one filter, for the lab's
// sinograms: a two-point calibration, measured on the program's own
// reconstruction of a water disc (0.02 per pixel) in air. Its radius is 50
// pixels, so that every chord of the disc and its surroundings lies within
// the 127 bins the filter's taps reach: there the reconstruction is exact
// and the two points are the filter's, not an artifact of the object's size.
struct SumCalibration {
    double air = 0.0;    // mean sum in the ring 60..75 pixels from the centre
    double water = 0.0;  // mean sum within 25 pixels of the centre

    // Whether the filter tells water from air at all (a ramp does).
    bool Valid() const { return water - air > 0.0; }
    // Attenuation per mm of a sum, for a sinogram made with `pixelMm`.
    double MuPerMm(double sum, double pixelMm) const;
};
// Runs a reconstruction in `session`, of the disc's integrals in memory (no
// file is written).
SumCalibration CalibrateSums(ReconstructionSession& session, const std::string& filterPath);

}  // namespace lab
