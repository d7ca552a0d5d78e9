// main.cpp - sinora-lab's command line: its subcommands (CLI11), one line
// on standard error and a non-zero status for every failure.
#include <CLI/CLI.hpp>

#include <QGuiApplication>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/c_locale.h"
#include "lab/cli/artifact_options_cli.h"
#include "lab/commands/commands.h"
#include "lab/dicom/dicom_reader.h"
#include "lab/reconstruct/filter_kernels.h"
#include "lab/reconstruct/iterative_recon.h"
#include "lab/core/lab_error.h"
#include "lab/files/library_messages.h"
#include "lab/core/option_bounds.h"
#include "lab/core/option_table.h"
#include "lab/core/option_table_cli.h"
#include "lab/objects/phantoms.h"
#include "lab/objects/qa_phantom.h"
#include "recon/compute/scan_geometry.h"
#include "lab/files/slice_files.h"
#include "lab/objects/x_ray_physics.h"
#include "lab/measure/measure_places.h"

namespace {

// Qt's own notices (such as the runtime folder of the offscreen platform)
// would add lines to the tool's output; its failures reach the tool as
// results, which it reports itself. They are kept for --verbose.
void KeepQtNotices(QtMsgType, const QMessageLogContext&, const QString& message) {
    lab::KeepLibraryMessage(message.toStdString());
}

// The sinogram file's layout in words, its numbers the program's own.
std::string SinogramHelp() {
    char layout[600];
    snprintf(layout, sizeof layout,
             "A sinogram file for Sinora: %d detector channels x %d angles of little-endian doubles, the %d "
             "angles (0..%d degrees) of channel 0 first. Channel c holds the line integral of attenuation along "
             "the ray at ((c - %d) - 0.5) / %d - %g pixels from the centre of rotation; Sinora adds channels "
             "%d + %dj and %d + %dj into its bin j. Channels 0..%d and %d..%d, which Sinora does not read, ",
             RawChannels, AngleCount, AngleCount, AngleCount - 1, FirstReadChannel, ChannelsPerBin, RotationCentre,
             FirstReadChannel, ChannelsPerBin, FirstReadChannel + 1, ChannelsPerBin, FirstReadChannel - 1,
             LastReadChannel + 1, RawChannels - 1);
    return layout + std::string("hold the line integrals at their own positions: they lie outside the scanned disc, "
                                "so they are 0 (or noise around 0 with --noise). The picture is fitted into the ") +
           std::to_string(BinCount) +
           "-pixel field and cut to the disc it spans; the reconstruction shows it upright and unmirrored. "
           "Projection: Siddon's method, the exact length of each ray in each pixel.";
}

// "a, b or c".
std::string OneOf(const std::vector<std::string>& names) {
    std::string text;
    for (size_t k = 0; k < names.size(); ++k)
        text += (k == 0 ? "" : k + 1 == names.size() ? " or " : ", ") + names[k];
    return text;
}

std::string PhantomHelp() {
    std::string text = "The object lies in a 256 mm field (1 mm per pixel); attenuation relative to water at " +
                       std::to_string(static_cast<int>(lab::EffectiveKeV)) +
                       " keV, where water is 0.02 per mm, and HU = 1000 (relative - 1).";
    for (const std::string& name : lab::PhantomNames()) text += "\n  " + name + ": " + lab::PhantomMaterials(name);
    return text + "\nThe file is laid out as for `sinogram`.";
}

const char* MeasureHelp =
    "Places lie inside the 256 x 256 picture, their numbers finite: a region's radius above 0, a noise square "
    "of 4 to 256 pixels, an edge's disc centred in the picture with a radius of 14 to 362 pixels. "
    "Regions: mean, standard deviation, pixels; with two, the contrast-to-noise ratio |mean1 - mean2| / SD2. "
    "MTF: from a point, the 2-D transform of the point-spread function radially averaged; from a disc's edge, "
    "the edge-spread function binned by radius in tenths of a pixel, differentiated and transformed; MTF50 and "
    "MTF10 in cycles per pixel (and per mm). NPS: |DFT|^2 of the square less its mean, radially averaged; "
    "its integral is the variance. JSON names: rois [{mean, sd, pixels}], cnr, mtf50_cycles_per_pixel, "
    "mtf10_cycles_per_pixel (and _per_mm), mtf {frequency_cycles_per_pixel, value}, nps "
    "{frequency_cycles_per_pixel, power, variance}, line_pairs [{bar_width_pixels, modulation}], profile "
    "{distance_pixels, value}.";

const char* MeasureQaHelp =
    "--qa: each region placed by the qa phantom's layout; CT numbers, uniformity, noise, bar-group MTF (Droege and "
    "Morin) and the 25 mm rod's CNR beside the ACR's published criteria, PASS or FAIL; a simulation, not "
    "accreditation. JSON: qa {ct_numbers, uniformity, noise, high_contrast, low_contrast}.";

const char* ReconstructHelp =
    "--filter and --simple run Sinora's own steps: the .npy holds its SumImage bit for bit, the .png the grey "
    "levels of its full-range display (or, with --hu-center and --hu-width, of its windowed display). For a "
    "sinogram that sinora-lab made, values are also given as mu per mm and HU (water 0, air -1000), the filter's "
    "scale found by reconstructing a water disc with it; .dcm holds HU. Iterative methods use the lab's exact projector as the system model. Reconstructing a sinogram made by "
    "that same projector without noise is the \"inverse crime\": the model fits the data perfectly and the "
    "result looks better than it would for measured data; make the sinogram with --noise (or from an analytic "
    "phantom) to avoid it. Progress goes to standard error; Ctrl+C stops without writing any file.";

// A subcommand as main() runs it: its options, filled as CLI11 parses them;
// what completes them once parsed (a usage problem CLI11 cannot see, or
// ""), and the command itself.
struct Subcommand {
    CLI::App* command = nullptr;
    std::function<std::string()> afterParse;
    std::function<void()> run;
};

std::string NoProblem() { return ""; }

// The option --seed, whose absence means a random seed.
CLI::Option* AddNoiseOptions(CLI::App* command, lab::NoiseOptions& noise) {
    lab::AddTableOption(command, lab::NoiseOption, noise.photons);
    return lab::AddTableOption(command, lab::SeedOption, noise.seed);
}

Subcommand SinogramCommand(CLI::App& app) {
    auto options = std::make_shared<lab::SinogramOptions>();
    CLI::App* command = app.add_subcommand("sinogram", "the sinogram of a picture or DICOM CT slice");
    command->add_option("image", options->input,
                        "PNG, JPEG, BMP, TIFF, PGM/PPM picture (white = water, black = air) or DICOM CT slice")
        ->required();
    command->add_option("-o,--output", options->output, "the sinogram file to write")->required();
    command->add_option("--truth", options->truth,
                        "also write the 256 x 256 projected image: PNG, or a DICOM CT slice in HU (.dcm)");
    lab::AddTableOption(command, lab::FovOption, options->fov);
    lab::AddTableOption(command, lab::FrameOption, options->frame);
    CLI::Option* seed = AddNoiseOptions(command, options->noise);
    lab::AddArtifactOptions(command, options->artifacts);
    command->footer(SinogramHelp());
    return {command,
            [options, seed] {
                options->noise.seedGiven = seed->count() > 0;
                return NoProblem();
            },
            [options] { lab::RunSinogramCommand(*options); }};
}

Subcommand PhantomCommand(CLI::App& app) {
    auto options = std::make_shared<lab::PhantomOptions>();
    CLI::App* command = app.add_subcommand("phantom", "analytic line integrals of a test object");
    command->add_option("name", options->name, OneOf(lab::PhantomNames()))
        ->required()
        ->check(CLI::IsMember(lab::PhantomNames(), CLI::ignore_case));
    command->add_option("-o,--output", options->output, "the sinogram file to write")->required();
    command->add_option("--truth", options->truth,
                        "also write the object rasterised to 256 x 256: PNG, or a DICOM CT slice in HU (.dcm)");
    CLI::Option* seed = AddNoiseOptions(command, options->noise);
    lab::AddArtifactOptions(command, options->artifacts);
    command->footer(PhantomHelp());
    return {command,
            [options, seed] {
                options->noise.seedGiven = seed->count() > 0;
                return NoProblem();
            },
            [options] { lab::RunPhantomCommand(*options); }};
}

Subcommand FilterCommand(CLI::App& app) {
    auto options = std::make_shared<lab::FilterOptions>();
    CLI::App* command = app.add_subcommand("filter", "a 128-tap real-space filter file");
    command->add_option("kind", options->name, "ramlak, shepp-logan, cosine, hamming or hann")
        ->required()
        ->check(CLI::IsMember(lab::KernelNames(), CLI::ignore_case));
    command->add_option("-o,--output", options->output, "the filter file to write")->required();
    lab::AddTableOption(command, lab::ScaleOption, options->scale);
    lab::AddTableOption(command, lab::CutoffOption, options->cutoff);
    command->add_option("--plot", options->plot, "also draw the taps and the frequency response as PNG");
    command->footer("Taps: one number per line, the centre tap first; tap n weighs the bins at distance n "
                    "on either side. The ramp |f| times the window, cut off at the given frequency, "
                    "transformed back to real space in closed form.");
    return {command, NoProblem, [options] { lab::RunFilterCommand(*options); }};
}

Subcommand CompareCommand(CLI::App& app) {
    auto options = std::make_shared<lab::CompareOptions>();
    CLI::App* command = app.add_subcommand("compare", "a saved canvas against the truth, in numbers");
    command->add_option("saved", options->saved, "BMP saved with \"Save Graphic File\"")->required();
    command->add_option("truth", options->truth, "the 256 x 256 truth PNG")->required();
    command->add_option("--diff", options->difference, "also write fit - truth as PNG");
    command->add_flag("--json", options->json, "print the numbers as one JSON object: pixels, scale, offset, "
                                                "correlation, normalised_rms_error");
    command->footer("Takes the slice at x 0..511, y 140..651 of the canvas (the full-range sum image or "
                    "the windowed one), fits scale and offset to the truth by least squares inside the "
                    "scanned disc, and prints the correlation and the RMS error over the truth's range.");
    return {command, NoProblem, [options] { lab::RunCompareCommand(*options); }};
}

// --roi and --roi-pixels add to the same list, in the order given.
void AddRegionOptions(CLI::App* command, lab::MeasureOptions& options) {
    auto place = [&options](bool inPixels) {
        return [&options, inPixels](const std::vector<std::string>& all) {
            for (const std::string& text : all) options.rois.push_back({inPixels, text});
        };
    };
    command->add_option_function<std::vector<std::string>>(
               "--roi", place(false),
               "X,Y,R: a circle in field pixels (x right, y up from the centre), inside the picture; repeat for several")
        ->check(lab::PlaceCheck(lab::PlaceShape::Circle, false));
    command->add_option_function<std::vector<std::string>>(
               "--roi-pixels", place(true), "ROW,COL,R: a circle in picture rows from the top and columns from the left")
        ->check(lab::PlaceCheck(lab::PlaceShape::Circle, true));
}

Subcommand MeasureCommand(CLI::App& app) {
    auto options = std::make_shared<lab::MeasureOptions>();
    CLI::App* command = app.add_subcommand("measure", "image-quality numbers of a slice");
    command->add_option("image", options->image, "a canvas BMP saved by Sinora, a .npy, .png or .dcm slice, or any "
                                                 "256 x 256 grey picture")
        ->required();
    AddRegionOptions(command, *options);
    command->add_option("--mtf", options->mtf, "point, edge or edge:X,Y,R (the disc whose edge is used)")
        ->check(CLI::Validator(
            [](std::string& text) -> std::string {
                if (text == "point" || text == "edge") return "";
                lab::Place disc;
                if (text.rfind("edge:", 0) == 0)
                    return lab::ReadPlace(text.substr(5), lab::PlaceShape::Edge, false, disc);
                return "'" + text + "' is neither point, edge nor edge:X,Y,R";
            },
            "point|edge[:X,Y,R]"));
    command->add_option_function<std::string>("--nps", [options](const std::string& text) { options->nps = {false, text}; },
                                               "X,Y,SIZE: the noise power spectrum of the square there (SIZE 4..256)")
        ->check(lab::PlaceCheck(lab::PlaceShape::Square, false));
    command->add_option_function<std::string>("--nps-pixels",
                                               [options](const std::string& text) { options->nps = {true, text}; },
                                               "ROW,COL,SIZE: the same square in picture pixels")
        ->check(lab::PlaceCheck(lab::PlaceShape::Square, true));
    command->add_option("--nps-pair", options->npsPair, "the same object with other noise: the NPS of the difference");
    command->add_flag("--line-pairs", options->linePairs, "modulation of each group of the line-pair object");
    command->add_flag("--qa", options->qa, "the ACR phantom tests on a slice of the qa phantom, in HU (a .dcm)");
    command->add_option("--profile", options->profile, "X0,Y0,X1,Y1: values along a line, in field pixels, "
                                                       "its ends inside the picture")
        ->check(lab::PlaceCheck(lab::PlaceShape::Line, false));
    command->add_option("--plot", options->plot, "draw the MTF, NPS and profile as PNG");
    command->add_flag("--json", options->json, "print every number as one JSON object");
    lab::AddTableOption(command, lab::MeasurePixelOption, options->pixelMm);
    command->footer(std::string(MeasureHelp) + " " + MeasureQaHelp);
    return {command, NoProblem, [options] { lab::RunMeasureCommand(*options); }};
}

// The back projection (--filter, --simple) or iterative --method, and its
// settings.
void AddMethodOptions(CLI::App* command, lab::ReconstructOptions& options) {
    CLI::Option* filter = command->add_option("--filter", options.filter, "filtered back projection with this filter file");
    CLI::Option* simple = command->add_flag("--simple", options.simple, "simple back projection");
    CLI::Option* method = command->add_option("--method", options.method, "an iterative method: sart, sirt, os-sart or mlem")
                              ->check(CLI::IsMember(lab::IterativeMethodNames()));
    filter->excludes(simple, method);
    simple->excludes(method);
    lab::AddTableOption(command, lab::IterationsOption, options.iterations);
    lab::AddTableOption(command, lab::SubsetsOption, options.subsets);
    lab::AddTableOption(command, lab::RelaxationOption, options.relaxation);
    command->add_flag("--nonnegative", options.nonnegative, "set negative values to 0 after each update");
}

// The .png's window: the program's levels or HU, not both.
void AddWindowOptions(CLI::App* command, lab::ReconstructOptions& options) {
    CLI::Option* centre = command->add_option("--hu-center", options.huCenter, "a .png of the windowed display: centre");
    CLI::Option* width = command->add_option("--hu-width", options.huWidth, "and width, in the program's levels");
    centre->needs(width);
    width->needs(centre);
    command->add_option("--window", options.huWindow, "a .png under a window in HU: CENTRE,WIDTH (needs the "
                                                      "attenuation scale)")
        ->check(lab::Within({lab::HuWindowCentre, lab::HuWindowWidth}))
        ->excludes(centre)
        ->excludes(width);
}

Subcommand ReconstructCommand(CLI::App& app) {
    auto options = std::make_shared<lab::ReconstructOptions>();
    CLI::App* command = app.add_subcommand("reconstruct", "the slice of a sinogram, without a window");
    command->add_option("sinogram", options->sinogram, "the sinogram file")->required();
    command->add_option("-o,--output", options->outputs, "the slice: .npy (doubles), .png (grey levels) or .dcm (HU); "
                                                         "repeat for several")
        ->required()
        ->check(CLI::Validator(
            [](std::string& path) -> std::string {
                return lab::HasExtension(path, ".npy") || lab::HasExtension(path, ".png") || lab::HasExtension(path, ".dcm")
                           ? ""
                           : "'" + path + "' ends in neither .npy, .png nor .dcm";
            },
            "OUT"));
    AddMethodOptions(command, *options);
    AddWindowOptions(command, *options);
    lab::AddTableOption(command, lab::ReconstructPixelOption, options->pixelMm);
    command->add_flag("--program-units", options->programUnits, "the sinogram was not made by sinora-lab: no mu or HU");
    command->footer(std::string(ReconstructHelp) +
                    " Every value of the sinogram must be a finite number within +-" +
                    lab::NumberText(lab::MaxLineIntegral) +
                    " (a line integral is -ln of the fraction of photons passing; beyond that no beam leaves one) "
                    "and every tap of the filter a finite number within +-" + lab::NumberText(lab::MaxTap) +
                    ": the first that is not is named by its channel and angle, or its tap, and nothing is written. "
                    "Sinora itself reads such files as they are.");
    return {command,
            [options, command] {
                if (options->filter.empty() && !options->simple && options->method.empty())
                    return std::string("reconstruct needs --filter FILE, --simple or --method M");
                options->windowGiven = command->get_option("--hu-center")->count() > 0;
                return NoProblem();
            },
            [options] { lab::RunReconstructCommand(*options); }};
}

// The subcommand given (CLI11 requires one).
const Subcommand& Chosen(const std::vector<Subcommand>& commands) {
    for (const Subcommand& c : commands)
        if (c.command->parsed()) return c;
    return commands.back();
}

// Runs the command with Qt, without a display (pictures, fonts for the
// plots); its failure is one line and status 1.
int RunWithQt(char* program, const std::function<void()>& run, bool verbose) {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    qInstallMessageHandler(KeepQtNotices);
    int qtArgc = 1;
    char* qtArgv[] = {program, nullptr};
    // What the picture libraries print while the command runs, for --verbose.
    auto capture = std::make_unique<lab::StderrCapture>();
    QGuiApplication qt(qtArgc, qtArgv);

    int status = 0;
    std::string failure;
    try {
        run();
    } catch (const std::exception& error) {
        failure = error.what();
        status = 1;
    }
    capture.reset();
    if (verbose) fputs(lab::LibraryMessages().c_str(), stderr);
    if (status != 0) fprintf(stderr, "sinora-lab: %s\n", failure.c_str());
    return status;
}

}  // namespace

int main(int argc, char** argv) {
    // The lab and its window read DICOM files in sinora-lab started anew.
    if (argc > 1 && std::strcmp(argv[1], lab::DicomReaderCommand) == 0) return lab::RunDicomReader(argc, argv);
    CLI::App app{"Makes material for Sinora: sinograms of pictures, CT slices and phantoms, filter files, and "
                 "numbers comparing a saved reconstruction with its truth.",
                 "sinora-lab"};
    app.require_subcommand(1);
    app.fallthrough();  // the options below also after a command's name
    app.set_version_flag("--version", "sinora-lab " SINORA_VERSION);
    bool verbose = false;
    app.add_flag("-v,--verbose", verbose, "also show what the picture and DICOM libraries print");
    // In the order the help lists them.
    const std::vector<Subcommand> commands{SinogramCommand(app), PhantomCommand(app), FilterCommand(app),
                                           CompareCommand(app),  MeasureCommand(app), ReconstructCommand(app)};
    try {
        // CLI11 converts numbers with the C library, in the thread's locale:
        // the C locale's, as every file's (Qt has not switched it yet here,
        // and must not matter).
        const CLocaleScope numbersInC;
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        if (error.get_exit_code() == static_cast<int>(CLI::ExitCodes::Success)) return app.exit(error);
        fprintf(stderr, "sinora-lab: %s (see sinora-lab --help)\n", error.what());
        return 2;
    }
    const Subcommand& chosen = Chosen(commands);
    const std::string problem = chosen.afterParse();
    if (!problem.empty()) {
        fprintf(stderr, "sinora-lab: %s (see sinora-lab --help)\n", problem.c_str());
        return 2;
    }
    return RunWithQt(argv[0], chosen.run, verbose);
}
