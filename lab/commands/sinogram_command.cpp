// sinogram_command.cpp - `sinogram IMAGE -o OUT.sino`: a picture or CT slice
// fitted into the field and projected with exact line integrals.
#include <algorithm>
#include <cstdio>

#include "lab/commands/artifact_scan_output.h"
#include "base/c_locale.h"
#include "lab/commands/commands.h"
#include "lab/files/output_files.h"
#include "lab/scan/scan_object.h"
#include "lab/commands/sinogram_output.h"
#include "lab/objects/slice_input.h"

namespace lab {

void RunSinogramCommand(const SinogramOptions& options) {
    const CLocaleScope numbersInC;
    OutputFiles outputs;
    outputs.AddInput(options.input);
    outputs.Claim(options.output);
    outputs.Claim(options.truth);

    const LoadedSlice slice = LoadSlice(options.input, options.frame);
    const double width = FieldWidth(slice, options.fov);
    const FieldImage field = FieldFromSlice(slice, options.fov);
    // The largest attenuation becomes 255 in the program's sum image: with
    // it, a grey level can be turned back into attenuation.
    const double top = *std::max_element(field.values.begin(), field.values.end());
    char fieldText[120];
    if (slice.isDicom)
        snprintf(fieldText, sizeof fieldText, "field %.4g mm wide, %.4g mm per pixel", width, width / FieldPixels);
    else
        snprintf(fieldText, sizeof fieldText, "field %.4g picture pixels wide, %.4g per field pixel (taken as 1 mm)",
                 width, width / FieldPixels);
    printf("read %s: %s; %s; attenuation up to %.3g x water\n", options.input.c_str(), slice.description.c_str(),
           fieldText, top);

    if (options.artifacts.Any()) {
        WriteArtifactScan(outputs, ObjectFromField(field, slice.isDicom, options.artifacts.Polychromatic()), options.artifacts,
                          options.noise, options.output, options.truth);
        return;
    }
    WriteSinogramAndTruth(outputs, FieldIntegrals(field), field, options.noise, options.output, options.truth);
}

}  // namespace lab
