// The reconstruction without windows: the same sum as the program's readers
// and the plain loop orders, bit for bit, for both methods; and the input
// files it refuses, each with its own error, leaving the arrays as they were.
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "recon/compute/headless_run.h"
#include "recon/phases.h"
#include "recon/compute/recon_data.h"
#include "recon/recon_test_support.h"
#include "support/reference_recon.h"

namespace {

using recon_test::ScratchPath;
using recon_test::WriteBytes;
using recon_test::WriteSinogram;

void WriteText(const std::string& path, const std::string& text) { WriteBytes(path, text.data(), text.size()); }

TEST(HeadlessRun, GivesTheProgramsSumBitForBit) {
    std::mt19937 random(18);
    std::uniform_real_distribution<double> count(0.0, 900.0), tap(-0.3, 0.3);
    std::vector<double> sinogram(SinogramFileValues);
    for (double& value : sinogram) value = count(random);
    const std::string sinogramPath = ScratchPath("headless.sino");
    WriteSinogram(sinogramPath, sinogram);
    std::string taps;
    for (int k = 0; k < KernelTaps; ++k) taps += std::to_string(tap(random)) + (k % 5 == 4 ? "\n" : "  ");
    const std::string filterPath = ScratchPath("headless.flt");
    WriteText(filterPath, taps);

    for (const Method method : {Method::Simple, Method::Filtered}) {
        SCOPED_TRACE(method == Method::Simple ? "simple" : "filtered");
        ASSERT_EQ(LoadSinogramFile(sinogramPath.c_str()).error, InputFileError::None);
        if (method == Method::Filtered) {
            ASSERT_EQ(ReadFilterFile(filterPath.c_str(), FilterKernel).error, InputFileError::None);
        }
        RunReconstructionSteps(method);
        const std::vector<double> headless(SumImage, SumImage + BinCount * RowStride);
        const double headlessRange[] = {SinogramMax, SinogramMin, SumMax, SumMin, StackMax};

        snprintf(ChosenPath, sizeof ChosenPath, "%s", sinogramPath.c_str());
        ReadRawSinogram();
        RebinSinogram();
        FindSinogramRange();
        MethodAnswer = method == Method::Simple ? '1' : '2';
        if (method == Method::Filtered) {
            snprintf(ChosenPath, sizeof ChosenPath, "%s", filterPath.c_str());
            ASSERT_TRUE(ReadFilterKernel());
        }
        ReferenceBackProjectViews();
        ReferenceSumProjectionStack();
        const double programRange[] = {SinogramMax, SinogramMin, SumMax, SumMin, StackMax};
        EXPECT_EQ(memcmp(headless.data(), SumImage, sizeof SumImage), 0);
        EXPECT_EQ(memcmp(headlessRange, programRange, sizeof programRange), 0);
    }
}

TEST(HeadlessRun, RefusedInputsAreNamedAndChangeNothing) {
    const std::string folder = ScratchPath("headless_folder");
    mkdir(folder.c_str(), 0755);
    const std::string pipe = ScratchPath("headless_pipe");
    mkfifo(pipe.c_str(), 0644);
    const std::string shortFile = ScratchPath("headless_short.sino");
    WriteBytes(shortFile, std::string(SinogramFileBytes - 1, '\0').data(), SinogramFileBytes - 1);
    const std::string words = ScratchPath("headless_words.flt");
    WriteText(words, "0.5 0.25\nhalf 0.1\n");
    const std::string few = ScratchPath("headless_few.flt");
    WriteText(few, "1 2 3 4 5\n");

    struct Case {
        bool sinogram;
        std::string path;
        InputFileError error;
        int systemError;
        long long bytes;
        int numbers;
    };
    const Case cases[] = {
        {true, ScratchPath("missing.sino"), InputFileError::CannotOpen, ENOENT, 0, 0},
        {true, folder, InputFileError::Folder, 0, 0, 0},
        {true, pipe, InputFileError::NotPlainFile, 0, 0, 0},
        {true, shortFile, InputFileError::TooShort, 0, SinogramFileBytes - 1, 0},
        {false, ScratchPath("missing.flt"), InputFileError::CannotOpen, ENOENT, 0, 0},
        {false, pipe, InputFileError::NotPlainFile, 0, 0, 0},
        {false, words, InputFileError::NotANumber, 0, 18, 2},
        {false, few, InputFileError::TooFewNumbers, 0, 10, 5},
    };
    RawSinogram[7] = 3.5;
    FilterKernel[7] = -2.5;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        const InputFileResult result = c.sinogram ? LoadSinogramFile(c.path.c_str()) : ReadFilterFile(c.path.c_str(), FilterKernel);
        EXPECT_EQ(result.error, c.error);
        EXPECT_EQ(result.systemError, c.systemError);
        EXPECT_EQ(result.bytes, c.bytes);
        EXPECT_EQ(result.numbers, c.numbers);
        EXPECT_EQ(RawSinogram[7], 3.5);
        EXPECT_EQ(FilterKernel[7], -2.5);
    }
}

}  // namespace
