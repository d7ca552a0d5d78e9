// qa_report.cpp - every region from qa_phantom_layout.h, converted from
// millimetres to the picture's pixels.
#include "lab/measure/qa_report.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "lab/measure/bar_pattern_mtf.h"
#include "lab/core/field_geometry.h"
#include "lab/core/lab_error.h"
#include "lab/measure/measured_image.h"
#include "lab/objects/qa_phantom_layout.h"

namespace lab {

namespace {

// The layout in the picture.
struct Picture {
    const SliceValues& slice;
    double pixelMm;

    PicturePoint At(double x, double y) const { return FromField(x / pixelMm, y / pixelMm); }
    RegionStats Circle(double x, double y, double squareMm) const {
        return MeasureCircle(slice, At(x, y), qa::RadiusOfArea(squareMm) / pixelMm);
    }
};

// An image of something else would be measured all the same: its air
// insert, read as nearer water than air, says so. `numbers` follow
// qa::Inserts.
void CheckAirInsert(const std::vector<QaCtNumber>& numbers) {
    const double halfway = -500.0;
    for (size_t k = 0; k < numbers.size(); ++k) {
        if (numbers[k].material != Material::Air || numbers[k].region.mean < halfway) continue;
        char message[200];
        snprintf(message, sizeof message,
                 "where the qa phantom's air insert lies (%g, %g mm) the image reads %+.0f HU: is it the qa phantom, "
                 "centred and upright?",
                 qa::Inserts[k].x, qa::Inserts[k].y, numbers[k].region.mean);
        throw LabError(message);
    }
}

std::vector<QaCtNumber> CtNumbers(const Picture& picture) {
    std::vector<QaCtNumber> numbers;
    for (const qa::Insert& insert : qa::Inserts) {
        QaCtNumber number{insert.material, picture.Circle(insert.x, insert.y, qa::InsertRegionArea),
                          AcrCtNumberRange(insert.material)};
        number.pass = number.acr.Holds(number.region.mean);
        numbers.push_back(number);
    }
    CheckAirInsert(numbers);
    return numbers;
}

QaUniformity Uniformity(const Picture& picture) {
    QaUniformity uniformity;
    uniformity.centre = picture.Circle(qa::UniformityCentre.x, qa::UniformityCentre.y, qa::UniformityRegionArea);
    uniformity.water = AcrCtNumberRange(Material::Water);
    uniformity.centrePass = uniformity.water.Holds(uniformity.centre.mean);
    uniformity.pass = uniformity.centrePass;
    for (const qa::Place& place : qa::UniformityEdges) {
        QaEdge edge{place.name, picture.Circle(place.x, place.y, qa::UniformityRegionArea)};
        edge.fromCentre = edge.region.mean - uniformity.centre.mean;
        edge.pass = std::fabs(edge.fromCentre) <= AcrEdgeToCentreHu;
        uniformity.pass = uniformity.pass && edge.pass;
        uniformity.edges.push_back(edge);
    }
    return uniformity;
}

const qa::Insert& BarMaterialInsert() {
    for (const qa::Insert& insert : qa::Inserts)
        if (insert.material == qa::BarMaterial) return insert;
    throw LabError("the qa phantom has no insert of its bars' material");
}

// The whole periods of a group that fit inside its margins, centred.
RegionStats Pattern(const Picture& picture, const qa::BarGroup& group) {
    const double period = 10.0 / group.linePairsPerCm;  // mm
    const double width = std::floor((qa::BarGroupSide - 2.0 * qa::BarGroupMargin) / period) * period;
    const double left = group.left + (qa::BarGroupSide - width) / 2.0;
    const double top = group.bottom + qa::BarGroupSide - qa::BarGroupMargin, bottom = group.bottom + qa::BarGroupMargin;
    return MeasureRectangle(picture.slice, picture.At(left, top), picture.At(left + width, bottom));
}

QaHighContrast HighContrast(const Picture& picture) {
    QaHighContrast high;
    const qa::Insert& material = BarMaterialInsert();
    high.barMaterial = picture.Circle(material.x, material.y, qa::InsertRegionArea);
    high.background = picture.Circle(qa::BarBackground.x, qa::BarBackground.y, qa::BarBackgroundArea);
    high.nyquistLpPerCm = 10.0 / (2.0 * picture.pixelMm);
    std::vector<qa::BarGroup> groups(std::begin(qa::BarGroups), std::end(qa::BarGroups));
    std::sort(groups.begin(), groups.end(),
              [](const qa::BarGroup& a, const qa::BarGroup& b) { return a.linePairsPerCm < b.linePairsPerCm; });
    bool coarserResolved = true;
    for (const qa::BarGroup& group : groups) {
        QaBarGroup result;
        result.linePairsPerCm = group.linePairsPerCm;
        result.pattern = Pattern(picture, group);
        result.mtf = DroegeMorinMtf(result.pattern, high.barMaterial, high.background);
        result.belowNyquist = group.linePairsPerCm < high.nyquistLpPerCm;
        result.resolved = result.belowNyquist && result.mtf >= LimitingMtf;
        coarserResolved = coarserResolved && result.resolved;
        if (coarserResolved) high.limitLpPerCm = group.linePairsPerCm;
        high.groups.push_back(result);
    }
    for (const ProtocolMinimum& minimum : AcrResolutionMinima())
        high.verdicts.push_back({minimum, high.limitLpPerCm >= minimum.minimum});
    return high;
}

QaLowContrast LowContrast(const Picture& picture) {
    QaLowContrast low;
    low.rod = picture.Circle(qa::LargeRod.x, qa::LargeRod.y, qa::LowContrastRegionArea);
    low.background =
        picture.Circle(qa::LowContrastBackground.x, qa::LowContrastBackground.y, qa::LowContrastRegionArea);
    low.cnr = ContrastToNoise(low.rod, low.background);
    for (const ProtocolMinimum& minimum : AcrCnrMinima()) low.verdicts.push_back({minimum, low.cnr > minimum.minimum});
    return low;
}

}  // namespace

QaReport MeasureQaPhantom(const MeasuredImage& image, double pixelMm) {
    if (image.units != HuUnits)
        throw LabError("--qa measures Hounsfield units, as in the .dcm that reconstruct writes; this image holds " +
                       image.units + ", not HU");
    QaReport report;
    report.pixelAssumed = !(pixelMm > 0.0);
    report.pixelMm = report.pixelAssumed ? qa::PixelMm : pixelMm;
    if (qa::CylinderRadius / report.pixelMm > ScannedRadius) {
        char message[160];
        snprintf(message, sizeof message, "at %g mm per pixel the qa phantom, %g mm across, does not fit in the slice",
                 report.pixelMm, 2.0 * qa::CylinderRadius);
        throw LabError(message);
    }
    const Picture picture{image.values, report.pixelMm};
    report.ctNumbers = CtNumbers(picture);
    report.uniformity = Uniformity(picture);
    report.highContrast = HighContrast(picture);
    report.lowContrast = LowContrast(picture);
    return report;
}

}  // namespace lab
