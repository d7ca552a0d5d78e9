// program_slice.cpp
#include "tools/lab/program_slice.h"

#include <cstring>

#include "recon/headless_run.h"
#include "recon/recon_data.h"
#include "tools/lab/field_geometry.h"
#include "tools/lab/lab_error.h"
#include "tools/lab/option_bounds.h"
#include "tools/lab/output_files.h"
#include "tools/lab/phantoms.h"

#include <QFile>
#include <QTemporaryDir>

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

}  // namespace

ProgramSlice ReconstructLikeTheProgram(const std::string& sinogramPath, const std::string& filterPath) {
    // The program reads what it is given as it always has (NaN and infinity
    // included); the lab refuses anything but line integrals and taps.
    Require(LoadSinogramFile(sinogramPath.c_str()), sinogramPath, "sinogram file");
    std::string problem = LineIntegralProblem(RawSinogram);
    if (!problem.empty()) throw LabError(sinogramPath + ": " + problem);
    if (!filterPath.empty()) {
        Require(LoadFilterFile(filterPath.c_str()), filterPath, "filter file");
        problem = TapProblem(FilterKernel);
        if (!problem.empty()) throw LabError(filterPath + ": " + problem);
    }
    return ReconstructLoaded(!filterPath.empty());
}

ProgramSlice ReconstructLoaded(bool filtered) {
    std::string problem = LineIntegralProblem(RawSinogram);
    if (!problem.empty()) throw LabError("the sinogram's " + problem);
    problem = filtered ? TapProblem(FilterKernel) : "";
    if (!problem.empty()) throw LabError("the filter's " + problem);
    RunReconstructionSteps(filtered ? Method::Filtered : Method::Simple);
    ProgramSlice slice;
    slice.sum.resize(static_cast<size_t>(FieldPixels) * FieldPixels);
    for (int r = 0; r < FieldPixels; ++r)
        for (int x = 0; x < FieldPixels; ++x) slice.sum[r * FieldPixels + x] = SumImage[x * RowStride + (255 - r)];
    slice.sumMax = SumMax;
    slice.sumMin = SumMin;
    return slice;
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

SumCalibration CalibrateSums(const std::string& filterPath) {
    QTemporaryDir folder;
    if (!folder.isValid()) throw LabError("cannot make a temporary folder for the water disc");
    const std::string discPath = folder.filePath("water.sino").toStdString();
    Phantom disc;
    disc.ellipses.push_back({0.0, 0.0, 50.0, 50.0, 0.0, 1.0});
    std::vector<double> integrals = ProjectPhantom(disc);
    for (double& p : integrals) p *= WaterMuPerMm;
    QFile file(QString::fromStdString(discPath));
    const std::string bytes = SinogramFileBytes(integrals);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes.data(), bytes.size()) != static_cast<qint64>(bytes.size()))
        throw LabError("cannot write the water disc's sinogram in " + folder.path().toStdString());
    file.close();
    const ProgramSlice slice = ReconstructLikeTheProgram(discPath, filterPath);
    SumCalibration calibration;
    calibration.air = RingMean(slice.sum, 60.0, 75.0);
    calibration.water = RingMean(slice.sum, 0.0, 25.0);
    return calibration;
}

}  // namespace lab
