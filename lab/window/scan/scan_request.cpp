// scan_request.cpp
#include "lab/window/scan/scan_request.h"

namespace labwin {

bool SameArtifacts(const lab::ArtifactOptions& a, const lab::ArtifactOptions& b) {
    const auto sameGains = [&] {
        if (a.gains.size() != b.gains.size()) return false;
        for (size_t k = 0; k < a.gains.size(); ++k)
            if (a.gains[k].channel != b.gains[k].channel || a.gains[k].factor != b.gains[k].factor) return false;
        return true;
    };
    const auto sameMetals = [&] {
        if (a.metals.size() != b.metals.size()) return false;
        for (size_t k = 0; k < a.metals.size(); ++k) {
            const lab::MetalDisc &m = a.metals[k], &n = b.metals[k];
            if (m.x != n.x || m.y != n.y || m.radius != n.radius || m.material != n.material) return false;
        }
        return true;
    };
    return a.views == b.views && a.arcDegrees == b.arcDegrees && a.gainSpread == b.gainSpread &&
           a.motionX == b.motionX && a.motionY == b.motionY && a.motionDegrees == b.motionDegrees && a.kvp == b.kvp &&
           a.filtrationMm == b.filtrationMm && a.waterCorrection == b.waterCorrection && sameGains() && sameMetals();
}

}  // namespace labwin
