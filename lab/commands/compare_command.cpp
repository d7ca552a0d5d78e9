// compare_command.cpp - `compare SAVED.bmp TRUTH.png`: the numbers on
// standard output, the difference picture on request.
#include <cstdio>

#include <QImage>
#include <QJsonDocument>
#include <QJsonObject>

#include "lab/measure/canvas_compare.h"
#include "base/c_locale.h"
#include "lab/commands/commands.h"
#include "lab/files/output_files.h"

namespace lab {

void RunCompareCommand(const CompareOptions& options) {
    const CLocaleScope numbersInC;
    OutputFiles outputs;
    outputs.AddInput(options.saved);
    outputs.AddInput(options.truth);
    outputs.Claim(options.difference);
    const std::vector<double> slice = SliceFromCanvas(options.saved);
    const std::vector<double> truth = ReadTruth(options.truth);
    const Comparison fit = CompareWithTruth(slice, truth);
    if (!options.difference.empty()) {
        outputs.StagePng(options.difference, DifferenceImage(slice, truth, fit));
        outputs.Commit();
    }
    if (options.json) {
        const QJsonObject numbers{{"pixels", fit.pixels},           {"scale", fit.scale},
                                  {"offset", fit.offset},           {"correlation", fit.correlation},
                                  {"normalised_rms_error", fit.normalisedRms}};
        printf("%s\n", QJsonDocument(numbers).toJson(QJsonDocument::Compact).constData());
        return;
    }
    printf("pixels compared: %d (the scanned disc)\n", fit.pixels);
    printf("fit: truth = %.6g x slice + %.6g\n", fit.scale, fit.offset);
    printf("correlation: %.4f\n", fit.correlation);
    printf("normalised RMS error: %.4f (of the truth's range)\n", fit.normalisedRms);
    if (!options.difference.empty()) printf("wrote %s: fit - truth, mid-grey = 0\n", options.difference.c_str());
}

}  // namespace lab
