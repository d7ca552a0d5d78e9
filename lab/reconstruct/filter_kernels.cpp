// filter_kernels.cpp - every window is a sum of cosines (or, for
// Shepp-Logan, a sine), so each tap is a short sum of integrals of the forms
//     I(x) = integral from 0 to F of f cos(pi x f / F) df
//     J(y) = integral from 0 to F of sin(pi y f / F) df,
// with x and y multiples of the tap position. Sines and cosines of pi times
// those arguments are exact at whole and half numbers, so the textbook taps
// come out exactly (Ram-Lak's even taps are exactly 0).
#include "lab/reconstruct/filter_kernels.h"

#include <cmath>

#include "lab/core/lab_error.h"
#include "lab/core/option_bounds.h"

namespace lab {

namespace {

const double Pi = 3.14159265358979323846;

// sin(pi x) and cos(pi x), exact where x is a multiple of 0.5.
double SinPi(double x) {
    const double r = std::fmod(x, 2.0);
    if (r == std::floor(r)) return 0.0;
    if (r * 2.0 == std::floor(r * 2.0)) return (r == 0.5 || r == -1.5) ? 1.0 : -1.0;
    return std::sin(Pi * r);
}
double CosPi(double x) {
    const double r = std::fmod(std::fabs(x), 2.0);
    if (r == 0.0) return 1.0;
    if (r == 1.0) return -1.0;
    if (r == 0.5 || r == 1.5) return 0.0;
    return std::cos(Pi * r);
}

// integral from 0 to F of f cos(pi x f / F) df
double RampCosine(double x, double F) {
    if (x == 0.0) return F * F / 2.0;
    return F * F * SinPi(x) / (Pi * x) + F * F * (CosPi(x) - 1.0) / (Pi * Pi * x * x);
}

// integral from 0 to F of sin(pi y f / F) df
double Sine(double y, double F) {
    if (y == 0.0) return 0.0;
    return F * (1.0 - CosPi(y)) / (Pi * y);
}

// The window as cosine terms: weight and frequency in units of pi / F.
struct CosineTerm {
    double weight, frequency;
};
std::vector<CosineTerm> WindowTerms(const std::string& name) {
    if (name == "ramlak") return {{1.0, 0.0}};
    if (name == "cosine") return {{1.0, 0.5}};
    if (name == "hamming") return {{0.54, 0.0}, {0.46, 1.0}};
    if (name == "hann") return {{0.5, 0.0}, {0.5, 1.0}};
    throw LabError("unknown filter '" + name + "'");
}

void CheckCutoff(double cutoff) {
    if (!Contains(CutoffFraction, cutoff)) throw LabError("the cutoff must be " + RangeText(CutoffFraction));
}

}  // namespace

const std::vector<std::string>& KernelNames() {
    static const std::vector<std::string> names = {"ramlak", "shepp-logan", "cosine", "hamming", "hann"};
    return names;
}

std::string KernelTitle(const std::string& name) {
    if (name == "ramlak") return "Ram-Lak";
    if (name == "shepp-logan") return "Shepp-Logan";
    if (name == "cosine") return "cosine";
    if (name == "hamming") return "Hamming";
    if (name == "hann") return "Hann";
    return name;
}

std::vector<double> KernelTaps(const std::string& name, double cutoff) {
    CheckCutoff(cutoff);
    const double F = cutoff * 0.5;
    std::vector<double> taps(KernelTapCount);
    if (name == "shepp-logan") {
        // f sinc(f / 2F) = (2F / pi) sin(pi f / 2F)
        for (int n = 0; n < KernelTapCount; ++n) {
            const double x = 2.0 * n * F;  // cos(2 pi f n) = cos(pi x f / F)
            taps[n] = (2.0 * F / Pi) * (Sine(0.5 + x, F) + Sine(0.5 - x, F));
        }
        return taps;
    }
    const std::vector<CosineTerm> terms = WindowTerms(name);
    for (int n = 0; n < KernelTapCount; ++n) {
        const double x = 2.0 * n * F;
        double tap = 0.0;
        for (const CosineTerm& t : terms)
            tap += t.weight * (RampCosine(x + t.frequency, F) + RampCosine(x - t.frequency, F));
        taps[n] = tap;
    }
    return taps;
}

double DesignResponse(const std::string& name, double cutoff, double f) {
    CheckCutoff(cutoff);
    const double F = cutoff * 0.5;
    f = std::fabs(f);
    if (f > F) return 0.0;
    if (name == "shepp-logan") return f == 0.0 ? 0.0 : (2.0 * F / Pi) * std::sin(Pi * f / (2.0 * F));
    double window = 0.0;
    for (const CosineTerm& t : WindowTerms(name)) window += t.weight * std::cos(Pi * t.frequency * f / F);
    return f * window;
}

double TapsResponse(const std::vector<double>& taps, double f) {
    double sum = taps.empty() ? 0.0 : taps[0];
    for (size_t n = 1; n < taps.size(); ++n) sum += 2.0 * taps[n] * std::cos(2.0 * Pi * f * n);
    return sum;
}

}  // namespace lab
