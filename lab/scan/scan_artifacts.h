// scan_artifacts.h - a scanner's imperfections, applied to an object in a
// fixed order: the object moves during the scan, the beam is
// polychromatic, detector channels have their own gains, photons are
// counted, the scanner corrects for water, and only some views are kept.
// Each imperfection changes only what its physics changes: with default
// options a scan is the ideal monochromatic one.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "lab/core/field_image.h"
#include "lab/core/option_table.h"
#include "lab/objects/phantoms.h"
#include "lab/objects/x_ray_physics.h"

namespace lab {

struct ChannelGain {
    int channel = 0;  // 0..728
    double factor = 1.0;
};

// A metal disc replacing the object where it lies, in centred field
// coordinates (pixels, x right, y up).
struct MetalDisc {
    double x = 0.0, y = 0.0, radius = 1.0;
    Material material = Material::Titanium;
};

struct ArtifactOptions {
    int views = 0;  // N views at 0, 180/N, ... degrees (N divides 180); 0: all
    int arcDegrees = static_cast<int>(ArcOption.fallback);  // views 0..arcDegrees-1 only; 0: all
    std::vector<ChannelGain> gains;                         // multiply the channel's intensity
    double gainSpread = GainSpreadOption.fallback;          // every channel's gain drawn from N(1, spread)
    double motionX = MotionOption.fallback, motionY = MotionOption.fallback;  // pixels moved by view 179
    double motionDegrees = MotionTurnOption.fallback;  // turned about the field centre, likewise
    double kvp = KvpOption.fallback;                   // the tube's voltage; 0: monochromatic
    double filtrationMm = FiltrationOption.fallback;   // aluminium, with kvp
    bool waterCorrection = false;                      // with kvp
    std::vector<MetalDisc> metals;

    bool Any() const;
    // A tungsten tube's spectrum rather than one energy.
    bool Polychromatic() const;
};

// What is wrong with the options, by the bounds of option_bounds.h (the
// command line's own), or "" when nothing is. ScanWithArtifacts throws it.
std::string ArtifactProblem(const ArtifactOptions& options);

// One material's share of an object: attenuation relative to water at the
// effective energy, as pixels and, for a phantom, also as shapes (whose
// line integrals are then exact).
struct MaterialMap {
    Material material = Material::Water;
    FieldImage field;
    std::optional<Phantom> shapes;
};

struct ScanObject {
    std::vector<MaterialMap> maps;
    double pixelMm = 1.0;
};

// The object as scanned: the line integrals (dimensionless, file order)
// and the truth (the object at view 0, metal included). `photons` > 0 adds
// counting noise; `seed` drives the noise and the gain spread. Throws
// LabError with ArtifactProblem's words before any work.
struct ArtifactScan {
    std::vector<double> integrals;
    FieldImage truth;
};
ArtifactScan ScanWithArtifacts(const ScanObject& object, const ArtifactOptions& options, double photons,
                               uint64_t seed);

// Whether angle index `angle` is measured under `views` and `arcDegrees`.
bool ViewMeasured(const ArtifactOptions& options, int angle);

}  // namespace lab
