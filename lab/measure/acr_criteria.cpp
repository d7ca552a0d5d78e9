// acr_criteria.cpp
#include "lab/measure/acr_criteria.h"

#include "lab/core/lab_error.h"

namespace lab {

HuRange AcrCtNumberRange(Material material) {
    switch (material) {
    case Material::Water: return {-7.0, 7.0};
    case Material::Air: return {-1005.0, -970.0};
    case Material::Polyethylene: return {-107.0, -84.0};
    case Material::Acrylic: return {110.0, 135.0};
    case Material::BonePlastic: return {850.0, 970.0};
    default: throw LabError("the ACR gives no CT number range for " + MaterialName(material));
    }
}

const std::vector<ProtocolMinimum>& AcrCnrMinima() {
    static const std::vector<ProtocolMinimum> minima = {
        {"adult head", 1.0}, {"adult abdomen", 1.0}, {"paediatric head", 0.7}, {"paediatric abdomen", 0.4}};
    return minima;
}

const std::vector<ProtocolMinimum>& AcrResolutionMinima() {
    static const std::vector<ProtocolMinimum> minima = {{"adult abdomen", 6.0}, {"high-resolution chest", 8.0}};
    return minima;
}

}  // namespace lab
