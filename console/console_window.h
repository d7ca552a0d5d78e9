// console_window.h - the console window: layout, repaint, input echo,
// window procedure and the 500 ms refresh tick.
#pragma once

#include "platform/win32.h"

// The console's line height in pixels at start-up and after "Default Size".
const int DefaultLineHeight = 15;

// The commands of the console's pop-up menu (WM_COMMAND wParam), which
// this window carries out; the menu itself is built at start-up.
enum {
    CommandTinySize = 1,
    CommandSmallSize = 2,
    CommandDefaultSize = 3,
    CommandLargeSize = 4,
    CommandHugeSize = 5,
    CommandSaveTextBuffer = 6,
    CommandSaveGraphic = 7,
    CommandExit = 8,
    MenuSeparatorId = 999,
};

void ConsoleLayout();
void ConsoleRepaint();
void InputEcho();
LRESULT CALLBACK ConsoleWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
void CALLBACK TimerTick(HWND window, UINT message, UINT_PTR timerId, DWORD time);
