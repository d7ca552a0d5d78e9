// qa_phantom.h - the `qa` phantom's shapes, from its layout.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "lab/objects/phantoms.h"
#include "lab/objects/x_ray_physics.h"

namespace lab {

// Each material's shapes, with its attenuation relative to water at the
// effective energy from xraylib: the water cylinder with a hole wherever
// another material lies, then air, polyethylene, acrylic and B-100 bone
// plastic. Added together they are the phantom at the effective energy.
std::vector<std::pair<Material, Phantom>> QaPhantomByMaterial();
Phantom QaPhantom();

// The phantom in a sentence, for the help: its inserts' CT numbers at the
// effective energy, its bars and rods.
std::string QaPhantomSummary();

}  // namespace lab
