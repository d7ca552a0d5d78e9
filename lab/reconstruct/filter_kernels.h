// filter_kernels.h - the real-space kernels of filtered back projection,
// computed from their frequency responses.
//
// Each kernel is the ramp |f| times a window W(f), cut off at F = cutoff x
// 0.5 cycles per bin (1 = the Nyquist frequency of the bins). Its taps are
// the inverse Fourier transform at whole bins,
//     h(n) = 2 * integral from 0 to F of f W(f) cos(2 pi f n) df,
// evaluated in closed form. Tap 0 is the centre; tap n weighs the bins at
// distance n on either side.
#pragma once

#include <string>
#include <vector>

namespace lab {

constexpr int KernelTapCount = 128;

// The names the `filter` command takes.
const std::vector<std::string>& KernelNames();
// A readable title for a name, e.g. "Shepp-Logan".
std::string KernelTitle(const std::string& name);

// 128 taps at unit scale; throws LabError for an unknown name or a cutoff
// outside CutoffFraction.
std::vector<double> KernelTaps(const std::string& name, double cutoff);

// The response the kernel is designed for at frequency f (cycles per bin).
double DesignResponse(const std::string& name, double cutoff, double f);

// The response of the taps as the reconstruction applies them (255 taps,
// mirrored): h(0) + 2 * sum of h(n) cos(2 pi f n).
double TapsResponse(const std::vector<double>& taps, double f);

}  // namespace lab
