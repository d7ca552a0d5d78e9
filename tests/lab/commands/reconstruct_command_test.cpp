// reconstruct_command_test.cpp - `reconstruct` and `measure` end to end on a
// noisy head: the .npy is the program's sum to the bit (against the plain
// loop orders), the .png its full-range grey levels, the .dcm Hounsfield
// units a DICOM reader finds; SART comes closer to the truth than Ram-Lak
// filtered back projection at low dose; `measure --json` gives the names
// scripts rely on.
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QImage>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "base/c_locale.h"
#include "base/to_int.h"
#include "tests/lab/lab_test_support.h"
#include "recon/compute/headless_run.h"
#include "recon/compute/reconstruction_session.h"
#include "support/reference_recon.h"
#include "lab/measure/canvas_compare.h"
#include "lab/commands/commands.h"
#include "lab/scan/counting_noise.h"
#include "lab/dicom/dicom_slice.h"
#include "lab/reconstruct/filter_kernels.h"
#include "lab/measure/image_quality.h"
#include "lab/core/lab_error.h"
#include "lab/objects/phantoms.h"
#include "lab/reconstruct/program_slice.h"
#include "lab/files/slice_files.h"

using namespace lab_test;

namespace {

std::string WritePhantomSinogram(const std::string& name, double photons) {
    std::vector<double> integrals = lab::ProjectPhantom(lab::MakePhantom(name));
    for (double& p : integrals) p *= 0.02;
    if (photons > 0) lab::AddCountingNoise(integrals, photons, 5);
    const std::string path = ScratchPath(name + ".sino");
    recon_test::WriteSinogram(path, integrals);
    return path;
}

std::string WriteSinogram(const std::string& name, const lab::Phantom& phantom) {
    std::vector<double> integrals = lab::ProjectPhantom(phantom);
    for (double& p : integrals) p *= 0.02;
    const std::string path = ScratchPath(name + ".sino");
    recon_test::WriteSinogram(path, integrals);
    return path;
}

std::string WriteKernel(const char* name) {
    const CLocaleScope numbersInC;  // a filter file's numbers, whatever the process's locale
    std::string text;
    for (double tap : lab::KernelTaps(name, 1.0)) text += std::to_string(100.0 * tap) + "\n";
    const std::string path = ScratchPath(std::string(name) + ".txt");
    recon_test::WriteBytes(path, text.data(), text.size());
    return path;
}

double TruthCorrelation(const std::vector<double>& slice) {
    const lab::FieldImage truth = lab::RasterisePhantom(lab::MakePhantom("modified-shepp-logan"));
    return lab::CompareWithTruth(slice, truth.values).correlation;
}

TEST(ReconstructCommand, FilteredSliceIsTheProgramsAndSartBeatsItAtLowDose) {
    const std::string sinogram = WritePhantomSinogram("modified-shepp-logan", 1000.0), filter = WriteKernel("ramlak");
    lab::ReconstructOptions options;
    options.sinogram = sinogram;
    options.filter = filter;
    options.outputs = {ScratchPath("fbp.npy"), ScratchPath("fbp.png"), ScratchPath("fbp.dcm")};
    lab::RunReconstructCommand(options);

    // The plain loop orders on the same files.
    snprintf(ChosenPath, sizeof ChosenPath, "%s", sinogram.c_str());
    ReadRawSinogram();
    RebinSinogram();
    FindSinogramRange();
    MethodAnswer = '2';
    snprintf(ChosenPath, sizeof ChosenPath, "%s", filter.c_str());
    ASSERT_TRUE(ReadFilterKernel());
    ReferenceBackProjectViews();
    ReferenceSumProjectionStack();
    const std::vector<double> npy = lab::ReadNpy(options.outputs[0]);
    const QImage png(QString::fromStdString(options.outputs[1]));
    int differing = 0, wrongGreys = 0;
    for (int r = 0; r < 256; ++r) {
        for (int x = 0; x < 256; ++x) {
            const double sum = SumImage[x * RowStride + (255 - r)];
            differing += std::memcmp(&npy[r * 256 + x], &sum, sizeof sum) != 0;
            const int grey = std::clamp(TruncToInt32((sum * 255.0) / SumMax), 0, 255);
            wrongGreys += qGray(png.pixel(x, r)) != grey;
        }
    }
    EXPECT_EQ(differing, 0);
    EXPECT_EQ(wrongGreys, 0);

    // The brain (0.2 x water) at (50, -50): -800 HU.
    const lab::DicomSlice dicom = lab::ReadDicomSlice(options.outputs[2], 1);
    ASSERT_EQ(dicom.hu.width, 256);
    EXPECT_DOUBLE_EQ(dicom.hu.spacingX, 1.0);
    EXPECT_NEAR(lab::MeasureCircle(dicom.hu.values, lab::FromField(50, -50), 6).mean, -800.0, 40.0);

    const double fbp = TruthCorrelation(npy);
    options.filter.clear();
    options.method = "sart";
    options.outputs = {ScratchPath("sart.npy")};
    lab::RunReconstructCommand(options);
    EXPECT_GT(TruthCorrelation(lab::ReadNpy(options.outputs[0])), fbp + 0.02) << "Ram-Lak " << fbp;

    // The slower methods: closer to the truth with more iterations, and
    // never negative when asked.
    options.nonnegative = true;
    for (const char* method : {"sirt", "os-sart", "mlem"}) {
        options.method = method;
        double correlation[2];
        for (int k : {0, 1}) {
            options.iterations = k == 0 ? 1 : 4;
            lab::RunReconstructCommand(options);
            const std::vector<double> slice = lab::ReadNpy(options.outputs[0]);
            correlation[k] = TruthCorrelation(slice);
            EXPECT_GE(*std::min_element(slice.begin(), slice.end()), 0.0) << method;
        }
        EXPECT_GT(correlation[1], correlation[0] + 0.01) << method;
    }
}

// Water 0 HU and air -1000 HU wherever the 128 taps reach across the whole
// object (a disc 80 pixels across, off the centre); on the 200-pixel disc
// the centre is still exact, while toward its edge the ramp's tail beyond
// the taps is missing and the slice reads high.
TEST(ReconstructCommand, HounsfieldUnitsOfWaterAndAirWithEveryKernel) {
    const lab::Phantom small{{{20.0, -10.0, 40.0, 40.0, 0.0, 1.0}}, {}};
    const std::string smallDisc = WriteSinogram("small_disc", small);
    const std::string bigDisc = WriteSinogram("disc", lab::MakePhantom("disc"));
    struct Region {
        const std::string* sinogram;
        double x, y, radius, lowest, highest;
    };
    const Region regions[] = {
        {&smallDisc, 20.0, -10.0, 10.0, -1.5, 1.5},       // the small disc's centre
        {&smallDisc, 48.0, -10.0, 5.0, -1.5, 1.5},        // 28 pixels out
        {&smallDisc, -35.0, -10.0, 5.0, -1003.0, -997.0},  // air 15 pixels beyond its edge
        {&bigDisc, 0.0, 0.0, 15.0, -1.5, 1.5},             // the big disc's centre
        {&bigDisc, 80.0, 0.0, 8.0, 15.0, 30.0},            // 80 pixels out
    };
    for (const char* kernel : {"ramlak", "shepp-logan", "cosine", "hamming", "hann"}) {
        lab::ReconstructOptions options;
        options.filter = WriteKernel(kernel);
        for (const Region& region : regions) {
            options.sinogram = *region.sinogram;
            options.outputs = {ScratchPath("disc.dcm")};
            lab::RunReconstructCommand(options);
            const lab::DicomSlice dicom = lab::ReadDicomSlice(options.outputs[0], 1);
            const double mean = lab::MeasureCircle(dicom.hu.values, lab::FromField(region.x, region.y), region.radius).mean;
            EXPECT_GE(mean, region.lowest) << kernel << " at " << region.x << ", " << region.y;
            EXPECT_LE(mean, region.highest) << kernel << " at " << region.x << ", " << region.y;
        }
    }
    // The same slice as a picture under a window in HU: water mid-grey, air
    // black; refused where there is no HU scale.
    lab::ReconstructOptions options;
    options.sinogram = smallDisc;
    options.filter = WriteKernel("hann");
    options.huWindow = "0,100";
    options.outputs = {ScratchPath("disc.png")};
    lab::RunReconstructCommand(options);
    const QImage picture(QString::fromStdString(options.outputs[0]));
    const lab::PicturePoint water = lab::FromField(20.0, -10.0), air = lab::FromField(-35.0, -10.0);
    EXPECT_NEAR(qGray(picture.pixel(water.column, water.row)), 127, 2);
    EXPECT_EQ(qGray(picture.pixel(air.column, air.row)), 0);
    options.filter.clear();
    options.simple = true;
    EXPECT_THROW(lab::RunReconstructCommand(options), lab::LabError);
}

// What no scan holds is refused by the lab, with the first bad value's place
// (file order: channel-major), by every method, and no file is written; the
// program itself still reads such files as it always has.
TEST(ReconstructCommand, ValuesNoScanHoldsAreRefusedWithTheirPlace) {
    const std::string ramLak = WriteKernel("ramlak");
    struct Case {
        double value;
        int channel, angle;
        const char* said;
    };
    const Case cases[] = {
        {NAN, 364, 10, "channel 364, angle 10 holds nan: not a finite number"},
        {INFINITY, 0, 179, "channel 0, angle 179 holds inf: not a finite number"},
        {-INFINITY, 728, 0, "channel 728, angle 0 holds -inf"},
        {1e308, 200, 3, "channel 200, angle 3 holds 1e+308: beyond +-1000"},
        {-1000.5, 400, 90, "channel 400, angle 90 holds -1000.5: beyond +-1000"},
    };
    for (const Case& c : cases) {
        std::vector<double> values(729 * 180, 0.5);
        values[c.channel * 180 + c.angle] = c.value;
        values[728 * 180 + 179] = NAN;  // a later bad value is not the one named
        if (c.channel == 728) values[728 * 180 + 179] = 0.5;
        const std::string sinogram = ScratchPath("bad.sino");
        recon_test::WriteSinogram(sinogram, values);
        for (const char* method : {"filter", "simple", "sart"}) {
            lab::ReconstructOptions options;
            options.sinogram = sinogram;
            options.filter = std::string(method) == "filter" ? ramLak : "";
            options.simple = std::string(method) == "simple";
            options.method = std::string(method) == "sart" ? "sart" : "";
            options.iterations = 1;
            options.outputs = {ScratchPath("never.npy"), ScratchPath(options.simple ? "never.png" : "never.dcm")};
            try {
                lab::RunReconstructCommand(options);
                ADD_FAILURE() << method << ": " << c.said << " accepted";
            } catch (const lab::LabError& error) {
                // The message starts with the file and the first bad value.
                EXPECT_EQ(std::string(error.what()).rfind(sinogram + ": " + c.said, 0), 0u) << method << ": "
                                                                                           << error.what();
            }
            EXPECT_FALSE(std::filesystem::exists(options.outputs[0])) << method;
            EXPECT_FALSE(std::filesystem::exists(options.outputs[1])) << method;
        }
        EXPECT_EQ(LoadSinogramFile(sinogram.c_str()).error, InputFileError::None) << "the program reads what it did";
    }

    // Taps: the first that is no number, or so large that the sums would
    // overflow; the lab's own largest, --scale 1e6, is a filter.
    const std::string sinogram = WritePhantomSinogram("disc", 0.0);
    const struct {
        int tap;
        const char* text;
        const char* said;  // empty: accepted
    } taps[] = {
        {0, "nan", "tap 0 holds nan: not a finite number"},
        {5, "-inf", "tap 5 holds -inf: not a finite number"},
        {127, "1e13", "tap 127 holds 1e+13: beyond +-1e+12, where the reconstruction's sums would overflow"},
        {0, "2.5e5", ""},
    };
    for (const auto& t : taps) {
        std::string text;
        for (int n = 0; n < 128; ++n) text += n == t.tap ? std::string(t.text) + "\n" : "0\n";
        const std::string filter = ScratchPath("bad_taps.txt");
        recon_test::WriteBytes(filter, text.data(), text.size());
        lab::ReconstructOptions options;
        options.sinogram = sinogram;
        options.filter = filter;
        options.programUnits = true;
        options.outputs = {ScratchPath("taps.npy")};
        if (*t.said == '\0') {
            EXPECT_NO_THROW(lab::RunReconstructCommand(options)) << t.text;
            std::filesystem::remove(options.outputs[0]);
            continue;
        }
        try {
            lab::RunReconstructCommand(options);
            ADD_FAILURE() << t.text << " accepted";
        } catch (const lab::LabError& error) {
            EXPECT_EQ(std::string(error.what()), filter + ": " + t.said);
        }
        EXPECT_FALSE(std::filesystem::exists(options.outputs[0])) << t.text;
        EXPECT_EQ(ReadFilterFile(filter.c_str(), FilterKernel).error, InputFileError::None)
            << "the program reads what it did";
    }
}

TEST(ReconstructCommand, MeasureJsonCarriesTheDocumentedNames) {
    lab::ReconstructOptions reconstruct;
    reconstruct.sinogram = WritePhantomSinogram("point", 0.0);
    reconstruct.filter = WriteKernel("hann");
    reconstruct.outputs = {ScratchPath("point.npy")};
    lab::RunReconstructCommand(reconstruct);

    lab::MeasureOptions measure;
    measure.image = reconstruct.outputs[0];
    measure.rois = {{false, "0.5,0.5,3"}, {true, "60,60,10"}};
    measure.mtf = "point";
    measure.nps = {false, "-60,-60,32"};
    measure.linePairs = true;
    measure.json = true;
    measure.pixelMm = 1.0;
    testing::internal::CaptureStdout();
    lab::RunMeasureCommand(measure);
    const QJsonObject json = QJsonDocument::fromJson(QByteArray::fromStdString(testing::internal::GetCapturedStdout())).object();
    for (const char* name : {"rois", "cnr", "point_peak", "point_background", "mtf50_cycles_per_pixel",
                             "mtf10_cycles_per_pixel", "mtf50_cycles_per_mm", "mtf", "nps", "line_pairs"})
        EXPECT_TRUE(json.contains(name)) << name;
    EXPECT_EQ(json["rois"][1]["pixels"].toInt(), 317);
    EXPECT_EQ(json["mtf"]["frequency_cycles_per_pixel"].toArray().size(), json["mtf"]["value"].toArray().size());
    EXPECT_GT(json["nps"]["variance"].toDouble(), 0.0);
    EXPECT_GT(json["nps"]["variance_within_nyquist"].toDouble(), 0.0);
    EXPECT_NEAR(json["mtf50_cycles_per_pixel"].toDouble(), 0.222, 0.01);  // Hann, as its edge gives
}

// The water disc of the calibration goes to the program's arrays from
// memory: no temporary file or folder that a signal could leave behind.
TEST(ReconstructCommand, CalibrationWritesNoFile) {
    const std::string temporaryFolder = ScratchPath("calibration_tmp");
    std::filesystem::create_directory(temporaryFolder);
    const char* before = getenv("TMPDIR");
    const std::string saved = before ? before : "";
    setenv("TMPDIR", temporaryFolder.c_str(), 1);
    ReconstructionSession session;
    const lab::SumCalibration calibration = lab::CalibrateSums(session, WriteKernel("hann"));
    if (before) setenv("TMPDIR", saved.c_str(), 1);
    else unsetenv("TMPDIR");
    EXPECT_TRUE(calibration.Valid());
    EXPECT_TRUE(std::filesystem::is_empty(temporaryFolder));
}

}  // namespace
