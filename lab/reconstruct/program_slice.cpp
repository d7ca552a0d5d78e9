// program_slice.cpp
#include "lab/reconstruct/program_slice.h"

#include <cstring>

#include "recon/compute/headless_run.h"
#include "recon/compute/recon_data.h"
#include "recon/compute/reconstruction_session.h"
#include "lab/core/field_geometry.h"
#include "lab/core/lab_error.h"
#include "lab/files/input_file.h"
#include "lab/core/option_bounds.h"
#include "lab/objects/phantoms.h"
#include "lab/files/slice_files.h"

namespace lab {

namespace {

void Require(const InputFileResult& result, const std::string& path, const char* kind) {
    const std::string reason = std::strerror(result.systemError);
    switch (result.error) {
        case InputFileError::None: return;
        case InputFileError::CannotOpen: throw LabError("cannot open " + path + ": " + reason);
        case InputFileError::Folder: throw LabError(path + " is a folder, not a " + kind);
        case InputFileError::NotPlainFile: throw LabError(path + " is not a plain file");
        case InputFileError::TooShort:
            throw LabError(path + ": " + std::to_string(result.bytes) + " bytes; a sinogram file holds at least " +
                           std::to_string(::SinogramFileBytes));
        case InputFileError::CannotRead: throw LabError("cannot read " + path + ": " + reason);
        case InputFileError::NotANumber:
            throw LabError(path + ": text after " + std::to_string(result.numbers) + " numbers; a filter file holds " +
                           std::to_string(KernelTaps) + " numbers");
        case InputFileError::TooFewNumbers:
            throw LabError(path + ": only " + std::to_string(result.numbers) + " numbers; a filter file holds " +
                           std::to_string(KernelTaps));
    }
}

// The filter's taps, read by the program's own reading once the file has
// passed the lab's input rule.
std::vector<double> ReadFilter(const std::string& filterPath) {
    RequireInputFile(filterPath);
    std::vector<double> taps(KernelTaps);
    Require(ReadFilterFile(filterPath.c_str(), taps.data()), filterPath, "filter file");
    const std::string problem = TapProblem(taps.data());
    if (!problem.empty()) throw LabError(filterPath + ": " + problem);
    return taps;
}

}  // namespace

void RequireSinogramValues(const std::vector<double>& integrals) {
    if (integrals.size() != static_cast<size_t>(::SinogramFileValues))
        throw LabError("a sinogram holds 729 x 180 values");
}

ProgramSlice ReconstructLikeTheProgram(ReconstructionSession& session, const std::string& sinogramPath,
                                       const std::string& filterPath) {
    // The lab's reading of the sinogram (slice_files.h), the same for every
    // method: the program's rule on its length, and the lab's input rule.
    const std::vector<double> integrals = ReadSinogramFile(sinogramPath);
    return ReconstructValues(session, integrals, filterPath.empty() ? std::vector<double>() : ReadFilter(filterPath));
}

ProgramSlice ReconstructValues(ReconstructionSession& session, const std::vector<double>& integrals,
                               const std::vector<double>& taps) {
    RequireSinogramValues(integrals);
    std::string problem = LineIntegralProblem(integrals.data());
    if (!problem.empty()) throw LabError("the sinogram's " + problem);
    problem = taps.empty() ? "" : TapProblem(taps.data());
    if (!problem.empty()) throw LabError("the filter's " + problem);
    return session.Reconstruct(integrals, taps);
}

namespace {

// The mean of the slice's pixels whose centres lie between `from` and `to`
// pixels from the centre of rotation.
double RingMean(const std::vector<double>& slice, double from, double to) {
    double total = 0.0;
    int count = 0;
    for (int r = 0; r < FieldPixels; ++r) {
        for (int x = 0; x < FieldPixels; ++x) {
            const double dx = x - RotationCentre, dy = r - RotationCentre, d2 = dx * dx + dy * dy;
            if (d2 < from * from || d2 > to * to) continue;
            total += slice[r * FieldPixels + x];
            ++count;
        }
    }
    return total / count;
}

}  // namespace

double SumCalibration::MuPerMm(double sum, double pixelMm) const {
    // A sinogram made with pixels of pixelMm holds pixelMm times the
    // integrals of one made with 1 mm pixels.
    return WaterMuPerMm * (sum / pixelMm - air) / (water - air);
}

SumCalibration CalibrateSums(ReconstructionSession& session, const std::string& filterPath) {
    // The disc's integrals go to the program's steps as they are, with no
    // file between (a sinogram file would hold exactly these doubles).
    Phantom disc;
    disc.ellipses.push_back({0.0, 0.0, 50.0, 50.0, 0.0, 1.0});
    std::vector<double> integrals = ProjectPhantom(disc);
    for (double& p : integrals) p *= WaterMuPerMm;
    const ProgramSlice slice = ReconstructValues(session, integrals, ReadFilter(filterPath));
    SumCalibration calibration;
    calibration.air = RingMean(slice.sum, 60.0, 75.0);
    calibration.water = RingMean(slice.sum, 0.0, 25.0);
    return calibration;
}

}  // namespace lab
