// Poisson counting noise: the counts behind the stored values have the
// mean and variance of Poisson counts, and a seed always gives the same file.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "tests/lab/lab_test_support.h"
#include "lab/commands/commands.h"
#include "lab/scan/counting_noise.h"

using namespace lab_test;

namespace {

// Counts N = I0 e^-value, recovered from the stored values.
void CountStatistics(const std::vector<double>& values, double photons, double& mean, double& variance) {
    double sum = 0, squares = 0;
    for (double v : values) {
        const double n = std::round(photons * std::exp(-v));
        sum += n;
        squares += n * n;
    }
    mean = sum / values.size();
    variance = squares / values.size() - mean * mean;
}

TEST(CountingNoise, CountsHaveThePoissonMeanAndVariance) {
    // 131,220 rays at each level. The mean of n Poisson counts of mean m has
    // standard deviation sqrt(m / n); the sample variance about
    // m sqrt(2 / n) for large m. Bounds of 5 standard deviations.
    const size_t rays = 131220;
    for (const double p : {0.0, 1.0, 4.0}) {
        for (const double photons : {1e3, 1e5}) {
            std::vector<double> values(rays, p);
            lab::AddCountingNoise(values, photons, 7);
            const double expected = photons * std::exp(-p);
            double mean, variance;
            CountStatistics(values, photons, mean, variance);
            EXPECT_NEAR(mean, expected, 5 * std::sqrt(expected / rays)) << p << " " << photons;
            EXPECT_NEAR(variance, expected, 5 * expected * std::sqrt(2.0 / rays)) << p << " " << photons;
        }
    }
    // Rays that count nothing are stored as one photon, never infinite.
    std::vector<double> dark(1000, 30.0);
    lab::AddCountingNoise(dark, 100.0, 1);
    for (double v : dark) EXPECT_DOUBLE_EQ(v, std::log(100.0));
}

TEST(CountingNoise, TheSameSeedGivesTheSameFile) {
    lab::PhantomOptions options;
    options.name = "disc";
    options.noise.photons = 5e4;
    options.noise.seedGiven = true;
    options.noise.seed = 42;
    options.output = ScratchPath("noisy_a.sino");
    lab::RunPhantomCommand(options);
    options.output = ScratchPath("noisy_b.sino");
    lab::RunPhantomCommand(options);
    options.noise.seed = 43;
    options.output = ScratchPath("noisy_c.sino");
    lab::RunPhantomCommand(options);
    options.noise.photons = 0.0;
    options.output = ScratchPath("clean.sino");
    lab::RunPhantomCommand(options);

    const std::string a = FileBytes(ScratchPath("noisy_a.sino"));
    EXPECT_EQ(a.size(), 1049760u);
    EXPECT_EQ(a, FileBytes(ScratchPath("noisy_b.sino")));
    EXPECT_NE(a, FileBytes(ScratchPath("noisy_c.sino")));
    EXPECT_NE(a, FileBytes(ScratchPath("clean.sino")));
}

}  // namespace
