// qa_report.h - the ACR phantom tests on a slice of the `qa` phantom in
// Hounsfield units, each region placed by the phantom's own layout.
#pragma once

#include <string>
#include <vector>

#include "lab/measure/acr_criteria.h"
#include "lab/measure/image_quality.h"

namespace lab {

struct MeasuredImage;

struct QaCtNumber {
    Material material;
    RegionStats region;
    HuRange acr;
    bool pass = false;
};

struct QaEdge {
    std::string place;
    RegionStats region;
    double fromCentre = 0.0;  // HU
    bool pass = false;
};
struct QaUniformity {
    RegionStats centre;  // also the noise: ACR sets no criterion for it
    HuRange water;
    bool centrePass = false;
    std::vector<QaEdge> edges;
    bool pass = false;
};

struct QaVerdict {
    ProtocolMinimum criterion;
    bool pass = false;
};

struct QaBarGroup {
    double linePairsPerCm = 0.0;
    RegionStats pattern;
    double mtf = 0.0;
    bool belowNyquist = false;  // above it the modulation is aliased
    bool resolved = false;
};
struct QaHighContrast {
    RegionStats barMaterial, background;
    std::vector<QaBarGroup> groups;
    double nyquistLpPerCm = 0.0;
    double limitLpPerCm = 0.0;  // the finest group resolved with all coarser ones; 0: none
    std::vector<QaVerdict> verdicts;
};

struct QaLowContrast {
    RegionStats rod, background;
    double cnr = 0.0;
    std::vector<QaVerdict> verdicts;
};

struct QaReport {
    double pixelMm = 0.0;
    bool pixelAssumed = false;  // the image did not say; the phantom's own
    std::vector<QaCtNumber> ctNumbers;
    QaUniformity uniformity;
    QaHighContrast highContrast;
    QaLowContrast lowContrast;
};

// `pixelMm` 0: the phantom's own pixel. Throws LabError for an image not in
// HU, a pixel at which the phantom does not fit, or an image whose air
// insert is not where the layout puts it.
QaReport MeasureQaPhantom(const MeasuredImage& image, double pixelMm);

}  // namespace lab
