// A minimal program on the platform layer for the Xvfb smoke test: one
// window captioned "Sinora Smoke"; every WM_CHAR it receives is printed as
// "CHAR <code>", Esc ends it, and so does a 60 s safety timer.
#include <cstdio>

#include "platform/platform.h"

static LRESULT CALLBACK SmokeProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CHAR:
            printf("CHAR %u\n", static_cast<unsigned>(wParam));
            fflush(stdout);
            return 0;
        case WM_KEYDOWN:
            if (wParam == VK_ESCAPE) DestroyWindow(hwnd);
            return 0;
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
        default:
            return DefWindowProcA(hwnd, message, wParam, lParam);
    }
}

static void CALLBACK GiveUp(HWND, UINT, UINT_PTR, DWORD) { PostQuitMessage(2); }

int main(int argc, char** argv) {
    PlatformInit(&argc, argv);
    WNDCLASSA wc{};
    wc.lpfnWndProc = SmokeProc;
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    wc.lpszClassName = "Smoke";
    RegisterClassA(&wc);
    HWND hwnd = CreateWindowExA(0, "Smoke", "Sinora Smoke", WS_OVERLAPPEDWINDOW | WS_VSCROLL, 100, 100, 320,
                                240, nullptr, nullptr, nullptr, nullptr);
    if (!hwnd) return 1;
    ShowWindow(hwnd, SW_SHOWNORMAL);
    SetTimer(nullptr, 0, 60000, GiveUp);
    printf("READY\n");
    fflush(stdout);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    printf("QUIT %d\n", static_cast<int>(msg.wParam));
    fflush(stdout);
    return static_cast<int>(msg.wParam);
}
