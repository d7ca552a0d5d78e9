// field_image.cpp - exact area resampling: a source pixel and a field pixel
// are both squares (rectangles for unequal spacing), and a field pixel takes
// each source pixel with the fraction of its own area that they share. The
// weights are separable, so rows are resampled first, then columns.
#include "lab/core/field_image.h"

#include <algorithm>
#include <cmath>

namespace lab {

namespace {

struct Weight {
    int source;
    double fraction;
};

// For each of the 256 field cells along one axis, the source cells it
// overlaps and the share of the field cell's length each one covers. Both
// axes are centred on the same point.
std::vector<std::vector<Weight>> AxisWeights(int sourceCount, double sourceStep, double fieldStep) {
    std::vector<std::vector<Weight>> weights(FieldPixels);
    const double sourceStart = -0.5 * sourceCount * sourceStep;
    for (int i = 0; i < FieldPixels; ++i) {
        const double lo = (i - FieldPixels / 2) * fieldStep;
        const double hi = lo + fieldStep;
        const int first = std::max(0, static_cast<int>(std::floor((lo - sourceStart) / sourceStep)));
        const int last = std::min(sourceCount - 1, static_cast<int>(std::floor((hi - sourceStart) / sourceStep)));
        for (int k = first; k <= last; ++k) {
            const double cellLo = sourceStart + k * sourceStep;
            const double overlap = std::min(hi, cellLo + sourceStep) - std::max(lo, cellLo);
            if (overlap > 0.0) weights[i].push_back({k, overlap / fieldStep});
        }
    }
    return weights;
}

}  // namespace

FieldImage FitIntoField(const SourceImage& source, double fieldWidth) {
    FieldImage field;
    const double fieldStep = fieldWidth / FieldPixels;
    field.pixelMm = fieldStep;
    const auto columns = AxisWeights(source.width, source.spacingX, fieldStep);
    const auto rows = AxisWeights(source.height, source.spacingY, fieldStep);

    // Along x: every source row resampled to 256 columns.
    std::vector<double> across(static_cast<size_t>(source.height) * FieldPixels, 0.0);
    for (int y = 0; y < source.height; ++y) {
        const double* line = &source.values[static_cast<size_t>(y) * source.width];
        for (int i = 0; i < FieldPixels; ++i) {
            double sum = 0.0;
            for (const Weight& w : columns[i]) sum += w.fraction * line[w.source];
            across[static_cast<size_t>(y) * FieldPixels + i] = sum;
        }
    }
    // Along y.
    for (int r = 0; r < FieldPixels; ++r) {
        for (int i = 0; i < FieldPixels; ++i) {
            double sum = 0.0;
            for (const Weight& w : rows[r]) sum += w.fraction * across[static_cast<size_t>(w.source) * FieldPixels + i];
            field.at(i, r) = sum;
        }
    }
    CutToScannedDisc(field);
    return field;
}

void CutToScannedDisc(FieldImage& field) {
    for (int r = 0; r < FieldPixels; ++r) {
        for (int i = 0; i < FieldPixels; ++i) {
            if (!InScannedDisc(i, r)) field.at(i, r) = 0.0;
        }
    }
}

}  // namespace lab
