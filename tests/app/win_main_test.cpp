// Start-up: where the windows stand and the console's first values.
#include <gtest/gtest.h>

#include "tests/support/app_windows.h"

namespace {

TEST(StartUpTest, WindowsAndFirstValues) {
    const StartUpSnapshot& start = EnsureAppWindows();
    ASSERT_EQ(start.result, 1);
    // Centred on the 1920 x 1080 screen, 480 x 480, shown.
    EXPECT_EQ(start.console.left, 720);
    EXPECT_EQ(start.console.top, 300);
    EXPECT_EQ(start.console.right, 1200);
    EXPECT_EQ(start.console.bottom, 780);
    EXPECT_TRUE(start.consoleVisible);
    EXPECT_STREQ(start.consoleCaption, "Win32 Application");
    // Hidden at (100, 20) until the first GraphicInit.
    EXPECT_EQ(start.graphics.left, 100);
    EXPECT_EQ(start.graphics.top, 20);
    EXPECT_EQ(start.graphics.right, 580);
    EXPECT_EQ(start.graphics.bottom, 500);
    EXPECT_FALSE(start.graphicsVisible);
    EXPECT_STREQ(start.graphicsCaption, "Images");

    EXPECT_EQ(start.lineCount, 1);
    EXPECT_EQ(start.currentLine, 0);
    EXPECT_EQ(start.oldestLine, 0);
    EXPECT_EQ(start.lineHeight, 15);
    EXPECT_EQ(start.linesPerPage, 32);
    // The console starts on its last page: the typed line and its caret may
    // be drawn from the first tick on, before any repaint.
    EXPECT_EQ(start.inputEchoVisible, 1);
    EXPECT_NE(FrameworkState.RefreshTimer, 0u);
    EXPECT_NE(FrameworkState.PopupMenu, nullptr);

    // The console font: height 15, Shift-JIS, face "標準ゴシック".
    EXPECT_EQ(start.consoleFont.lfHeight, 15);
    EXPECT_EQ(start.consoleFont.lfWeight, 0);
    EXPECT_EQ(start.consoleFont.lfCharSet, 128);
    EXPECT_STREQ(start.consoleFont.lfFaceName, "\x95\x57\x8F\x80\x83\x53\x83\x56\x83\x62\x83\x4E");
    char face[64];
    PlatformDecodeText(start.consoleFont.lfFaceName, face, sizeof face);
    EXPECT_STREQ(face, "標準ゴシック");
    // The canvas font record is zero until GraphicInit fills it.
    LOGFONTA zero = {};
    EXPECT_EQ(memcmp(&start.graphicFont, &zero, sizeof zero), 0);
}

}  // namespace
