// show_fbp_process.cpp - the summed slice at full range, and the replay of
// its accumulation angle by angle: after every fifth angle a frame of two
// panels (the partial sum and the angle's back projection, each element a
// 2 x 2 block) with captions.
//
// The replay handles at most one waiting message before each angle, so the
// windows stay alive. Its 180 presents are paced to about 60 per second, so
// that the accumulation can be watched (about 3 seconds in all); nothing is
// slowed when the machine is already behind that pace.
#include "recon/show_fbp_process.h"

#include <chrono>
#include <cstdio>
#include <thread>

#include "base/to_int.h"
#include "console/message_pump.h"
#include "console/text_print.h"
#include "console/text_scan.h"
#include "graphic/canvas.h"
#include "graphic/canvas_draw.h"
#include "graphic/canvas_layout.h"
#include "recon/gcvt_format.h"
#include "recon/compute/ordered_arithmetic.h"
#include "recon/phases.h"
#include "recon/compute/recon_data.h"
#include "shared/framework_state.h"

namespace {

// θ in code page 932.
#define THETA "\x83\xC6"

// Grey level for a frame panel: clamped to 255 above, cyan below 0.
COLORREF FrameColour(double value, double scale) {
    int32_t g = TruncToInt32((value * 255.0) / scale);
    if (g > 255) g = 255;
    return g < 0 ? NegativeColour : GreyColour(g);
}

void DrawReplayFrame(int a, double runningMax) {
    FrameworkStateRecord& s = FrameworkState;
    for (int r = 0; r < 256; ++r) {
        for (int x = 0; x < 256; ++x) {
            PutCanvasBlock(ReplaySumLeft + 2 * x, ReplayTop + 2 * r,
                           FrameColour(SumImage[x * RowStride + (255 - r)], runningMax));
        }
    }
    for (int r = 0; r < 256; ++r) {
        for (int x = 0; x < 256; ++x) {
            PutCanvasBlock(ReplayAngleLeft + 2 * x, ReplayTop + 2 * r, FrameColour(StackCell(x, 255 - r, a), StackMax));
        }
    }

    s.PenWidth = ReplayPenWidth;
    char sumCaption[ReplayCaptionBytes];
    char angleCaption[ReplayCaptionBytes];
    ComposeReplayCaptions(a, sumCaption, angleCaption);
    DrawCanvasCaption(ReplaySumCaptionX, ReplayCaptionY, sumCaption, ReplayCaptionHeight, YellowColour);
    DrawCanvasCaption(ReplayAngleCaptionX, ReplayCaptionY, angleCaption, ReplayCaptionHeight, YellowColour);
}

}  // namespace

void ComposeReplayCaptions(int angle, char* sumCaption, char* angleCaption) {
    char number[GcvtBufferBytes];
    FormatGcvt(static_cast<double>(angle), 5, number);
    snprintf(sumCaption, ReplayCaptionBytes, "Sum Image of P" THETA "*h from " THETA "= 0 to %s", number);
    snprintf(angleCaption, ReplayCaptionBytes, "P" THETA "*h of " THETA "= %s", number);
}

void ShowSumImage() {
    for (int r = 0; r < 256; ++r) {
        for (int x = 0; x < 256; ++x) {
            const double q = (SumImage[x * RowStride + (255 - r)] * 255.0) / SumMax;
            ScaledSumImage[x * BinCount + r] = q;
            PutCanvasBlock(SumImageLeft + 2 * x, SumImageTop + 2 * r, GreyColour(ClampedGrey(q)));
        }
    }
}

void ShowFbpProcess() {
    TextPrint("\n\n Disp FBP Process? \n(yes:enter, no:n) ");
    TextScan("%c", &PromptAnswer);
    if (PromptAnswer == 'n' || PromptAnswer == 'N') return;

    ClearCanvas();
    for (int x = 0; x < 256; ++x) {
        for (int y = 0; y < 256; ++y) SumImage[x * RowStride + y] = 0.0;
    }

    using Clock = std::chrono::steady_clock;
    const Clock::duration framePeriod = std::chrono::microseconds(1000000 / 60);
    Clock::time_point nextPresent = Clock::now() + framePeriod;

    for (int a = 0; a < AngleCount; ++a) {
        PumpOneMessage();

        // The additions of the summation, angle by angle from 0.0, so SumImage
        // ends with the values it held before (the stack's term comes first
        // here, which decides only the payload of a sum of two NaNs).
        for (int y = 0; y < 256; ++y) {
            for (int x = 0; x < 256; ++x) {
                SumImage[x * RowStride + y] = AddInOrder(StackCell(x, y, a), SumImage[x * RowStride + y]);
            }
        }
        double runningMax = SumImage[0];
        for (int y = 0; y < 256; ++y) {
            for (int x = 0; x < 256; ++x) {
                const double v = SumImage[x * RowStride + y];
                if (v > runningMax) runningMax = v;
            }
        }

        // Pace the presents: wait for the next 1/60 s mark; when already
        // past it (slow drawing, or a dialog opened from the message step),
        // present at once and measure the next mark from now.
        const Clock::time_point now = Clock::now();
        if (now < nextPresent) {
            std::this_thread::sleep_until(nextPresent);
        } else if (now - nextPresent > framePeriod) {
            nextPresent = now;
        }
        GraphicPresent();
        nextPresent += framePeriod;

        if ((a + 1) % 5 == 0) DrawReplayFrame(a, runningMax);
    }
}
