// edge_mtf.cpp - the MTF from a disc's edge: the disc found, the pixels
// near its edge binned by distance into an oversampled edge-spread
// function, differentiated and transformed.
#include "lab/measure/image_quality.h"

#include <QString>

#include <algorithm>
#include <cmath>
#include <complex>
#include <string>

#include "lab/core/lab_error.h"
#include "lab/measure/slice_pixels.h"

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
// The picture's diagonal, 256 sqrt 2: no disc centred in the picture has an
// edge in it beyond that radius.
constexpr double Diagonal = 362.0;

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

// A first level between the disc's and the background's: the iterative
// intermeans threshold (Ridler & Calvard 1978), half-way between the means
// of the values below and above it. Unlike percentiles it does not fall into
// the background's noise when the disc covers few of the pixels.
double IntermeansLevel(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    std::vector<double> running(n + 1, 0.0);  // running[k]: the sum of the k lowest
    for (size_t k = 0; k < n; ++k) running[k + 1] = running[k] + values[k];
    double level = 0.5 * (values[n / 50] + values[n - 1 - n / 50]);
    size_t split = n + 1;
    for (int pass = 0; pass < 100; ++pass) {
        const size_t below = std::upper_bound(values.begin(), values.end(), level) - values.begin();
        if (below == split) break;
        if (below == 0 || below == n) throw LabError("no disc found for an edge: the scanned disc holds one level");
        split = below;
        level = 0.5 * (running[below] / below + (running[n] - running[below]) / (n - below));
    }
    return level;
}

double Median(std::vector<double> values) {
    std::nth_element(values.begin(), values.begin() + values.size() / 2, values.end());
    return values[values.size() / 2];
}

// The centroid of the pixels above `level` in the scanned disc (and within
// the edge window's reach outside `near`'s edge when given), and the radius
// of their area.
DiscEdge Above(const SliceValues& slice, double level, const DiscEdge* near) {
    double count = 0, sumC = 0, sumR = 0;
    for (int r = 0; r < N; ++r) {
        for (int c = 0; c < N; ++c) {
            if (!InScannedDisc(c, r) || At(slice, c, r) <= level) continue;
            if (near && std::hypot(c - near->centre.column, r - near->centre.row) > near->radius + Reach) continue;
            ++count, sumC += c, sumR += r;
        }
    }
    if (count < 10) throw LabError("no disc found for an edge: too few pixels above half of the range");
    return {{sumC / count, sumR / count}, std::sqrt(count / Pi)};
}

}  // namespace

std::string EdgeProblem(const DiscEdge& edge) {
    if (!Finite(edge.centre) || !std::isfinite(edge.radius))
        return "the edge's disc must have a finite centre and radius";
    const PicturePoint c = edge.centre;
    if (c.column < -0.5 || c.row < -0.5 || c.column > N - 0.5 || c.row > N - 0.5)
        return "the edge's disc, centred at " + Describe(c) + ", lies outside the 256 x 256 picture";
    if (edge.radius < Reach + 2.0)
        return "the disc's radius " + Text(edge.radius) + " is too small for an edge (at least " +
               std::to_string(static_cast<int>(Reach + 2)) + " pixels)";
    if (edge.radius > Diagonal)
        return "the disc's radius " + Text(edge.radius) + " reaches beyond the picture's diagonal (at most " +
               std::to_string(static_cast<int>(Diagonal)) + " pixels)";
    return "";
}

DiscEdge FindDisc(const SliceValues& slice) {
    RequireSlice(slice);
    std::vector<double> inDisc;
    for (int r = 0; r < N; ++r)
        for (int c = 0; c < N; ++c)
            if (InScannedDisc(c, r)) inDisc.push_back(At(slice, c, r));
    DiscEdge edge = Above(slice, IntermeansLevel(inDisc), nullptr);
    // Then the level half-way between the medians 8 to 12 pixels either side
    // of the edge found, in the outer third of the edge window, where the
    // edge-spread function must be flat anyway. It settles in a few passes.
    for (int pass = 0; pass < 10; ++pass) {
        std::vector<double> inside, outside;
        for (int r = 0; r < N; ++r) {
            for (int c = 0; c < N; ++c) {
                const double offset = std::hypot(c - edge.centre.column, r - edge.centre.row) - edge.radius;
                if (!InScannedDisc(c, r) || std::fabs(offset) < Reach * 2 / 3 || std::fabs(offset) > Reach) continue;
                (offset < 0 ? inside : outside).push_back(At(slice, c, r));
            }
        }
        // A disc too small or reaching the scanned disc's rim keeps the first estimate.
        if (inside.size() < 10 || outside.size() < 10) break;
        const DiscEdge next = Above(slice, 0.5 * (Median(inside) + Median(outside)), &edge);
        const bool settled = std::fabs(next.centre.column - edge.centre.column) < 1e-3 &&
                             std::fabs(next.centre.row - edge.centre.row) < 1e-3 &&
                             std::fabs(next.radius - edge.radius) < 1e-3;
        edge = next;
        if (settled) break;
    }
    return edge;
}

FrequencyCurve EdgeMtf(const SliceValues& slice, const DiscEdge& edge) {
    RequireSlice(slice);
    const std::string problem = EdgeProblem(edge);
    if (!problem.empty()) throw LabError(problem);
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
