// scan_object.h - what the objects of `sinogram` and `phantom` are made of,
// for a scan with artifacts.
#pragma once

#include <string>

#include "lab/scan/scan_artifacts.h"

namespace lab {

// A picture is water at its grey level's density. A CT slice (`fromHu`),
// when the beam is polychromatic, is split by Hounsfield units: up to
// BoneFromHu water of density 1 + HU / 1000, above it a mixture of water
// (1.1 at BoneFromHu) and cortical bone (all bone at BoneHu(), the bone's
// own attenuation at the effective energy, about 1,790 HU), the total
// attenuation at the effective energy staying 1 + HU / 1000.
constexpr double BoneFromHu = 100.0;
double BoneHu();
ScanObject ObjectFromField(const FieldImage& field, bool fromHu, bool polychromatic);

// The phantom `name` (see MakePhantom). With a polychromatic beam the
// Shepp-Logan heads' skull is bone and the rest water, each of the qa
// phantom's materials is its own; the others are water.
ScanObject ObjectFromPhantom(const std::string& name, bool polychromatic);

}  // namespace lab
