// lab_error.h - the one kind of failure sinora-lab reports: a message of one
// line, which main() prints on standard error before a non-zero exit. Kinds
// a caller acts on are subclasses, never told apart by their text.
#pragma once

#include <stdexcept>
#include <string>

namespace lab {

struct LabError : std::runtime_error {
    explicit LabError(const std::string& message) : std::runtime_error(message) {}
};

// The file holds nothing the DICOM reader recognises (no preamble, no
// element): a caller may try it as something else.
struct NotDicomError : LabError {
    using LabError::LabError;
};

}  // namespace lab
