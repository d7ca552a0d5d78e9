// number_locale_test.cpp - sinora-lab's numbers in files and on the command
// line are the C locale's (a decimal point) under a decimal-comma locale,
// where Qt puts the process of a German user: filter files that the program
// reads, the commands' own reading and printing, the command line itself.
// Each test switches to the German locale itself; CI also runs the whole
// test program once under it (tests/support/comma_locale.sh), which the
// first test checks took hold.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <regex>
#include <string>
#include <vector>

#include "tests/lab/lab_test_support.h"
#include "recon/compute/headless_run.h"
#include "recon/compute/recon_data.h"
#include "tests/support/comma_locale.h"
#include "lab/commands/commands.h"
#include "lab/reconstruct/filter_kernels.h"
#include "lab/measure/measured_image.h"
#include "lab/core/option_bounds.h"
#include "lab/objects/phantoms.h"
#include "lab/files/slice_files.h"
#include "lab/measure/measure_places.h"

using namespace lab_test;

namespace {

TEST(NumberLocale, TheCommaLocaleRunRunsUnderADecimalComma) {
    // Set by tests/support/comma_locale.sh: the toolkit's start has put the
    // whole program under the locale it names.
    if (!getenv("SINORA_COMMA_LOCALE")) GTEST_SKIP() << "not the comma-locale run";
    EXPECT_STREQ(localeconv()->decimal_point, ",");
}

class NumberLocaleTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!locale_.reason().empty()) GTEST_SKIP() << locale_.reason();
    }
    test_support::CommaLocale locale_;
};

// Before: taps like "7,43394081788" that the program refuses, measure's
// "0,38.5,10" refused, numbers printed with commas.
TEST_F(NumberLocaleTest, FilesAndCommandsKeepADecimalPoint) {
    lab::FilterOptions filter;
    filter.name = "hann";
    filter.output = ScratchPath("comma_hann.txt");
    testing::internal::CaptureStdout();
    lab::RunFilterCommand(filter);
    EXPECT_NE(testing::internal::GetCapturedStdout().find("centre tap 7.43394"), std::string::npos);
    const std::string taps = FileBytes(filter.output);
    EXPECT_EQ(taps.find(','), std::string::npos) << taps.substr(0, 40);
    ASSERT_EQ(ReadFilterFile(filter.output.c_str(), FilterKernel).error, InputFileError::None);
    const std::vector<double> expected = lab::KernelTaps("hann", 1.0);
    for (int n = 0; n < KernelTaps; ++n) ASSERT_NEAR(FilterKernel[n], 100.0 * expected[n], 1e-9) << n;

    // The command line's numbers, read in the C locale whatever the process's.
    EXPECT_EQ(lab::FiniteNumber("38.5"), 38.5);
    EXPECT_EQ(lab::FiniteNumber("38,5"), std::nullopt);
    lab::Place place;
    EXPECT_EQ(lab::ReadPlace("0,38.5,10", lab::PlaceShape::Circle, false, place), "");
    EXPECT_EQ(place.centre.row, 89.0);
    EXPECT_EQ(lab::RangeText(lab::PhotonsPerRay), "from 1 to 1e+15 (photons per ray)");

    // A reconstruction and its measurement, printed with points; the .dcm's
    // pixel size read back.
    std::vector<double> integrals = lab::ProjectPhantom(lab::MakePhantom("disc"));
    for (double& p : integrals) p *= 0.02 * 0.37;
    const std::string sinogram = ScratchPath("comma_disc.sino");
    recon_test::WriteSinogram(sinogram, integrals);
    lab::ReconstructOptions reconstruct;
    reconstruct.sinogram = sinogram;
    reconstruct.filter = filter.output;
    reconstruct.pixelMm = 0.37;
    reconstruct.huWindow = "20.5,400";
    reconstruct.outputs = {ScratchPath("comma_disc.dcm"), ScratchPath("comma_disc.png")};
    testing::internal::CaptureStdout();
    lab::RunReconstructCommand(reconstruct);
    const std::string said = testing::internal::GetCapturedStdout();
    EXPECT_NE(said.find("window 20.5 HU, width 400 HU"), std::string::npos) << said;
    EXPECT_NE(said.find("with 0.37 mm pixels"), std::string::npos) << said;
    EXPECT_DOUBLE_EQ(lab::ReadMeasuredImage(reconstruct.outputs[0]).pixelMm, 0.37);

    lab::MeasureOptions measure;
    measure.image = reconstruct.outputs[0];
    measure.rois = {{false, "0,38.5,10"}};
    measure.profile = "-0.5,0,0.5,0";
    testing::internal::CaptureStdout();
    lab::RunMeasureCommand(measure);
    const std::string measured = testing::internal::GetCapturedStdout();
    EXPECT_NE(measured.find("0.37 mm per pixel"), std::string::npos) << measured;
    EXPECT_NE(measured.find("region 1 at row 89.0, column 127.5, radius 10: mean "), std::string::npos) << measured;
    EXPECT_NE(measured.find("profile from (-0.5, 0) to (0.5, 0)"), std::string::npos) << measured;
}

// The command line itself: Qt starts after the options are read and
// switches the process to the user's locale.
TEST_F(NumberLocaleTest, TheCommandLineKeepsADecimalPoint) {
    const std::string lab = locale_.childEnvironment() + SINORA_BINARY_DIR "/lab/sinora-lab ";
    const std::string folder = "cd " + ScratchFolder() + " && ";
    ASSERT_EQ(std::system((folder + lab + "filter ramlak -o comma_cli.txt --scale 0.5 >/dev/null").c_str()), 0);
    EXPECT_EQ(FileBytes(ScratchPath("comma_cli.txt")).find(','), std::string::npos);
    ASSERT_EQ(ReadFilterFile(ScratchPath("comma_cli.txt").c_str(), FilterKernel).error, InputFileError::None);
    EXPECT_NEAR(FilterKernel[0], 0.125, 1e-12);

    ASSERT_EQ(std::system((folder + lab + "phantom point -o comma_point.sino >/dev/null").c_str()), 0);
    ASSERT_EQ(std::system((folder + lab + "reconstruct comma_point.sino --filter comma_cli.txt -o comma_point.dcm "
                                          ">comma_reconstruct.out").c_str()),
              0);
    const std::string printed = FileBytes(ScratchPath("comma_reconstruct.out"));
    EXPECT_NE(printed.find(" per mm, "), std::string::npos) << printed;
    EXPECT_FALSE(std::regex_search(printed, std::regex("[0-9],[0-9]"))) << printed;
    ASSERT_EQ(std::system((folder + lab + "measure comma_point.dcm --roi 0,38.5,10 --profile -0.5,0,0.5,0 "
                                          ">comma_measure.out").c_str()),
              0);
    const std::string measured = FileBytes(ScratchPath("comma_measure.out"));
    EXPECT_NE(measured.find("region 1 at row 89.0, column 127.5, radius 10"), std::string::npos) << measured;
    EXPECT_FALSE(std::regex_search(measured, std::regex("[0-9],[0-9]"))) << measured;
}

}  // namespace
