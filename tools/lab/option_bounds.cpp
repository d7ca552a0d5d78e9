// option_bounds.cpp - the texts are parsed here, not by CLI11's own range
// checks, whose messages print the largest double.
#include "tools/lab/option_bounds.h"

#include "tools/lab/field_geometry.h"

#include <CLI/CLI.hpp>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace lab {

namespace {

// For the help: "[1, 1e+15]".
std::string Interval(double min, double max) {
    char text[64];
    snprintf(text, sizeof text, "[%g, %g]", min, max);
    return text;
}

}  // namespace

std::string GainProblem(double channel, double factor) {
    if (!std::isfinite(channel) || channel != std::floor(channel) || channel < 0 || channel >= SinoChannels)
        return "the channel must be a whole number 0.." + std::to_string(SinoChannels - 1);
    if (!std::isfinite(factor) || factor <= 0.0) return "the factor must be above 0";
    return "";
}

std::string MetalRadiusProblem(double radius) {
    return std::isfinite(radius) && radius > 0.0 ? "" : "the radius must be above 0";
}

bool Contains(const Bounds& bounds, double value) {
    return std::isfinite(value) && value >= bounds.min && value <= bounds.max;
}

std::string RangeText(const Bounds& bounds) {
    char text[200];
    snprintf(text, sizeof text, "from %g to %g (%s)", bounds.min, bounds.max, bounds.meaning);
    return text;
}

CLI::Validator Within(const Bounds& bounds) {
    return CLI::Validator(
        [bounds](std::string& text) -> std::string {
            char* end = nullptr;
            errno = 0;
            const double value = std::strtod(text.c_str(), &end);
            if (!text.empty() && *end == '\0' && errno == 0 && Contains(bounds, value)) return "";
            return "'" + text + "' is not a number " + RangeText(bounds);
        },
        Interval(bounds.min, bounds.max));
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

}  // namespace lab
