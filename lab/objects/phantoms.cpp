// phantoms.cpp - the Shepp-Logan head, a point, a disc, line pairs and the
// qa phantom.
#include "lab/objects/phantoms.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "lab/core/lab_error.h"
#include "lab/objects/qa_phantom.h"

namespace lab {

namespace {

const double Pi = 3.14159265358979323846;

// The head's ellipses in units of its radius: centre, half axes, rotation of
// the first axis from the x axis (degrees); then the original densities and
// those of Toft's modified contrast.
struct HeadEllipse {
    double x0, y0, a, b, phi, original, modified;
};
const HeadEllipse Head[] = {
    {0.0, 0.0, 0.69, 0.92, 0.0, 2.0, 1.0},        {0.0, -0.0184, 0.6624, 0.874, 0.0, -0.98, -0.8},
    {0.22, 0.0, 0.11, 0.31, -18.0, -0.02, -0.2},  {-0.22, 0.0, 0.16, 0.41, 18.0, -0.02, -0.2},
    {0.0, 0.35, 0.21, 0.25, 0.0, 0.01, 0.1},      {0.0, 0.1, 0.046, 0.046, 0.0, 0.01, 0.1},
    {0.0, -0.1, 0.046, 0.046, 0.0, 0.01, 0.1},    {-0.08, -0.605, 0.046, 0.023, 0.0, 0.01, 0.1},
    {0.0, -0.606, 0.023, 0.023, 0.0, 0.01, 0.1},  {0.06, -0.605, 0.023, 0.046, 0.0, 0.01, 0.1},
};
// The head's radius in pixels: the skull (0.92 of it) stays inside the
// scanned disc.
const double HeadRadius = 110.0;

Phantom HeadPhantom(bool modified) {
    Phantom p;
    for (const HeadEllipse& e : Head)
        p.ellipses.push_back({e.x0 * HeadRadius, e.y0 * HeadRadius, e.a * HeadRadius, e.b * HeadRadius, e.phi,
                              modified ? e.modified : e.original});
    return p;
}

// Groups of four bars, as wide as the gaps between them, from 8 pixels at
// the top down to 1 pixel (the bin width) at the bottom. Edges lie on pixel
// boundaries.
Phantom LinePairs() {
    Phantom p;
    const int widths[] = {8, 6, 4, 3, 2, 1};
    double top = 92.0;
    for (int w : widths) {
        const double span = 7.0 * w;  // four bars and three gaps
        const double left = -std::floor(span / 2.0);
        for (int k = 0; k < 4; ++k) p.bars.push_back({left + 2.0 * k * w, top - 20.0, left + 2.0 * k * w + w, top, 1.0});
        top -= 32.0;
    }
    return p;
}

double EllipseChord(const Ellipse& e, double d, double cosA, double sinA) {
    const double phi = e.phiDegrees * Pi / 180.0;
    const double c = cosA * std::cos(phi) + sinA * std::sin(phi);  // cos(theta - phi)
    const double s = sinA * std::cos(phi) - cosA * std::sin(phi);  // sin(theta - phi)
    const double reach2 = e.a * e.a * c * c + e.b * e.b * s * s;
    const double offset = d - (e.cx * cosA + e.cy * sinA);
    if (offset * offset >= reach2) return 0.0;
    return 2.0 * e.a * e.b * std::sqrt(reach2 - offset * offset) / reach2;
}

// Where the ray enters and leaves the ellipse, from the quadratic in t of
// the ellipse's equation along the ray; false when it misses.
bool EllipseSpan(const Ellipse& e, double d, double cosA, double sinA, RaySpan& span) {
    const double phi = e.phiDegrees * Pi / 180.0;
    const double ax = std::cos(phi), ay = std::sin(phi);  // the first axis; the second is (-ay, ax)
    const double qx = d * cosA - e.cx, qy = d * sinA - e.cy, ex = -sinA, ey = cosA;
    const double qa = (qx * ax + qy * ay) / e.a, qb = (-qx * ay + qy * ax) / e.b;
    const double ea = (ex * ax + ey * ay) / e.a, eb = (-ex * ay + ey * ax) / e.b;
    const double a = ea * ea + eb * eb, b = qa * ea + qb * eb, c = qa * qa + qb * qb - 1.0;
    const double discriminant = b * b - a * c;
    if (discriminant <= 0.0) return false;
    const double root = std::sqrt(discriminant);
    span = {(-b - root) / a, (-b + root) / a};
    return true;
}

// Where the ray runs inside the bar: the ray clipped to its two slabs.
bool BarSpan(const Bar& bar, double d, double cosA, double sinA, RaySpan& span) {
    const double px = d * cosA, py = d * sinA, ex = -sinA, ey = cosA;
    double tMin = -1e300, tMax = 1e300;
    auto clip = [&](double p0, double e, double lo, double hi) {
        if (std::fabs(e) < 1e-12) return p0 > lo && p0 < hi;
        double t1 = (lo - p0) / e, t2 = (hi - p0) / e;
        if (t1 > t2) std::swap(t1, t2);
        tMin = std::max(tMin, t1);
        tMax = std::min(tMax, t2);
        return true;
    };
    if (!clip(px, ex, bar.x0, bar.x1) || !clip(py, ey, bar.y0, bar.y1) || !(tMax > tMin)) return false;
    span = {tMin, tMax};
    return true;
}

// Length of the ray inside the bar.
double BarChord(const Bar& bar, double d, double cosA, double sinA) {
    RaySpan span;
    return BarSpan(bar, d, cosA, sinA, span) ? span.to - span.from : 0.0;
}

// The length of `span` that lies within `spans`.
double OverlapLength(RaySpan span, const std::vector<RaySpan>& spans) {
    double length = 0.0;
    for (const RaySpan& s : spans) length += std::max(0.0, std::min(span.to, s.to) - std::max(span.from, s.from));
    return length;
}

// "name 1.02 (+20 HU)": relative attenuation and HU = 1000 (relative - 1).
std::string MaterialLine(const char* name, double relative) {
    relative = std::round(relative * 1e6) / 1e6 + 0.0;  // sums of the ellipses' densities, e.g. 0.2 - 0.2
    const double hu = 1000.0 * (relative - 1.0);
    char text[96];
    snprintf(text, sizeof text, hu == 0.0 ? "%s %g (0 HU)" : "%s %g (%+.0f HU)", name, relative, hu);
    return text;
}

// The head's regions as sums of its overlapping ellipses.
std::string HeadMaterials(bool modified) {
    auto density = [modified](int k) { return modified ? Head[k].modified : Head[k].original; };
    const double brain = density(0) + density(1);
    return MaterialLine("skull", density(0)) + ", " + MaterialLine("brain", brain) + ", " +
           MaterialLine("ventricles", brain + density(2)) + ", " +
           MaterialLine("small structures", brain + density(4)) + ", " + MaterialLine("air", 0.0);
}

bool InsideEllipse(const Ellipse& e, double x, double y) {
    const double phi = e.phiDegrees * Pi / 180.0;
    const double dx = x - e.cx, dy = y - e.cy;
    const double u = dx * std::cos(phi) + dy * std::sin(phi);
    const double v = -dx * std::sin(phi) + dy * std::cos(phi);
    return (u * u) / (e.a * e.a) + (v * v) / (e.b * e.b) <= 1.0;
}

}  // namespace

const std::vector<std::string>& PhantomNames() {
    static const std::vector<std::string> names = {"shepp-logan", "modified-shepp-logan", "point", "disc",
                                                   "line-pairs", "qa"};
    return names;
}

Phantom MakePhantom(const std::string& name) {
    if (name == "shepp-logan") return HeadPhantom(false);
    if (name == "modified-shepp-logan") return HeadPhantom(true);
    Phantom p;
    // A disc one pixel across on the pixel up and right of the centre.
    if (name == "point") p.ellipses.push_back({0.5, 0.5, 0.5, 0.5, 0.0, 1.0});
    else if (name == "disc") p.ellipses.push_back({0.0, 0.0, 100.0, 100.0, 0.0, 1.0});
    else if (name == "line-pairs") p = LinePairs();
    else if (name == "qa") p = QaPhantom();
    else throw LabError("unknown phantom '" + name + "'");
    return p;
}

std::string PhantomMaterials(const std::string& name) {
    if (name == "shepp-logan")
        return "the head of Shepp and Logan (1974) in clinical units: " + HeadMaterials(false) +
               "; with --kvp the skull's attenuation changes with energy as cortical bone's does, the rest as "
               "water's";
    if (name == "modified-shepp-logan")
        return "Toft's contrast for grey-level pictures, not clinical units: " + HeadMaterials(true) +
               "; the small structures stand 10 % of the skull apart, so that a picture scaled to its maximum "
               "shows them";
    if (name == "point" || name == "disc" || name == "line-pairs")
        return MaterialLine("water", 1.0) + " in " + MaterialLine("air", 0.0);
    if (name == "qa") return QaPhantomSummary() + "; its layout is in sinora-lab(1)";
    throw LabError("unknown phantom '" + name + "'");
}

double PhantomRayIntegral(const Phantom& phantom, double d, double cosA, double sinA) {
    double total = 0.0;
    for (const Ellipse& e : phantom.ellipses) total += e.density * EllipseChord(e, d, cosA, sinA);
    for (const Bar& b : phantom.bars) total += b.density * BarChord(b, d, cosA, sinA);
    return total;
}

double PhantomRayIntegralWithin(const Phantom& phantom, double d, double cosA, double sinA,
                                const std::vector<RaySpan>& spans) {
    double total = 0.0;
    RaySpan span;
    for (const Ellipse& e : phantom.ellipses)
        if (EllipseSpan(e, d, cosA, sinA, span)) total += e.density * OverlapLength(span, spans);
    for (const Bar& b : phantom.bars)
        if (BarSpan(b, d, cosA, sinA, span)) total += b.density * OverlapLength(span, spans);
    return total;
}

std::vector<double> ProjectPhantom(const Phantom& phantom) {
    std::vector<double> sinogram(static_cast<size_t>(SinoChannels) * SinoAngles, 0.0);
    for (int a = 0; a < SinoAngles; ++a) {
        const double theta = a * RadiansPerAngle;
        const double cosA = std::cos(theta), sinA = std::sin(theta);
        for (int c = 0; c < SinoChannels; ++c)
            sinogram[SinogramIndex(c, a)] = PhantomRayIntegral(phantom, ChannelPosition(c), cosA, sinA);
    }
    return sinogram;
}

FieldImage RasterisePhantom(const Phantom& phantom) {
    FieldImage field;
    const int samples = 16;
    for (const Ellipse& e : phantom.ellipses) {
        const double reach = std::max(e.a, e.b);
        const int c0 = std::max(0, static_cast<int>(std::floor(e.cx - reach + 128.0)));
        const int c1 = std::min(FieldPixels - 1, static_cast<int>(std::floor(e.cx + reach + 128.0)));
        const int r0 = std::max(0, static_cast<int>(std::floor(128.0 - (e.cy + reach))));
        const int r1 = std::min(FieldPixels - 1, static_cast<int>(std::floor(128.0 - (e.cy - reach))));
        for (int r = r0; r <= r1; ++r) {
            for (int i = c0; i <= c1; ++i) {
                int inside = 0;
                for (int sy = 0; sy < samples; ++sy) {
                    for (int sx = 0; sx < samples; ++sx) {
                        const double x = i - 128.0 + (sx + 0.5) / samples;
                        const double y = 128.0 - r - (sy + 0.5) / samples;
                        inside += InsideEllipse(e, x, y);
                    }
                }
                field.at(i, r) += e.density * inside / (samples * samples);
            }
        }
    }
    for (const Bar& b : phantom.bars) {
        for (int r = 0; r < FieldPixels; ++r) {
            const double overlapY = std::min(128.0 - r, b.y1) - std::max(127.0 - r, b.y0);
            if (overlapY <= 0.0) continue;
            for (int i = 0; i < FieldPixels; ++i) {
                const double overlapX = std::min(i - 127.0, b.x1) - std::max(i - 128.0, b.x0);
                if (overlapX > 0.0) field.at(i, r) += b.density * overlapX * overlapY;
            }
        }
    }
    return field;
}

}  // namespace lab
