// commands.h - the four subcommands of sinora-lab, each given its parsed
// options; each prints what it wrote on standard output and throws LabError
// on failure.
#pragma once

#include <cstdint>
#include <string>

#include "tools/lab/scan_artifacts.h"

namespace lab {

// Counting noise: photons incident on each ray (0: none) and the seed of
// the generator (unset: a random seed, printed so that a file can be made
// again).
struct NoiseOptions {
    double photons = 0.0;
    bool seedGiven = false;
    uint64_t seed = 0;
};

struct SinogramOptions {
    std::string input;
    std::string output;
    std::string truth;
    int frame = 1;
    double fov = 0.0;
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
    double scale = 100.0;
    double cutoff = 1.0;
};

struct CompareOptions {
    std::string saved;
    std::string truth;
    std::string difference;
};

void RunSinogramCommand(const SinogramOptions& options);
void RunPhantomCommand(const PhantomOptions& options);
void RunFilterCommand(const FilterOptions& options);
void RunCompareCommand(const CompareOptions& options);

}  // namespace lab
