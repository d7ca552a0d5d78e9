// phantoms.h - analytic test objects: their line integrals are computed from
// their shapes (ellipses and axis-aligned bars), not from pixels, and their
// rasterised truth from the area of each pixel they cover.
#pragma once

#include <string>
#include <vector>

#include "lab/core/field_image.h"

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

// What the phantom `name` is made of, in one line per material: its
// attenuation relative to water at the effective energy and the Hounsfield
// units that follow, e.g. "brain 1.02 (+20 HU)".
std::string PhantomMaterials(const std::string& name);

// The line integral along the ray at signed distance d from the centre,
// perpendicular to (cosA, sinA); in pixel lengths times density.
double PhantomRayIntegral(const Phantom& phantom, double d, double cosA, double sinA);

// A stretch of a ray, by the position t along it: the ray at distance d runs
// through d (cosA, sinA) + t (-sinA, cosA).
struct RaySpan {
    double from, to;
};
// The integral along the ray of the shapes' parts within `spans` (sorted,
// not overlapping): what a metal disc replaces.
double PhantomRayIntegralWithin(const Phantom& phantom, double d, double cosA, double sinA,
                                const std::vector<RaySpan>& spans);

// All channels at all angles, in file order.
std::vector<double> ProjectPhantom(const Phantom& phantom);

// Each pixel's mean density: the exact covered area for bars, 16 x 16
// samples per pixel for ellipses.
FieldImage RasterisePhantom(const Phantom& phantom);

}  // namespace lab
