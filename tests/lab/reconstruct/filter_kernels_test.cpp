// The kernels against their closed forms and against their definition
// integrated numerically; the taps' response against the design.
#include <gtest/gtest.h>

#include <cmath>

#include "tests/lab/lab_test_support.h"
#include "base/c_locale.h"
#include "lab/commands/commands.h"
#include "lab/reconstruct/filter_kernels.h"
#include "lab/core/lab_error.h"

using namespace lab_test;

namespace {

const double Pi = 3.14159265358979323846;

// h(n) = 2 * integral from 0 to F of DesignResponse(f) cos(2 pi f n) df,
// by Simpson's rule.
double IntegratedTap(const std::string& name, double cutoff, int n) {
    const double F = 0.5 * cutoff;
    const int steps = 4000;
    double sum = 0;
    for (int k = 0; k <= steps; ++k) {
        const double f = F * k / steps;
        const double weight = (k == 0 || k == steps) ? 1 : (k % 2 ? 4 : 2);
        sum += weight * lab::DesignResponse(name, cutoff, f) * std::cos(2 * Pi * f * n);
    }
    return 2 * sum * (F / steps) / 3;
}

TEST(FilterKernels, TapsMatchTheirClosedFormsAndDefinitions) {
    const std::vector<double> ramLak = lab::KernelTaps("ramlak", 1.0);
    const std::vector<double> sheppLogan = lab::KernelTaps("shepp-logan", 1.0);
    ASSERT_EQ(ramLak.size(), 128u);
    EXPECT_EQ(ramLak[0], 0.25);
    for (int n = 1; n < 128; ++n) {
        EXPECT_EQ(ramLak[n], n % 2 ? -1.0 / (Pi * Pi * n * n) : 0.0) << n;
        EXPECT_NEAR(sheppLogan[n], -2.0 / (Pi * Pi * (4.0 * n * n - 1.0)), 1e-15) << n;
    }
    EXPECT_NEAR(sheppLogan[0], 2.0 / (Pi * Pi), 1e-15);

    for (const std::string& name : lab::KernelNames()) {
        for (const double cutoff : {1.0, 0.6}) {
            const std::vector<double> taps = lab::KernelTaps(name, cutoff);
            for (int n : {0, 1, 2, 3, 7, 40, 127})
                EXPECT_NEAR(taps[n], IntegratedTap(name, cutoff, n), 1e-9) << name << " " << cutoff << " " << n;
            // The 128 taps follow the design away from the cutoff, where
            // truncation ripples; the ramp starts at 0 and rises.
            for (double f : {0.05, 0.1, 0.2}) {
                if (f > 0.4 * cutoff) continue;
                EXPECT_NEAR(lab::TapsResponse(taps, f), lab::DesignResponse(name, cutoff, f), 0.01) << name << " " << f;
            }
            EXPECT_NEAR(lab::TapsResponse(taps, 0.0), 0.0, 0.005) << name;
            EXPECT_GT(lab::DesignResponse(name, cutoff, 0.1), lab::DesignResponse(name, cutoff, 0.05)) << name;
            EXPECT_EQ(lab::DesignResponse(name, cutoff, 0.5 * cutoff + 0.01), 0.0) << name;
        }
    }
    // The windows reach 0 at the cutoff, except Hamming's 0.08 and
    // Shepp-Logan's 2 / pi.
    EXPECT_NEAR(lab::DesignResponse("hann", 1.0, 0.5), 0.0, 1e-15);
    EXPECT_NEAR(lab::DesignResponse("cosine", 1.0, 0.5), 0.0, 1e-15);
    EXPECT_NEAR(lab::DesignResponse("hamming", 1.0, 0.5), 0.5 * 0.08, 1e-15);
    EXPECT_NEAR(lab::DesignResponse("shepp-logan", 1.0, 0.5), 1.0 / Pi, 1e-15);
    EXPECT_THROW(lab::KernelTaps("ramlak", 0.0), lab::LabError);
    EXPECT_THROW(lab::KernelTaps("ramlak", 1.5), lab::LabError);
    EXPECT_THROW(lab::KernelTaps("gauss", 1.0), lab::LabError);
}

TEST(FilterKernels, FileHoldsTheScaledTapsOnePerLine) {
    lab::FilterOptions options;
    options.name = "hann";
    options.scale = 250.0;
    options.cutoff = 0.8;
    options.output = ScratchPath("hann.txt");
    options.plot = ScratchPath("hann.png");
    lab::RunFilterCommand(options);
    const std::vector<double> taps = lab::KernelTaps("hann", 0.8);
    FILE* file = fopen(options.output.c_str(), "r");
    ASSERT_NE(file, nullptr);
    const CLocaleScope numbersInC;  // the file's numbers, whatever the process's locale
    double value;
    int count = 0;
    while (fscanf(file, "%lf", &value) == 1) {
        ASSERT_LT(count, 128);
        EXPECT_NEAR(value, 250.0 * taps[count], 1e-9 * std::fabs(250.0 * taps[count]) + 1e-12) << count;
        ++count;
    }
    fclose(file);
    EXPECT_EQ(count, 128);
    EXPECT_EQ(FileBytes(options.plot).substr(1, 3), "PNG");
}

}  // namespace
