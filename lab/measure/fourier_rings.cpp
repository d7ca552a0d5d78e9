// fourier_rings.cpp - radix-2 FFTs for the square sizes a user picks most
// (plain DFTs for other sizes); spectra averaged over rings of the 2-D
// frequency plane one frequency step wide.
#include "lab/measure/fourier_rings.h"

#include <algorithm>
#include <cmath>

#include "lab/measure/slice_pixels.h"

namespace lab {

namespace {

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

}  // namespace

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

// The rings stop at the Nyquist frequency: beyond it only diagonal
// frequencies remain, which would bias a radial average.
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

}  // namespace lab
