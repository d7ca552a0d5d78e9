// reconstruct_command.cpp - `reconstruct SINOGRAM (--filter FILE | --simple
// | --method M) -o OUT...`: the slice in every file asked for, written only
// when the reconstruction is complete.
#include <QImage>

#include <algorithm>
#include <cstdio>

#include "tools/lab/commands.h"
#include "tools/lab/display_levels.h"
#include "tools/lab/field_geometry.h"
#include "tools/lab/iterative_recon.h"
#include "tools/lab/lab_error.h"
#include "tools/lab/output_files.h"
#include "tools/lab/progress_line.h"
#include "tools/lab/slice_files.h"

namespace lab {

namespace {

double HuOfMu(double muPerMm) { return 1000.0 * (muPerMm - WaterMuPerMm) / WaterMuPerMm; }

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

}  // namespace

void RunReconstructCommand(const ReconstructOptions& options) {
    for (const std::string& output : options.outputs) CheckOutputPath(output);
    const std::vector<double> sinogram = ReadSinogramFile(options.sinogram);

    const std::vector<double> mu = IterativeMu(sinogram, options);
    std::vector<double> hu(mu.size());
    std::transform(mu.begin(), mu.end(), hu.begin(), HuOfMu);
    const auto [lo, hi] = std::minmax_element(mu.begin(), mu.end());
    printf("mu %.4g to %.4g per mm, %.0f to %.0f HU (for a sinogram that sinora-lab made with %g mm pixels)\n", *lo,
           *hi, HuOfMu(*lo), HuOfMu(*hi), options.pixelMm);

    const std::vector<double> scaled = ScaledLevels(mu);
    for (const std::string& output : options.outputs) {
        if (HasExtension(output, ".npy")) {
            WriteFileAtomically(output, NpyBytes(mu));
            printf("wrote %s: 256 x 256 float64, mu per mm, rows top to bottom\n", output.c_str());
        } else if (HasExtension(output, ".dcm")) {
            WriteFileAtomically(output, CtDicomBytes(hu, options.pixelMm));
            printf("wrote %s: a DICOM CT image in HU\n", output.c_str());
        } else {
            const std::vector<int> greys = options.windowGiven ? WindowedGreys(scaled, options.huCenter, options.huWidth)
                                                               : FullRangeGreys(scaled);
            SavePngAtomically(output, GreyPicture(greys));
            printf("wrote %s: the %s display's grey levels\n", output.c_str(), options.windowGiven ? "windowed" : "full-range");
        }
    }
}

}  // namespace lab
