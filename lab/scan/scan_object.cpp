// scan_object.cpp
#include "lab/scan/scan_object.h"

#include <algorithm>

#include "lab/objects/qa_phantom.h"

namespace lab {

namespace {

MaterialMap FromShapes(Material material, Phantom shapes) {
    MaterialMap map;
    map.material = material;
    map.field = RasterisePhantom(shapes);
    map.shapes = std::move(shapes);
    return map;
}

}  // namespace

double BoneHu() { return 1000.0 * (RelativeToWater(Material::Bone) - 1.0); }

ScanObject ObjectFromField(const FieldImage& field, bool fromHu, bool polychromatic) {
    ScanObject object;
    object.pixelMm = field.pixelMm;
    MaterialMap water{Material::Water, field, std::nullopt};
    if (!fromHu || !polychromatic) {
        object.maps.push_back(std::move(water));
        return object;
    }
    MaterialMap bone{Material::Bone, FieldImage{}, std::nullopt};
    const double boneHu = BoneHu();
    const double waterAtSplit = 1.0 + BoneFromHu / 1000.0;
    for (size_t k = 0; k < field.values.size(); ++k) {
        const double relative = field.values[k];
        const double hu = 1000.0 * (relative - 1.0);
        if (hu <= BoneFromHu) continue;
        // The bone's share of the volume; all bone from boneHu on.
        const double share = std::min((hu - BoneFromHu) / (boneHu - BoneFromHu), 1.0);
        water.field.values[k] = waterAtSplit * (1.0 - share);
        bone.field.values[k] = relative - water.field.values[k];
    }
    object.maps.push_back(std::move(water));
    object.maps.push_back(std::move(bone));
    return object;
}

ScanObject ObjectFromPhantom(const std::string& name, bool polychromatic) {
    ScanObject object;
    if (polychromatic && name == "qa") {
        for (auto& [material, shapes] : QaPhantomByMaterial())
            object.maps.push_back(FromShapes(material, std::move(shapes)));
        return object;
    }
    Phantom phantom = MakePhantom(name);
    const bool head = name == "shepp-logan" || name == "modified-shepp-logan";
    if (!polychromatic || !head) {
        object.maps.push_back(FromShapes(Material::Water, std::move(phantom)));
        return object;
    }
    // The head's first ellipse is the skull's outside, the second (inside
    // it, taking most of its density away) the brain: as materials the
    // skull is the first less the second, in bone, and the brain is water
    // of what remains.
    Ellipse outer = phantom.ellipses[0], inner = phantom.ellipses[1];
    Phantom skull, brain;
    skull.ellipses = {outer, inner};
    skull.ellipses[1].density = -outer.density;
    brain.ellipses.assign(phantom.ellipses.begin() + 1, phantom.ellipses.end());
    brain.ellipses[0].density = outer.density + inner.density;
    object.maps.push_back(FromShapes(Material::Bone, std::move(skull)));
    object.maps.push_back(FromShapes(Material::Water, std::move(brain)));
    return object;
}

}  // namespace lab
