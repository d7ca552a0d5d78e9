// Tests of the canvas set-up, the sinogram picture, the _gcvt-style number
// text and the BMP export, read back from the back buffer and the file.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <limits>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/framework_state.h"
#include "console/file_dialogs.h"
#include "graphic/bmp_export.h"
#include "graphic/canvas.h"
#include "platform/platform.h"
#include "platform/win32.h"
#include "recon/gcvt_format.h"
#include "recon/phases.h"
#include "recon/recon_data.h"
#include "tests/support/modal_log.h"

// ---- shared with the other graphic tests ----------------------------------

// A hidden "Graphics" window as the start-up makes it, a zero-filled font
// record, and a fresh canvas from GraphicInit.
void PrepareTestCanvas() {
    FrameworkStateRecord& s = FrameworkState;
    if (!s.GraphicsWindow) {
        WNDCLASSA windowClass;
        memset(&windowClass, 0, sizeof windowClass);
        windowClass.style = CS_OWNDC | CS_NOCLOSE;
        windowClass.lpfnWndProc = DefWindowProcA;
        windowClass.lpszClassName = "Graphics";
        RegisterClassA(&windowClass);  // may already exist in this program
        s.GraphicsWindow = CreateWindowExA(0, "Graphics", "Images", WS_SYSMENU | WS_MINIMIZEBOX, 100, 20, 480, 480,
                                           nullptr, nullptr, nullptr, nullptr);
    }
    if (!s.GraphicFontRecord) {
        s.GraphicFontRecord = static_cast<LOGFONTA*>(GlobalLock(GlobalAlloc(GPTR, sizeof(LOGFONTA))));
    }
    s.InputLine[0] = 0;
    s.InputLength = 0;
    GraphicInit();
}

// Answers the next prompts at once: the text is a pending rest of a line.
void SetPendingInput(const char* text) {
    strcpy(FrameworkState.InputLine, text);
    FrameworkState.InputLength = static_cast<int32_t>(strlen(text));
}


COLORREF Pixel(int x, int y) { return GetPixel(FrameworkState.BackBufferDc, x, y); }

void FillCanvas(COLORREF colour) {
    RECT all;
    SetRect(&all, 0, 0, 1200, 800);
    HBRUSH brush = CreateSolidBrush(colour);
    FillRect(FrameworkState.BackBufferDc, &all, brush);
    DeleteObject(brush);
}

// ---- canvas set-up ----------------------------------------------------------

namespace {

const char StandardGothicFace[] = "\x95\x57\x8F\x80\x83\x53\x83\x56\x83\x62\x83\x4E";  // 標準ゴシック

class CanvasTest : public ::testing::Test {
protected:
    void SetUp() override { PrepareTestCanvas(); }
};

TEST_F(CanvasTest, InitGivesBlackSurfaceOfExactClientSizeAndDefaults) {
    FrameworkStateRecord& s = FrameworkState;
    // Leave traces of an earlier run: a drawing, a changed font record, pen width 3.
    SetPixelV(s.BackBufferDc, 600, 400, 0x123456);
    LOGFONTA* font = s.GraphicFontRecord;
    font->lfHeight = 28;
    font->lfWidth = 5;
    font->lfWeight = 700;
    font->lfItalic = 1;
    font->lfCharSet = 0;
    font->lfOrientation = 7;
    font->lfStrikeOut = 1;
    strcpy(font->lfFaceName, "Arial");
    s.PenWidth = 3;
    s.CurrentColor = 0x00FFFF;
    s.BackgroundKind = 2;

    GraphicInit();

    RECT client;
    ASSERT_TRUE(GetClientRect(s.GraphicsWindow, &client));
    EXPECT_EQ(client.right - client.left, 1200);
    EXPECT_EQ(client.bottom - client.top, 800);
    EXPECT_TRUE(IsWindowVisible(s.GraphicsWindow));
    EXPECT_EQ(s.SurfaceWidth, 1200);
    EXPECT_EQ(s.SurfaceHeight, 800);

    int nonBlack = 0;
    for (int y = 0; y < 800; ++y) {
        for (int x = 0; x < 1200; ++x) nonBlack += Pixel(x, y) != 0;
    }
    EXPECT_EQ(nonBlack, 0);

    EXPECT_EQ(s.CurrentColor, 0xFFFFFFu);
    EXPECT_EQ(s.BackgroundKind, 0);
    EXPECT_EQ(s.PenWidth, 3);  // survives a new run
    EXPECT_EQ(s.PresentNeeded, 1);
    EXPECT_EQ(s.BackBufferExists, 1);
    EXPECT_EQ(s.GraphicShown, 1);

    EXPECT_EQ(font->lfHeight, 10);
    EXPECT_EQ(font->lfWidth, 0);
    EXPECT_EQ(font->lfEscapement, 0);
    EXPECT_EQ(font->lfWeight, 400);
    EXPECT_EQ(font->lfItalic, 0);
    EXPECT_EQ(font->lfUnderline, 0);
    EXPECT_EQ(font->lfCharSet, 128);
    EXPECT_STREQ(font->lfFaceName, StandardGothicFace);
    // Fields the defaults do not write keep their contents.
    EXPECT_EQ(font->lfOrientation, 7);
    EXPECT_EQ(font->lfStrikeOut, 1);
    font->lfOrientation = 0;
    font->lfStrikeOut = 0;
}

TEST_F(CanvasTest, PresentCopiesTheSurfaceToTheWindow) {
    FrameworkStateRecord& s = FrameworkState;
    SetPixelV(s.BackBufferDc, 17, 23, 0x00ABCDEF);
    s.PresentNeeded = 1;
    GraphicPresent();
    EXPECT_EQ(s.PresentNeeded, 0);
    HDC windowDc = GetDC(s.GraphicsWindow);
    EXPECT_EQ(GetPixel(windowDc, 17, 23), 0x00ABCDEFu);
    EXPECT_EQ(GetPixel(windowDc, 18, 23), 0u);
    ReleaseDC(s.GraphicsWindow, windowDc);
}

// ---- the sinogram picture --------------------------------------------------

TEST_F(CanvasTest, SinogramGreyLevelsAndPlacement) {
    for (int a = 0; a < AngleCount; ++a) {
        for (int j = 0; j < BinCount; ++j) Sinogram[j * RowStride + a] = 255.0;  // grey 127
    }
    Sinogram[0 * RowStride + 0] = 0.0;
    Sinogram[1 * RowStride + 0] = 510.0;
    Sinogram[2 * RowStride + 0] = 3.0;
    Sinogram[3 * RowStride + 0] = 509.0;
    Sinogram[255 * RowStride + 179] = 510.0;
    SinogramMin = 0.0;
    SinogramMax = 510.0;
    const COLORREF outside = 0x00336699;
    FillCanvas(outside);

    ShowSinogram();

    EXPECT_EQ(Pixel(10, 10), 0x000000u);
    EXPECT_EQ(Pixel(11, 10), 0xFFFFFFu);
    EXPECT_EQ(Pixel(12, 10), 0x010101u);
    EXPECT_EQ(Pixel(13, 10), 0xFEFEFEu);
    EXPECT_EQ(Pixel(14, 10), 0x7F7F7Fu);
    EXPECT_EQ(Pixel(265, 189), 0xFFFFFFu);
    EXPECT_EQ(Pixel(10, 189), 0x7F7F7Fu);
    EXPECT_EQ(FrameworkState.CurrentColor, 0xFFFFFFu);  // the last pixel's colour
    EXPECT_EQ(FrameworkState.PresentNeeded, 1);

    int touchedOutside = 0;
    for (int y = 0; y < 800; ++y) {
        for (int x = 0; x < 1200; ++x) {
            const bool inside = x >= 10 && x <= 265 && y >= 10 && y <= 189;
            if (!inside) touchedOutside += Pixel(x, y) != outside;
        }
    }
    EXPECT_EQ(touchedOutside, 0);
}

TEST_F(CanvasTest, SinogramWithZeroRangeOrNaNIsBlack) {
    for (int a = 0; a < AngleCount; ++a) {
        for (int j = 0; j < BinCount; ++j) Sinogram[j * RowStride + a] = 7.0;
    }
    SinogramMin = 7.0;
    SinogramMax = 7.0;
    FillCanvas(0xFFFFFF);
    ShowSinogram();
    int nonBlack = 0;
    for (int y = 10; y < 190; ++y) {
        for (int x = 10; x < 266; ++x) nonBlack += Pixel(x, y) != 0;
    }
    EXPECT_EQ(nonBlack, 0);

    SinogramMax = 17.0;
    Sinogram[5 * RowStride + 3] = std::numeric_limits<double>::quiet_NaN();
    Sinogram[6 * RowStride + 3] = 17.0;
    ShowSinogram();
    EXPECT_EQ(Pixel(15, 13), 0u);
    EXPECT_EQ(Pixel(16, 13), 0xFFFFFFu);
}

// ---- _gcvt-style number text -----------------------------------------------

std::string Gcvt(double value, int digits) {
    char buffer[GcvtBufferBytes];
    return FormatGcvt(value, digits, buffer);
}

TEST(GcvtFormatTest, WholeAnglesEndInAPoint) {
    for (int a = 0; a < AngleCount; ++a) {
        EXPECT_EQ(Gcvt(a, 5), std::to_string(a) + ".") << a;
    }
    EXPECT_EQ(Gcvt(4.0, 5), "4.");
    EXPECT_EQ(Gcvt(179.0, 5), "179.");
    EXPECT_EQ(Gcvt(-4.0, 5), "-4.");
    EXPECT_EQ(Gcvt(9999.0, 5), "9999.");
}

TEST(GcvtFormatTest, FixedAndExponentForms) {
    EXPECT_EQ(Gcvt(0.5, 5), "0.5");
    EXPECT_EQ(Gcvt(0.1, 5), "0.1");
    EXPECT_EQ(Gcvt(1.5, 5), "1.5");
    EXPECT_EQ(Gcvt(3.14159265, 5), "3.1416");
    EXPECT_EQ(Gcvt(-12.25, 5), "-12.25");
    // All digits before the point: no point at all.
    EXPECT_EQ(Gcvt(12345.0, 5), "12345");
    // Exponent beyond the digits, or below -1: exponent form, three digits.
    EXPECT_EQ(Gcvt(123456.0, 5), "1.2346e+005");
    EXPECT_EQ(Gcvt(100000.0, 5), "1.e+005");
    EXPECT_EQ(Gcvt(0.05, 5), "5.e-002");
    EXPECT_EQ(Gcvt(0.0123456, 5), "1.2346e-002");
    EXPECT_EQ(Gcvt(1.5e300, 5), "1.5e+300");

    EXPECT_EQ(Gcvt(-1234567890.123, 12), "-1234567890.12");
    EXPECT_EQ(Gcvt(-12345678901.23, 12), "-12345678901.2");
    EXPECT_EQ(Gcvt(-123456789012.3, 12), "-123456789012");
    EXPECT_EQ(Gcvt(-1234567890123.0, 12), "-1.23456789012e+012");
    EXPECT_EQ(Gcvt(-0.123456789012, 12), "-0.123456789012");
    EXPECT_EQ(Gcvt(-0.0123456789012, 12), "-1.23456789012e-002");
}

// ---- BMP export ------------------------------------------------------------

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
        char pattern[] = "/tmp/sinora-bmp-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        folder = pattern;
        path = folder + "/canvas.bmp";
    }
    void TearDown() override {
        unlink(path.c_str());
        rmdir(folder.c_str());
    }
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

    // /dev/full opens, but every write fails with "no space".
    logBefore = PlatformModalLogCount();
    EXPECT_FALSE(GraphicSaveBmp("/dev/full"));
    shown = ModalLogSince(logBefore);
    EXPECT_NE(shown.find("Failed to save"), std::string::npos) << shown;
    EXPECT_EQ(shown.find("Saved Graphic"), std::string::npos) << shown;

    // The same through the menu flow: confirm the overwrite question, then
    // the failure notice follows and no success notice.
    logBefore = PlatformModalLogCount();
    FileNameBuffer[0] = 0;  // a typed answer is only taken into an empty file-name field
    PlatformQueueModalAnswer("/dev/full");
    PlatformQueueModalAnswer("ok");
    SaveGraphicFile();
    shown = ModalLogSince(logBefore);
    EXPECT_NE(shown.find("OverWrite?"), std::string::npos) << shown;
    EXPECT_NE(shown.find("Failed to save"), std::string::npos) << shown;
    EXPECT_EQ(shown.find("Saved Graphic"), std::string::npos) << shown;
}

TEST_F(BmpExportTest, MenuFlowSavesAndSaysSo) {
    const int logBefore = PlatformModalLogCount();
    FileNameBuffer[0] = 0;
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
