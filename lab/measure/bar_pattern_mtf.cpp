// bar_pattern_mtf.cpp
#include "lab/measure/bar_pattern_mtf.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "lab/core/field_geometry.h"
#include "lab/core/lab_error.h"

namespace lab {

RegionStats MeasureRectangle(const SliceValues& slice, PicturePoint topLeft, PicturePoint bottomRight) {
    if (topLeft.column < -0.5 || topLeft.row < -0.5 || bottomRight.column > FieldPixels - 0.5 ||
        bottomRight.row > FieldPixels - 0.5) {
        char message[160];
        snprintf(message, sizeof message,
                 "the rectangle from row %.1f, column %.1f to row %.1f, column %.1f reaches "
                 "outside the 256 x 256 picture",
                 topLeft.row, topLeft.column, bottomRight.row, bottomRight.column);
        throw LabError(message);
    }
    double sum = 0.0, squares = 0.0;
    int count = 0;
    const int c0 = static_cast<int>(std::ceil(topLeft.column)),
              c1 = static_cast<int>(std::ceil(bottomRight.column)) - 1;
    const int r0 = static_cast<int>(std::ceil(topLeft.row)), r1 = static_cast<int>(std::ceil(bottomRight.row)) - 1;
    for (int r = r0; r <= r1; ++r)
        for (int c = c0; c <= c1; ++c) {
            sum += slice[static_cast<size_t>(r) * FieldPixels + c];
            ++count;
        }
    if (count < 2) throw LabError("a rectangle holds fewer than two pixels");
    RegionStats stats;
    stats.pixels = count;
    stats.mean = sum / count;
    for (int r = r0; r <= r1; ++r)
        for (int c = c0; c <= c1; ++c) {
            const double d = slice[static_cast<size_t>(r) * FieldPixels + c] - stats.mean;
            squares += d * d;
        }
    stats.sd = std::sqrt(squares / (count - 1));
    return stats;
}

double DroegeMorinMtf(const RegionStats& pattern, const RegionStats& barMaterial, const RegionStats& background) {
    const double pi = 3.14159265358979323846;
    const double m0 = std::fabs(barMaterial.mean - background.mean) / 2.0;
    if (!(m0 > 0.0)) throw LabError("no bar contrast: the bar material reads as its background");
    const double noise2 = (barMaterial.sd * barMaterial.sd + background.sd * background.sd) / 2.0;
    const double m = std::sqrt(std::max(pattern.sd * pattern.sd - noise2, 0.0));
    return pi * std::sqrt(2.0) / 4.0 * m / m0;
}

}  // namespace lab
