// dicom_slice.h - one frame of a DICOM slice in Hounsfield units, read
// through GDCM (every transfer syntax it decodes).
#pragma once

#include <string>

#include "lab/core/field_image.h"
#include "lab/dicom/reader_process.h"

namespace lab {

struct DicomSlice {
    // Hounsfield units: stored value x rescale slope + rescale intercept;
    // spacing from the pixel spacing, in millimetres.
    SourceImage hu;
    int frames = 1;
    // The Modality attribute, e.g. "CT" or "MR"; empty when the file has none.
    std::string modality;
};

// True when the file carries the DICOM preamble ("DICM" at byte 128).
// Throws LabError for a file that the input rule (input_file.h) refuses.
bool HasDicomPreamble(const std::string& path);

// Frame `frame` (1 = the first), of a file the input rule accepts and no
// larger than 1 GiB. GDCM runs in a process of its own, so that a damaged
// file that ends it (Debian's GDCM keeps its assertions) cannot end the
// tool; its messages are kept (library_messages.h). Throws NotDicomError for
// a file GDCM finds no DICOM in, and LabError for a damaged file, one
// without pixel data, pixel data it cannot decode or shorter than the image,
// more than one sample per pixel, a frame that does not exist, or when
// `stop` said to stop (the reader is killed then).
DicomSlice ReadDicomSlice(const std::string& path, int frame, const StopAsked& stop = nullptr);

// Attenuation relative to water: 1 + HU / 1000, never below 0 (air).
double RelativeMuFromHu(double hu);

}  // namespace lab
