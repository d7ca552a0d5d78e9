// artifact_scan_output.h - `sinogram` and `phantom` with any artifact
// option: the scan, a line per imperfection, and the files.
#pragma once

#include <string>

#include "lab/commands/commands.h"
#include "lab/scan/scan_artifacts.h"

namespace lab {

class OutputFiles;

// Without --seed, the seed of the noise and of the gain spread is random
// and printed. The outputs must have been claimed in `outputs`.
void WriteArtifactScan(OutputFiles& outputs, const ScanObject& object, const ArtifactOptions& artifacts,
                       const NoiseOptions& noise, const std::string& output, const std::string& truthPath);

}  // namespace lab
