// qa_phantom_layout.h - where everything in the `qa` phantom lies: the one
// description that both builds the phantom and places the regions its
// report measures. The phantom is modelled on the ACR CT accreditation
// phantom, whose four modules (CT numbers, low contrast, uniformity, bar
// patterns) lie here side by side in one slice. Millimetres from the
// phantom's centre, x right, y up.
#pragma once

#include <cmath>

#include "lab/objects/x_ray_physics.h"

namespace lab::qa {

struct Circle {
    double x, y, radius;
};

// The phantom is made in field pixels of this width.
constexpr double PixelMm = 1.0;

// A 200 mm water cylinder, inside the scanned disc (radius 127.5 pixels).
constexpr double CylinderRadius = 100.0;

// A region's radius from its area: the ACR's regions are given by area.
inline double RadiusOfArea(double squareMm) { return std::sqrt(squareMm / 3.14159265358979323846); }

// CT numbers: 25 mm inserts, each measured in a region of 200 mm2 at its
// centre (its edge 4.5 mm inside the insert's).
constexpr double InsertRadius = 12.5;
constexpr double InsertRegionArea = 200.0;
struct Insert {
    Material material;
    double x, y;
};
constexpr Insert Inserts[] = {
    {Material::Air, -52.0, -30.0},   {Material::Polyethylene, -30.0, -52.0}, {Material::Water, 0.0, 40.0},
    {Material::Acrylic, 30.0, 52.0}, {Material::BonePlastic, 52.0, 30.0},
};

// Uniformity and noise: water at the centre and at 12, 3, 6 and 9 o'clock,
// free of inserts, in regions of 400 mm2; an edge region's outer edge lies
// 10.7 mm inside the phantom's.
constexpr double UniformityRegionArea = 400.0;
constexpr double EdgeRegionDistance = 78.0;
struct Place {
    const char* name;
    double x, y;
};
constexpr Place UniformityCentre = {"centre", 0.0, 0.0};
constexpr Place UniformityEdges[] = {{"12 o'clock", 0.0, EdgeRegionDistance},
                                     {"3 o'clock", EdgeRegionDistance, 0.0},
                                     {"6 o'clock", 0.0, -EdgeRegionDistance},
                                     {"9 o'clock", -EdgeRegionDistance, 0.0}};

// High contrast: groups of bars of B-100 bone plastic (the bone insert's
// material), each 10 mm square: at f line pairs per cm it holds f bars of
// width 1 / (2 f) cm, each followed by a gap as wide, starting at its left
// edge. A group is measured over as many whole periods as fit 2 mm inside
// its sides, centred, and 2 mm inside its ends (where the group's own edges
// blur into it); the water below the groups in a region of 100 mm2. The
// finer groups alias into streaks along x and y through the bars: of the
// regions read in the water only the bars' own background lies in the
// bands x 15..64 and y -43..-20 (the inserts there are read by their means).
constexpr double BarGroupSide = 10.0;
constexpr double BarGroupMargin = 2.0;
constexpr Material BarMaterial = Material::BonePlastic;
struct BarGroup {
    double linePairsPerCm;
    double left, bottom;
};
constexpr BarGroup BarGroups[] = {
    {4.0, 15.0, -30.0}, {5.0, 28.0, -30.0}, {6.0, 41.0, -30.0},  {7.0, 54.0, -30.0},
    {8.0, 15.0, -43.0}, {9.0, 28.0, -43.0}, {10.0, 41.0, -43.0}, {12.0, 54.0, -43.0},
};
constexpr double BarBackgroundArea = 100.0;
constexpr Place BarBackground = {"below the bars", 42.0, -58.0};

// Low contrast: rods 0.6 % denser than the water (+6 HU): one of 25 mm
// and, for the eye, groups of four of 6, 5, 4, 3 and 2 mm (centres a
// diameter apart from the group's centre along x and y). The 25 mm rod and
// the water at the same distance from the centre are measured in regions
// of 100 mm2.
constexpr double LowContrast = 0.006;
constexpr Circle LargeRod = {-35.0, 35.0, 12.5};
struct RodGroup {
    double diameter;
    double x, y;
};
constexpr RodGroup RodGroups[] = {
    {6.0, -71.0, 24.0}, {5.0, -60.0, 45.0}, {4.0, -44.0, 61.0}, {3.0, -29.0, 69.0}, {2.0, -18.0, 73.0},
};
constexpr double LowContrastRegionArea = 100.0;
constexpr Place LowContrastBackground = {"beside the 25 mm rod", -48.0, 13.0};

}  // namespace lab::qa
