// slice_pixels.h - a slice's pixel by column and row, and a place named for
// a message: shared by the measurements of image_quality.h.
#pragma once

#include <cstdio>
#include <string>

#include "tools/lab/field_geometry.h"
#include "tools/lab/image_quality.h"

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

}  // namespace lab
