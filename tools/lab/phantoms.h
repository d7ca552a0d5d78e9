// phantoms.h - analytic test objects: their line integrals are computed from
// their shapes (ellipses and axis-aligned bars), not from pixels, and their
// rasterised truth from the area of each pixel they cover.
#pragma once

#include <string>
#include <vector>

#include "tools/lab/field_image.h"

namespace lab {

// In centred field coordinates (pixels, x right, y up); density relative to
// water, added where shapes overlap.
struct Ellipse {
    double cx, cy, a, b, phiDegrees, density;
};
struct Bar {
    double x0, y0, x1, y1, density;
};
struct Phantom {
    std::vector<Ellipse> ellipses;
    std::vector<Bar> bars;
};

// The names the `phantom` command takes.
const std::vector<std::string>& PhantomNames();
// "shepp-logan" (original contrast), "modified-shepp-logan" (Toft's
// stronger contrast), "point", "disc", "line-pairs", "qa" (see
// qa_phantom.h); throws LabError for any other name.
Phantom MakePhantom(const std::string& name);

// The line integral along the ray at signed distance d from the centre,
// perpendicular to (cosA, sinA); in pixel lengths times density.
double PhantomRayIntegral(const Phantom& phantom, double d, double cosA, double sinA);

// All channels at all angles, in file order.
std::vector<double> ProjectPhantom(const Phantom& phantom);

// Each pixel's mean density: the exact covered area for bars, 16 x 16
// samples per pixel for ellipses.
FieldImage RasterisePhantom(const Phantom& phantom);

}  // namespace lab
