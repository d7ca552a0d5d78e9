// point_mtf.cpp - the MTF from the image of a point (the wire method of
// Judy 1976): the 2-D transform of the point-spread function around the
// brightest pixel, ring averaged.
#include "lab/measure/image_quality.h"

#include <algorithm>
#include <cmath>
#include <numeric>
#include <string>
#include <vector>

#include "lab/measure/fourier_rings.h"
#include "lab/core/lab_error.h"
#include "lab/measure/slice_pixels.h"

namespace lab {

namespace {

constexpr int N = FieldPixels;
// 180 views one degree apart leave a filtered back projection free of
// view-aliasing streaks only within about 1 / (pi / 180) = 57 pixels of the
// point; the square's corners reach 45.
constexpr int SquareSize = 64;
// The background ring: beyond the square, where the point-spread
// function's own tail has died away, and within the 127 pixels over which
// the 128-tap kernel is exact.
constexpr double RingInner = 60.0, RingOuter = 100.0;
// At least a quarter of the whole ring's area for a steady mean.
const int RingPixelsNeeded = static_cast<int>(Pi * (RingOuter * RingOuter - RingInner * RingInner) / 4);

// Throws unless the 64 x 64 square from 32 pixels left of and above the
// peak lies in the picture.
void RequireSquareAround(PicturePoint peak) {
    if (!Finite(peak)) throw LabError("the point's peak must be a finite place in the picture");
    if (peak.column < SquareSize / 2 || peak.row < SquareSize / 2 || peak.column + SquareSize / 2 > N ||
        peak.row + SquareSize / 2 > N)
        throw LabError("the brightest pixel, at " + Describe(peak) + ", lies too near the picture's edge for a "
                       "64 x 64 point-spread square");
}

}  // namespace

PointImage FindPoint(const SliceValues& slice) {
    RequireSlice(slice);
    const size_t peakAt = std::max_element(slice.begin(), slice.end()) - slice.begin();
    PointImage point;
    point.peak = {static_cast<double>(peakAt % N), static_cast<double>(peakAt / N)};
    const PicturePoint peak = point.peak;
    RequireSquareAround(peak);
    std::vector<double> ring;
    for (int r = 0; r < N; ++r) {
        for (int c = 0; c < N; ++c) {
            const double distance = std::hypot(c - peak.column, r - peak.row);
            if (distance >= RingInner && distance <= RingOuter && InScannedDisc(c, r)) ring.push_back(At(slice, c, r));
        }
    }
    if (static_cast<int>(ring.size()) < RingPixelsNeeded)
        throw LabError("too little background around the point at " + Describe(peak) + ": " +
                       std::to_string(ring.size()) + " pixels 60 to 100 pixels from it lie in the scanned disc (" +
                       std::to_string(RingPixelsNeeded) + " needed)");
    point.backgroundPixels = static_cast<int>(ring.size());
    point.background = std::accumulate(ring.begin(), ring.end(), 0.0) / ring.size();
    double squares = 0.0;
    for (double v : ring) squares += (v - point.background) * (v - point.background);
    point.backgroundSd = std::sqrt(squares / (ring.size() - 1));
    const double height = slice[peakAt] - point.background;
    if (!(height > 0.0) || height < 20.0 * point.backgroundSd)
        throw LabError("no clear peak for a point-spread function: the brightest pixel stands " +
                       std::to_string(height / std::max(point.backgroundSd, 1e-300)) +
                       " noise deviations above its surroundings (20 needed)");
    return point;
}

FrequencyCurve PointMtf(const SliceValues& slice, const PointImage& point) {
    RequireSlice(slice);
    RequireSquareAround(point.peak);
    // The square from 32 pixels left of and above the peak, less the
    // background, padded with zeros to 256 x 256: rings 1/256 wide.
    const int left = static_cast<int>(point.peak.column) - SquareSize / 2,
              top = static_cast<int>(point.peak.row) - SquareSize / 2;
    std::vector<double> padded(static_cast<size_t>(N) * N, 0.0);
    for (int r = 0; r < SquareSize; ++r)
        for (int c = 0; c < SquareSize; ++c) padded[r * N + c] = At(slice, left + c, top + r) - point.background;
    const std::vector<Complex> transform = Transform2d(padded, N);
    std::vector<double> magnitude(transform.size());
    for (size_t k = 0; k < transform.size(); ++k) magnitude[k] = std::abs(transform[k]);
    FrequencyCurve mtf = RingAverage(magnitude, N);
    const double dc = mtf.value[0];
    if (!(std::fabs(dc) > 0.0)) throw LabError("the point-spread square sums to its background: no MTF to normalise");
    for (double& v : mtf.value) v /= dc;
    return mtf;
}

FrequencyCurve PointMtf(const SliceValues& slice) { return PointMtf(slice, FindPoint(slice)); }

}  // namespace lab
