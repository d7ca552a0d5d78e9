// Reading the pictures of every command: what is wrong with a file is said,
// and a BMP cut short is refused rather than filled in.
#include <QImage>

#include <gtest/gtest.h>

#include <string>

#include "lab_test_support.h"
#include "tools/lab/lab_error.h"
#include "tools/lab/picture_file.h"

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

}  // namespace
