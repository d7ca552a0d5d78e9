// option_bounds.h - the range of each numeric option, from what its value
// means, and of every number the lab reads from or writes to a sinogram or
// filter file; a value outside it, not finite or not a number is a usage
// error (status 2), said before any work. A new option names its range here
// and checks it with Within() or WholeNumber() (a place measured: PlaceCheck(),
// measure_places.h).
//
// Numbers on the command line are read in the C locale (a decimal point,
// never a comma), whatever locale Qt has switched the process to.
#pragma once

#include <climits>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "lab/core/field_geometry.h"

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
constexpr Bounds IterationCount{1.0, 100000.0, "iterations"};
// Subsets of the views an iterative method updates together.
constexpr Bounds ViewSubsets{1.0, SinoAngles, "subsets of the 180 views"};
// A frame of a multi-frame DICOM file, counted from 1.
constexpr Bounds FrameNumber{1.0, INT_MAX, "a frame number"};
// Any 64-bit seed; its top, 2^64 - 1, is no double: 2^64 stands for it.
constexpr Bounds SeedRange{0.0, 18446744073709551616.0, "a 64-bit seed"};
// A window in HU (--window CENTRE,WIDTH): the centre anywhere a DICOM CT
// image stores (16 bits), the width from one HU (the file's resolution) to
// the whole stored range.
constexpr Bounds HuWindowCentre{-32768.0, 32767.0, "HU, the window's centre"};
constexpr Bounds HuWindowWidth{1.0, 65536.0, "HU, the window's width"};

// The scanner's imperfections (--motion, --motion-rotate, --kvp,
// --filtration, --gain, --gain-spread, --metal).
// Motion during the scan: a field's width (256 pixels) either way takes the
// object out of the field altogether, and a whole turn either way brings it
// back where it was.
constexpr Bounds MotionShift{-256.0, 256.0, "field pixels moved during the scan"};
constexpr Bounds MotionTurn{-360.0, 360.0, "degrees turned during the scan"};
// A limited angle: the views of the first 1 to 180 degrees.
constexpr Bounds ArcDegrees{1.0, SinoAngles, "degrees of views measured"};
// A CT tube's voltage.
constexpr Bounds TubeVoltage{40.0, 150.0, "kV"};
// A CT beam's aluminium filter: clinical tubes have a few mm (2.5 mm keeps
// a sixth of a 40 kV beam's energy); 50 mm keeps 4e-6 of it, already a beam
// no scanner uses, and a thick enough filter leaves no photon in a double.
constexpr Bounds AluminiumMm{0.0, 50.0, "mm of aluminium"};
// A detector channel's gain: from a thousandth (a nearly dead element, a
// line integral 6.9 too high) to a thousand times the calibrated one.
// Factors on one channel multiply, and so must their product stay within.
constexpr Bounds GainFactor{1e-3, 1e3, "factor on the channel's intensity"};
// The standard deviation of every channel's gain about 1: a spread of 1 is
// already as wide as the gain itself (draws below 0.01 are taken as 0.01).
constexpr Bounds GainSpread{0.0, 1.0, "standard deviation of the gains"};
// A metal disc: its centre within a field's width of the field centre, its
// radius above 0 and at most the field's width.
constexpr Bounds MetalCentre{-256.0, 256.0, "field pixels from the field centre"};
constexpr double MaxMetalRadius = 256.0;

// Every line integral of a sinogram file, read or written: -ln of the
// fraction of the photons that pass along the ray. Beyond 1000 that
// fraction, e^-1000 (about 1e-434), lies below the smallest double
// (e^-745) and below any beam: a ray counting the lab's most photons, 1e15,
// stops at ln 1e15 = 35; the lab's polychromatic beam stops at 708 (e^-708
// is the smallest normal double), and its water correction of that at 957
// (150 kV). Within +-1000, a filter's taps within +-MaxTap and 180 views of 256
// bins, every sum of the reconstruction stays below 1e20: far from
// overflowing.
constexpr double MaxLineIntegral = 1000.0;
// A filter tap: the program's own filters reach about 25, the lab's
// (--scale 1e6) 2.5e5; a million times that is still a filter, beyond it
// only an overflow.
constexpr double MaxTap = 1e12;

// A channel's gain (--gain): a whole channel number of the file, 0..728,
// and a factor within GainFactor on its intensity. A metal disc (--metal):
// a radius above 0 up to MaxMetalRadius, the centre within MetalCentre.
// Each says what is wrong, or "" when nothing is; the command line and the
// window give the same words.
std::string GainProblem(double channel, double factor);
std::string MetalRadiusProblem(double radius);
std::string MetalCentreProblem(double x, double y);

// The first value of a sinogram (729 x 180 values, file order) that is not
// finite or lies beyond +-MaxLineIntegral, as "channel 3, angle 17 holds
// nan: not a finite number"; "" when every value is a line integral.
std::string LineIntegralProblem(const double* values);
// The same for a filter's 128 taps: "tap 5 holds inf: ...".
std::string TapProblem(const double* taps);

bool Contains(const Bounds& bounds, double value);
// "%g" in the C locale, for messages and the help: "1e+15".
std::string NumberText(double value, int digits = 6);
// "from 1 to 1e+15 (photons per ray)"
std::string RangeText(const Bounds& bounds);

// The whole text as one finite number, read in the C locale; nullopt for
// anything else (empty, trailing text, nan, inf, an overflow).
std::optional<double> FiniteNumber(const std::string& text);
// Exactly `count` finite numbers separated by commas ("0,38.5,10").
std::optional<std::vector<double>> FiniteNumbers(const std::string& text, size_t count);

// A CLI11 check: the text is a finite number within `bounds`.
CLI::Validator Within(const Bounds& bounds);
// A CLI11 check: numbers separated by commas, one within each of `bounds`.
CLI::Validator Within(const std::vector<Bounds>& bounds);
// A CLI11 check: the text is a whole number of digits from `min` to `max`
// (a seed beyond 64 bits is refused, not clamped).
CLI::Validator WholeNumber(uint64_t min, uint64_t max, const char* meaning);
// The same within `bounds`, whose ends are whole numbers.
CLI::Validator WholeNumber(const Bounds& bounds);

}  // namespace lab
