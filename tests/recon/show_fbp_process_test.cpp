// The full-range sum image and the replay of the accumulation, read back
// pixel by pixel from the back buffer.
#include <chrono>
#include <cstdio>
#include <string>

#include <gtest/gtest.h>

#include "shared/framework_state.h"
#include "recon/phases.h"
#include "recon/compute/recon_data.h"
#include "recon/show_fbp_process.h"
#include "tests/support/canvas_fixture.h"
#include "tests/support/message_pump.h"

namespace {

using SumImageTest = CanvasTest;

// ---- full-range sum image -----------------------------------------------------

TEST_F(SumImageTest, SumImageClampsAndKeepsTheScaledValues) {
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

class ReplayTest : public CanvasTest {
protected:
    void SetUp() override {
        CanvasTest::SetUp();
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
    DrainQueue();
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
    DrainQueue();

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

}  // namespace
