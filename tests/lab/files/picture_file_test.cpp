// Reading the pictures of every command: what is wrong with a file is said,
// a picture cut short is refused rather than filled in (whatever its
// format), and a large photograph is read up to the lab's own limit, beyond
// which it is too large, in those words.
#include <QBuffer>
#include <QImage>

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "tests/lab/lab_test_support.h"
#include "lab/core/lab_error.h"
#include "lab/files/picture_file.h"

using namespace lab_test;

namespace {

TEST(PictureFile, SaysWhatIsWrongWithAFile) {
    const std::string whole = ScratchPath("whole.bmp"), cut = ScratchPath("cut.bmp"), text = ScratchPath("text.png");
    ASSERT_TRUE(QImage(64, 48, QImage::Format_RGB32).save(QString::fromStdString(whole)));
    const std::string bytes = FileBytes(whole);
    WriteBytes(cut, bytes.data(), bytes.size() - 100);
    WriteBytes(text, "not a picture\n", 14);
    const struct {
        std::string path;
        std::string failure;  // "" read
    } cases[] = {
        {whole, ""},
        {cut, cut + ": a BMP file cut short (" + std::to_string(bytes.size() - 100) + " of " + std::to_string(bytes.size()) + " bytes)"},
        {ScratchFolder(), "cannot open " + ScratchFolder() + ": it is a folder, not a file"},
        {ScratchPath("none.png"), "cannot open " + ScratchPath("none.png") + ": no such file"},
        {text, text + ": not a picture (PNG, JPEG, BMP, TIFF, PGM/PPM)"},
    };
    for (const auto& c : cases) {
        std::string failure;
        try {
            EXPECT_EQ(lab::ReadPictureFile(c.path).size(), QSize(64, 48)) << c.path;
        } catch (const lab::LabError& error) {
            failure = error.what();
        }
        EXPECT_EQ(failure, c.failure);
    }
}

std::string Encoded(const QImage& image, const char* format, int quality = -1) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    EXPECT_TRUE(image.save(&buffer, format, quality)) << format;
    return bytes.toStdString();
}

// A picture with detail everywhere, so that every part of the file matters.
QImage Detailed(int width, int height, QImage::Format format) {
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) image.setPixel(x, y, qRgb((x * 7 + y * 3) % 256, (x * y) % 256, (x ^ y) % 256));
    return image.convertToFormat(format);
}

// Each format cut in half, or just before its last bytes: refused, never a
// picture with its missing part made up.
TEST(PictureFile, PicturesCutShortAreRefusedInEveryFormat) {
    const struct {
        const char* format;
        QImage::Format pixels;
    } formats[] = {
        {"PNG", QImage::Format_RGB32},   {"JPEG", QImage::Format_RGB32},       {"JPEG", QImage::Format_Grayscale8},
        {"BMP", QImage::Format_RGB32},   {"TIFF", QImage::Format_RGB32},       {"PGM", QImage::Format_Grayscale8},
        {"PPM", QImage::Format_RGB32},   {"PNG", QImage::Format_Grayscale16},
    };
    for (const auto& f : formats) {
        const std::string whole = Encoded(Detailed(96, 64, f.pixels), f.format);
        const std::string path = ScratchPath("cut." + QString(f.format).toLower().toStdString());
        WriteBytes(path, whole.data(), whole.size());
        EXPECT_EQ(lab::ReadPictureFile(path).size(), QSize(96, 64)) << f.format;
        for (const size_t kept : {whole.size() / 2, whole.size() - 2}) {
            WriteBytes(path, whole.data(), kept);
            std::string failure;
            try {
                lab::ReadPictureFile(path);
            } catch (const lab::LabError& error) {
                failure = error.what();
            }
            EXPECT_NE(failure, "") << f.format << " cut to " << kept << " of " << whole.size() << " bytes";
        }
    }
    // The JPEG's own words.
    const std::string jpeg = Encoded(Detailed(96, 64, QImage::Format_RGB32), "JPEG");
    const std::string path = ScratchPath("half.jpg");
    WriteBytes(path, jpeg.data(), jpeg.size() / 2);
    try {
        lab::ReadPictureFile(path);
    } catch (const lab::LabError& error) {
        EXPECT_EQ(std::string(error.what()), path + ": a JPEG file cut short (its " + std::to_string(jpeg.size() / 2) +
                                                 " bytes end before the end-of-image marker)");
    }
}

// A photograph of 8000 x 6000 (48 million pixels) is read: Qt's own limit
// on a decoded image (128 MB) is raised to what the lab can hold. Beyond
// MaxPicturePixels the picture is refused as too large, before it is decoded.
TEST(PictureFile, LargePhotographsAreReadUpToTheLabsLimit) {
    const std::string photo = ScratchPath("photo.jpg");
    {
        QImage image(8000, 6000, QImage::Format_RGB32);
        image.fill(qRgb(90, 120, 200));
        ASSERT_TRUE(image.save(QString::fromStdString(photo), "JPEG", 50));
    }
    EXPECT_EQ(lab::ReadPictureFile(photo).size(), QSize(8000, 6000));

    const struct {
        const char* name;
        std::string bytes;
        std::string failure;
    } tooLarge[] = {
        {"huge.pgm", "P5\n20000 10000\n255\n", "too large (20000 x 10000 pixels; at most 100,000,000 pixels)"},
        {"wide.ppm", "P6\n15000 7000\n255\n", "too large (15000 x 7000 pixels; at most 100,000,000 pixels)"},
    };
    for (const auto& c : tooLarge) {
        const std::string path = ScratchPath(c.name);
        WriteBytes(path, c.bytes.data(), c.bytes.size());
        std::string failure;
        try {
            lab::ReadPictureFile(path);
        } catch (const lab::LabError& error) {
            failure = error.what();
        }
        EXPECT_EQ(failure, path + ": " + c.failure);
    }
}

}  // namespace
