// acr_criteria.h - the pass criteria the American College of Radiology
// publishes for its CT accreditation phantom (ACR CT Accreditation Program,
// phantom testing instructions; ACR 2017 CT Quality Control Manual; the
// phantom and its tests: McCollough et al., Med. Phys. 31 (2004)
// 2423-2442). The qa report holds a simulated phantom to them; passing
// there is not accreditation.
#pragma once

#include <vector>

#include "lab/objects/x_ray_physics.h"

namespace lab {

// Hounsfield units from `low` to `high`, both included.
struct HuRange {
    double low, high;
    bool Holds(double hu) const { return hu >= low && hu <= high; }
};

// CT number accuracy (module 1): water -7..+7, air -1005..-970,
// polyethylene -107..-84, acrylic +110..+135, bone +850..+970 HU (the bone
// insert is a bone-mimicking plastic). Throws LabError for a material the
// ACR gives no range for.
HuRange AcrCtNumberRange(Material material);

// Uniformity (module 3): each edge region's mean within 5 HU of the
// centre's; the centre's water held to the water range above.
constexpr double AcrEdgeToCentreHu = 5.0;

// A criterion that depends on the protocol the phantom was scanned with.
struct ProtocolMinimum {
    const char* protocol;
    double minimum;
};
// Low contrast (module 2): the 25 mm rod's contrast-to-noise ratio must be
// above these.
const std::vector<ProtocolMinimum>& AcrCnrMinima();
// High contrast (module 4): the finest bar pattern resolved, in line pairs
// per cm, at least these.
const std::vector<ProtocolMinimum>& AcrResolutionMinima();

}  // namespace lab
