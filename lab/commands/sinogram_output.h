// sinogram_output.h - the last steps shared by `sinogram` and `phantom`:
// noise, the sinogram file, the truth picture and the summary lines.
#pragma once

#include <string>
#include <vector>

#include "lab/commands/commands.h"

namespace lab {

class OutputFiles;
struct FieldImage;
struct Phantom;

// Dimensionless line integrals (attenuation times length), in file order:
// of a field through its pixels, and of a phantom from its shapes.
std::vector<double> FieldIntegrals(const FieldImage& field);
std::vector<double> PhantomIntegrals(const Phantom& phantom);

// `integrals` are dimensionless (attenuation times length), in file order.
// Both outputs must have been claimed in `outputs` (the truth when given);
// they are committed here.
void WriteSinogramAndTruth(OutputFiles& outputs, std::vector<double> integrals, const FieldImage& truth,
                           const NoiseOptions& noise, const std::string& output, const std::string& truthPath);

}  // namespace lab
