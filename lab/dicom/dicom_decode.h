// dicom_decode.h - GDCM's reading of a DICOM slice in the calling process:
// what the DICOM reader process runs (dicom_reader.h), and what the fuzz
// target feeds, where a crash is what it looks for.
#pragma once

#include <string>

#include "lab/dicom/dicom_slice.h"

namespace lab {

// Frame `frame` (1 = the first) in Hounsfield units. Throws as
// ReadDicomSlice does; a damaged file may end the process (Debian's GDCM
// keeps its assertions).
DicomSlice DecodeDicomSlice(const std::string& path, int frame);

}  // namespace lab
