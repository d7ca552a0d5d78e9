// Tests of the canvas set-up and of its copy to the graphics window, read
// back from the back buffer and the window.
#include <cstring>

#include <gtest/gtest.h>

#include "shared/framework_state.h"
#include "graphic/canvas.h"
#include "platform/win32.h"
#include "tests/support/canvas_fixture.h"

namespace {

const char StandardGothicFace[] = "\x95\x57\x8F\x80\x83\x53\x83\x56\x83\x62\x83\x4E";  // 標準ゴシック

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

    EXPECT_EQ(PixelsOtherThan(0), 0);

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

}  // namespace
