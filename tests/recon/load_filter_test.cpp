// Tests of the run's pictures, read back pixel by pixel from the back
// buffer: the filter plot and the refused filter files, the grid of per-angle
// back projections, the full-range sum image, the replay and the HU window.
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/framework_state.h"
#include "console/file_dialogs.h"
#include "graphic/canvas.h"
#include "platform/platform.h"
#include "platform/win32.h"
#include "recon/phases.h"
#include "recon/recon_data.h"
#include "recon/show_fbp_process.h"
#include "tests/support/modal_log.h"

// Shared helpers (canvas_test.cpp).
void PrepareTestCanvas();
void SetPendingInput(const char* text);
COLORREF Pixel(int x, int y);
void FillCanvas(COLORREF colour);

namespace {

const COLORREF Yellow = 0x00FFFF;
const COLORREF Cyan = 0xFFFF00;
const COLORREF White = 0xFFFFFF;

COLORREF Grey(int g) { return static_cast<COLORREF>(g) * 0x010101u; }

// Every pixel of the 2 x 2 block with top-left pixel (x, y) has `colour`.
::testing::AssertionResult BlockIs(int x, int y, COLORREF colour) {
    for (int dx = 0; dx < 2; ++dx) {
        for (int dy = 0; dy < 2; ++dy) {
            if (Pixel(x + dx, y + dy) != colour) {
                return ::testing::AssertionFailure() << "pixel (" << x + dx << ", " << y + dy << ") is 0x" << std::hex
                                                     << Pixel(x + dx, y + dy) << ", expected 0x" << colour;
            }
        }
    }
    return ::testing::AssertionSuccess();
}

bool TextBufferHasLine(const std::string& line) {
    for (int i = 0; i < TextBufferLines; ++i) {
        if (line == FrameworkState.TextBuffer[i]) return true;
    }
    return false;
}

class PictureTest : public ::testing::Test {
protected:
    void SetUp() override { PrepareTestCanvas(); }
};

// ---- filter plot -------------------------------------------------------------

std::vector<int> YellowRows(int x) {
    std::vector<int> rows;
    for (int y = 0; y < 800; ++y) {
        if (Pixel(x, y) == Yellow) rows.push_back(y);
    }
    return rows;
}

void SetAllTaps(double value) {
    for (double& tap : FilterKernel) tap = value;
}

TEST_F(PictureTest, ZeroTapsDrawAWideLineOnY300InABlackFrame) {
    FillCanvas(0x336699);
    FrameworkState.PenWidth = 1;
    SetAllTaps(0.0);
    PlotFilter();

    for (int x = 500; x <= 700; ++x) EXPECT_EQ(Pixel(x, 300), Yellow) << "x " << x;
    EXPECT_NE(Pixel(705, 300), Yellow);
    EXPECT_NE(Pixel(495, 300), Yellow);
    const std::vector<int> rows = YellowRows(650);
    ASSERT_FALSE(rows.empty());
    EXPECT_GE(rows.front(), 298);
    EXPECT_LE(rows.back(), 302);
    EXPECT_LE(rows.front(), 299);
    EXPECT_GE(rows.back(), 301);
    EXPECT_EQ(YellowRows(550), rows);  // the mirrored half lies on the same rows

    // The frame: black from (500, 130) to (749, 399); nothing beyond it.
    EXPECT_EQ(Pixel(500, 130), 0u);
    EXPECT_EQ(Pixel(749, 399), 0u);
    EXPECT_EQ(Pixel(720, 200), 0u);
    EXPECT_EQ(Pixel(750, 200), 0x336699u);
    EXPECT_EQ(Pixel(499, 200), 0x336699u);
    EXPECT_EQ(Pixel(600, 400), 0x336699u);

    // The caption in white at (650, 70), height 22.
    int white = 0;
    for (int y = 70; y < 100; ++y) {
        for (int x = 650; x < 900; ++x) white += Pixel(x, y) == White;
    }
    EXPECT_GT(white, 20);
    EXPECT_EQ(FrameworkState.GraphicFontRecord->lfHeight, 22);
    EXPECT_EQ(FrameworkState.GraphicFontHandle, nullptr);
    EXPECT_EQ(FrameworkState.PenWidth, 4);
    EXPECT_EQ(FrameworkState.CurrentColor, Yellow);
}

TEST_F(PictureTest, TapsOfPlusAndMinusPointThreeMoveTheCurveOneRow) {
    SetAllTaps(0.0);
    PlotFilter();
    const std::vector<int> zeroRows = YellowRows(650);
    ASSERT_FALSE(zeroRows.empty());

    for (double tap : {0.3, -0.3}) {
        PrepareTestCanvas();
        SetAllTaps(tap);
        PlotFilter();
        std::vector<int> expected = zeroRows;
        for (int& y : expected) y += tap > 0 ? -1 : 1;  // 4 x 0.3 = 1.2 truncates to 1
        EXPECT_EQ(YellowRows(650), expected) << "tap " << tap;
        EXPECT_EQ(YellowRows(560), expected) << "tap " << tap;
    }

    // Taps beyond the 32-bit range or not a number land far off the canvas.
    PrepareTestCanvas();
    SetAllTaps(1e300);
    FilterKernel[3] = std::nan("");
    PlotFilter();
    EXPECT_TRUE(YellowRows(650).empty());
    EXPECT_TRUE(YellowRows(600).empty());

    // A new pass erases the old curve with the frame.
    PrepareTestCanvas();
    SetAllTaps(10.0);
    PlotFilter();
    SetAllTaps(0.0);
    PlotFilter();
    EXPECT_EQ(YellowRows(650), zeroRows);
}

// ---- filter files --------------------------------------------------------------

class FilterFileTest : public PictureTest {
protected:
    void SetUp() override {
        PictureTest::SetUp();
        char pattern[] = "/tmp/sinora-filter-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        folder = pattern;
        for (int i = 0; i < KernelTaps; ++i) FilterKernel[i] = i * 0.25;
    }
    void TearDown() override {
        for (const std::string& file : files) unlink(file.c_str());
        rmdir(folder.c_str());
    }
    std::string Write(const char* name, const std::string& text) {
        std::string path = folder + "/" + name;
        std::ofstream(path) << text;
        files.push_back(path);
        return path;
    }
    void ExpectTapsUnchanged() {
        for (int i = 0; i < KernelTaps; ++i) ASSERT_EQ(FilterKernel[i], i * 0.25) << "tap " << i;
    }
    static std::string Numbers(int count, const char* separator) {
        std::string text;
        for (int i = 0; i < count; ++i) text += std::to_string(i - 60) + ".5e-1" + separator;
        return text;
    }
    std::string folder;
    std::vector<std::string> files;
};

TEST_F(FilterFileTest, UnusableFilesAreRefusedAndKeepTheTaps) {
    struct Case {
        std::string path;
        const char* notice;
    };
    const std::vector<Case> cases = {
        {folder + "/missing.txt", "No numbers were read"},
        {Write("short.txt", Numbers(100, "\n")), "holds only 100 numbers; 128 are needed"},
        {Write("text.txt", "1.0 2.0\n3.0\nabc 5.0\n" + Numbers(200, "\n")), "text that is not a number after 3 numbers"},
        {Write("empty.txt", ""), "holds only 0 numbers"},
        {folder, "is a folder or a device, not a file"},
    };
    for (const Case& c : cases) {
        snprintf(ChosenPath, sizeof ChosenPath, "%s", c.path.c_str());
        const int logBefore = PlatformModalLogCount();
        EXPECT_FALSE(ReadFilterKernel()) << c.path;
        const std::string shown = ModalLogSince(logBefore);
        EXPECT_NE(shown.find(c.path), std::string::npos) << shown;
        EXPECT_NE(shown.find(c.notice), std::string::npos) << shown;
        ExpectTapsUnchanged();
    }
}

TEST_F(FilterFileTest, FirstHundredTwentyEightNumbersInAnyLayout) {
    const std::string oneLine = Write("lines.txt", Numbers(200, "\n"));
    const std::string mixed = Write("mixed.txt", "\n  " + Numbers(200, " \t ") + "\n\n");
    for (const std::string& path : {oneLine, mixed}) {
        snprintf(ChosenPath, sizeof ChosenPath, "%s", path.c_str());
        ASSERT_TRUE(ReadFilterKernel()) << path;
        for (int i = 0; i < KernelTaps; ++i) {
            const double expected = strtod((std::to_string(i - 60) + ".5e-1").c_str(), nullptr);
            ASSERT_EQ(FilterKernel[i], expected) << "tap " << i;
        }
    }
}

TEST_F(FilterFileTest, LoadFilterRefusesThenAccepts) {
    // Cancelled dialog: a notice, the taps kept, another pass wanted.
    int logBefore = PlatformModalLogCount();
    SetPendingInput("x");
    PlatformQueueModalAnswer("cancel");
    LoadFilter();
    EXPECT_EQ(PromptAnswer, 'n');
    EXPECT_NE(ModalLogSince(logBefore).find("No filter file was chosen"), std::string::npos);
    ExpectTapsUnchanged();

    // A short file chosen in the dialog: refused the same way, nothing drawn.
    const std::string shortFile = Write("short.txt", Numbers(100, "\n"));
    logBefore = PlatformModalLogCount();
    FileNameBuffer[0] = 0;  // a typed answer is only taken into an empty file-name field
    SetPendingInput("x");
    PlatformQueueModalAnswer(shortFile.c_str());
    LoadFilter();
    EXPECT_EQ(PromptAnswer, 'n');
    EXPECT_NE(ModalLogSince(logBefore).find("holds only 100 numbers"), std::string::npos);
    ExpectTapsUnchanged();
    EXPECT_EQ(Pixel(600, 300), 0u);

    // A good file: loaded, plotted, presented, confirmed with "y".
    std::string zeros;
    for (int i = 0; i < 128; ++i) zeros += "0\n";
    const std::string good = Write("zeros.txt", zeros);
    FrameworkState.PenWidth = 3;  // as a replay leaves it
    FileNameBuffer[0] = 0;
    SetPendingInput("x y");
    PlatformQueueModalAnswer(good.c_str());
    LoadFilter();
    EXPECT_EQ(PromptAnswer, 'y');
    for (int i = 0; i < KernelTaps; ++i) ASSERT_EQ(FilterKernel[i], 0.0);
    EXPECT_EQ(Pixel(600, 300), Yellow);
    EXPECT_EQ(FrameworkState.PenWidth, 1);
    EXPECT_EQ(FrameworkState.PresentNeeded, 0);
    EXPECT_TRUE(TextBufferHasLine(" Load Real space Filter ")) << "prompt missing";
    EXPECT_TRUE(TextBufferHasLine(" Real space filter = "));
    EXPECT_TRUE(TextBufferHasLine(" " + good + " "));

    // "N" asks for another pass (the run repeats while the answer is n or N).
    SetPendingInput("x N");
    PlatformQueueModalAnswer(good.c_str());
    LoadFilter();
    EXPECT_EQ(PromptAnswer, 'N');
}

// ---- the grid of per-angle back projections ----------------------------------

void ClearStack() { memset(ProjectionStack, 0, sizeof ProjectionStack); }

TEST_F(PictureTest, GridPlacementWrapAndNegativeColour) {
    ClearStack();
    StackMax = 510.0;
    const int a = 175;  // image 35: x0 640, y0 584
    StackCell(0, 255, a) = 512.0;     // g 256: black
    StackCell(2, 255, a) = 1022.0;    // g 511: white
    StackCell(4, 255, a) = -2.0;      // -StackMax / 255: g -1, cyan
    StackCell(6, 255, a) = -1.99;     // g 0: black, not cyan
    StackCell(8, 255, a) = 600.0;     // g 300: grey 44
    StackCell(10, 255, a) = 510.0;    // g 255
    StackCell(1, 255, a) = 510.0;     // odd columns are not shown
    StackCell(12, 254, a) = 510.0;    // nor odd rows
    StackCell(0, 1, a) = 200.0;       // bottom row of the image: canvas row 711
    StackCell(254, 1, a) = 100.0;
    FillCanvas(0x336699);

    ShowFilteredViews();

    EXPECT_EQ(Pixel(640, 584), 0u);
    EXPECT_EQ(Pixel(641, 584), White);
    EXPECT_EQ(Pixel(642, 584), Cyan);
    EXPECT_EQ(Pixel(643, 584), 0u);
    EXPECT_EQ(Pixel(644, 584), Grey(44));
    EXPECT_EQ(Pixel(645, 584), White);
    EXPECT_EQ(Pixel(646, 584), 0u);
    EXPECT_EQ(Pixel(640, 711), Grey(100));
    EXPECT_EQ(Pixel(767, 711), Grey(50));
    EXPECT_EQ(Pixel(640, 712), 0x336699u);  // below the last row of the grid
    EXPECT_EQ(Pixel(768, 584), 0x336699u);  // right of image 35
    EXPECT_EQ(Pixel(0, 200), 0u);           // image 0 at its cell
    EXPECT_EQ(Pixel(1199, 200), 0u);        // the tenth column reaches the edge
    EXPECT_EQ(Pixel(100, 199), 0x336699u);  // the sinogram's area is left alone
    EXPECT_EQ(FrameworkState.PresentNeeded, 0);
}

TEST_F(PictureTest, GridWithZeroScaleIsCyan) {
    ClearStack();
    StackMax = 0.0;
    ShowFilteredViews();
    EXPECT_EQ(Pixel(0, 200), Cyan);
    EXPECT_EQ(Pixel(767, 711), Cyan);
}

// ---- full-range sum image -----------------------------------------------------

TEST_F(PictureTest, SumImageClampsAndKeepsTheScaledValues) {
    for (double& v : SumImage) v = 0.0;
    SumMax = 510.0;
    SumImage[0 * RowStride + 255] = 510.0;   // white
    SumImage[1 * RowStride + 255] = -100.0;  // negative: black, not cyan
    SumImage[2 * RowStride + 255] = 1000.0;  // above SumMax: white
    SumImage[3 * RowStride + 0] = 3.0;       // bottom row, grey 1
    SumImage[4 * RowStride + 128] = 0.3;

    ShowSumImage();

    EXPECT_TRUE(BlockIs(0, 140, White));
    EXPECT_TRUE(BlockIs(2, 140, 0));
    EXPECT_TRUE(BlockIs(4, 140, White));
    EXPECT_TRUE(BlockIs(6, 140 + 2 * 255, Grey(1)));
    EXPECT_EQ(Pixel(0, 139), 0u);
    EXPECT_EQ(Pixel(512, 140), 0u);

    for (int x = 0; x < 256; ++x) {
        for (int r = 0; r < 256; ++r) {
            const double expected = (SumImage[x * RowStride + (255 - r)] * 255.0) / SumMax;
            ASSERT_EQ(ScaledSumImage[x * 256 + r], expected) << x << "," << r;
        }
    }
    EXPECT_EQ(ScaledSumImage[1 * 256 + 0], -50.0);
    EXPECT_EQ(ScaledSumImage[4 * 256 + 127], 0.3 * 255.0 / 510.0);
}

// ---- the replay ------------------------------------------------------------------

TEST(ReplayCaptionTest, FirstAndLastCaptions) {
    char sum[ReplayCaptionBytes];
    char angle[ReplayCaptionBytes];
    ComposeReplayCaptions(4, sum, angle);
    EXPECT_STREQ(sum, "Sum Image of P\x83\xC6*h from \x83\xC6= 0 to 4.");
    EXPECT_STREQ(angle, "P\x83\xC6*h of \x83\xC6= 4.");
    ComposeReplayCaptions(179, sum, angle);
    EXPECT_STREQ(sum, "Sum Image of P\x83\xC6*h from \x83\xC6= 0 to 179.");
    EXPECT_STREQ(angle, "P\x83\xC6*h of \x83\xC6= 179.");
}

int ProbeMessages = 0;
LRESULT CALLBACK ProbeProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_USER) ++ProbeMessages;
    return DefWindowProcA(window, message, wParam, lParam);
}

void DrainMessages() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message != WM_QUIT) DispatchMessageA(&message);
    }
}

class ReplayTest : public PictureTest {
protected:
    void SetUp() override {
        PictureTest::SetUp();
        ClearStack();
        for (int a = 0; a < AngleCount; ++a) {
            StackCell(0, 200, a) = 1.0;
            StackCell(1, 200, a) = -1.0;
            StackCell(2, 200, a) = -0.001;
            StackCell(3, 200, a) = 0.5;
        }
        StackCell(4, 200, 179) = 5.0;
        StackMax = 1.0;
        for (double& v : SumImage) v = 7.0;  // the replay starts from zero
        for (double& v : ScaledSumImage) v = 3.0;
        SetPixelV(FrameworkState.BackBufferDc, 1100, 700, White);
    }
};

TEST_F(ReplayTest, ReplayDrawsTheLastFrameWithCaptionsAndColours) {
    WNDCLASSA probeClass;
    memset(&probeClass, 0, sizeof probeClass);
    probeClass.lpfnWndProc = ProbeProc;
    probeClass.lpszClassName = "ReplayProbe";
    RegisterClassA(&probeClass);
    HWND probe = CreateWindowExA(0, "ReplayProbe", "probe", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    DrainMessages();
    ProbeMessages = 0;
    for (int i = 0; i < 3; ++i) PostMessageA(probe, WM_USER, 0, 0);
    PostQuitMessage(0);  // taken in a message step and dropped

    SetPendingInput("y");
    const auto start = std::chrono::steady_clock::now();
    ShowFbpProcess();
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    RecordProperty("replay_seconds", std::to_string(seconds));
    printf("replay took %.2f s\n", seconds);

    EXPECT_EQ(ProbeMessages, 3);
    DestroyWindow(probe);
    DrainMessages();

    // The canvas was cleared, then frames drawn; the last one after a = 179.
    EXPECT_EQ(Pixel(1100, 700), 0u);
    // Sum panel (M = 180): element row y = 200 is canvas row 2 x 55 = 110.
    EXPECT_TRUE(BlockIs(0, 110, White));
    EXPECT_TRUE(BlockIs(2, 110, Cyan));  // -180: at most -M / 255
    EXPECT_TRUE(BlockIs(4, 110, 0));     // -0.18: above -M / 255, black
    EXPECT_TRUE(BlockIs(6, 110, Grey(127)));
    EXPECT_TRUE(BlockIs(8, 110, Grey(7)));
    EXPECT_TRUE(BlockIs(10, 110, 0));
    // Angle panel, slice 179 on StackMax 1.
    EXPECT_TRUE(BlockIs(512, 110, White));
    EXPECT_TRUE(BlockIs(514, 110, Cyan));
    EXPECT_TRUE(BlockIs(516, 110, 0));
    EXPECT_TRUE(BlockIs(518, 110, Grey(127)));
    EXPECT_TRUE(BlockIs(520, 110, White));  // above StackMax: clamped, not wrapped

    // Yellow captions over the top rows of both panels.
    auto yellowIn = [](int x0, int x1) {
        int count = 0;
        for (int y = 0; y < 40; ++y) {
            for (int x = x0; x < x1; ++x) count += Pixel(x, y) == Yellow;
        }
        return count;
    };
    EXPECT_GT(yellowIn(10, 500), 20);
    EXPECT_GT(yellowIn(700, 1000), 20);
    EXPECT_EQ(yellowIn(1050, 1200), 0);

    // SumImage is summed again exactly; ScaledSumImage is left alone.
    EXPECT_EQ(SumImage[0 * RowStride + 200], 180.0);
    EXPECT_EQ(SumImage[5 * RowStride + 5], 0.0);
    EXPECT_EQ(ScaledSumImage[0], 3.0);
    EXPECT_EQ(FrameworkState.PenWidth, 3);
    EXPECT_EQ(FrameworkState.GraphicFontRecord->lfHeight, 28);
    EXPECT_EQ(FrameworkState.CurrentColor, Yellow);
    EXPECT_EQ(FrameworkState.GraphicFontHandle, nullptr);
}

TEST_F(ReplayTest, CapitalNSkipsTheReplay) {
    SetPendingInput("N");
    ShowFbpProcess();
    EXPECT_EQ(PromptAnswer, 'N');
    EXPECT_EQ(Pixel(1100, 700), White);
    EXPECT_EQ(SumImage[0], 7.0);
    EXPECT_TRUE(TextBufferHasLine("(yes:enter, no:n) "));
}

// ---- HU window -------------------------------------------------------------------

class HuWindowTest : public PictureTest {
protected:
    void SetUp() override {
        PictureTest::SetUp();
        for (double& v : ScaledSumImage) v = 0.0;
        ScaledSumImage[0 * 256 + 0] = 255.0;
        ScaledSumImage[1 * 256 + 0] = 100.0;
        ScaledSumImage[2 * 256 + 0] = -5.0;
        ScaledSumImage[3 * 256 + 255] = 300.0;
    }
    void Run(const char* answers) {
        SetPendingInput(answers);
        ShowHuWindow();
    }
};

TEST_F(HuWindowTest, CentreAndWidthMapping) {
    Run("128 256 n y");  // lower 0, upper 256
    EXPECT_EQ(HuCenter, 128);
    EXPECT_EQ(HuWidth, 256);
    EXPECT_TRUE(BlockIs(0, 140, Grey(254)));
    EXPECT_TRUE(BlockIs(2, 140, Grey(99)));
    EXPECT_TRUE(BlockIs(4, 140, 0));
    EXPECT_TRUE(BlockIs(6, 140 + 510, White));
    EXPECT_TRUE(BlockIs(8, 140, 0));

    Run("127 255 n y");  // half 127: lower 0, upper 254
    EXPECT_TRUE(BlockIs(0, 140, White));
    EXPECT_TRUE(BlockIs(2, 140, Grey(100)));

    Run("100 -2 n y");  // negative range: inverted
    EXPECT_TRUE(BlockIs(0, 140, 0));
    EXPECT_TRUE(BlockIs(2, 140, Grey(127)));
    EXPECT_TRUE(BlockIs(8, 140, White));
}

TEST_F(HuWindowTest, ZeroRangeIsBlackAndRetryRepeats) {
    for (const char* answers : {"100 -1 n y", "100 0 n y", "0 1 n y"}) {
        FillCanvas(0x336699);
        Run(answers);
        int nonBlack = 0;
        for (int y = 140; y < 652; ++y) {
            for (int x = 0; x < 512; ++x) nonBlack += Pixel(x, y) != 0;
        }
        EXPECT_EQ(nonBlack, 0) << answers;
        EXPECT_EQ(Pixel(512, 140), 0x336699u);
        EXPECT_EQ(Pixel(0, 139), 0x336699u);
    }

    // "N" at the first retry asks again; the last window is what stays.
    Run("0 0 N 127 255 n N");
    EXPECT_EQ(HuCenter, 127);
    EXPECT_TRUE(BlockIs(0, 140, White));
    EXPECT_EQ(PromptAnswer, 'N');
    EXPECT_TRUE(TextBufferHasLine(" HU Width  = "));
}

TEST_F(HuWindowTest, ExtremeCentreDoesNotOverflow) {
    // 2147483647 + 2 overflows 32 bits; the window is still 4 wide above it.
    Run("2147483647 4 n y");
    EXPECT_TRUE(BlockIs(0, 140, 0));
    Run("-2147483648 -4 n y");
    EXPECT_TRUE(BlockIs(0, 140, 0));
}

TEST_F(HuWindowTest, LowercaseNAtRetryEndsTheProgram) {
    EXPECT_EXIT(Run("128 256 n n"), ::testing::ExitedWithCode(0), "");
}

}  // namespace
