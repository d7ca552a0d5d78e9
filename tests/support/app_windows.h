// app_windows.h - what the tests of the console, the canvas and the start-up
// share: the two windows of the start-up, the console put back into a known
// state, and looks at the pixels of a window.
#pragma once

#include <cstring>
#include <string>

#include "app/app_shell.h"
#include "shared/framework_state.h"
#include "console/console_window.h"
#include "platform/platform.h"
#include "tests/support/message_pump.h"
#include "tests/support/modal_log.h"

// How the windows stood right after CreateAppWindows, before the test moved
// or showed one.
struct StartUpSnapshot {
    int result;
    RECT console;
    RECT graphics;
    BOOL consoleVisible;
    BOOL graphicsVisible;
    char consoleCaption[64];
    char graphicsCaption[64];
    LOGFONTA consoleFont;
    LOGFONTA graphicFont;
    int lineCount, currentLine, oldestLine, lineHeight, linesPerPage;
    int inputEchoVisible;
};

// The start-up's windows, made on the first call of each test (every test
// starts from a clean layer and FrameworkState), and how they stood then.
inline const StartUpSnapshot& EnsureAppWindows() {
    static StartUpSnapshot snapshot;
    if (FrameworkState.ConsoleWindow) return snapshot;
    StartUpSnapshot& s = snapshot;
    s = StartUpSnapshot{};
    s.result = CreateAppWindows(nullptr, SW_SHOWNORMAL);
    GetWindowRect(FrameworkState.ConsoleWindow, &s.console);
    GetWindowRect(FrameworkState.GraphicsWindow, &s.graphics);
    s.consoleVisible = IsWindowVisible(FrameworkState.ConsoleWindow);
    s.graphicsVisible = IsWindowVisible(FrameworkState.GraphicsWindow);
    GetWindowTextA(FrameworkState.ConsoleWindow, s.consoleCaption, sizeof s.consoleCaption);
    GetWindowTextA(FrameworkState.GraphicsWindow, s.graphicsCaption, sizeof s.graphicsCaption);
    const FrameworkStateRecord& f = FrameworkState;
    if (f.ConsoleFont) s.consoleFont = *f.ConsoleFont;
    if (f.GraphicFontRecord) s.graphicFont = *f.GraphicFontRecord;
    s.lineCount = f.LineCount;
    s.currentLine = f.CurrentLine;
    s.oldestLine = f.OldestLine;
    s.lineHeight = f.LineHeight;
    s.linesPerPage = f.LinesPerPage;
    s.inputEchoVisible = f.InputEchoVisible;
    DrainQueue();
    return snapshot;
}

// `lines` lines in use, all empty, oldest at ring entry 0; nothing typed;
// default font size; the page laid out anew.
inline void ResetConsole(int lines) {
    FrameworkStateRecord& s = FrameworkState;
    DrainQueue();
    memset(s.TextBuffer, 0, sizeof s.TextBuffer);
    s.OldestLine = 0;
    s.LineCount = lines;
    s.CurrentLine = lines - 1;
    s.ScrollTop = 0;
    s.InputWaiting = 0;
    s.InputLength = 0;
    s.InputLine[0] = 0;
    s.EchoInput = 0;
    s.ConsoleDirty = 0;
    s.CaretPhase = 0;
    s.InputEchoVisible = 1;
    s.LineHeight = 15;
    s.ConsoleFont->lfHeight = 15;
    ConsoleLayout();
}

inline void SetLine(int entry, const char* text) {
    strncpy(FrameworkState.TextBuffer[entry], text, TextLineLimit);
}

// Paints the whole client area of the console white.
inline void WhitenConsole() {
    HWND window = FrameworkState.ConsoleWindow;
    RECT client;
    GetClientRect(window, &client);
    HDC dc = GetDC(window);
    FillRect(dc, &client, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    ReleaseDC(window, dc);
}

// Non-white pixels of the console in the rows top..bottom-1; `rightmost`
// gets the largest x of them (-1 when there are none).
inline int InkInRows(int top, int bottom, int* rightmost = nullptr) {
    HWND window = FrameworkState.ConsoleWindow;
    RECT client;
    GetClientRect(window, &client);
    HDC dc = GetDC(window);
    int count = 0;
    int right = -1;
    for (int y = top; y < bottom && y < client.bottom; ++y) {
        for (int x = 0; x < client.right; ++x) {
            if (GetPixel(dc, x, y) != 0xFFFFFF) {
                ++count;
                if (x > right) right = x;
            }
        }
    }
    ReleaseDC(window, dc);
    if (rightmost) *rightmost = right;
    return count;
}

inline int ModalLogSize() { return PlatformModalLogCount(); }

