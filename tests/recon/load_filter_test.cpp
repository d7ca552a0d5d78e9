// The filter file and its plot: the plot read back pixel by pixel from the
// back buffer, the files that are refused, and the load step's prompts.
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "shared/framework_state.h"
#include "shared/file_dialogs.h"
#include "platform/platform.h"
#include "platform/win32.h"
#include "recon/phases.h"
#include "recon/compute/recon_data.h"
#include "tests/support/canvas_fixture.h"
#include "tests/support/modal_log.h"
#include "tests/support/temp_folder.h"
#include "tests/support/time_limit.h"

namespace {

using FilterPlotTest = CanvasTest;

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

TEST_F(FilterPlotTest, ZeroTapsDrawAWideLineOnY300InABlackFrame) {
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

TEST_F(FilterPlotTest, TapsOfPlusAndMinusPointThreeMoveTheCurveOneRow) {
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

class FilterFileTest : public CanvasTest {
protected:
    void SetUp() override {
        CanvasTest::SetUp();
        ASSERT_FALSE(scratch.path().empty());
        folder = scratch.path();
        for (int i = 0; i < KernelTaps; ++i) FilterKernel[i] = i * 0.25;
    }
    std::string Write(const char* name, const std::string& text) {
        std::string path = folder + "/" + name;
        std::ofstream(path) << text;
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
    TempFolder scratch{"sinora-filter-"};
    std::string folder;
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

// A named pipe would wait for a writer: refused without being read, like a
// device, and the run asks for another filter.
TEST_F(FilterFileTest, PipeOrDeviceIsRefusedWithoutWaiting) {
    const std::string pipe = folder + "/filter.pipe";
    ASSERT_EQ(mkfifo(pipe.c_str(), 0644), 0);
    EXPECT_FINISHES_WITHIN(20, {
        for (const std::string& path : {pipe, std::string("/dev/zero")}) {
            snprintf(ChosenPath, sizeof ChosenPath, "%s", path.c_str());
            const int logBefore = PlatformModalLogCount();
            EXPECT_FALSE(ReadFilterKernel()) << path;
            const std::string shown = ModalLogSince(logBefore);
            EXPECT_NE(shown.find(path + "\n is a folder or a device, not a file."), std::string::npos) << shown;
            ExpectTapsUnchanged();
        }
        FileNameBuffer[0] = 0;  // a typed answer is only taken into an empty file-name field
        SetPendingInput("x");
        PlatformQueueModalAnswer(pipe.c_str());
        LoadFilter();
        EXPECT_EQ(PromptAnswer, 'n');
    });
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

}  // namespace
