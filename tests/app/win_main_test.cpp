// Start-up: where the windows stand, the console's first values, and the
// graphics window's painting, ticks, clicks and size after GraphicInit.
#include <gtest/gtest.h>

#include "app_test_support.h"
#include "graphic/canvas.h"
#include "graphic/graphics_window.h"

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

TEST(GraphicsWindowTest, PaintBeforeAnyBackBufferIsHarmless) {
    ASSERT_EQ(EnsureAppWindows().result, 1);
    if (FrameworkState.BackBufferDc) GTEST_SKIP() << "a back buffer exists already";
    SendMessageA(FrameworkState.GraphicsWindow, WM_PAINT, 0, 0);
    GraphicTimerHalf();
    EXPECT_EQ(FrameworkState.PresentNeeded, 0);
}

TEST(GraphicsWindowTest, ShowsTheCanvasAt1200By800) {
    ASSERT_EQ(EnsureAppWindows().result, 1);
    FrameworkStateRecord& s = FrameworkState;
    GraphicInit();
    PumpMessages();
    RECT client;
    GetClientRect(s.GraphicsWindow, &client);
    EXPECT_EQ(client.right - client.left, 1200);
    EXPECT_EQ(client.bottom - client.top, 800);
    EXPECT_TRUE(IsWindowVisible(s.GraphicsWindow));
    RECT outer;
    GetWindowRect(s.GraphicsWindow, &outer);
    EXPECT_EQ(outer.left, 100);
    EXPECT_EQ(outer.top, 20);

    HDC window = GetDC(s.GraphicsWindow);
    // The refresh tick copies new drawing once and clears the request.
    SetPixelV(s.BackBufferDc, 5, 6, 0x0000FF);
    s.PresentNeeded = 1;
    TimerTick(nullptr, WM_TIMER, 1, 0);
    EXPECT_EQ(GetPixel(window, 5, 6), 0x0000FFu);
    EXPECT_EQ(s.PresentNeeded, 0);
    // Without a request the tick copies nothing.
    SetPixelV(s.BackBufferDc, 1199, 799, 0x00FF00);
    GraphicTimerHalf();
    EXPECT_EQ(GetPixel(window, 1199, 799), 0u);
    // A paint copies the back buffer too.
    s.PresentNeeded = 1;
    SendMessageA(s.GraphicsWindow, WM_PAINT, 0, 0);
    EXPECT_EQ(GetPixel(window, 1199, 799), 0x00FF00u);
    EXPECT_EQ(s.PresentNeeded, 0);
}

int LastCommand = -1;
void RecordCommand(int32_t command) { LastCommand = command; }

TEST(GraphicsWindowTest, ClicksAndCommands) {
    ASSERT_EQ(EnsureAppWindows().result, 1);
    FrameworkStateRecord& s = FrameworkState;
    // Commands without a handler are ignored; with one they reach it.
    SendMessageA(s.GraphicsWindow, WM_COMMAND, 42, 0);
    s.GraphicCommandHandler = RecordCommand;
    SendMessageA(s.GraphicsWindow, WM_COMMAND, 42, 0);
    s.GraphicCommandHandler = nullptr;
    EXPECT_EQ(LastCommand, 42);

    // A click records the cursor's position in client coordinates, not the
    // one carried by the message.
    POINT cursor;
    GetCursorPos(&cursor);
    RECT outer;
    GetWindowRect(s.GraphicsWindow, &outer);
    SendMessageA(s.GraphicsWindow, WM_RBUTTONDOWN, 0, MAKELPARAM(3000, 3000));
    EXPECT_EQ(s.RightClicked, 1);
    EXPECT_EQ(s.RightClickPoint.x, cursor.x - outer.left);
    EXPECT_EQ(s.RightClickPoint.y, cursor.y - outer.top);
    EXPECT_EQ(s.LeftClicked, 0);
    SendMessageA(s.GraphicsWindow, WM_LBUTTONDOWN, 0, 0);
    EXPECT_EQ(s.LeftClicked, 1);
}

}  // namespace
