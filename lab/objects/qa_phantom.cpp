// qa_phantom.cpp
#include "lab/objects/qa_phantom.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "lab/objects/qa_phantom_layout.h"

namespace lab {

namespace {

// Millimetres of the layout in field pixels.
double Px(double mm) { return mm / qa::PixelMm; }

Ellipse Disc(double x, double y, double radius, double density) {
    return {Px(x), Px(y), Px(radius), Px(radius), 0.0, density};
}

// A group's bars, as wide as the gaps between them.
std::vector<Bar> Bars(const qa::BarGroup& group, double density) {
    const double period = 10.0 / group.linePairsPerCm;  // mm
    const int count = static_cast<int>(std::lround(group.linePairsPerCm * qa::BarGroupSide / 10.0));
    std::vector<Bar> bars;
    for (int k = 0; k < count; ++k) {
        const double left = group.left + k * period;
        bars.push_back(
            {Px(left), Px(group.bottom), Px(left + period / 2.0), Px(group.bottom + qa::BarGroupSide), density});
    }
    return bars;
}

// The shapes of `material`, at `density` (water's holes at -1).
Phantom ShapesOf(Material material, double density) {
    Phantom shapes;
    for (const qa::Insert& insert : qa::Inserts)
        if (insert.material == material) shapes.ellipses.push_back(Disc(insert.x, insert.y, qa::InsertRadius, density));
    if (material == qa::BarMaterial)
        for (const qa::BarGroup& group : qa::BarGroups) {
            const std::vector<Bar> bars = Bars(group, density);
            shapes.bars.insert(shapes.bars.end(), bars.begin(), bars.end());
        }
    return shapes;
}

Phantom Water() {
    Phantom water;
    water.ellipses.push_back(Disc(0.0, 0.0, qa::CylinderRadius, 1.0));
    for (const qa::Insert& insert : qa::Inserts)
        if (insert.material != Material::Water)
            water.ellipses.push_back(Disc(insert.x, insert.y, qa::InsertRadius, -1.0));
    for (const qa::BarGroup& group : qa::BarGroups) {
        const std::vector<Bar> holes = Bars(group, -1.0);
        water.bars.insert(water.bars.end(), holes.begin(), holes.end());
    }
    water.ellipses.push_back(Disc(qa::LargeRod.x, qa::LargeRod.y, qa::LargeRod.radius, qa::LowContrast));
    for (const qa::RodGroup& group : qa::RodGroups)
        for (double sx : {-1.0, 1.0})
            for (double sy : {-1.0, 1.0})
                water.ellipses.push_back(Disc(group.x + sx * group.diameter, group.y + sy * group.diameter,
                                              group.diameter / 2.0, qa::LowContrast));
    return water;
}

}  // namespace

std::vector<std::pair<Material, Phantom>> QaPhantomByMaterial() {
    std::vector<std::pair<Material, Phantom>> materials = {{Material::Water, Water()}};
    auto add = [&](Material material) {
        for (const auto& known : materials)
            if (known.first == material) return;
        materials.emplace_back(material, ShapesOf(material, RelativeToWater(material)));
    };
    for (const qa::Insert& insert : qa::Inserts) add(insert.material);
    add(qa::BarMaterial);
    return materials;
}

Phantom QaPhantom() {
    Phantom all;
    for (const auto& [material, shapes] : QaPhantomByMaterial()) {
        all.ellipses.insert(all.ellipses.end(), shapes.ellipses.begin(), shapes.ellipses.end());
        all.bars.insert(all.bars.end(), shapes.bars.begin(), shapes.bars.end());
    }
    return all;
}

std::string QaPhantomSummary() {
    std::string inserts;
    for (const qa::Insert& insert : qa::Inserts) {
        const long hu = std::lround(1000.0 * (RelativeToWater(insert.material) - 1.0));
        inserts += (inserts.empty() ? "" : ", ") + MaterialName(insert.material) + " " + (hu > 0 ? "+" : "") +
                   std::to_string(hu) + " HU";
    }
    double coarsest = qa::BarGroups[0].linePairsPerCm, finest = coarsest;
    for (const qa::BarGroup& group : qa::BarGroups) {
        coarsest = std::min(coarsest, group.linePairsPerCm);
        finest = std::max(finest, group.linePairsPerCm);
    }
    char text[600];
    snprintf(text, sizeof text,
             "a %g mm water cylinder modelled on the ACR CT accreditation phantom, with %g mm inserts of %s at %g keV "
             "(xraylib: NIST's compositions and densities), bars of %s in groups of %g to %g line pairs per cm, and "
             "low-contrast rods of %+g HU; with --kvp each insert is its own material",
             2.0 * qa::CylinderRadius, 2.0 * qa::InsertRadius, inserts.c_str(), EffectiveKeV,
             MaterialName(qa::BarMaterial).c_str(), coarsest, finest, 1000.0 * qa::LowContrast);
    return text;
}

}  // namespace lab
