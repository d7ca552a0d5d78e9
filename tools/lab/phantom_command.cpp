// phantom_command.cpp - `phantom NAME -o OUT.sino`: analytic line integrals
// of a test object in a 256 mm field (one millimetre per pixel).
#include "tools/lab/artifact_scan_output.h"
#include "base/c_locale.h"
#include "tools/lab/commands.h"
#include "tools/lab/output_files.h"
#include "tools/lab/phantoms.h"
#include "tools/lab/scan_object.h"
#include "tools/lab/sinogram_output.h"

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
