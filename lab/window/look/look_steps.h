// look_steps.h - every step of the program's reconstruction of one
// sinogram, kept for the Look view: the rebinned and filtered sinograms,
// each view's back projection and the slice, and what the slice's values
// mean. No widgets; the program's steps run in a ReconstructionSession
// (recon/compute/reconstruction_session.h).
#pragma once

#include <QString>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "lab/measure/image_quality.h"
#include "lab/reconstruct/program_slice.h"

namespace labwin {

struct LookInput {
    std::vector<double> integrals;  // 729 x 180, file order
    QString name;                   // for titles, e.g. "phantom.sino"
    std::string filterPath;         // empty: simple back projection
    QString filterTitle;            // e.g. "Ram-Lak", "simple back projection"
    // Made by sinora-lab: attenuation x 0.02 per mm x path length with
    // field pixels of pixelMm, so the slice is known in HU.
    bool madeByLab = true;
    double pixelMm = 1.0;
};

struct LookSteps {
    LookInput input;
    std::vector<double> sinogram;  // rebinned: 256 bins x 180 angles, bin-major
    std::vector<double> filtered;  // as `sinogram`; the same values for simple back projection
    std::vector<double> views;     // view a's back projection: a x 65536 + row x 256 + column, row 0 at the top
    lab::SliceValues sum;          // SumImage, row 0 at the top
    double sumMax = 0.0;
    // The filter's air and water, when the slice's scale is known.
    std::optional<lab::SumCalibration> calibration;
    std::vector<double> taps;      // the filter's 128 taps (empty: simple)

    bool inHu() const { return calibration.has_value(); }
    // "HU", or the program's grey levels (the sum x 255 / its largest value).
    QString units() const;
    // The slice in `units()`.
    lab::SliceValues display() const;
    // The sum of views 0..a, in the order of the angles.
    lab::SliceValues partialSum(int a) const;
    lab::SliceValues view(int a) const;
    // Bin values of angle a: before and after filtering.
    std::vector<double> projection(int a, bool afterFilter) const;
};

// Runs the program's steps; throws lab::LabError for a filter file it
// refuses.
LookSteps RunLookSteps(const LookInput& input);

// The steps, or why there are none: what a worker thread hands back.
struct LookOutcome {
    std::shared_ptr<const LookSteps> steps;
    QString error;
};
// RunLookSteps with its failure as a value. Never throws.
LookOutcome TryLookSteps(const LookInput& input);

// A value in the slice's units as HU or grey levels, for the status bar.
QString ValueText(double value, const QString& units);

}  // namespace labwin
