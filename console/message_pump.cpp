// message_pump.cpp - one step of the program's message loop.
#include "console/message_pump.h"

#include "platform/win32.h"

bool PumpOneMessage() {
    MSG message;
    if (!PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE)) return false;
    if (GetMessageA(&message, nullptr, 0, 0)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return true;
}
