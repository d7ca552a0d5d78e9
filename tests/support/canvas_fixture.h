// canvas_fixture.h - what the tests of the canvas and of the run's pictures
// share: a fresh canvas for each test, answers typed ahead, and looks at the
// back buffer's pixels.
#pragma once

#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "shared/framework_state.h"
#include "graphic/canvas.h"
#include "platform/win32.h"
#include "recon/compute/recon_data.h"
#include "tests/support/app_windows.h"

const COLORREF Yellow = 0x00FFFF;
const COLORREF Cyan = 0xFFFF00;
const COLORREF White = 0xFFFFFF;

inline COLORREF Grey(int g) { return static_cast<COLORREF>(g) * 0x010101u; }

// The windows as the start-up makes them (the graphics window hidden, its
// font record zero-filled), and a fresh canvas from GraphicInit.
inline void PrepareTestCanvas() {
    EnsureAppWindows();
    FrameworkStateRecord& s = FrameworkState;
    s.InputLine[0] = 0;
    s.InputLength = 0;
    GraphicInit();
}

// Answers the next prompts at once: the text is a pending rest of a line.
inline void SetPendingInput(const char* text) {
    strcpy(FrameworkState.InputLine, text);
    FrameworkState.InputLength = static_cast<int32_t>(strlen(text));
}

inline COLORREF Pixel(int x, int y) { return GetPixel(FrameworkState.BackBufferDc, x, y); }

inline void FillCanvas(COLORREF colour) {
    RECT all;
    SetRect(&all, 0, 0, 1200, 800);
    HBRUSH brush = CreateSolidBrush(colour);
    FillRect(FrameworkState.BackBufferDc, &all, brush);
    DeleteObject(brush);
}

// The pixels that are not `colour`: of the rectangle left..right x
// top..bottom (both ends included; the whole canvas by default), or with
// `outside` of the canvas around it.
inline int PixelsOtherThan(COLORREF colour, int left = 0, int top = 0, int right = 1199, int bottom = 799,
                           bool outside = false) {
    int count = 0;
    for (int y = 0; y < 800; ++y) {
        for (int x = 0; x < 1200; ++x) {
            const bool inside = x >= left && x <= right && y >= top && y <= bottom;
            if (inside != outside) count += Pixel(x, y) != colour;
        }
    }
    return count;
}

// Every pixel of the 2 x 2 block with top-left pixel (x, y) has `colour`.
inline ::testing::AssertionResult BlockIs(int x, int y, COLORREF colour) {
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

inline bool TextBufferHasLine(const std::string& line) {
    for (int i = 0; i < TextBufferLines; ++i) {
        if (line == FrameworkState.TextBuffer[i]) return true;
    }
    return false;
}

inline void ClearStack() { memset(ProjectionStack, 0, sizeof ProjectionStack); }

class CanvasTest : public ::testing::Test {
protected:
    void SetUp() override { PrepareTestCanvas(); }
};
