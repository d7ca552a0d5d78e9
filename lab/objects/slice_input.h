// slice_input.h - what `sinogram` projects: a picture (PNG, JPEG, BMP,
// TIFF, PGM/PPM through Qt's image reader) or a DICOM CT slice (GDCM), as
// attenuation relative to water.
#pragma once

#include <string>

#include "lab/core/field_image.h"
#include "lab/dicom/reader_process.h"

namespace lab {

struct LoadedSlice {
    SourceImage mu;  // attenuation relative to water
    bool isDicom = false;
    int frames = 1;  // frames in the file (DICOM); 1 for a picture
    std::string description;  // for the summary line, e.g. "512 x 512 DICOM slice, 0.7 mm pixels"
};

// A picture's grey level is its attenuation: white is water, black air; its
// spacing is one picture pixel. A DICOM slice's Hounsfield units become
// 1 + HU / 1000 (at least 0), with its pixel spacing in millimetres.
// Says when a DICOM slice is not CT. Throws LabError for a missing,
// unreadable, damaged or unsupported file, and when `stop` said to stop
// reading a DICOM file.
LoadedSlice LoadSlice(const std::string& path, int frame, const StopAsked& stop = nullptr);

// The width of the 256-pixel field in the slice's unit (millimetres for a
// DICOM slice, picture pixels for a picture): `fov`, or when it is 0 the
// slice's larger side.
double FieldWidth(const LoadedSlice& slice, double fov);

// The slice fitted into the field FieldWidth gives. A picture's field
// counts as 256 mm wide.
FieldImage FieldFromSlice(const LoadedSlice& slice, double fov);

}  // namespace lab
