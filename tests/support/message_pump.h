// message_pump.h - the tests' one message pump.
#pragma once

#include "platform/win32.h"

// Takes and dispatches everything waiting in this thread's queue: paint and
// timer messages included; a WM_QUIT has no window and reaches nothing.
inline void DrainQueue() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}
