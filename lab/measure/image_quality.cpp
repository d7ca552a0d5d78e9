// image_quality.cpp - regions, the noise power spectrum, line pairs and
// profiles; the MTFs are in point_mtf.cpp and edge_mtf.cpp.
#include "lab/measure/image_quality.h"

#include <QString>

#include <algorithm>
#include <cmath>
#include <numeric>
#include <string>

#include "lab/measure/fourier_rings.h"
#include "lab/core/lab_error.h"
#include "lab/objects/phantoms.h"
#include "lab/measure/slice_pixels.h"

namespace lab {

namespace {

constexpr int N = FieldPixels;

// The first row and column of the square of `size` pixels whose centre is
// nearest `centre`.
double SquareStart(double centre, double size) { return std::round(centre - size / 2.0 + 0.5); }

// The square of `size` pixels whose centre is nearest `centre`; throws with
// SquareProblem's words.
std::vector<double> Square(const SliceValues& slice, PicturePoint centre, int size) {
    const std::string problem = SquareProblem(centre, size);
    if (!problem.empty()) throw LabError(problem);
    const int left = static_cast<int>(SquareStart(centre.column, size)),
              top = static_cast<int>(SquareStart(centre.row, size));
    std::vector<double> square(static_cast<size_t>(size) * size);
    for (int r = 0; r < size; ++r)
        for (int c = 0; c < size; ++c) square[r * size + c] = At(slice, left + c, top + r);
    return square;
}

}  // namespace

PicturePoint FromField(double x, double y) { return {x + RotationCentre, RotationCentre - y}; }

std::string CircleProblem(PicturePoint centre, double radius) {
    if (!Finite(centre) || !std::isfinite(radius)) return "the region's centre and radius must be finite numbers";
    if (!(radius > 0.0)) return "the region's radius must be above 0";
    if (centre.column - radius < -0.5 || centre.row - radius < -0.5 || centre.column + radius > N - 0.5 ||
        centre.row + radius > N - 0.5)
        return "the region of radius " + QString::number(radius).toStdString() + " at " + Describe(centre) +
               " reaches outside the 256 x 256 picture";
    return "";
}

std::string SquareProblem(PicturePoint centre, double size) {
    if (!Finite(centre) || !std::isfinite(size)) return "the noise square's centre and size must be finite numbers";
    if (size != std::floor(size)) return "the noise square's size must be a whole number of pixels";
    if (size < 4 || size > N) return "the noise square's size must be from 4 to 256 pixels";
    const double left = SquareStart(centre.column, size), top = SquareStart(centre.row, size);
    if (left < 0 || top < 0 || left + size > N || top + size > N)
        return "the noise square of " + std::to_string(static_cast<int>(size)) + " pixels at " + Describe(centre) +
               " does not fit in the 256 x 256 picture";
    return "";
}

std::string LineProblem(PicturePoint from, PicturePoint to) {
    if (!Finite(from) || !Finite(to)) return "the profile's ends must be finite numbers";
    for (PicturePoint p : {from, to})
        if (p.column < 0 || p.row < 0 || p.column > N - 1 || p.row > N - 1)
            return "the profile's end at " + Describe(p) + " lies outside the picture's pixel centres";
    return "";
}

RegionStats MeasureCircle(const SliceValues& slice, PicturePoint centre, double radius) {
    RequireSlice(slice);
    const std::string problem = CircleProblem(centre, radius);
    if (!problem.empty()) throw LabError(problem);
    std::vector<double> inside;
    for (int r = 0; r < N; ++r)
        for (int c = 0; c < N; ++c)
            if ((c - centre.column) * (c - centre.column) + (r - centre.row) * (r - centre.row) <= radius * radius)
                inside.push_back(At(slice, c, r));
    if (inside.size() < 2) throw LabError("the region at " + Describe(centre) + " holds fewer than two pixels");
    RegionStats stats;
    stats.pixels = static_cast<int>(inside.size());
    stats.mean = std::accumulate(inside.begin(), inside.end(), 0.0) / stats.pixels;
    double squares = 0.0;
    for (double v : inside) squares += (v - stats.mean) * (v - stats.mean);
    stats.sd = std::sqrt(squares / (stats.pixels - 1));
    return stats;
}

double ContrastToNoise(const RegionStats& object, const RegionStats& background) {
    return std::fabs(object.mean - background.mean) / background.sd;
}

double FallsTo(const FrequencyCurve& curve, double level) {
    for (size_t k = 1; k < curve.value.size(); ++k) {
        const double a = curve.value[k - 1], b = curve.value[k];
        if (a >= level && b < level)
            return curve.frequency[k - 1] + (curve.frequency[k] - curve.frequency[k - 1]) * (a - level) / (a - b);
    }
    return -1.0;
}

NoisePower NoisePowerSpectrum(const SliceValues& slice, PicturePoint centre, int size, const SliceValues* other) {
    RequireSlice(slice);
    if (other) RequireSlice(*other);
    std::vector<double> square = Square(slice, centre, size);
    double gain = 1.0;
    if (other) {
        const std::vector<double> second = Square(*other, centre, size);
        for (size_t k = 0; k < square.size(); ++k) square[k] -= second[k];
        gain = 0.5;  // the difference holds the noise of two slices
    }
    const double mean = std::accumulate(square.begin(), square.end(), 0.0) / square.size();
    for (double& v : square) v -= mean;
    const std::vector<Complex> transform = Transform2d(square, size);
    std::vector<double> power(transform.size());
    NoisePower result;
    for (int v = 0; v < size; ++v) {
        for (int u = 0; u < size; ++u) {
            const size_t k = static_cast<size_t>(v) * size + u;
            power[k] = gain * std::norm(transform[k]) / (static_cast<double>(size) * size);
            result.variance += power[k];
            // f <= 0.5 cycles per pixel: 4 (fu^2 + fv^2) <= size^2, in whole numbers.
            const long fu = u <= size / 2 ? u : u - size, fv = v <= size / 2 ? v : v - size;
            if (4 * (fu * fu + fv * fv) <= static_cast<long>(size) * size) result.withinNyquist += power[k];
        }
    }
    // The frequency cell is 1 / size^2.
    result.variance /= static_cast<double>(size) * size;
    result.withinNyquist /= static_cast<double>(size) * size;
    result.spectrum = RingAverage(power, size);
    return result;
}

std::vector<LinePairGroup> LinePairModulation(const SliceValues& slice) {
    RequireSlice(slice);
    const std::vector<Bar> bars = MakePhantom("line-pairs").bars;
    std::vector<LinePairGroup> groups;
    for (size_t g = 0; g + 3 < bars.size(); g += 4) {
        const Bar& first = bars[g];
        const Bar& last = bars[g + 3];
        // Rows whose centres lie 5 pixels or more inside the bars' height.
        const int top = static_cast<int>(128.0 - first.y1) + 5, bottom = static_cast<int>(128.0 - first.y0) - 5;
        const int left = static_cast<int>(first.x0 + 128.0), right = static_cast<int>(last.x1 + 128.0);
        std::vector<double> across;
        for (int c = left; c < right; ++c) {
            double total = 0.0;
            for (int r = top; r < bottom; ++r) total += At(slice, c, r);
            across.push_back(total / (bottom - top));
        }
        const double width = first.x1 - first.x0;
        const int firstCentre = static_cast<int>(width / 2), lastCentre = static_cast<int>(across.size() - width / 2);
        const double hi = *std::max_element(across.begin(), across.end());
        const double lo = *std::min_element(across.begin() + firstCentre, across.begin() + lastCentre);
        groups.push_back({width, (hi - lo) / (hi + lo)});
    }
    return groups;
}

Profile LineProfile(const SliceValues& slice, PicturePoint from, PicturePoint to) {
    RequireSlice(slice);
    const std::string problem = LineProblem(from, to);
    if (!problem.empty()) throw LabError(problem);
    const double length = std::hypot(to.column - from.column, to.row - from.row);
    const int samples = static_cast<int>(std::floor(length)) + 1;
    Profile profile;
    for (int k = 0; k < samples; ++k) {
        const double t = length > 0 ? k / length : 0.0;
        const double c = from.column + t * (to.column - from.column), r = from.row + t * (to.row - from.row);
        const int c0 = std::min(N - 2, static_cast<int>(c)), r0 = std::min(N - 2, static_cast<int>(r));
        const double fc = c - c0, fr = r - r0;
        profile.distance.push_back(k);
        profile.value.push_back((1 - fr) * ((1 - fc) * At(slice, c0, r0) + fc * At(slice, c0 + 1, r0)) +
                                fr * ((1 - fc) * At(slice, c0, r0 + 1) + fc * At(slice, c0 + 1, r0 + 1)));
    }
    return profile;
}

}  // namespace lab
