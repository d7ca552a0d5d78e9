// point_mtf.cpp - the MTF from the image of a point: the 2-D transform of
// the point-spread function around the brightest pixel, ring averaged.
#include "tools/lab/image_quality.h"

#include <algorithm>
#include <cmath>
#include <numeric>
#include <string>

#include "tools/lab/fourier_rings.h"
#include "tools/lab/lab_error.h"
#include "tools/lab/slice_pixels.h"

namespace lab {

namespace {

constexpr int N = FieldPixels;

}  // namespace

FrequencyCurve PointMtf(const SliceValues& slice) {
    const size_t peakAt = std::max_element(slice.begin(), slice.end()) - slice.begin();
    const PicturePoint peak{static_cast<double>(peakAt % N), static_cast<double>(peakAt / N)};
    const int size = 64;
    if (peak.column < size / 2 || peak.row < size / 2 || peak.column + size / 2 > N || peak.row + size / 2 > N)
        throw LabError("the brightest pixel, at " + Describe(peak) + ", lies too near the picture's edge for a "
                       "64 x 64 point-spread square");
    // The square from 32 pixels left of and above the peak.
    std::vector<double> square(static_cast<size_t>(size) * size);
    for (int r = 0; r < size; ++r)
        for (int c = 0; c < size; ++c)
            square[r * size + c] = At(slice, static_cast<int>(peak.column) - size / 2 + c,
                                      static_cast<int>(peak.row) - size / 2 + r);
    // The border: the background the point stands on, and its noise.
    std::vector<double> border;
    for (int k = 0; k < size; ++k) {
        border.push_back(square[k]);
        border.push_back(square[(size - 1) * size + k]);
        border.push_back(square[k * size]);
        border.push_back(square[k * size + size - 1]);
    }
    const double base = std::accumulate(border.begin(), border.end(), 0.0) / border.size();
    double spread = 0.0;
    for (double v : border) spread += (v - base) * (v - base);
    spread = std::sqrt(spread / (border.size() - 1));
    const double height = slice[peakAt] - base;
    if (!(height > 0.0) || height < 20.0 * spread)
        throw LabError("no clear peak for a point-spread function: the brightest pixel stands " +
                       std::to_string(height / std::max(spread, 1e-300)) + " noise deviations above its surroundings "
                       "(20 needed)");
    // Padded with the background to 256 x 256: rings 1/256 wide.
    std::vector<double> padded(static_cast<size_t>(N) * N, 0.0);
    for (int r = 0; r < size; ++r)
        for (int c = 0; c < size; ++c) padded[r * N + c] = square[r * size + c] - base;
    const std::vector<Complex> transform = Transform2d(padded, N);
    std::vector<double> magnitude(transform.size());
    for (size_t k = 0; k < transform.size(); ++k) magnitude[k] = std::abs(transform[k]);
    FrequencyCurve mtf = RingAverage(magnitude, N);
    const double dc = mtf.value[0];
    for (double& v : mtf.value) v /= dc;
    return mtf;
}

}  // namespace lab
