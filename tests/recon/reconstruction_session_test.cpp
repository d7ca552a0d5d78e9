// The session: the program's steps on values in memory give what the same
// steps give on its arrays, bit for bit, laid out as documented; sessions
// on two threads take turns; inputs of the wrong size are refused before
// the arrays are touched.
#include <algorithm>
#include <future>
#include <random>
#include <stdexcept>
#include <vector>

#include <gtest/gtest.h>

#include "recon/compute/headless_run.h"
#include "recon/compute/recon_data.h"
#include "recon/compute/reconstruction_session.h"

namespace {

std::vector<double> RandomValues(size_t count, double scale, unsigned seed) {
    std::mt19937 random(seed);
    std::uniform_real_distribution<double> value(-scale, scale);
    std::vector<double> values(count);
    for (double& v : values) v = value(random);
    return values;
}

TEST(ReconstructionSession, GivesTheStepsResultsBitForBitAsShown) {
    const std::vector<double> sinogram = RandomValues(SinogramFileValues, 900.0, 29);
    const std::vector<double> kernel = RandomValues(KernelTaps, 0.3, 30);

    ReconstructionSession session;
    for (const bool filtered : {false, true}) {
        SCOPED_TRACE(filtered ? "filtered" : "simple");
        std::copy(sinogram.begin(), sinogram.end(), RawSinogram);
        std::copy(kernel.begin(), kernel.end(), FilterKernel);
        RunReconstructionSteps(filtered ? Method::Filtered : Method::Simple);
        const std::vector<double> sum(SumImage, SumImage + BinCount * RowStride);
        const std::vector<double> bins(Sinogram, Sinogram + BinCount * RowStride);
        const std::vector<double> filteredBins(FilteredSinogram, FilteredSinogram + BinCount * RowStride);
        const double range[] = {SumMax, SumMin};
        // What the session must bring in itself.
        std::fill_n(RawSinogram, SinogramFileValues, 0.0);
        std::fill_n(FilterKernel, KernelTaps, 1.0);

        const ReconstructionResult result = session.Reconstruct(sinogram, filtered ? kernel : std::vector<double>());
        EXPECT_EQ(result.sumMax, range[0]);
        EXPECT_EQ(result.sumMin, range[1]);
        for (int x = 0; x < BinCount; ++x)
            for (int y = 0; y < BinCount; ++y) ASSERT_EQ(result.sum[(255 - y) * 256 + x], sum[x * RowStride + y]);
        for (int j = 0; j < BinCount; ++j)
            for (int a = 0; a < AngleCount; ++a) {
                ASSERT_EQ(result.rebinned[j * 180 + a], bins[j * RowStride + a]);
                ASSERT_EQ(result.filtered[j * 180 + a], filteredBins[j * RowStride + a]);
            }
        const std::vector<double> views = session.Views();
        for (const int a : {0, 1, 97, 179})
            for (int x = 0; x < BinCount; ++x)
                for (int y = 0; y < BinCount; ++y)
                    ASSERT_EQ(views[a * 65536 + (255 - y) * 256 + x], StackCell(x, y, a));
    }
}

// Each thread's slice is that of its own inputs, as one after the other.
TEST(ReconstructionSession, SessionsOnTwoThreadsTakeTurns) {
    const std::vector<double> kernel = RandomValues(KernelTaps, 0.3, 31);
    const std::vector<double> sinograms[] = {RandomValues(SinogramFileValues, 900.0, 32),
                                             RandomValues(SinogramFileValues, 50.0, 33)};
    const auto slice = [&kernel](const std::vector<double>& sinogram) {
        ReconstructionSession session;
        return session.Reconstruct(sinogram, kernel).sum;
    };
    const std::vector<double> alone[] = {slice(sinograms[0]), slice(sinograms[1])};
    std::future<std::vector<double>> together[] = {std::async(std::launch::async, slice, std::cref(sinograms[0])),
                                                   std::async(std::launch::async, slice, std::cref(sinograms[1]))};
    for (int k = 0; k < 2; ++k) EXPECT_TRUE(together[k].get() == alone[k]) << "thread " << k;
}

TEST(ReconstructionSession, RefusesWrongSizesAndChangesNothing) {
    struct Case {
        size_t values, taps;
    };
    const Case cases[] = {{SinogramFileValues - 1, 0},
                          {SinogramFileValues + 1, KernelTaps},
                          {SinogramFileValues, 1},
                          {SinogramFileValues, KernelTaps + 1}};
    ReconstructionSession session;
    EXPECT_THROW(session.Views(), std::logic_error) << "before any reconstruction";
    RawSinogram[7] = 3.5;
    FilterKernel[7] = -2.5;
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.values) + " values, " + std::to_string(c.taps) + " taps");
        EXPECT_THROW(session.Reconstruct(std::vector<double>(c.values, 1.0), std::vector<double>(c.taps, 1.0)),
                     std::invalid_argument);
        EXPECT_EQ(RawSinogram[7], 3.5);
        EXPECT_EQ(FilterKernel[7], -2.5);
    }
    EXPECT_THROW(session.Views(), std::logic_error) << "after refusals only";
}

}  // namespace
