// reconstruct_command.cpp - `reconstruct SINOGRAM (--filter FILE | --simple
// | --method M) -o OUT...`: the slice in every file asked for, written only
// when the reconstruction is complete, all of them or none. A .dcm that
// cannot be made is refused before any work.
#include <QImage>

#include <algorithm>
#include <cstdio>
#include <optional>
#include <string>

#include "base/c_locale.h"
#include "recon/compute/reconstruction_session.h"
#include "lab/commands/commands.h"
#include "lab/plot/display_levels.h"
#include "lab/core/field_geometry.h"
#include "lab/reconstruct/iterative_recon.h"
#include "lab/core/lab_error.h"
#include "lab/core/option_bounds.h"
#include "lab/files/output_files.h"
#include "lab/reconstruct/program_slice.h"
#include "lab/files/progress_line.h"
#include "lab/files/slice_files.h"

namespace lab {

namespace {

IterativeSettings SettingsOf(const ReconstructOptions& options) {
    IterativeSettings settings;
    const auto method = IterativeMethodNamed(options.method);
    if (!method) throw LabError("no iterative method '" + options.method + "'");
    settings.method = *method;
    settings.iterations = options.iterations;
    settings.subsets = options.subsets;
    settings.relaxation = options.relaxation;
    settings.nonnegative = options.nonnegative;
    return settings;
}

// Linear attenuation per millimetre, rows top first, or a LabError when
// Ctrl+C stopped it.
std::vector<double> IterativeMu(const std::vector<double>& sinogram, const ReconstructOptions& options) {
    const IterativeSettings settings = SettingsOf(options);
    printf("%s: %d iterations, %d subsets of views, relaxation %g%s\n", options.method.c_str(), settings.iterations,
           SubsetCount(settings), Relaxation(settings), settings.nonnegative ? ", no negative values" : "");
    InterruptRequest interrupt;
    std::optional<std::vector<double>> image;
    {
        ProgressLine progress(settings.iterations);
        image = ReconstructIteratively(sinogram, settings, [&](int done, double fraction) {
            progress.Show(done, fraction);
            return !interrupt.Requested();
        });
    }
    if (!image) throw LabError("stopped by Ctrl+C; no file written");
    // The lab's sinograms hold relative attenuation x 0.02 / mm x pixel
    // lengths x the pixel width: per pixel length, mu times the pixel width.
    for (double& v : *image) v /= options.pixelMm;
    return *image;
}

// The slice and what its values are.
struct Reconstructed {
    std::vector<double> values;  // what .npy holds
    std::vector<double> mu;      // per mm; empty when the scale is not known
    const char* npyUnits;
    std::string noScale;  // why mu is empty
};

bool WritesDicom(const ReconstructOptions& options) {
    for (const std::string& output : options.outputs)
        if (HasExtension(output, ".dcm")) return true;
    return false;
}

struct HuWindow {
    double centre = 0.0, width = 0.0;
};
// "CENTRE,WIDTH", as the command line checked it: within HuWindowCentre
// and HuWindowWidth.
HuWindow ParseHuWindow(const std::string& text) {
    const std::optional<std::vector<double>> n = FiniteNumbers(text, 2);
    if (!n || !Contains(HuWindowCentre, (*n)[0]) || !Contains(HuWindowWidth, (*n)[1]))
        throw LabError("the window '" + text + "' is not CENTRE,WIDTH in HU: a centre " + RangeText(HuWindowCentre) +
                       " and a width " + RangeText(HuWindowWidth));
    return {(*n)[0], (*n)[1]};
}

Reconstructed Reconstruct(const ReconstructOptions& options) {
    Reconstructed slice;
    if (!options.method.empty()) {
        slice.values = IterativeMu(ReadSinogramFile(options.sinogram), options);
        slice.npyUnits = "mu per mm";
        if (!options.programUnits) slice.mu = slice.values;
        else slice.noScale = "the sinogram was not made by sinora-lab (--program-units)";
        return slice;
    }
    ReconstructionSession session;
    bool calibrated = !options.simple && !options.programUnits;
    const SumCalibration calibration = calibrated ? CalibrateSums(session, options.filter) : SumCalibration{};
    if (options.simple) slice.noScale = "simple back projection has no attenuation scale";
    else if (options.programUnits) slice.noScale = "the sinogram was not made by sinora-lab (--program-units)";
    else if (!calibration.Valid()) {
        slice.noScale = options.filter + " reconstructs water no brighter than air: its slice has no attenuation scale";
        if (WritesDicom(options)) throw LabError("cannot write a DICOM CT image: " + slice.noScale);
        calibrated = false;
    }
    const ProgramSlice program =
        ReconstructLikeTheProgram(session, options.sinogram, options.simple ? "" : options.filter);
    printf("%s back projection, the program's own steps: sum %.6g to %.6g\n", options.simple ? "simple" : "filtered",
           program.sumMin, program.sumMax);
    slice.values = program.sum;
    slice.npyUnits = "the program's SumImage";
    if (calibrated)
        for (double v : program.sum) slice.mu.push_back(calibration.MuPerMm(v, options.pixelMm));
    return slice;
}

}  // namespace

void RunReconstructCommand(const ReconstructOptions& options) {
    const CLocaleScope numbersInC;
    OutputFiles files;
    files.AddInput(options.sinogram);
    files.AddInput(options.filter);
    for (const std::string& output : options.outputs) {
        files.Claim(output);
        if (HasExtension(output, ".dcm") && options.method.empty() && (options.simple || options.programUnits))
            throw LabError("cannot write " + output + ": a CT image is in Hounsfield units, and " +
                           (options.simple ? "simple back projection has" : "a sinogram not made by sinora-lab has") +
                           " no attenuation scale");
    }
    const HuWindow window = options.huWindow.empty() ? HuWindow{} : ParseHuWindow(options.huWindow);
    if (!options.huWindow.empty() && options.method.empty() && (options.simple || options.programUnits))
        throw LabError("--window is in HU, and " +
                       std::string(options.simple ? "simple back projection has" : "a sinogram not made by sinora-lab has") +
                       " no attenuation scale: use --hu-center and --hu-width, the program's own levels");
    const Reconstructed slice = Reconstruct(options);
    if (!options.huWindow.empty() && slice.mu.empty())
        throw LabError("--window is in HU, and " + slice.noScale);

    std::vector<double> hu(slice.mu.size());
    std::transform(slice.mu.begin(), slice.mu.end(), hu.begin(), HuOfMu);
    if (slice.mu.empty()) {
        printf("values in the program's own units: %s\n", slice.noScale.c_str());
    } else {
        const auto [lo, hi] = std::minmax_element(slice.mu.begin(), slice.mu.end());
        printf("mu %.4g to %.4g per mm, %.0f to %.0f HU (for a sinogram that sinora-lab made with %g mm pixels)\n",
               *lo, *hi, HuOfMu(*lo), HuOfMu(*hi), options.pixelMm);
    }

    // All files or none.
    const std::vector<double> scaled = ScaledLevels(slice.values);
    std::vector<std::string> descriptions;
    for (const std::string& output : options.outputs) {
        if (HasExtension(output, ".npy")) {
            files.Stage(output, NpyBytes(slice.values));
            descriptions.push_back(std::string("256 x 256 float64, ") + slice.npyUnits + ", rows top to bottom");
        } else if (HasExtension(output, ".dcm")) {
            files.Stage(output, CtDicomBytes(hu, options.pixelMm));
            descriptions.push_back("a DICOM CT image in HU");
        } else if (!options.huWindow.empty()) {
            files.StagePng(output, GreyPicture(HuWindowGreys(hu, window.centre, window.width)));
            char text[96];
            snprintf(text, sizeof text, "grey levels under the window %g HU, width %g HU", window.centre, window.width);
            descriptions.push_back(text);
        } else {
            const std::vector<int> greys = options.windowGiven ? WindowedGreys(scaled, options.huCenter, options.huWidth)
                                                               : FullRangeGreys(scaled);
            files.StagePng(output, GreyPicture(greys));
            descriptions.push_back(std::string("the ") + (options.windowGiven ? "windowed" : "full-range") +
                                   " display's grey levels");
        }
    }
    files.Commit();
    for (size_t k = 0; k < options.outputs.size(); ++k)
        printf("wrote %s: %s\n", options.outputs[k].c_str(), descriptions[k].c_str());
}

}  // namespace lab
