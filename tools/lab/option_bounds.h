// option_bounds.h - the range of each numeric option, from what its value
// means; a value outside it, not finite or not a number is a usage error
// (status 2), said before any work. A new option names its range here and
// checks it with Within() or WholeNumber().
#pragma once

#include <cstdint>
#include <string>

namespace CLI {
class Validator;
}

namespace lab {

struct Bounds {
    double min;
    double max;
    const char* meaning;  // the unit or sense, for the message
};

// Photons incident on each ray: below one the counts mean nothing; above
// 1e15 the noise is far below a double's resolution of the line integrals.
constexpr Bounds PhotonsPerRay{1.0, 1e15, "photons per ray"};
// The width of the 256-pixel field: millimetres for a DICOM slice (a body
// is well under a metre), picture pixels for a picture.
constexpr Bounds FieldWidthRange{1.0, 65536.0, "millimetres for DICOM, picture pixels for a picture"};
// The factor on every filter tap (the program's own filters use about 100).
constexpr Bounds TapScale{1e-6, 1e6, "factor on every tap"};
// The filter's cutoff: below 0.01 of the Nyquist frequency the kernel is
// wider than its 128 taps.
constexpr Bounds CutoffFraction{0.01, 1.0, "fraction of the Nyquist frequency"};

// The step of an algebraic update: the methods converge for steps below 2.
constexpr Bounds RelaxationStep{1e-6, 2.0, "step of each update"};
// The width of a field pixel, from a micro-CT's to a field of 25 m.
constexpr Bounds PixelWidthMm{1e-3, 100.0, "millimetres per pixel"};
// Sweeps of an iterative reconstruction: a day's work at most.
constexpr uint64_t MaxIterations = 100000;

// A channel's gain (--gain): a whole channel number of the file, 0..728,
// and a factor above 0 on its intensity (0 would be an infinite line
// integral). A metal disc (--metal): a radius above 0 in field pixels.
// Each says what is wrong, or "" when nothing is; the command line and the
// window give the same words.
std::string GainProblem(double channel, double factor);
std::string MetalRadiusProblem(double radius);

bool Contains(const Bounds& bounds, double value);
// "from 1 to 1e+15 (photons per ray)"
std::string RangeText(const Bounds& bounds);

// A CLI11 check: the text is a finite number within `bounds`.
CLI::Validator Within(const Bounds& bounds);
// A CLI11 check: the text is a whole number of digits from `min` to `max`
// (a seed beyond 64 bits is refused, not clamped).
CLI::Validator WholeNumber(uint64_t min, uint64_t max, const char* meaning);

}  // namespace lab
