// qa_phantom_test.cpp - the qa phantom against its own layout, and its
// report on the exact phantom in HU: what passes there, what each shift
// fails, what is refused.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "lab/core/field_geometry.h"
#include "lab/core/lab_error.h"
#include "lab/measure/measured_image.h"
#include "lab/objects/qa_phantom.h"
#include "lab/objects/qa_phantom_layout.h"
#include "lab/measure/qa_report.h"
#include "lab/scan/scan_object.h"

namespace {

namespace qa = lab::qa;

// A shape of the layout: a circle, or a rectangle when `right` > `left`.
struct Shape {
    std::string name;
    double x = 0, y = 0, radius = 0;
    double left = 0, bottom = 0, right = 0, top = 0;
    bool measured = false;  // a region the report reads in the water
};

double Clearance(const Shape& a, const Shape& b) {
    if (a.right > a.left && b.right > b.left)
        return std::hypot(std::max({b.left - a.right, a.left - b.right, 0.0}),
                          std::max({b.bottom - a.top, a.bottom - b.top, 0.0}));
    if (a.right > a.left) return Clearance(b, a);
    if (b.right > b.left)
        return std::hypot(a.x - std::clamp(a.x, b.left, b.right), a.y - std::clamp(a.y, b.bottom, b.top)) - a.radius;
    return std::hypot(a.x - b.x, a.y - b.y) - a.radius - b.radius;
}

std::vector<Shape> LayoutShapes() {
    std::vector<Shape> shapes;
    for (const qa::Insert& i : qa::Inserts)
        shapes.push_back({lab::MaterialName(i.material), i.x, i.y, qa::InsertRadius});
    for (const qa::BarGroup& g : qa::BarGroups)
        shapes.push_back({std::to_string(g.linePairsPerCm) + " lp/cm", 0, 0, 0, g.left, g.bottom,
                          g.left + qa::BarGroupSide, g.bottom + qa::BarGroupSide});
    shapes.push_back({"25 mm rod", qa::LargeRod.x, qa::LargeRod.y, qa::LargeRod.radius});
    for (const qa::RodGroup& g : qa::RodGroups)
        for (double sx : {-1.0, 1.0})
            for (double sy : {-1.0, 1.0})
                shapes.push_back({std::to_string(g.diameter) + " mm rods", g.x + sx * g.diameter, g.y + sy * g.diameter,
                                  g.diameter / 2});
    const double uniform = qa::RadiusOfArea(qa::UniformityRegionArea);
    shapes.push_back({"centre", qa::UniformityCentre.x, qa::UniformityCentre.y, uniform, 0, 0, 0, 0, true});
    for (const qa::Place& p : qa::UniformityEdges) shapes.push_back({p.name, p.x, p.y, uniform, 0, 0, 0, 0, true});
    shapes.push_back({"rod background", qa::LowContrastBackground.x, qa::LowContrastBackground.y,
                      qa::RadiusOfArea(qa::LowContrastRegionArea), 0, 0, 0, 0, true});
    shapes.push_back(
        {"bar background", qa::BarBackground.x, qa::BarBackground.y, qa::RadiusOfArea(qa::BarBackgroundArea)});
    return shapes;
}

// The exact phantom in HU: 1000 (relative - 1), air around it.
lab::MeasuredImage ExactHu() {
    lab::MeasuredImage image;
    for (double v : lab::RasterisePhantom(lab::QaPhantom()).values) image.values.push_back(1000.0 * (v - 1.0));
    image.units = lab::HuUnits;
    image.pixelMm = qa::PixelMm;
    return image;
}

void AddInCircle(lab::MeasuredImage& image, double x, double y, double radius, double hu) {
    for (int r = 0; r < lab::FieldPixels; ++r)
        for (int c = 0; c < lab::FieldPixels; ++c)
            if (std::hypot(c - 127.5 - x, 127.5 - r - y) <= radius) image.values[r * lab::FieldPixels + c] += hu;
}

std::set<std::string> Failed(const lab::QaReport& report) {
    std::set<std::string> failed;
    for (const lab::QaCtNumber& n : report.ctNumbers)
        if (!n.pass) failed.insert(lab::MaterialName(n.material));
    if (!report.uniformity.centrePass) failed.insert("centre");
    for (const lab::QaEdge& e : report.uniformity.edges)
        if (!e.pass) failed.insert(e.place);
    return failed;
}

TEST(QaPhantom, LayoutTruthAndReportAgree) {
    // Nothing overlaps; everything lies in the cylinder, the cylinder in the
    // scanned disc; no region read in the water lies in the bars' streaks.
    const std::vector<Shape> shapes = LayoutShapes();
    for (size_t a = 0; a < shapes.size(); ++a) {
        EXPECT_GE(qa::CylinderRadius - std::hypot(shapes[a].x, shapes[a].y) - shapes[a].radius, 5.0) << shapes[a].name;
        for (size_t b = a + 1; b < shapes.size(); ++b) {
            if (shapes[a].name == shapes[b].name) continue;
            EXPECT_GE(Clearance(shapes[a], shapes[b]), 3.0) << shapes[a].name << " and " << shapes[b].name;
        }
        const Shape& s = shapes[a];
        for (const qa::BarGroup& g : qa::BarGroups) {
            if (!s.measured) break;
            EXPECT_TRUE(s.x + s.radius < g.left - 2 || s.x - s.radius > g.left + qa::BarGroupSide + 2 ||
                        s.y + s.radius < g.bottom - 2 || s.y - s.radius > g.bottom + qa::BarGroupSide + 2)
                << s.name << " in the streaks of " << g.linePairsPerCm << " lp/cm";
        }
    }
    EXPECT_LE(qa::CylinderRadius / qa::PixelMm, lab::ScannedRadius);

    // The truth holds each material's own value in its insert and the rod;
    // the bars' area is the groups' half; with --kvp each material is its
    // own map and the maps add up to the same phantom.
    const lab::MeasuredImage exact = ExactHu();
    const lab::QaReport report = lab::MeasureQaPhantom(exact, 0.0);
    EXPECT_TRUE(report.pixelAssumed);
    for (const lab::QaCtNumber& n : report.ctNumbers) {
        EXPECT_NEAR(n.region.mean, 1000.0 * (lab::RelativeToWater(n.material) - 1.0), 1e-9)
            << lab::MaterialName(n.material);
        EXPECT_LT(n.region.sd, 1e-9) << lab::MaterialName(n.material);
    }
    EXPECT_NEAR(report.lowContrast.rod.mean - report.lowContrast.background.mean, 1000.0 * qa::LowContrast, 1e-9);
    const lab::FieldImage truth = lab::RasterisePhantom(lab::QaPhantom());
    double barArea = 0.0;  // pixels of 1 mm2 from x 15 to 64, y -43 to -20: the groups and the water between
    for (int r = 128 + 20; r < 128 + 43; ++r)
        for (int c = 128 + 15; c < 128 + 64; ++c) barArea += truth.at(c, r) - 1.0;
    EXPECT_NEAR(barArea / (lab::RelativeToWater(qa::BarMaterial) - 1.0), 8 * qa::BarGroupSide * qa::BarGroupSide / 2,
                1e-6);
    const lab::ScanObject materials = lab::ObjectFromPhantom("qa", true);
    EXPECT_EQ(materials.maps.size(), 5u);
    std::vector<double> sum(truth.values.size(), 0.0);
    for (const lab::MaterialMap& map : materials.maps)
        for (size_t k = 0; k < sum.size(); ++k) sum[k] += map.field.values[k];
    for (size_t k = 0; k < sum.size(); ++k) ASSERT_NEAR(sum[k], truth.values[k], 1e-12) << k;

    // The exact phantom's bars at 4 lp/cm, averaged over 1 mm pixels, read
    // 0.5, 0.75, 0, 1, 0.25 of their contrast across the window, whose
    // spread gives an MTF of 0.80; from the Nyquist frequency on none count.
    ASSERT_EQ(report.highContrast.groups.size(), 8u);
    EXPECT_NEAR(report.highContrast.groups[0].mtf, 0.7988, 0.001);
    EXPECT_EQ(report.highContrast.limitLpPerCm, 4.0);
    EXPECT_DOUBLE_EQ(report.highContrast.nyquistLpPerCm, 5.0);

    // Each shift fails its own test and no other.
    const struct {
        const char* what;
        double x, y, radius, hu;
        std::set<std::string> failed;
    } cases[] = {
        {"exact", 0, 0, 0, 0, {}},
        {"acrylic +30 HU", 30, 52, qa::InsertRadius, 30, {"acrylic"}},
        {"polyethylene +20 HU", -30, -52, qa::InsertRadius, 20, {"polyethylene"}},
        {"water insert -8 HU", 0, 40, qa::InsertRadius, -8, {"water"}},
        {"3 o'clock +6 HU", qa::EdgeRegionDistance, 0, 15, 6, {"3 o'clock"}},
        {"6 o'clock -4 HU", 0, -qa::EdgeRegionDistance, 15, -4, {}},
        {"centre +8 HU", 0, 0, 15, 8, {"centre", "12 o'clock", "3 o'clock", "6 o'clock", "9 o'clock"}},
    };
    for (const auto& c : cases) {
        lab::MeasuredImage shifted = exact;
        AddInCircle(shifted, c.x, c.y, c.radius, c.hu);
        EXPECT_EQ(Failed(lab::MeasureQaPhantom(shifted, 1.0)), c.failed) << c.what;
    }

    // Refused: grey levels, a pixel the phantom does not fit, an image
    // without the air insert.
    lab::MeasuredImage grey = exact;
    grey.units = "grey levels";
    EXPECT_THROW(lab::MeasureQaPhantom(grey, 1.0), lab::LabError);
    EXPECT_THROW(lab::MeasureQaPhantom(exact, 0.5), lab::LabError);
    lab::MeasuredImage water = exact;
    std::fill(water.values.begin(), water.values.end(), 0.0);
    EXPECT_THROW(lab::MeasureQaPhantom(water, 1.0), lab::LabError);
}

}  // namespace
