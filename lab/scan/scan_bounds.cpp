// scan_bounds.cpp
#include "lab/scan/scan_bounds.h"

#include <map>

#include "lab/core/option_bounds.h"

namespace lab {

std::string GainsProblem(const std::vector<ChannelGain>& gains) {
    std::map<int, double> product;
    for (const ChannelGain& g : gains) {
        const std::string problem = GainProblem(g.channel, g.factor);
        if (!problem.empty()) return problem;
        product.try_emplace(g.channel, 1.0).first->second *= g.factor;
    }
    for (const auto& [channel, factor] : product)
        if (!Contains(GainFactor, factor))
            return "the factors on channel " + std::to_string(channel) + " multiply to " + NumberText(factor) +
                   ", and must stay " + RangeText(GainFactor);
    return "";
}

}  // namespace lab
