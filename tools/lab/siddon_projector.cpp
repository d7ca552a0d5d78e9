// siddon_projector.cpp - the ray p(t) = d (cos, sin) + t (-sin, cos) is a
// unit-speed line, so differences of t are lengths. The crossings with the
// pixel boundaries x = k and y = k (whole numbers in centred coordinates)
// split it into pieces that each lie in one pixel; the midpoint of a piece
// names its pixel.
#include "tools/lab/siddon_projector.h"

#include <algorithm>
#include <cmath>
#include <system_error>
#include <thread>

namespace lab {

namespace {

const double Half = FieldPixels / 2.0;  // the field spans -128..128 on both axes
// Directions closer to an axis than this are taken as parallel to it.
const double Parallel = 1e-12;

// Crossings of p0 + t e with the boundaries -128..128 of one axis that lie
// within (tMin, tMax), in ascending t, appended to `out`.
void AxisCrossings(double p0, double e, double tMin, double tMax, std::vector<double>& out) {
    if (std::fabs(e) < Parallel) return;
    const double first = (e > 0 ? std::ceil(p0 + tMin * e) : std::floor(p0 + tMin * e));
    const double step = e > 0 ? 1.0 : -1.0;
    for (double k = first;; k += step) {
        const double t = (k - p0) / e;
        if (t >= tMax) break;
        if (t > tMin) out.push_back(t);
    }
}

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

}  // namespace

double SiddonRayIntegral(const FieldImage& field, double d, double cosA, double sinA) {
    const double px = d * cosA, py = d * sinA;  // the ray's point nearest the centre
    const double ex = -sinA, ey = cosA;
    double tMin = -1e300, tMax = 1e300;
    if (!AxisInterval(px, ex, tMin, tMax) || !AxisInterval(py, ey, tMin, tMax) || tMin >= tMax) return 0.0;

    thread_local std::vector<double> xs, ys, ts;
    xs.clear();
    ys.clear();
    AxisCrossings(px, ex, tMin, tMax, xs);
    AxisCrossings(py, ey, tMin, tMax, ys);
    ts.resize(xs.size() + ys.size() + 2);
    ts[0] = tMin;
    std::merge(xs.begin(), xs.end(), ys.begin(), ys.end(), ts.begin() + 1);
    ts.back() = tMax;

    double sum = 0.0;
    for (size_t k = 1; k < ts.size(); ++k) {
        const double length = ts[k] - ts[k - 1];
        if (length <= 0.0) continue;
        const double mid = 0.5 * (ts[k] + ts[k - 1]);
        const int column = static_cast<int>(std::floor(px + mid * ex + Half));
        const int row = static_cast<int>(std::floor(Half - (py + mid * ey)));
        if (column < 0 || column >= FieldPixels || row < 0 || row >= FieldPixels) continue;
        sum += length * field.at(column, row);
    }
    return sum;
}

std::vector<double> ProjectField(const FieldImage& field) {
    std::vector<double> sinogram(static_cast<size_t>(SinoChannels) * SinoAngles, 0.0);
    // Angles are independent: a second thread, when one can be had, takes
    // the upper half.
    auto project = [&](int firstAngle, int lastAngle) {
        for (int a = firstAngle; a < lastAngle; ++a) {
            const double theta = a * RadiansPerAngle;
            const double cosA = std::cos(theta), sinA = std::sin(theta);
            for (int c = 0; c < SinoChannels; ++c)
                sinogram[SinogramIndex(c, a)] = SiddonRayIntegral(field, ChannelPosition(c), cosA, sinA);
        }
    };
    std::thread other;
    try {
        other = std::thread(project, SinoAngles / 2, SinoAngles);
    } catch (const std::system_error&) {
    }
    project(0, other.joinable() ? SinoAngles / 2 : SinoAngles);
    if (other.joinable()) other.join();
    return sinogram;
}

}  // namespace lab
