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
// The edge window, 12 pixels either side, in bins of a tenth of a pixel.
constexpr double Reach = 12.0, Bin = 0.1;
constexpr int Bins = 240;
// Empty bins are bridged in runs of up to half a pixel, and up to half of
// them in all: the edge-spread function then still has a sample every
// 0.6 pixel, finer than the pixel the MTF up to 0.5 cycles per pixel needs.
constexpr int LongestGap = 5, MostEmpty = Bins / 2;

std::string Text(double value) { return QString::number(value).toStdString(); }

// Empty bins of the oversampled edge-spread function (Samei, Flynn &
// Reimann 1998) filled by linear interpolation between the nearest filled
// bins, the ends held at the nearest one. Pixel centres lie at few
// distances from a centre on a symmetric place, so that near a small
// disc's centre some tenth-pixel bins hold none.
void BridgeEmptyBins(std::vector<double>& esf, const std::vector<int>& count) {
    const int empty = static_cast<int>(std::count(count.begin(), count.end(), 0));
    if (empty > MostEmpty)
        throw LabError("too few edge samples: " + std::to_string(empty) + " of the " + std::to_string(Bins) +
                       " tenth-pixel bins across the edge hold no pixel (is the disc inside the picture?)");
    int before = -1;  // the last filled bin
    for (int k = 0; k <= Bins; ++k) {
        if (k < Bins && count[k] == 0) continue;
        if (k - before - 1 > LongestGap)
            throw LabError("too few edge samples: no pixel lies from " + Text((before + 1) * Bin - Reach) + " to " +
                           Text(k * Bin - Reach) + " pixels across the edge (inside negative), a gap of more than "
                           "half a pixel (is the disc inside the picture?)");
        for (int j = before + 1; j < k; ++j) {
            if (before < 0) esf[j] = esf[k];
            else if (k == Bins) esf[j] = esf[before];
            else esf[j] = esf[before] + (esf[k] - esf[before]) * (j - before) / (k - before);
        }
        before = k;
    }
}

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
    if (edge.radius < Reach + 2.0)
        throw LabError("the disc's radius " + Text(edge.radius) + " is too small for an edge (at least " +
                       std::to_string(static_cast<int>(Reach + 2)) + " pixels)");
    std::vector<double> esf(Bins, 0.0), lsf(Bins - 1);
    std::vector<int> count(Bins, 0);
    for (int r = 0; r < N; ++r) {
        for (int c = 0; c < N; ++c) {
            const double offset = std::hypot(c - edge.centre.column, r - edge.centre.row) - edge.radius;
            const int k = static_cast<int>(std::floor((offset + Reach) / Bin));
            if (k < 0 || k >= Bins) continue;
            esf[k] += At(slice, c, r);
            ++count[k];
        }
    }
    for (int k = 0; k < Bins; ++k)
        if (count[k] > 0) esf[k] /= count[k];
    BridgeEmptyBins(esf, count);
    for (int k = 0; k + 1 < Bins; ++k) lsf[k] = esf[k + 1] - esf[k];
    FrequencyCurve mtf;
    Complex dc = 0.0;
    for (double v : lsf) dc += v;
    if (std::abs(dc) == 0.0) throw LabError("no edge: the values inside and outside the disc are the same");
    for (int step = 0; step <= 50; ++step) {
        const double f = step * 0.01;
        Complex total = 0.0;
        for (int k = 0; k + 1 < Bins; ++k) total += lsf[k] * std::polar(1.0, -2.0 * Pi * f * (k + 1) * Bin);
        mtf.frequency.push_back(f);
        mtf.value.push_back(std::abs(total) / std::abs(dc));
    }
    return mtf;
}

}  // namespace lab
