// dicom_slice.h - one frame of a DICOM CT slice in Hounsfield units, read
// through GDCM (every transfer syntax it decodes).
#pragma once

#include <string>

#include "tools/lab/field_image.h"

namespace lab {

struct DicomSlice {
    // Hounsfield units: stored value x rescale slope + rescale intercept;
    // spacing from the pixel spacing, in millimetres.
    SourceImage hu;
    int frames = 1;
};

// True when the file carries the DICOM preamble ("DICM" at byte 128).
bool HasDicomPreamble(const std::string& path);

// Frame `frame` (1 = the first). Throws LabError for a file GDCM cannot
// read, one without pixel data, pixel data it cannot decode, more than one
// sample per pixel, or a frame that does not exist.
DicomSlice ReadDicomSlice(const std::string& path, int frame);

// Attenuation relative to water: 1 + HU / 1000, never below 0 (air).
double RelativeMuFromHu(double hu);

}  // namespace lab
