// counting_noise.h - Poisson counting noise on line integrals.
#pragma once

#include <cstdint>
#include <vector>

namespace lab {

// Replaces every line integral p (dimensionless: attenuation times length)
// by -ln(N / I0), where N is a Poisson count of mean I0 e^-p drawn from a
// generator seeded with `seed`. A ray that counts no photon is stored as one
// photon, since the logarithm of zero has no value.
void AddCountingNoise(std::vector<double>& integrals, double incidentPhotons, uint64_t seed);

}  // namespace lab
