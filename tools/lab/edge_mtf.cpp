// edge_mtf.cpp - the MTF from a disc's edge: the disc found, the pixels
// near its edge binned by distance into an oversampled edge-spread
// function, differentiated and transformed.
#include "tools/lab/image_quality.h"

#include <QString>

#include <algorithm>
#include <cmath>
#include <complex>
#include <string>

#include "tools/lab/lab_error.h"
#include "tools/lab/slice_pixels.h"

namespace lab {

namespace {

using Complex = std::complex<double>;
constexpr int N = FieldPixels;

}  // namespace

DiscEdge FindDisc(const SliceValues& slice) {
    // The levels inside and outside: the 2nd and 98th percentiles, which
    // single noisy pixels do not move.
    std::vector<double> inDisc;
    for (int r = 0; r < N; ++r)
        for (int c = 0; c < N; ++c)
            if (InScannedDisc(c, r)) inDisc.push_back(At(slice, c, r));
    std::sort(inDisc.begin(), inDisc.end());
    const double lo = inDisc[inDisc.size() / 50], hi = inDisc[inDisc.size() - 1 - inDisc.size() / 50];
    const double half = 0.5 * (lo + hi);
    double count = 0, sumC = 0, sumR = 0;
    for (int r = 0; r < N; ++r)
        for (int c = 0; c < N; ++c)
            if (InScannedDisc(c, r) && At(slice, c, r) > half) ++count, sumC += c, sumR += r;
    if (count < 10) throw LabError("no disc found for an edge: too few pixels above half of the range");
    return {{sumC / count, sumR / count}, std::sqrt(count / Pi)};
}

FrequencyCurve EdgeMtf(const SliceValues& slice, const DiscEdge& edge) {
    const double reach = 12.0, bin = 0.1;
    const int bins = static_cast<int>(2 * reach / bin);
    if (edge.radius < reach + 2.0)
        throw LabError("the disc's radius " + QString::number(edge.radius).toStdString() + " is too small for an edge (at least " +
                       std::to_string(static_cast<int>(reach + 2)) + " pixels)");
    std::vector<double> sum(bins, 0.0);
    std::vector<int> count(bins, 0);
    for (int r = 0; r < N; ++r) {
        for (int c = 0; c < N; ++c) {
            const double offset = std::hypot(c - edge.centre.column, r - edge.centre.row) - edge.radius;
            const int k = static_cast<int>(std::floor((offset + reach) / bin));
            if (k < 0 || k >= bins) continue;
            sum[k] += At(slice, c, r);
            ++count[k];
        }
    }
    const int empty = static_cast<int>(std::count(count.begin(), count.end(), 0));
    if (empty > 0)
        throw LabError("too few edge samples: " + std::to_string(empty) + " of the " + std::to_string(bins) +
                       " tenth-pixel bins across the edge hold no pixel (is the disc inside the picture?)");
    std::vector<double> esf(bins), lsf(bins - 1);
    for (int k = 0; k < bins; ++k) esf[k] = sum[k] / count[k];
    for (int k = 0; k + 1 < bins; ++k) lsf[k] = esf[k + 1] - esf[k];
    FrequencyCurve mtf;
    Complex dc = 0.0;
    for (double v : lsf) dc += v;
    if (std::abs(dc) == 0.0) throw LabError("no edge: the values inside and outside the disc are the same");
    for (int step = 0; step <= 50; ++step) {
        const double f = step * 0.01;
        Complex total = 0.0;
        for (int k = 0; k + 1 < bins; ++k) total += lsf[k] * std::polar(1.0, -2.0 * Pi * f * (k + 1) * bin);
        mtf.frequency.push_back(f);
        mtf.value.push_back(std::abs(total) / std::abs(dc));
    }
    return mtf;
}

}  // namespace lab
