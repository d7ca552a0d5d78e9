// The graphics window: its painting, refresh ticks, clicks and commands, and
// its size after GraphicInit.
#include <gtest/gtest.h>

#include "console/console_window.h"
#include "graphic/canvas.h"
#include "graphic/graphics_window.h"
#include "tests/support/app_windows.h"

namespace {

TEST(GraphicsWindowTest, PaintBeforeAnyBackBufferIsHarmless) {
    ASSERT_EQ(EnsureAppWindows().result, 1);
    SendMessageA(FrameworkState.GraphicsWindow, WM_PAINT, 0, 0);
    GraphicTimerHalf();
    EXPECT_EQ(FrameworkState.PresentNeeded, 0);
}

TEST(GraphicsWindowTest, ShowsTheCanvasAt1200By800) {
    ASSERT_EQ(EnsureAppWindows().result, 1);
    FrameworkStateRecord& s = FrameworkState;
    GraphicInit();
    DrainQueue();
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
