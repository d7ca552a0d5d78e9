// compare on canvases saved by the program's own BMP writer.
#include <QImage>

#include <gtest/gtest.h>

#include <cmath>

#include "graphic/bmp_export.h"
#include "graphic/canvas.h"
#include "graphic/canvas_draw.h"
#include "tests/lab/lab_test_support.h"
#include "lab/measure/canvas_compare.h"
#include "lab/commands/commands.h"
#include "lab/core/lab_error.h"
#include "lab/measure/measured_image.h"

using namespace lab_test;

namespace {

int KnownGrey(int x, int r) { return (x * 7 + r * 3 + (x * r) % 29) % 256; }

// The canvas with the known image drawn where the program draws its slice,
// and other pictures around it.
std::string SavedCanvas(const std::string& name) {
    GraphicInit();
    for (int r = 0; r < 256; ++r)
        for (int x = 0; x < 256; ++x) PutCanvasBlock(2 * x, 140 + 2 * r, GreyColour(KnownGrey(x, r)));
    for (int y = 0; y < 100; ++y) PutCanvasPixel(700, y, YellowColour);
    const std::string path = ScratchPath(name);
    EXPECT_TRUE(GraphicSaveBmp(path.c_str()));
    return path;
}

TEST(CanvasCompare, KnownImageGivesCorrelationOneAndNoError) {
    const std::string canvas = SavedCanvas("known.bmp");
    const std::vector<double> slice = lab::SliceFromCanvas(canvas);
    for (int r = 0; r < 256; r += 17)
        for (int x = 0; x < 256; x += 13) ASSERT_EQ(slice[r * 256 + x], KnownGrey(x, r)) << x << " " << r;

    // A 16-bit truth on another scale and offset: the fit finds them.
    QImage truth(256, 256, QImage::Format_Grayscale16);
    for (int r = 0; r < 256; ++r) {
        auto* line = reinterpret_cast<quint16*>(truth.scanLine(r));
        for (int x = 0; x < 256; ++x) line[x] = static_cast<quint16>(100 * KnownGrey(x, r) + 1000);
    }
    const std::string truthPath = ScratchPath("known_truth.png");
    ASSERT_TRUE(truth.save(QString::fromStdString(truthPath)));
    const lab::Comparison fit = lab::CompareWithTruth(slice, lab::ReadTruth(truthPath));
    EXPECT_NEAR(fit.correlation, 1.0, 1e-12);
    EXPECT_NEAR(fit.normalisedRms, 0.0, 1e-9);
    EXPECT_NEAR(fit.scale, 100.0, 1e-9);
    EXPECT_NEAR(fit.offset, 1000.0, 1e-6);
    EXPECT_EQ(fit.pixels, 51040);  // pixel centres within 127.5 of the centre

    // The command's difference picture is mid-grey throughout.
    lab::CompareOptions options{canvas, truthPath, ScratchPath("difference.png")};
    lab::RunCompareCommand(options);
    const QImage difference(QString::fromStdString(options.difference));
    ASSERT_EQ(difference.size(), QSize(256, 256));
    for (int r = 0; r < 256; r += 5)
        for (int x = 0; x < 256; x += 5) ASSERT_EQ(qGray(difference.pixel(x, r)), 128) << x << " " << r;

    // A truth that differs inside the disc: a worse fit, seen in the picture.
    truth.setPixel(128, 128, 0);
    ASSERT_TRUE(truth.save(QString::fromStdString(truthPath)));
    const lab::Comparison worse = lab::CompareWithTruth(slice, lab::ReadTruth(truthPath));
    EXPECT_LT(worse.correlation, 1.0 - 1e-6);
    EXPECT_GT(worse.normalisedRms, 1e-4);
    EXPECT_GT(qGray(lab::DifferenceImage(slice, lab::ReadTruth(truthPath), worse).pixel(128, 128)), 128);
}

TEST(CanvasCompare, PicturesThatAreNoCanvasOrTruthAreRefused) {
    const std::string canvas = SavedCanvas("coloured.bmp");
    EXPECT_THROW(lab::ReadTruth(canvas), lab::LabError);  // 1200 x 800
    const std::string small = ScratchPath("small.png");
    ASSERT_TRUE(QImage(256, 256, QImage::Format_RGB32).save(QString::fromStdString(small)));
    EXPECT_THROW(lab::SliceFromCanvas(small), lab::LabError);
    EXPECT_THROW(lab::SliceFromCanvas(ScratchPath("absent.bmp")), lab::LabError);

    // Cyan in the slice's place (a replay panel) is no slice.
    GraphicInit();
    PutCanvasBlock(100, 300, NegativeColour);
    const std::string replay = ScratchPath("replay.bmp");
    ASSERT_TRUE(GraphicSaveBmp(replay.c_str()));
    try {
        lab::SliceFromCanvas(replay);
        ADD_FAILURE() << "cyan taken as a slice";
    } catch (const lab::LabError& error) {
        EXPECT_NE(std::string(error.what()).find("1 of its 65536 blocks"), std::string::npos) << error.what();
    }
}

// A picture's values are its grey levels at the depth its file has: an
// 8-bit PNG (what `reconstruct` writes) 0..255, as a canvas BMP gives them,
// not 257 times as much; a 16-bit one (a truth image) 0..65535. As the
// truth of `compare`, in the window, and for `measure`.
TEST(CanvasCompare, PicturesAreReadAtTheDepthOfTheirFile) {
    const struct {
        const char* what;
        QImage::Format format;
        const char* fileFormat;
        double top;  // the value of white
    } cases[] = {
        {"8-bit grey PNG", QImage::Format_Grayscale8, "PNG", 255.0},
        {"palette PNG", QImage::Format_Indexed8, "PNG", 255.0},
        {"8-bit colour PNG", QImage::Format_RGB32, "PNG", 255.0},
        {"8-bit grey BMP", QImage::Format_Grayscale8, "BMP", 255.0},
        {"8-bit PGM", QImage::Format_Grayscale8, "PGM", 255.0},
        {"16-bit grey PNG", QImage::Format_Grayscale16, "PNG", 65535.0},
        {"16-bit colour PNG", QImage::Format_RGBX64, "PNG", 65535.0},
        {"16-bit grey TIFF", QImage::Format_Grayscale16, "TIFF", 65535.0},
    };
    QImage levels(256, 256, QImage::Format_Grayscale8);
    for (int r = 0; r < 256; ++r)
        for (int x = 0; x < 256; ++x) levels.scanLine(r)[x] = static_cast<uchar>(KnownGrey(x, r));
    for (const auto& c : cases) {
        QImage picture = levels.convertToFormat(c.format);
        if (c.format == QImage::Format_Indexed8) {
            QVector<QRgb> greys;
            for (int g = 0; g < 256; ++g) greys.push_back(qRgb(g, g, g));
            picture = levels.convertToFormat(QImage::Format_Indexed8, greys);
        }
        const std::string path = ScratchPath(std::string("depth.") + QString(c.fileFormat).toLower().toStdString());
        ASSERT_TRUE(picture.save(QString::fromStdString(path), c.fileFormat)) << c.what;
        const std::vector<double> truth = lab::ReadTruth(path);
        const lab::MeasuredImage measured = lab::ReadMeasuredImage(path);
        EXPECT_EQ(measured.values, truth) << c.what;
        EXPECT_EQ(measured.units, "grey levels") << c.what;
        // Colour becomes grey through Qt's conversion in linear light, by
        // tables: exact in 8 bits, within a few steps in 16.
        const double tolerance = c.format == QImage::Format_RGBX64 ? 0.002 * c.top : 0.0;
        int wrong = 0;
        for (int r = 0; r < 256; ++r)
            for (int x = 0; x < 256; ++x) wrong += std::abs(truth[r * 256 + x] - KnownGrey(x, r) * c.top / 255.0) > tolerance;
        EXPECT_EQ(wrong, 0) << c.what;
    }
    // The canvas of the same slice measures the same.
    const std::string canvas = SavedCanvas("depth_canvas.bmp");
    const std::string png = ScratchPath("depth.png");
    ASSERT_TRUE(levels.save(QString::fromStdString(png)));
    EXPECT_EQ(lab::ReadMeasuredImage(canvas).values, lab::ReadMeasuredImage(png).values);
}

}  // namespace
