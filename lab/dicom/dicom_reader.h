// dicom_reader.h - the DICOM reader process: sinora-lab started with
// DicomReaderCommand reads one frame with GDCM and writes the slice, or why
// it was refused, as its answer on standard output.
#pragma once

#include <string>
#include <vector>

#include "lab/dicom/dicom_slice.h"

namespace lab {

// Not a subcommand a user types: no help lists it.
constexpr const char* DicomReaderCommand = "internal-dicom-reader";

// The reader's command line, `program` first.
std::vector<std::string> DicomReaderArguments(const std::string& program, const std::string& path, int frame);

// The reader process's main(): reads the file its arguments name and
// writes the answer. Ends with the process that started it.
int RunDicomReader(int argc, char** argv);

// The slice in an answer; throws NotDicomError or LabError as the reader
// found, or LabError for an answer cut short.
DicomSlice SliceFromAnswer(const std::string& path, const std::string& answer);

}  // namespace lab
