// slice_pixels.h - a slice's pixel by column and row, and a place named for
// a message: shared by the measurements of image_quality.h.
#pragma once

#include <cmath>
#include <cstdio>
#include <string>

#include "lab/core/field_geometry.h"
#include "lab/measure/image_quality.h"
#include "lab/core/lab_error.h"

namespace lab {

const double Pi = 3.14159265358979323846;

inline double At(const SliceValues& slice, int column, int row) {
    return slice[static_cast<size_t>(row) * FieldPixels + column];
}

inline std::string Describe(PicturePoint p) {
    char text[64];
    snprintf(text, sizeof text, "row %.1f, column %.1f", p.row, p.column);
    return text;
}

inline bool Finite(PicturePoint p) { return std::isfinite(p.column) && std::isfinite(p.row); }

// Every measurement's slice: 256 x 256 values (another size would be read
// out of bounds), each finite (a sort of values holding NaN has no order).
inline void RequireSlice(const SliceValues& slice) {
    if (slice.size() != static_cast<size_t>(FieldPixels) * FieldPixels)
        throw LabError("a slice of " + std::to_string(slice.size()) + " values; a measurement needs 256 x 256");
    for (size_t k = 0; k < slice.size(); ++k)
        if (!std::isfinite(slice[k]))
            throw LabError("the slice's value at row " + std::to_string(k / FieldPixels) + ", column " +
                           std::to_string(k % FieldPixels) + " is not a finite number");
}

}  // namespace lab
