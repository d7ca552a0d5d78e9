// lab_error.h - the one kind of failure sinora-lab reports: a message of one
// line, which main() prints on standard error before a non-zero exit.
#pragma once

#include <stdexcept>
#include <string>

namespace lab {

struct LabError : std::runtime_error {
    explicit LabError(const std::string& message) : std::runtime_error(message) {}
};

}  // namespace lab
