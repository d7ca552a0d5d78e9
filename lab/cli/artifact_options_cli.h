// artifact_options_cli.h - the command-line options of a scan's artifacts,
// shared by `sinogram` and `phantom`.
#pragma once

namespace CLI {
class App;
}

namespace lab {

struct ArtifactOptions;

// Registers --views, --arc, --gain, --gain-spread, --motion,
// --motion-rotate, --kvp, --filtration, --water-correction and --metal on
// `command`, filling `options` as it parses; every bad value is a usage
// error naming the option.
void AddArtifactOptions(CLI::App* command, ArtifactOptions& options);

}  // namespace lab
