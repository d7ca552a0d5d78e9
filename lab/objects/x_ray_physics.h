// x_ray_physics.h - the energy dependence of attenuation, from xraylib's
// cross sections, and the spectrum of a tungsten tube.
//
// Everywhere else in the lab an object is attenuation relative to water at
// one effective energy, EffectiveKeV, where water attenuates WaterMuPerMm.
// A material's attenuation at another energy is that value times the
// material's AttenuationRatio: densities cancel, so an object needs no
// densities of its own.
#pragma once

#include <string>
#include <vector>

namespace lab {

// Water attenuates 0.0206 per mm at 60 keV (xraylib), the 0.02 per mm of
// the monochromatic model.
constexpr double EffectiveKeV = 60.0;

// Soft tissue is water; bone is cortical bone (ICRP, 1.85 g/cm3); metals at
// their own densities; the qa phantom's inserts are NIST's compounds at NIST's
// densities: dry air, polyethylene, acrylic (PMMA) and B-100 bone-equivalent
// plastic.
enum class Material { Water, Bone, Titanium, Iron, Gold, Air, Polyethylene, Acrylic, BonePlastic };

// "titanium", "iron", "gold": the metals a disc may be made of.
const std::vector<std::string>& MetalNames();
// Throws LabError for a name not in MetalNames().
Material MetalNamed(const std::string& name);
// The material's name: "water", "bone", "air", "polyethylene", "acrylic",
// "B-100 bone plastic", or as in MetalNames().
std::string MaterialName(Material material);

// The material's linear attenuation at `keV` over that at EffectiveKeV.
double AttenuationRatio(Material material, double keV);
// The material's linear attenuation at EffectiveKeV over water's.
double RelativeToWater(Material material);

// What an energy-integrating detector measures from a tungsten tube:
// Kramers' law (photons per keV in proportion to (kVp - E) / E), filtered by
// aluminium, each photon weighing its energy. Bins of at most 0.5 keV from
// 10 keV to the peak voltage; `weight` is each bin's share of the signal
// and sums to 1.
struct Spectrum {
    std::vector<double> keV;  // bin centres
    std::vector<double> weight;
};
Spectrum TungstenSpectrum(double kvp, double aluminiumMm);

constexpr int MaterialCount = 9;

// A spectrum with every material's AttenuationRatio in every bin, for
// measuring many rays.
struct Beam {
    Spectrum spectrum;
    std::vector<double> ratios[MaterialCount];  // by Material, then bin

    explicit Beam(Spectrum s);
    // -ln(I / I0) of the whole spectrum through line integrals `mono`
    // (dimensionless, at the effective energy) of each material, by Material.
    double Measure(const double (&mono)[MaterialCount]) const;
    // The first-order water correction: the monochromatic line integral of
    // the water path that measures `measured`.
    double WaterCorrected(double measured) const;
};

}  // namespace lab
