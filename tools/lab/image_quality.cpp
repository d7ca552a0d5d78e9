// image_quality.cpp - the transforms are radix-2 FFTs for the square sizes
// a user picks most (plain DFTs for other sizes); the spectra are averaged
// over rings of the 2-D frequency plane one frequency step wide.
#include "tools/lab/image_quality.h"

#include <QString>

#include <algorithm>
#include <cmath>
#include <complex>
#include <numeric>
#include <string>

#include "tools/lab/field_geometry.h"
#include "tools/lab/lab_error.h"
#include "tools/lab/phantoms.h"

namespace lab {

namespace {

using Complex = std::complex<double>;
const double Pi = 3.14159265358979323846;
constexpr int N = FieldPixels;

double At(const SliceValues& slice, int column, int row) { return slice[static_cast<size_t>(row) * N + column]; }

std::string Describe(PicturePoint p) {
    char text[64];
    snprintf(text, sizeof text, "row %.1f, column %.1f", p.row, p.column);
    return text;
}

// The transform of `data` in place (forward, unscaled).
void Transform(std::vector<Complex>& data) {
    const size_t n = data.size();
    if (n & (n - 1)) {  // not a power of two
        std::vector<Complex> out(n);
        for (size_t k = 0; k < n; ++k)
            for (size_t j = 0; j < n; ++j) out[k] += data[j] * std::polar(1.0, -2.0 * Pi * double(k * j % n) / n);
        data = out;
        return;
    }
    for (size_t i = 1, j = 0; i < n; ++i) {
        size_t bit = n >> 1;
        for (; j & bit; bit >>= 1) j ^= bit;
        j ^= bit;
        if (i < j) std::swap(data[i], data[j]);
    }
    for (size_t length = 2; length <= n; length <<= 1) {
        const Complex step = std::polar(1.0, -2.0 * Pi / length);
        for (size_t start = 0; start < n; start += length) {
            Complex w = 1.0;
            for (size_t k = 0; k < length / 2; ++k, w *= step) {
                const Complex a = data[start + k], b = data[start + k + length / 2] * w;
                data[start + k] = a + b;
                data[start + k + length / 2] = a - b;
            }
        }
    }
}

// The 2-D transform of a size x size square, row-major.
std::vector<Complex> Transform2d(const std::vector<double>& square, int size) {
    std::vector<Complex> data(square.begin(), square.end()), line(size);
    for (int r = 0; r < size; ++r) {
        std::copy(data.begin() + r * size, data.begin() + (r + 1) * size, line.begin());
        Transform(line);
        std::copy(line.begin(), line.end(), data.begin() + r * size);
    }
    for (int c = 0; c < size; ++c) {
        for (int r = 0; r < size; ++r) line[r] = data[r * size + c];
        Transform(line);
        for (int r = 0; r < size; ++r) data[r * size + c] = line[r];
    }
    return data;
}

// The mean of `power` over rings 1/size wide, from 0 to the Nyquist
// frequency, 0.5 cycles per pixel (beyond it only diagonal frequencies
// remain, which would bias a radial average).
FrequencyCurve RingAverage(const std::vector<double>& power, int size) {
    const int rings = size / 2 + 1;
    std::vector<double> sum(rings, 0.0);
    std::vector<int> count(rings, 0);
    for (int v = 0; v < size; ++v) {
        for (int u = 0; u < size; ++u) {
            const int fu = u <= size / 2 ? u : u - size, fv = v <= size / 2 ? v : v - size;
            const int ring = static_cast<int>(std::lround(std::hypot(fu, fv)));
            if (ring >= rings) continue;
            sum[ring] += power[v * size + u];
            ++count[ring];
        }
    }
    FrequencyCurve spectrum;
    for (int k = 0; k < rings; ++k) {
        if (count[k] == 0) continue;
        spectrum.frequency.push_back(static_cast<double>(k) / size);
        spectrum.value.push_back(sum[k] / count[k]);
    }
    return spectrum;
}

// The square of `size` pixels whose centre is nearest `centre`; throws when
// it does not fit in the picture.
std::vector<double> Square(const SliceValues& slice, PicturePoint centre, int size, const char* what) {
    const int left = static_cast<int>(std::lround(centre.column - size / 2.0 + 0.5)),
              top = static_cast<int>(std::lround(centre.row - size / 2.0 + 0.5));
    if (size < 4 || left < 0 || top < 0 || left + size > N || top + size > N)
        throw LabError(std::string(what) + " of " + std::to_string(size) + " pixels at " + Describe(centre) +
                       " does not fit in the 256 x 256 picture");
    std::vector<double> square(static_cast<size_t>(size) * size);
    for (int r = 0; r < size; ++r)
        for (int c = 0; c < size; ++c) square[r * size + c] = At(slice, left + c, top + r);
    return square;
}

}  // namespace

PicturePoint FromField(double x, double y) { return {x + RotationCentre, RotationCentre - y}; }

RegionStats MeasureCircle(const SliceValues& slice, PicturePoint centre, double radius) {
    if (centre.column - radius < -0.5 || centre.row - radius < -0.5 || centre.column + radius > N - 0.5 ||
        centre.row + radius > N - 0.5)
        throw LabError("the region of radius " + QString::number(radius).toStdString() + " at " + Describe(centre) +
                       " reaches outside the 256 x 256 picture");
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

FrequencyCurve PointMtf(const SliceValues& slice) {
    const size_t peakAt = std::max_element(slice.begin(), slice.end()) - slice.begin();
    const PicturePoint peak{static_cast<double>(peakAt % N), static_cast<double>(peakAt / N)};
    const int size = 64;
    if (peak.column < size / 2 || peak.row < size / 2 || peak.column + size / 2 > N || peak.row + size / 2 > N)
        throw LabError("the brightest pixel, at " + Describe(peak) + ", lies too near the picture's edge for a "
                       "64 x 64 point-spread square");
    std::vector<double> square = Square(slice, {peak.column - 0.5, peak.row - 0.5}, size, "the point-spread square");
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

NoisePower NoisePowerSpectrum(const SliceValues& slice, PicturePoint centre, int size, const SliceValues* other) {
    std::vector<double> square = Square(slice, centre, size, "the noise square");
    double gain = 1.0;
    if (other) {
        const std::vector<double> second = Square(*other, centre, size, "the noise square");
        for (size_t k = 0; k < square.size(); ++k) square[k] -= second[k];
        gain = 0.5;  // the difference holds the noise of two slices
    }
    const double mean = std::accumulate(square.begin(), square.end(), 0.0) / square.size();
    for (double& v : square) v -= mean;
    const std::vector<Complex> transform = Transform2d(square, size);
    std::vector<double> power(transform.size());
    NoisePower result;
    for (size_t k = 0; k < transform.size(); ++k) {
        power[k] = gain * std::norm(transform[k]) / (static_cast<double>(size) * size);
        result.variance += power[k];
    }
    result.variance /= static_cast<double>(size) * size;  // the frequency cell is 1 / size^2
    result.spectrum = RingAverage(power, size);
    return result;
}

std::vector<LinePairGroup> LinePairModulation(const SliceValues& slice) {
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
    for (PicturePoint p : {from, to})
        if (p.column < 0 || p.row < 0 || p.column > N - 1 || p.row > N - 1)
            throw LabError("the profile's end at " + Describe(p) + " lies outside the picture's pixel centres");
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
