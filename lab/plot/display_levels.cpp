// display_levels.cpp
#include "lab/plot/display_levels.h"

#include <algorithm>
#include <cstdint>

#include "base/to_int.h"

namespace lab {

namespace {

int Grey(double scaled) { return std::clamp(TruncToInt32(scaled), 0, 255); }

}  // namespace

std::vector<double> ScaledLevels(const std::vector<double>& values) {
    const double top = *std::max_element(values.begin(), values.end());
    std::vector<double> scaled(values.size());
    for (size_t k = 0; k < values.size(); ++k) scaled[k] = (values[k] * 255.0) / top;
    return scaled;
}

std::vector<int> FullRangeGreys(const std::vector<double>& scaled) {
    std::vector<int> greys(scaled.size());
    for (size_t k = 0; k < scaled.size(); ++k) greys[k] = Grey(scaled[k]);
    return greys;
}

std::vector<int> WindowedGreys(const std::vector<double>& scaled, int centre, int width) {
    const int32_t half = width / 2;
    const double upper = static_cast<double>(static_cast<int64_t>(centre) + half);
    const double lower = static_cast<double>(static_cast<int64_t>(centre) - half);
    const double range = upper - lower;
    std::vector<int> greys(scaled.size());
    for (size_t k = 0; k < scaled.size(); ++k) greys[k] = Grey(((scaled[k] - lower) * 255.0) / range);
    return greys;
}

std::vector<int> HuWindowGreys(const std::vector<double>& hu, double centre, double width) {
    const double lower = centre - width / 2.0;
    std::vector<int> greys(hu.size());
    for (size_t k = 0; k < hu.size(); ++k) greys[k] = Grey(((hu[k] - lower) * 255.0) / width);
    return greys;
}

}  // namespace lab
