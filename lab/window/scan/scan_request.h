// scan_request.h - what the window asks the scanner for: a source and the
// options of the scan. Plain values, compared to know what must be redone.
#pragma once

#include <cstdint>
#include <string>

#include "lab/core/option_table.h"
#include "lab/scan/scan_artifacts.h"

namespace labwin {

// What is scanned: a picture or DICOM slice (with its frame), a phantom, or
// a sinogram file opened as it is.
struct SourceSpec {
    enum class Kind { File, Phantom, Sinogram };
    Kind kind = Kind::Phantom;
    std::string path;                     // File, Sinogram
    int frame = 1;                        // File: the DICOM frame, from 1
    std::string phantom = "shepp-logan";  // Phantom

    bool operator==(const SourceSpec& o) const {
        return kind == o.kind && path == o.path && frame == o.frame && phantom == o.phantom;
    }
    bool operator!=(const SourceSpec& o) const { return !(*this == o); }
};

// The scanner's imperfections compared value by value.
bool SameArtifacts(const lab::ArtifactOptions& a, const lab::ArtifactOptions& b);

// The seed the window starts with; file names leave it out.
constexpr uint64_t WindowSeed = static_cast<uint64_t>(lab::ControlStart(lab::SeedOption));

// The options of the scan as `sinora-lab sinogram` takes them.
struct ScanOptions {
    double fov = 0.0;      // width of the field; 0: the source's larger side
    double photons = 0.0;  // incident photons per ray; 0: no counting noise
    uint64_t seed = WindowSeed;  // of the noise and the gain spread
    lab::ArtifactOptions artifacts;

    bool operator==(const ScanOptions& o) const {
        return fov == o.fov && photons == o.photons && seed == o.seed && SameArtifacts(artifacts, o.artifacts);
    }
    bool operator!=(const ScanOptions& o) const { return !(*this == o); }
};

struct ScanRequest {
    uint64_t generation = 0;
    SourceSpec source;
    ScanOptions options;
};

}  // namespace labwin
