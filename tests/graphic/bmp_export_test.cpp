// The BMP export of the canvas: the file's headers and rows, a longer file
// replaced whole, failures reported as failures, and the menu flow.
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "shared/framework_state.h"
#include "graphic/bmp_export.h"
#include "platform/os_calls.h"
#include "platform/platform.h"
#include "platform/win32.h"
#include "tests/support/canvas_fixture.h"
#include "tests/support/modal_log.h"
#include "tests/support/temp_folder.h"

namespace {

std::vector<unsigned char> ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<unsigned char>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

uint32_t Le32(const std::vector<unsigned char>& b, size_t at) {
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<uint32_t>(b[at + 3]) << 24);
}
uint32_t Le16(const std::vector<unsigned char>& b, size_t at) { return b[at] | (b[at + 1] << 8); }

class BmpExportTest : public CanvasTest {
protected:
    void SetUp() override {
        CanvasTest::SetUp();
        ASSERT_FALSE(scratch.path().empty());
        folder = scratch.path();
        path = folder + "/canvas.bmp";
    }
    TempFolder scratch{"sinora-bmp-"};
    std::string folder;
    std::string path;
};

TEST_F(BmpExportTest, HeadersAndBottomUpBgrRows) {
    SetPixelV(FrameworkState.BackBufferDc, 0, 0, 0x00112233);
    SetPixelV(FrameworkState.BackBufferDc, 5, 7, 0x00010203);
    SetPixelV(FrameworkState.BackBufferDc, 1199, 799, 0x00ABCDEF);
    SetPixelV(FrameworkState.BackBufferDc, 600, 400, 0x00FFFF00);
    const int logBefore = PlatformModalLogCount();

    ASSERT_TRUE(GraphicSaveBmp(path.c_str()));
    EXPECT_EQ(ModalLogSince(logBefore), "");  // the writer itself shows nothing on success

    const std::vector<unsigned char> file = ReadFile(path);
    ASSERT_EQ(file.size(), 2880054u);
    EXPECT_EQ(file[0], 'B');
    EXPECT_EQ(file[1], 'M');
    EXPECT_EQ(Le32(file, 2), 2880054u);
    EXPECT_EQ(Le16(file, 6), 0u);
    EXPECT_EQ(Le16(file, 8), 0u);
    EXPECT_EQ(Le32(file, 10), 54u);
    EXPECT_EQ(Le32(file, 14), 40u);
    EXPECT_EQ(Le32(file, 18), 1200u);
    EXPECT_EQ(Le32(file, 22), 800u);
    EXPECT_EQ(Le16(file, 26), 1u);
    EXPECT_EQ(Le16(file, 28), 24u);
    for (size_t at = 30; at < 54; at += 4) EXPECT_EQ(Le32(file, at), 0u) << "offset " << at;

    auto expectPixel = [&](int x, int y, unsigned bb, unsigned gg, unsigned rr) {
        const size_t at = 54 + static_cast<size_t>(799 - y) * 3600 + 3 * x;
        EXPECT_EQ(file[at], bb) << x << "," << y;
        EXPECT_EQ(file[at + 1], gg) << x << "," << y;
        EXPECT_EQ(file[at + 2], rr) << x << "," << y;
    };
    expectPixel(0, 0, 0x11, 0x22, 0x33);
    expectPixel(5, 7, 0x01, 0x02, 0x03);
    expectPixel(1199, 799, 0xAB, 0xCD, 0xEF);
    expectPixel(600, 400, 0xFF, 0xFF, 0x00);
    expectPixel(1, 0, 0, 0, 0);
}

TEST_F(BmpExportTest, ReplacesALongerFileCompletely) {
    {
        std::ofstream old(path, std::ios::binary);
        std::string filler(3000000, '\xAA');
        old << filler;
    }
    SetPixelV(FrameworkState.BackBufferDc, 0, 799, 0x00445566);
    ASSERT_TRUE(GraphicSaveBmp(path.c_str()));
    const std::vector<unsigned char> file = ReadFile(path);
    ASSERT_EQ(file.size(), 2880054u);
    EXPECT_EQ(file[54], 0x44);
    EXPECT_EQ(file[56], 0x66);
}

TEST_F(BmpExportTest, FailuresAreReportedAndNeverAsSaved) {
    // A folder that does not exist: the file cannot be created.
    int logBefore = PlatformModalLogCount();
    EXPECT_FALSE(GraphicSaveBmp((folder + "/missing/canvas.bmp").c_str()));
    std::string shown = ModalLogSince(logBefore);
    EXPECT_NE(shown.find("Failed to nopen file."), std::string::npos) << shown;

    // A device is no file to replace: /dev/full is not written to.
    logBefore = PlatformModalLogCount();
    EXPECT_FALSE(GraphicSaveBmp("/dev/full"));
    shown = ModalLogSince(logBefore);
    EXPECT_NE(shown.find("Failed to nopen file."), std::string::npos) << shown;
    EXPECT_EQ(shown.find("Saved Graphic"), std::string::npos) << shown;

    // A disk that fills up half way through the pixels, through the menu
    // flow: the overwrite question, the failure notice and no success
    // notice; the old file keeps every byte.
    const std::string old(3000000, 'o');
    std::ofstream(path, std::ios::binary) << old;
    PlatformOsCalls.write = [](int fd, const void* buffer, size_t bytes) -> ssize_t {
        if (lseek(fd, 0, SEEK_CUR) >= 1500000) {
            errno = ENOSPC;
            return -1;
        }
        return ::write(fd, buffer, bytes < 1000000 ? bytes : 1000000);
    };
    logBefore = PlatformModalLogCount();
    PlatformQueueModalAnswer(path.c_str());
    PlatformQueueModalAnswer("ok");
    SaveGraphicFile();
    PlatformRestoreOsCalls();
    shown = ModalLogSince(logBefore);
    EXPECT_NE(shown.find("OverWrite?"), std::string::npos) << shown;
    EXPECT_NE(shown.find("Failed to save"), std::string::npos) << shown;
    EXPECT_EQ(shown.find("Saved Graphic"), std::string::npos) << shown;
    const std::vector<unsigned char> kept = ReadFile(path);
    EXPECT_TRUE(kept == std::vector<unsigned char>(old.begin(), old.end()));
}

TEST_F(BmpExportTest, MenuFlowSavesAndSaysSo) {
    const int logBefore = PlatformModalLogCount();
    PlatformQueueModalAnswer(path.c_str());
    SaveGraphicFile();
    const std::string shown = ModalLogSince(logBefore);
    EXPECT_NE(shown.find("MessageBox|Kelvane Message| Saved Graphic |64"), std::string::npos) << shown;
    struct stat info;
    ASSERT_EQ(stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_size, 2880054);

    // A cancelled dialog does nothing and says nothing.
    const int logCancel = PlatformModalLogCount();
    PlatformQueueModalAnswer("cancel");
    SaveGraphicFile();
    EXPECT_EQ(ModalLogSince(logCancel).find("MessageBox"), std::string::npos);
}

}  // namespace