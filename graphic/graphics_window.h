// graphics_window.h - the "Images" window that shows the canvas.
#pragma once

#include "platform/win32.h"

LRESULT CALLBACK GraphicsWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// The graphic half of the refresh tick: present the canvas if it changed.
void GraphicTimerHalf();
