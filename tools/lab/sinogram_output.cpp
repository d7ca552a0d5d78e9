// sinogram_output.cpp
#include "tools/lab/sinogram_output.h"

#include <QImage>

#include <algorithm>
#include <cstdio>
#include <random>

#include "tools/lab/counting_noise.h"
#include "tools/lab/field_image.h"
#include "tools/lab/output_files.h"
#include "tools/lab/truth_image.h"
#include "recon/scan_geometry.h"

namespace lab {

void WriteSinogramAndTruth(std::vector<double> integrals, const FieldImage& truth, const NoiseOptions& noise,
                           const std::string& output, const std::string& truthPath) {
    if (noise.photons > 0.0) {
        const uint64_t seed = noise.seedGiven ? noise.seed : std::random_device{}();
        AddCountingNoise(integrals, noise.photons, seed);
        printf("Poisson noise: %g photons per ray, seed %llu\n", noise.photons, static_cast<unsigned long long>(seed));
    }
    WriteSinogramFile(output, integrals);
    const auto [lo, hi] = std::minmax_element(integrals.begin(), integrals.end());
    printf("wrote %s: %d channels x %d angles, line integrals %.4g to %.4g\n", output.c_str(), RawChannels, AngleCount,
           *lo, *hi);
    if (!truthPath.empty()) {
        SavePngAtomically(truthPath, TruthImage(truth));
        printf("wrote %s: the %d x %d image that was projected\n", truthPath.c_str(), BinCount, BinCount);
    }
}

}  // namespace lab
