// counting_noise.cpp - one Mersenne Twister for the whole sinogram, drawn in
// file order, so that a seed always gives the same file.
#include "lab/scan/counting_noise.h"

#include <cmath>
#include <random>

namespace lab {

void AddCountingNoise(std::vector<double>& integrals, double incidentPhotons, uint64_t seed) {
    std::mt19937_64 generator(seed);
    for (double& p : integrals) {
        std::poisson_distribution<long long> counts(incidentPhotons * std::exp(-p));
        const long long n = counts(generator);
        p = -std::log(static_cast<double>(n > 0 ? n : 1) / incidentPhotons);
    }
}

}  // namespace lab
