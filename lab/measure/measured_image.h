// measured_image.h - the slice that `measure` works on, from any of the
// files a user has: a canvas saved by the program, a .npy, .png or .dcm
// from `reconstruct`, or any 256 x 256 grey picture.
#pragma once

#include <string>

#include "lab/measure/image_quality.h"

namespace lab {

// The units of a CT image.
constexpr char HuUnits[] = "HU";

struct MeasuredImage {
    SliceValues values;
    std::string units;     // HuUnits, "grey levels", "the file's units"
    double pixelMm = 0.0;  // 0: unknown
};

// Throws LabError naming the file: refused by the input rule
// (input_file.h), unreadable, or not 256 x 256 (a BMP of 1200 x 800 is taken
// as a saved canvas and its slice cut out). A picture's values are its grey
// levels at the depth the file has (0..255 for 8 bits, 0..65535 for 16).
MeasuredImage ReadMeasuredImage(const std::string& path);

}  // namespace lab
