// artifact_scan_output.cpp
#include "lab/commands/artifact_scan_output.h"

#include <cstdio>
#include <random>

#include "lab/commands/sinogram_output.h"

namespace lab {

namespace {

void PrintArtifacts(const ArtifactOptions& a, uint64_t seed) {
    const auto seedText = static_cast<unsigned long long>(seed);
    if (a.motionX != 0.0 || a.motionY != 0.0 || a.motionDegrees != 0.0)
        printf("motion: moved %g, %g pixels and turned %g degrees by view 179\n", a.motionX, a.motionY,
               a.motionDegrees);
    for (const MetalDisc& m : a.metals)
        printf("metal: %s disc at %g, %g, radius %g pixels (%.4g x water at %g keV)\n",
               MaterialName(m.material).c_str(), m.x, m.y,
               m.radius, RelativeToWater(m.material), EffectiveKeV);
    if (a.Polychromatic()) {
        const Spectrum s = TungstenSpectrum(a.kvp, a.filtrationMm);
        double mean = 0.0;
        for (size_t k = 0; k < s.keV.size(); ++k) mean += s.weight[k] * s.keV[k];
        printf("polychromatic beam: tungsten at %g kV, %g mm aluminium, mean detected energy %.1f keV%s\n", a.kvp,
               a.filtrationMm, mean, a.waterCorrection ? "; water correction" : "");
    }
    for (const ChannelGain& g : a.gains) printf("gain: channel %d x %g\n", g.channel, g.factor);
    if (a.gainSpread > 0.0) printf("gain spread: %g on every channel, seed %llu\n", a.gainSpread, seedText);
    if (a.views > 0) printf("views: %d of 180, every %d degrees\n", a.views, SinoAngles / a.views);
    if (a.arcDegrees > 0) printf("arc: views 0..%d only\n", a.arcDegrees - 1);
}

}  // namespace

void WriteArtifactScan(OutputFiles& outputs, const ScanObject& object, const ArtifactOptions& artifacts,
                       const NoiseOptions& noise, const std::string& output, const std::string& truthPath) {
    const uint64_t seed = noise.seedGiven ? noise.seed : std::random_device{}();
    ArtifactScan scan = ScanWithArtifacts(object, artifacts, noise.photons, seed);
    PrintArtifacts(artifacts, seed);
    if (noise.photons > 0.0)
        printf("Poisson noise: %g photons per ray, seed %llu\n", noise.photons, static_cast<unsigned long long>(seed));
    // The noise is in the scan already.
    WriteSinogramAndTruth(outputs, std::move(scan.integrals), scan.truth, NoiseOptions{}, output, truthPath);
}

}  // namespace lab
