// sinogram_output.cpp
#include "lab/commands/sinogram_output.h"

#include <QImage>

#include <algorithm>
#include <cstdio>
#include <random>

#include "lab/scan/counting_noise.h"
#include "lab/core/field_image.h"
#include "lab/files/output_files.h"
#include "lab/objects/phantoms.h"
#include "lab/scan/siddon_projector.h"
#include "lab/files/slice_files.h"
#include "lab/objects/truth_image.h"

namespace lab {

std::vector<double> FieldIntegrals(const FieldImage& field) {
    std::vector<double> integrals = ProjectField(field);
    const double perPixel = WaterMuPerMm * field.pixelMm;  // relative attenuation x pixels -> dimensionless
    for (double& p : integrals) p *= perPixel;
    return integrals;
}

std::vector<double> PhantomIntegrals(const Phantom& phantom) {
    std::vector<double> integrals = ProjectPhantom(phantom);
    for (double& p : integrals) p *= WaterMuPerMm;  // one millimetre per pixel
    return integrals;
}

void WriteSinogramAndTruth(OutputFiles& outputs, std::vector<double> integrals, const FieldImage& truth,
                           const NoiseOptions& noise, const std::string& output, const std::string& truthPath) {
    uint64_t seed = 0;
    if (noise.photons > 0.0) {
        seed = noise.seedGiven ? noise.seed : std::random_device{}();
        AddCountingNoise(integrals, noise.photons, seed);
    }
    outputs.Stage(output, SinogramFileBytes(integrals));
    if (HasExtension(truthPath, ".dcm")) {
        // The truth in HU, for `sinogram` to read back as a CT slice.
        std::vector<double> hu(truth.values.size());
        for (size_t k = 0; k < hu.size(); ++k) hu[k] = 1000.0 * (truth.values[k] - 1.0);
        outputs.Stage(truthPath, CtDicomBytes(hu, truth.pixelMm));
    } else if (!truthPath.empty()) {
        outputs.StagePng(truthPath, TruthImage(truth));
    }
    outputs.Commit();

    if (noise.photons > 0.0)
        printf("Poisson noise: %g photons per ray, seed %llu\n", noise.photons, static_cast<unsigned long long>(seed));
    const auto [lo, hi] = std::minmax_element(integrals.begin(), integrals.end());
    printf("wrote %s: %d channels x %d angles, line integrals %.4g to %.4g\n", output.c_str(), SinoChannels, SinoAngles,
           *lo, *hi);
    if (!truthPath.empty())
        printf("wrote %s: the 256 x 256 image that was projected%s\n", truthPath.c_str(),
               HasExtension(truthPath, ".dcm") ? ", in HU" : "");
}

}  // namespace lab
