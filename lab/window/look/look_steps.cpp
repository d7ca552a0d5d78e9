// look_steps.cpp
#include "lab/window/look/look_steps.h"

#include <algorithm>
#include <utility>

#include "recon/compute/headless_run.h"
#include "recon/compute/recon_data.h"
#include "recon/compute/reconstruction_session.h"
#include "lab/plot/display_levels.h"
#include "lab/core/field_geometry.h"
#include "lab/files/input_file.h"
#include "lab/core/lab_error.h"
#include "lab/reconstruct/program_slice.h"

namespace labwin {

namespace {

constexpr int Pixels = lab::FieldPixels * lab::FieldPixels;

}  // namespace

LookSteps RunLookSteps(const LookInput& input) {
    lab::RequireSinogramValues(input.integrals);
    LookSteps steps;
    steps.input = input;
    // One turn at the program's arrays for the calibration and the slice.
    ReconstructionSession session;
    const bool filtered = !input.filterPath.empty();
    // The calibration is a reconstruction of its own: before this one.
    lab::SumCalibration calibration;
    if (filtered && input.madeByLab) calibration = lab::CalibrateSums(session, input.filterPath);
    if (filtered) {
        lab::RequireInputFile(input.filterPath);  // the lab's rule for every input
        steps.taps.resize(KernelTaps);
        if (ReadFilterFile(input.filterPath.c_str(), steps.taps.data()).error != InputFileError::None)
            throw lab::LabError(input.filterPath + " is not a filter file of 128 numbers");
    }
    lab::ProgramSlice slice = lab::ReconstructValues(session, input.integrals, steps.taps);
    steps.sum = std::move(slice.sum);
    steps.sumMax = slice.sumMax;
    if (calibration.Valid()) steps.calibration = calibration;
    steps.sinogram = std::move(slice.rebinned);
    steps.filtered = std::move(slice.filtered);
    steps.views = session.Views();
    return steps;
}

LookOutcome TryLookSteps(const LookInput& input) {
    LookOutcome outcome;
    try {
        outcome.steps = std::make_shared<const LookSteps>(RunLookSteps(input));
    } catch (const std::exception& error) {
        outcome.error = error.what();
    }
    return outcome;
}

QString LookSteps::units() const { return inHu() ? "HU" : "grey levels"; }

lab::SliceValues LookSteps::display() const {
    if (!inHu()) return lab::ScaledLevels(sum);
    lab::SliceValues hu(sum.size());
    for (size_t k = 0; k < sum.size(); ++k) hu[k] = lab::HuOfMu(calibration->MuPerMm(sum[k], input.pixelMm));
    return hu;
}

lab::SliceValues LookSteps::partialSum(int a) const {
    lab::SliceValues total(Pixels, 0.0);
    for (int v = 0; v <= std::clamp(a, 0, AngleCount - 1); ++v) {
        const double* view = &views[static_cast<size_t>(v) * Pixels];
        for (int k = 0; k < Pixels; ++k) total[k] += view[k];
    }
    return total;
}

lab::SliceValues LookSteps::view(int a) const {
    const auto first = views.begin() + static_cast<std::ptrdiff_t>(std::clamp(a, 0, AngleCount - 1)) * Pixels;
    return lab::SliceValues(first, first + Pixels);
}

std::vector<double> LookSteps::projection(int a, bool afterFilter) const {
    const std::vector<double>& source = afterFilter ? filtered : sinogram;
    std::vector<double> bins(BinCount);
    for (int j = 0; j < BinCount; ++j) bins[j] = source[j * AngleCount + std::clamp(a, 0, AngleCount - 1)];
    return bins;
}

QString ValueText(double value, const QString& units) {
    return QString::number(value, 'f', units == "HU" ? 1 : 2) + " " + units;
}

}  // namespace labwin
