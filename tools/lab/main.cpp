// main.cpp - sinora-lab's command line: four subcommands (CLI11), one line
// on standard error and a non-zero status for every failure.
#include <CLI/CLI.hpp>

#include <QGuiApplication>

#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>

#include "tools/lab/artifact_options_cli.h"
#include "tools/lab/commands.h"
#include "tools/lab/filter_kernels.h"
#include "tools/lab/library_messages.h"
#include "tools/lab/option_bounds.h"
#include "tools/lab/phantoms.h"

namespace {

// Qt's own notices (such as the runtime folder of the offscreen platform)
// would add lines to the tool's output; its failures reach the tool as
// results, which it reports itself. They are kept for --verbose.
void KeepQtNotices(QtMsgType, const QMessageLogContext&, const QString& message) {
    lab::KeepLibraryMessage(message.toStdString());
}

const char* SinogramHelp =
    "A sinogram file for Sinora: 729 detector channels x 180 angles of little-endian doubles, the 180 "
    "angles (0..179 degrees) of channel 0 first. Channel c holds the line integral of attenuation along the "
    "ray at ((c - 108) - 0.5) / 2 - 127.5 pixels from the centre of rotation; Sinora adds channels "
    "108 + 2j and 109 + 2j into its bin j. Channels 0..107 and 620..728, which Sinora does not read, "
    "hold the line integrals at their own positions: they lie outside the scanned disc, so they are 0 (or "
    "noise around 0 with --noise). The picture is fitted into the 256-pixel field and cut to the disc it "
    "spans; the reconstruction shows it upright and unmirrored. Projection: Siddon's method, the exact length "
    "of each ray in each pixel.";

void AddNoiseOptions(CLI::App* command, lab::NoiseOptions& noise, CLI::Option*& seedOption) {
    command->add_option("--noise", noise.photons, "Poisson counting noise: I0 photons incident on each ray")
        ->check(lab::Within(lab::PhotonsPerRay));
    seedOption = command->add_option("--seed", noise.seed, "seed of the noise, for a repeatable file")
                     ->check(lab::WholeNumber(0, UINT64_MAX, "a 64-bit seed"));
}

}  // namespace

int main(int argc, char** argv) {
    CLI::App app{"Makes material for Sinora: sinograms of pictures, CT slices and phantoms, filter files, and "
                 "numbers comparing a saved reconstruction with its truth.",
                 "sinora-lab"};
    app.require_subcommand(1);
    app.fallthrough();  // the options below also after a command's name
    app.set_version_flag("--version", "sinora-lab " SINORA_VERSION);
    bool verbose = false;
    app.add_flag("-v,--verbose", verbose, "also show what the picture and DICOM libraries print");

    lab::SinogramOptions sinogram;
    CLI::Option* sinogramSeed = nullptr;
    CLI::App* sinogramCommand = app.add_subcommand("sinogram", "the sinogram of a picture or DICOM CT slice");
    sinogramCommand->add_option("image", sinogram.input,
                                "PNG, JPEG, BMP, TIFF, PGM/PPM picture (white = water, black = air) or DICOM CT slice")
        ->required();
    sinogramCommand->add_option("-o,--output", sinogram.output, "the sinogram file to write")->required();
    sinogramCommand->add_option("--truth", sinogram.truth, "also write the 256 x 256 projected image as PNG");
    sinogramCommand->add_option("--fov", sinogram.fov,
                                "width of the 256-pixel field: millimetres for DICOM, picture pixels for a picture "
                                "(default: the larger side)")
        ->check(lab::Within(lab::FieldWidthRange));
    sinogramCommand->add_option("--frame", sinogram.frame, "frame of a multi-frame DICOM file, from 1")
        ->check(lab::WholeNumber(1, INT_MAX, "a frame number"));
    AddNoiseOptions(sinogramCommand, sinogram.noise, sinogramSeed);
    lab::AddArtifactOptions(sinogramCommand, sinogram.artifacts);
    sinogramCommand->footer(SinogramHelp);

    lab::PhantomOptions phantom;
    CLI::Option* phantomSeed = nullptr;
    CLI::App* phantomCommand = app.add_subcommand("phantom", "analytic line integrals of a test object");
    phantomCommand->add_option("name", phantom.name, "shepp-logan, modified-shepp-logan, point, disc or line-pairs")
        ->required()
        ->check(CLI::IsMember(lab::PhantomNames(), CLI::ignore_case));
    phantomCommand->add_option("-o,--output", phantom.output, "the sinogram file to write")->required();
    phantomCommand->add_option("--truth", phantom.truth, "also write the object rasterised to 256 x 256 as PNG");
    AddNoiseOptions(phantomCommand, phantom.noise, phantomSeed);
    lab::AddArtifactOptions(phantomCommand, phantom.artifacts);
    phantomCommand->footer("The object lies in a 256 mm field (1 mm per pixel), densities relative to water. "
                           "The file is laid out as for `sinogram`.");

    lab::FilterOptions filter;
    CLI::App* filterCommand = app.add_subcommand("filter", "a 128-tap real-space filter file");
    filterCommand->add_option("kind", filter.name, "ramlak, shepp-logan, cosine, hamming or hann")
        ->required()
        ->check(CLI::IsMember(lab::KernelNames(), CLI::ignore_case));
    filterCommand->add_option("-o,--output", filter.output, "the filter file to write")->required();
    filterCommand->add_option("--scale", filter.scale, "factor on every tap (default 100)")->check(lab::Within(lab::TapScale));
    filterCommand->add_option("--cutoff", filter.cutoff, "cutoff as a fraction of the Nyquist frequency (default 1)")
        ->check(lab::Within(lab::CutoffFraction));
    filterCommand->add_option("--plot", filter.plot, "also draw the taps and the frequency response as PNG");
    filterCommand->footer("Taps: one number per line, the centre tap first; tap n weighs the bins at distance n "
                          "on either side. The ramp |f| times the window, cut off at the given frequency, "
                          "transformed back to real space in closed form.");

    lab::CompareOptions compare;
    CLI::App* compareCommand = app.add_subcommand("compare", "a saved canvas against the truth, in numbers");
    compareCommand->add_option("saved", compare.saved, "BMP saved with \"Save Graphic File\"")->required();
    compareCommand->add_option("truth", compare.truth, "the 256 x 256 truth PNG")->required();
    compareCommand->add_option("--diff", compare.difference, "also write fit - truth as PNG");
    compareCommand->footer("Takes the slice at x 0..511, y 140..651 of the canvas (the full-range sum image or "
                           "the windowed one), fits scale and offset to the truth by least squares inside the "
                           "scanned disc, and prints the correlation and the RMS error over the truth's range.");

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        if (error.get_exit_code() == static_cast<int>(CLI::ExitCodes::Success)) return app.exit(error);
        fprintf(stderr, "sinora-lab: %s (see sinora-lab --help)\n", error.what());
        return 2;
    }
    sinogram.noise.seedGiven = sinogramSeed->count() > 0;
    phantom.noise.seedGiven = phantomSeed->count() > 0;

    // Pictures, fonts for the plots: Qt without a display.
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    qInstallMessageHandler(KeepQtNotices);
    int qtArgc = 1;
    char* qtArgv[] = {argv[0], nullptr};
    QGuiApplication qt(qtArgc, qtArgv);

    int status = 0;
    std::string failure;
    try {
        if (sinogramCommand->parsed()) lab::RunSinogramCommand(sinogram);
        else if (phantomCommand->parsed()) lab::RunPhantomCommand(phantom);
        else if (filterCommand->parsed()) lab::RunFilterCommand(filter);
        else lab::RunCompareCommand(compare);
    } catch (const std::exception& error) {
        failure = error.what();
        status = 1;
    }
    if (verbose) fputs(lab::LibraryMessages().c_str(), stderr);
    if (status != 0) fprintf(stderr, "sinora-lab: %s\n", failure.c_str());
    return status;
}
