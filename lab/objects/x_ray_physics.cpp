// x_ray_physics.cpp - xraylib's total cross sections (coherent and
// incoherent scattering, photo-absorption) per unit mass; the ratios need no
// densities, and RelativeToWater takes them from xraylib too.
#include "lab/objects/x_ray_physics.h"

#include <xraylib.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "lab/core/lab_error.h"
#include "lab/core/option_bounds.h"

namespace lab {

namespace {

const int Aluminium = 13;

// xraylib's name of a compound in NIST's table; null for an element.
const char* NistName(Material material) {
    switch (material) {
    case Material::Water: return "Water, Liquid";
    case Material::Bone: return "Bone, Cortical (ICRP)";
    case Material::Air: return "Air, Dry (near sea level)";
    case Material::Polyethylene: return "Polyethylene";
    case Material::Acrylic: return "Polymethyl Methacralate (Lucite, Perspex)";
    case Material::BonePlastic: return "B-100 Bone-Equivalent Plastic";
    default: return nullptr;
    }
}

int AtomicNumber(Material material) {
    switch (material) {
    case Material::Titanium: return 22;
    case Material::Iron: return 26;
    case Material::Gold: return 79;
    default: return 0;
    }
}

// A compound's elements and their mass fractions, from NIST's table in
// xraylib, looked up once (the look-up is by name and needs no parsing).
struct Composition {
    std::vector<int> elements;
    std::vector<double> massFractions;
};
const Composition& CompositionOf(Material material) {
    static const auto table = [] {
        std::vector<Composition> compositions(MaterialCount);
        for (int m = 0; m < MaterialCount; ++m) {
            const char* compound = NistName(static_cast<Material>(m));
            if (!compound) continue;
            compoundDataNIST* data = GetCompoundDataNISTByName(compound, nullptr);
            if (!data) continue;
            compositions[m].elements.assign(data->Elements, data->Elements + data->nElements);
            compositions[m].massFractions.assign(data->massFractions, data->massFractions + data->nElements);
            FreeCompoundDataNIST(data);
        }
        return compositions;
    }();
    return table[static_cast<int>(material)];
}

// Cross section in cm2/g: a compound's as the sum of its elements' weighted
// by their mass fractions, in the table's order, as xraylib's CS_Total_CP
// sums them. Its own CS_Total_CP is not called: parsing a name there sets
// the process's numeric locale, from whichever thread calls it. xraylib
// answers 0 for energies it has no data for.
double MassAttenuation(Material material, double keV) {
    double value = 0.0;
    if (NistName(material)) {
        const Composition& composition = CompositionOf(material);
        if (composition.elements.empty()) throw LabError(std::string("xraylib does not know ") + NistName(material));
        for (size_t i = 0; i < composition.elements.size(); ++i)
            value += composition.massFractions[i] * CS_Total(composition.elements[i], keV, nullptr);
    } else {
        value = CS_Total(AtomicNumber(material), keV, nullptr);
    }
    if (!(value > 0.0)) throw LabError("xraylib has no attenuation data at " + NumberText(keV) + " keV");
    return value;
}

double Density(Material material) {
    const char* compound = NistName(material);
    if (!compound) return ElementDensity(AtomicNumber(material), nullptr);
    compoundDataNIST* data = GetCompoundDataNISTByName(compound, nullptr);
    if (!data) throw LabError(std::string("xraylib does not know ") + compound);
    const double density = data->density;
    FreeCompoundDataNIST(data);
    return density;
}

}  // namespace

const std::vector<std::string>& MetalNames() {
    static const std::vector<std::string> names = {"titanium", "iron", "gold"};
    return names;
}

Material MetalNamed(const std::string& name) {
    if (name == "titanium") return Material::Titanium;
    if (name == "iron") return Material::Iron;
    if (name == "gold") return Material::Gold;
    throw LabError("unknown metal '" + name + "' (titanium, iron or gold)");
}

std::string MaterialName(Material material) {
    switch (material) {
    case Material::Water: return "water";
    case Material::Bone: return "bone";
    case Material::Air: return "air";
    case Material::Polyethylene: return "polyethylene";
    case Material::Acrylic: return "acrylic";
    case Material::BonePlastic: return "B-100 bone plastic";
    default: return MetalNames()[static_cast<int>(material) - static_cast<int>(Material::Titanium)];
    }
}

double AttenuationRatio(Material material, double keV) {
    return MassAttenuation(material, keV) / MassAttenuation(material, EffectiveKeV);
}

double RelativeToWater(Material material) {
    return Density(material) * MassAttenuation(material, EffectiveKeV) /
           (Density(Material::Water) * MassAttenuation(Material::Water, EffectiveKeV));
}

Spectrum TungstenSpectrum(double kvp, double aluminiumMm) {
    if (!Contains(TubeVoltage, kvp) || !Contains(AluminiumMm, aluminiumMm))
        throw LabError("a tungsten tube at " + NumberText(kvp) + " kV behind " + NumberText(aluminiumMm) +
                       " mm of aluminium: the voltage must be " + RangeText(TubeVoltage) + ", the filter " +
                       RangeText(AluminiumMm));
    const double lowest = 10.0;
    const int bins = static_cast<int>(std::ceil((kvp - lowest) * 2.0));
    const double width = (kvp - lowest) / bins;
    const double aluminiumDensity = ElementDensity(Aluminium, nullptr);  // g/cm3
    Spectrum spectrum;
    double total = 0.0;
    for (int k = 0; k < bins; ++k) {
        const double e = lowest + (k + 0.5) * width;
        const double filtered = std::exp(-CS_Total(Aluminium, e, nullptr) * aluminiumDensity * aluminiumMm / 10.0);
        // Photons (kVp - E) / E, each weighing E.
        const double w = (kvp - e) * filtered;
        spectrum.keV.push_back(e);
        spectrum.weight.push_back(w);
        total += w;
    }
    // Within the bounds the hardest bin always keeps some of its photons.
    if (!(total > 0.0) || !std::isfinite(total))
        throw LabError("the filter of " + NumberText(aluminiumMm) + " mm of aluminium leaves no photon of the beam");
    for (double& w : spectrum.weight) w /= total;
    return spectrum;
}

}  // namespace lab

namespace lab {

Beam::Beam(Spectrum s) : spectrum(std::move(s)) {
    for (int m = 0; m < MaterialCount; ++m)
        for (double e : spectrum.keV) ratios[m].push_back(AttenuationRatio(static_cast<Material>(m), e));
}

double Beam::Measure(const double (&mono)[MaterialCount]) const {
    double detected = 0.0;
    for (size_t k = 0; k < spectrum.keV.size(); ++k) {
        double p = 0.0;
        for (int m = 0; m < MaterialCount; ++m)
            if (mono[m] != 0.0) p += ratios[m][k] * mono[m];
        detected += spectrum.weight[k] * std::exp(-p);
    }
    // Behind enough gold nothing at all arrives; the file still needs a
    // number.
    return -std::log(std::max(detected, std::numeric_limits<double>::min()));
}

// The measured value of a water path grows ever more slowly with its
// length (the beam hardens): Newton's method from below, where the first
// guess (the path at the steepest slope) lies, climbs to the root without
// overshooting.
double Beam::WaterCorrected(double measured) const {
    const std::vector<double>& water = ratios[static_cast<int>(Material::Water)];
    auto valueAndSlope = [&](double p, double& slope) {
        double detected = 0.0, weighted = 0.0;
        for (size_t k = 0; k < water.size(); ++k) {
            const double share = spectrum.weight[k] * std::exp(-water[k] * p);
            detected += share;
            weighted += share * water[k];
        }
        slope = weighted / detected;
        return -std::log(detected);
    };
    double slope = 0.0;
    valueAndSlope(0.0, slope);
    double p = measured / slope;
    for (int step = 0; step < 100; ++step) {
        const double value = valueAndSlope(p, slope);
        const double next = p + (measured - value) / slope;
        if (!(next > p)) break;
        p = next;
    }
    return p;
}

}  // namespace lab
