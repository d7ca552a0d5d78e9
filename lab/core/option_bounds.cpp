// option_bounds.cpp - the texts are parsed here, not by CLI11's own range
// checks, whose messages print the largest double.
#include "lab/core/option_bounds.h"

#include "base/c_locale.h"
#include "recon/compute/recon_data.h"
#include "lab/core/field_geometry.h"

#include <CLI/CLI.hpp>

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace lab {

namespace {

// For the help: "[1, 1e+15]".
std::string Interval(double min, double max) {
    const CLocaleScope numbersInC;
    char text[64];
    snprintf(text, sizeof text, "[%g, %g]", min, max);
    return text;
}

// Why `value` is no number within +-`limit`, or "".
std::string BeyondProblem(double value, double limit, const std::string& meaning) {
    if (!std::isfinite(value)) return "holds " + NumberText(value) + ": not a finite number";
    if (std::fabs(value) > limit)
        return "holds " + NumberText(value, 10) + ": beyond +-" + NumberText(limit) + ", " + meaning;
    return "";
}

}  // namespace

std::string NumberText(double value, int digits) {
    const CLocaleScope numbersInC;
    char text[40];
    snprintf(text, sizeof text, "%.*g", digits, value);
    return text;
}

std::string GainProblem(double channel, double factor) {
    if (!std::isfinite(channel) || channel != std::floor(channel) || channel < 0 || channel >= SinoChannels)
        return "the channel must be a whole number 0.." + std::to_string(SinoChannels - 1);
    if (!Contains(GainFactor, factor)) return "the factor must be a number " + RangeText(GainFactor);
    return "";
}

std::string MetalRadiusProblem(double radius) {
    return std::isfinite(radius) && radius > 0.0 && radius <= MaxMetalRadius
               ? ""
               : "the radius must be above 0 and at most " + NumberText(MaxMetalRadius) + " field pixels";
}

std::string MetalCentreProblem(double x, double y) {
    if (Contains(MetalCentre, x) && Contains(MetalCentre, y)) return "";
    return "the centre must be numbers " + RangeText(MetalCentre);
}

std::string LineIntegralProblem(const double* values) {
    for (int c = 0; c < SinoChannels; ++c) {
        for (int a = 0; a < SinoAngles; ++a) {
            const double value = values[SinogramIndex(c, a)];
            if (std::isfinite(value) && std::fabs(value) <= MaxLineIntegral) continue;
            return "channel " + std::to_string(c) + ", angle " + std::to_string(a) + " " +
                   BeyondProblem(value, MaxLineIntegral,
                                 "where no photon of any beam passes (a line integral is -ln of the fraction passing)");
        }
    }
    return "";
}

std::string TapProblem(const double* taps) {
    for (int n = 0; n < KernelTaps; ++n)
        if (!std::isfinite(taps[n]) || std::fabs(taps[n]) > MaxTap)
            return "tap " + std::to_string(n) + " " +
                   BeyondProblem(taps[n], MaxTap, "where the reconstruction's sums would overflow");
    return "";
}

bool Contains(const Bounds& bounds, double value) {
    return std::isfinite(value) && value >= bounds.min && value <= bounds.max;
}

std::string RangeText(const Bounds& bounds) {
    const CLocaleScope numbersInC;
    char text[200];
    snprintf(text, sizeof text, "from %g to %g (%s)", bounds.min, bounds.max, bounds.meaning);
    return text;
}

std::optional<double> FiniteNumber(const std::string& text) {
    // strtod skips leading white space; a number here has none.
    if (text.empty() || std::isspace(static_cast<unsigned char>(text[0]))) return std::nullopt;
    char* end = nullptr;
    errno = 0;
    const double value = strtod_l(text.c_str(), &end, CLocale());
    // ERANGE: an overflow, or an underflow to a subnormal or 0 (1e-400),
    // which is not the number written either.
    if (*end != '\0' || errno != 0 || !std::isfinite(value)) return std::nullopt;
    return value;
}

std::optional<std::vector<double>> FiniteNumbers(const std::string& text, size_t count) {
    std::vector<double> numbers;
    size_t start = 0;
    while (true) {
        const size_t comma = text.find(',', start);
        const std::optional<double> number =
            FiniteNumber(text.substr(start, comma == std::string::npos ? std::string::npos : comma - start));
        if (!number) return std::nullopt;
        numbers.push_back(*number);
        if (comma == std::string::npos) break;
        start = comma + 1;
    }
    if (numbers.size() != count) return std::nullopt;
    return numbers;
}

CLI::Validator Within(const Bounds& bounds) {
    return CLI::Validator(
        [bounds](std::string& text) -> std::string {
            const std::optional<double> value = FiniteNumber(text);
            if (value && Contains(bounds, *value)) return "";
            return "'" + text + "' is not a number " + RangeText(bounds);
        },
        Interval(bounds.min, bounds.max));
}

CLI::Validator Within(const std::vector<Bounds>& bounds) {
    std::string description;
    for (const Bounds& b : bounds) description += (description.empty() ? "" : ",") + Interval(b.min, b.max);
    return CLI::Validator(
        [bounds](std::string& text) -> std::string {
            const std::optional<std::vector<double>> values = FiniteNumbers(text, bounds.size());
            if (!values)
                return "'" + text + "' is not " + std::to_string(bounds.size()) +
                       " finite numbers separated by commas";
            for (size_t k = 0; k < bounds.size(); ++k)
                if (!Contains(bounds[k], (*values)[k]))
                    return "'" + text + "': number " + std::to_string(k + 1) + " is not " + RangeText(bounds[k]);
            return "";
        },
        description);
}

CLI::Validator WholeNumber(uint64_t min, uint64_t max, const char* meaning) {
    return CLI::Validator(
        [min, max, meaning](std::string& text) -> std::string {
            const bool digits = !text.empty() && text.find_first_not_of("0123456789") == std::string::npos;
            errno = 0;
            const unsigned long long value = digits ? std::strtoull(text.c_str(), nullptr, 10) : 0;
            if (digits && errno == 0 && value >= min && value <= max) return "";
            return "'" + text + "' is not a whole number from " + std::to_string(min) + " to " + std::to_string(max) +
                   " (" + meaning + ")";
        },
        "[" + std::to_string(min) + ", " + std::to_string(max) + "]");
}

CLI::Validator WholeNumber(const Bounds& bounds) {
    // 2^64, the top of SeedRange, is one beyond any uint64_t.
    const auto whole = [](double end) {
        return end >= SeedRange.max ? UINT64_MAX : static_cast<uint64_t>(end);
    };
    return WholeNumber(whole(bounds.min), whole(bounds.max), bounds.meaning);
}
}  // namespace lab
