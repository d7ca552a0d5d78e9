// phantom_command.cpp - `phantom NAME -o OUT.sino`: analytic line integrals
// of a test object in a 256 mm field (one millimetre per pixel).
#include "lab/commands/artifact_scan_output.h"
#include "base/c_locale.h"
#include "lab/commands/commands.h"
#include "lab/files/output_files.h"
#include "lab/objects/phantoms.h"
#include "lab/scan/scan_object.h"
#include "lab/commands/sinogram_output.h"

namespace lab {

void RunPhantomCommand(const PhantomOptions& options) {
    const CLocaleScope numbersInC;
    const Phantom phantom = MakePhantom(options.name);
    OutputFiles outputs;
    outputs.Claim(options.output);
    outputs.Claim(options.truth);
    if (options.artifacts.Any()) {
        WriteArtifactScan(outputs, ObjectFromPhantom(options.name, options.artifacts.Polychromatic()), options.artifacts,
                          options.noise, options.output, options.truth);
        return;
    }
    WriteSinogramAndTruth(outputs, PhantomIntegrals(phantom), RasterisePhantom(phantom), options.noise, options.output,
                          options.truth);
}

}  // namespace lab
