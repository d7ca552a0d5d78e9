// look_steps.cpp
#include "lab/window/look/look_steps.h"

#include <algorithm>
#include <cstring>
#include <mutex>

#include "recon/headless_run.h"
#include "recon/recon_data.h"
#include "lab/plot/display_levels.h"
#include "lab/core/field_geometry.h"
#include "lab/files/input_file.h"
#include "lab/core/lab_error.h"
#include "lab/reconstruct/program_slice.h"
#include "lab/window/scan/quick_reconstruction.h"

namespace labwin {

namespace {

constexpr int Pixels = lab::FieldPixels * lab::FieldPixels;

}  // namespace

LookSteps RunLookSteps(const LookInput& input) {
    if (input.integrals.size() != static_cast<size_t>(RawChannels) * AngleCount)
        throw lab::LabError("a sinogram holds 729 x 180 values");
    LookSteps steps;
    steps.input = input;
    const std::lock_guard<std::mutex> hold(ProgramArraysLock());
    const bool filtered = !input.filterPath.empty();
    // The calibration runs its own reconstruction: before this one.
    lab::SumCalibration calibration;
    if (filtered && input.madeByLab) calibration = lab::CalibrateSums(input.filterPath);
    if (filtered) {
        lab::RequireInputFile(input.filterPath);  // the lab's rule for every input
        const InputFileResult read = LoadFilterFile(input.filterPath.c_str());
        if (read.error != InputFileError::None)
            throw lab::LabError(input.filterPath + " is not a filter file of 128 numbers");
        steps.taps.assign(FilterKernel, FilterKernel + KernelTaps);
    }
    std::copy(input.integrals.begin(), input.integrals.end(), RawSinogram);
    const lab::ProgramSlice slice = lab::ReconstructLoaded(filtered);
    steps.sum = slice.sum;
    steps.sumMax = slice.sumMax;
    if (calibration.Valid()) steps.calibration = calibration;

    steps.sinogram.resize(static_cast<size_t>(BinCount) * AngleCount);
    steps.filtered.resize(steps.sinogram.size());
    for (int j = 0; j < BinCount; ++j)
        for (int a = 0; a < AngleCount; ++a) {
            steps.sinogram[j * AngleCount + a] = Sinogram[j * RowStride + a];
            steps.filtered[j * AngleCount + a] = filtered ? FilteredSinogram[j * RowStride + a] : Sinogram[j * RowStride + a];
        }
    steps.views.resize(static_cast<size_t>(Pixels) * AngleCount);
    for (int x = 0; x < BinCount; ++x)
        for (int y = 0; y < BinCount; ++y) {
            const double* angles = &ProjectionStack[(static_cast<size_t>(x) * RowStride + y) * AngleCount];
            const size_t pixel = static_cast<size_t>(255 - y) * BinCount + x;
            for (int a = 0; a < AngleCount; ++a) steps.views[a * static_cast<size_t>(Pixels) + pixel] = angles[a];
        }
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
