// commands.h - the subcommands of sinora-lab, each given its parsed
// options; each prints what it wrote on standard output and throws LabError
// on failure. Each reads, writes and prints its numbers in the C locale,
// whoever calls it: the command line, after Qt has switched the process to
// the user's locale, or the window.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "lab/core/option_table.h"
#include "lab/scan/scan_artifacts.h"

namespace lab {

// Counting noise: photons incident on each ray (0: none) and the seed of
// the generator (unset: a random seed, printed so that a file can be made
// again).
struct NoiseOptions {
    double photons = NoiseOption.fallback;
    bool seedGiven = false;
    uint64_t seed = static_cast<uint64_t>(SeedOption.fallback);
};

struct SinogramOptions {
    std::string input;
    std::string output;
    std::string truth;
    int frame = static_cast<int>(FrameOption.fallback);
    double fov = FovOption.fallback;  // 0: the picture's larger side
    NoiseOptions noise;
    ArtifactOptions artifacts;
};

struct PhantomOptions {
    std::string name;
    std::string output;
    std::string truth;
    NoiseOptions noise;
    ArtifactOptions artifacts;
};

struct FilterOptions {
    std::string name;
    std::string output;
    std::string plot;
    double scale = ScaleOption.fallback;
    double cutoff = CutoffOption.fallback;
};

struct CompareOptions {
    std::string saved;
    std::string truth;
    std::string difference;
    bool json = false;
};

// Filtered or simple back projection through the program's own steps, or
// an iterative method (`method` not empty) on the lab's geometry.
struct ReconstructOptions {
    std::string sinogram;
    std::vector<std::string> outputs;  // .npy, .png or .dcm, by extension
    std::string filter;
    bool simple = false;
    std::string method;  // empty: filtered (`filter`) or simple back projection
    int iterations = static_cast<int>(IterationsOption.fallback);
    int subsets = static_cast<int>(SubsetsOption.fallback);  // 0: the method's own
    double relaxation = RelaxationOption.fallback;           // 0: the method's own
    bool nonnegative = false;
    bool windowGiven = false;  // the program's window, in its levels
    int huCenter = 0;
    int huWidth = 0;
    std::string huWindow;  // "CENTRE,WIDTH" in HU; empty: none
    double pixelMm = ReconstructPixelOption.fallback;  // the field pixel the sinogram was made with
    bool programUnits = false;  // not made by sinora-lab: no attenuation scale
};

// Image-quality numbers of one slice. Places are "X,Y,R" in field pixels
// (x right, y up from the centre) or, with `inPixels`, "ROW,COL,R" in
// picture rows from the top and columns from the left.
struct MeasurePlace {
    bool inPixels = false;
    std::string numbers;
};
struct MeasureOptions {
    std::string image;
    std::vector<MeasurePlace> rois;  // in the order given
    std::string mtf;                 // "point", "edge" or "edge:X,Y,R"
    MeasurePlace nps;                // empty numbers: none
    std::string npsPair;             // the same object with other noise
    bool linePairs = false;
    bool qa = false;      // the ACR tests on the qa phantom
    std::string profile;  // "X0,Y0,X1,Y1" in field pixels
    std::string plot;
    bool json = false;
    double pixelMm = MeasurePixelOption.fallback;  // 0: from the file when it says (DICOM)
};

void RunSinogramCommand(const SinogramOptions& options);
void RunPhantomCommand(const PhantomOptions& options);
void RunFilterCommand(const FilterOptions& options);
void RunCompareCommand(const CompareOptions& options);
void RunReconstructCommand(const ReconstructOptions& options);
void RunMeasureCommand(const MeasureOptions& options);

}  // namespace lab
