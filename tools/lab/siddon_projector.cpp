// siddon_projector.cpp - the ray p(t) = d (cos, sin) + t (-sin, cos) is a
// unit-speed line, so differences of t are lengths. The crossings with the
// pixel boundaries x = k and y = k (whole numbers in centred coordinates)
// split it into pieces that each lie in one pixel; the midpoint of a piece
// names its pixel. The crossings of the two axes are walked in step, in
// ascending t (an x crossing first when both fall together), without
// storing them.
//
// The transpose is computed pixel by pixel: a line at signed distance u from
// a unit square's centre, with direction cosines a >= b, cuts it over
// 1 / a while |u| <= (a - b) / 2, falling linearly to 0 at |u| = (a + b) / 2.
// That is the same length the walk measures, so the two are each other's
// transpose up to rounding.
#include "tools/lab/siddon_projector.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "tools/lab/two_threads.h"

namespace lab {

namespace {

const double Half = FieldPixels / 2.0;  // the field spans -128..128 on both axes
// Directions closer to an axis than this are taken as parallel to it.
const double Parallel = 1e-12;
const double Never = std::numeric_limits<double>::infinity();

// The interval of t inside -Half..Half on one axis; false when the ray runs
// parallel to the axis outside the field.
bool AxisInterval(double p0, double e, double& tMin, double& tMax) {
    if (std::fabs(e) < Parallel) return p0 > -Half && p0 < Half;
    double t1 = (-Half - p0) / e, t2 = (Half - p0) / e;
    if (t1 > t2) std::swap(t1, t2);
    tMin = std::max(tMin, t1);
    tMax = std::min(tMax, t2);
    return true;
}

// The crossings of p0 + t e with the boundaries of one axis within
// (tMin, tMax), one at a time in ascending t; `next` is Never after the last.
struct AxisCrossings {
    double p0, e, tMax, k = 0.0, step = 0.0, next = Never;

    AxisCrossings(double p0_, double e_, double tMin, double tMax_) : p0(p0_), e(e_), tMax(tMax_) {
        if (std::fabs(e) < Parallel) return;
        k = e > 0 ? std::ceil(p0 + tMin * e) : std::floor(p0 + tMin * e);
        step = e > 0 ? 1.0 : -1.0;
        for (next = (k - p0) / e; next <= tMin; next = (k - p0) / e) k += step;
        if (next >= tMax) next = Never;
    }
    void Advance() {
        k += step;
        next = (k - p0) / e;
        if (next >= tMax) next = Never;
    }
};

// floor(v) as an index for v >= 0; -1 (outside the field) below 0.
inline int CellIndex(double v) { return v < 0.0 ? -1 : static_cast<int>(v); }

// Calls visit(pixel, length) for each piece of the ray inside one pixel, in
// ascending t; pixel is row * 256 + column.
template <class Visit>
inline void WalkRay(double d, double cosA, double sinA, Visit&& visit) {
    const double px = d * cosA, py = d * sinA;  // the ray's point nearest the centre
    const double ex = -sinA, ey = cosA;
    double tMin = -1e300, tMax = 1e300;
    if (!AxisInterval(px, ex, tMin, tMax) || !AxisInterval(py, ey, tMin, tMax) || tMin >= tMax) return;
    AxisCrossings xs(px, ex, tMin, tMax), ys(py, ey, tMin, tMax);
    double previous = tMin;
    for (;;) {
        double t;
        if (xs.next <= ys.next) {
            t = xs.next;
            if (t != Never) xs.Advance();
        } else {
            t = ys.next;
            ys.Advance();
        }
        const bool last = t == Never;
        if (last) t = tMax;
        const double length = t - previous;
        if (length > 0.0) {
            const double mid = 0.5 * (t + previous);
            const int column = CellIndex(px + mid * ex + Half);
            const int row = CellIndex(Half - (py + mid * ey));
            if (column >= 0 && column < FieldPixels && row >= 0 && row < FieldPixels)
                visit(row * FieldPixels + column, length);
        }
        if (last) return;
        previous = t;
    }
}

double RayIntegral(const double* values, double d, double cosA, double sinA) {
    double sum = 0.0;
    WalkRay(d, cosA, sinA, [&](int pixel, double length) { sum += length * values[pixel]; });
    return sum;
}

}  // namespace

void ViewDirection(int angle, double& cosA, double& sinA) {
    const double theta = angle * RadiansPerAngle;
    cosA = std::cos(theta);
    sinA = std::sin(theta);
}

double SiddonRayIntegral(const FieldImage& field, double d, double cosA, double sinA) {
    return RayIntegral(field.values.data(), d, cosA, sinA);
}

void ProjectView(const double* values, int angle, int firstChannel, int lastChannel, double* channels) {
    double cosA, sinA;
    ViewDirection(angle, cosA, sinA);
    for (int c = firstChannel; c < lastChannel; ++c) channels[c] = RayIntegral(values, ChannelPosition(c), cosA, sinA);
}

std::vector<double> ProjectField(const FieldImage& field) {
    std::vector<double> sinogram(static_cast<size_t>(SinoChannels) * SinoAngles, 0.0);
    SplitInTwo(SinoAngles, [&](int firstAngle, int lastAngle) {
        double view[SinoChannels];
        for (int a = firstAngle; a < lastAngle; ++a) {
            ProjectView(field.values.data(), a, 0, SinoChannels, view);
            for (int c = 0; c < SinoChannels; ++c) sinogram[SinogramIndex(c, a)] = view[c];
        }
    });
    return sinogram;
}

void BackProjectView(const double* channels, int angle, int firstRow, int lastRow, double* image,
                     double* coverage) {
    double cosA, sinA;
    ViewDirection(angle, cosA, sinA);
    const double a = std::max(std::fabs(cosA), std::fabs(sinA)), b = std::min(std::fabs(cosA), std::fabs(sinA));
    const double plateau = 1.0 / a;
    const double inner = 0.5 * (a - b), outer = 0.5 * (a + b);
    const double slope = b < Parallel ? 0.0 : 1.0 / (a * b);
    // Channel c lies at d = c / 2 - 181.75: the channels within `outer` of s.
    const double firstPosition = ChannelPosition(0);
    for (int r = firstRow; r < lastRow; ++r) {
        const double y = Half - 0.5 - r;
        for (int column = 0; column < FieldPixels; ++column) {
            const double s = (column - Half + 0.5) * cosA + y * sinA;
            const int first = std::max(0, static_cast<int>(std::ceil(2.0 * (s - outer - firstPosition))));
            const int last = std::min(SinoChannels - 1, static_cast<int>(std::floor(2.0 * (s + outer - firstPosition))));
            double sum = 0.0, lengths = 0.0;
            for (int c = first; c <= last; ++c) {
                const double u = std::fabs(ChannelPosition(c) - s);
                if (u >= outer) continue;
                const double length = u <= inner ? plateau : (outer - u) * slope;
                sum += length * channels[c];
                lengths += length;
            }
            image[r * FieldPixels + column] += sum;
            if (coverage) coverage[r * FieldPixels + column] += lengths;
        }
    }
}

}  // namespace lab
