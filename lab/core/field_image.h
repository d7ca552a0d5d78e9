// field_image.h - the 256 x 256 image that is projected, and the fitting of
// a picture or CT slice of any size and pixel spacing into it.
#pragma once

#include <vector>

#include "lab/core/field_geometry.h"

namespace lab {

// Attenuation relative to water (1 = water, 0 = air), row-major with row 0
// at the top, as the reconstruction shows it.
struct FieldImage {
    std::vector<double> values = std::vector<double>(FieldPixels * FieldPixels, 0.0);
    // Width of one field pixel in millimetres.
    double pixelMm = 1.0;

    double& at(int column, int row) { return values[row * FieldPixels + column]; }
    double at(int column, int row) const { return values[row * FieldPixels + column]; }
};

// A picture or slice as read: row-major, row 0 at the top, with the distance
// between neighbouring columns and rows (millimetres for a CT slice).
struct SourceImage {
    int width = 0;
    int height = 0;
    std::vector<double> values;
    double spacingX = 1.0;
    double spacingY = 1.0;
};

// Fits `source` into the field: the field is `fieldWidth` wide (in the unit
// of the spacing), centred on the source's centre; each field pixel becomes
// the area-weighted mean of the source pixels it overlaps, with air outside
// the source. Pixels outside the scanned disc become air.
FieldImage FitIntoField(const SourceImage& source, double fieldWidth);

// Sets every pixel whose centre lies outside the scanned disc to 0.
void CutToScannedDisc(FieldImage& field);

}  // namespace lab
