// scan_bounds.h - the checks of a scan's options that need the scan's own
// types; the ranges themselves are in option_bounds.h.
#pragma once

#include <string>
#include <vector>

#include "lab/scan/scan_artifacts.h"

namespace lab {

// Gains on the same channel multiply: each factor, and their product, within
// GainFactor. What is wrong, or "".
std::string GainsProblem(const std::vector<ChannelGain>& gains);

}  // namespace lab
