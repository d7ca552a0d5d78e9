// Helpers shared by the platform layer's tests: a window procedure that
// records what it receives and window classes named for what they are.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "platform/win32.h"
#include "tests/support/message_pump.h"

struct RecordedMessage {
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

// Every message reaching RecordingProc, in order.
inline std::vector<RecordedMessage>& Recorded() {
    static std::vector<RecordedMessage> recorded;
    return recorded;
}

inline LRESULT CALLBACK RecordingProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    Recorded().push_back(RecordedMessage{hwnd, message, wParam, lParam});
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

inline int CountRecorded(UINT message) {
    int n = 0;
    for (const RecordedMessage& m : Recorded()) n += m.message == message;
    return n;
}

// Registers the class of test windows with this style, background and
// procedure, named for them; a second registration in the same test finds
// the same class in place.
inline std::string RegisterTestClass(UINT style, HBRUSH background, WNDPROC proc = RecordingProc) {
    char name[96];
    snprintf(name, sizeof name, "TestWindow style %#x brush %p proc %p", style, static_cast<void*>(background),
             reinterpret_cast<void*>(proc));
    WNDCLASSA wc{};
    wc.style = style;
    wc.lpfnWndProc = proc;
    wc.hbrBackground = background;
    wc.lpszClassName = name;
    RegisterClassA(&wc);
    return name;
}

inline HWND CreateTestWindow(DWORD style, int width = 300, int height = 200, UINT classStyle = 0,
                             HBRUSH background = nullptr) {
    std::string cls = RegisterTestClass(classStyle, background);
    return CreateWindowExA(0, cls.c_str(), "Test", style, 10, 10, width, height, nullptr, nullptr,
                           nullptr, nullptr);
}
