// fourier_rings.h - the 2-D discrete Fourier transform of a square cut from
// a slice, and a spectrum's mean over rings of the frequency plane: shared
// by the MTF from a point and the noise power spectrum.
#pragma once

#include <complex>
#include <vector>

#include "lab/measure/image_quality.h"

namespace lab {

using Complex = std::complex<double>;

// The 2-D transform (forward, unscaled) of a size x size square, row-major.
std::vector<Complex> Transform2d(const std::vector<double>& square, int size);

// The mean of `power` (size x size, in transform order) over rings 1/size
// wide, from 0 to the Nyquist frequency, 0.5 cycles per pixel.
FrequencyCurve RingAverage(const std::vector<double>& power, int size);

}  // namespace lab
