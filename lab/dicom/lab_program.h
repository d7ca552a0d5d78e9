// lab_program.h - sinora-lab itself, which the lab and its window start to
// read DICOM files in a process of their own.
#pragma once

#include <string>

namespace lab {

// sinora-lab beside the running program: both lie in bin/ when installed
// and in the build's lab/ folder; the test programs have a link to it
// beside them.
const std::string& LabProgramPath();

}  // namespace lab
