// graphics_window.cpp - the "Images" window. It draws nothing of its own:
// it copies the canvas's back buffer to its client area when painted, and
// the refresh tick copies it whenever the run has drawn something new.
#include "graphic/graphics_window.h"

#include "graphic/canvas.h"
#include "shared/framework_state.h"

namespace {

// Cursor position at the time the message is handled, in client coordinates
// of `window`.
POINT CursorInClient(HWND window) {
    POINT point = {0, 0};
    GetCursorPos(&point);
    ScreenToClient(window, &point);
    return point;
}

}  // namespace

LRESULT CALLBACK GraphicsWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    FrameworkStateRecord& s = FrameworkState;
    switch (message) {
        case WM_PAINT: {
            PAINTSTRUCT paint;
            HDC dc = BeginPaint(window, &paint);
            // No back buffer before the first GraphicInit: nothing to copy.
            if (s.BackBufferDc && dc) {
                BitBlt(dc, 0, 0, s.SurfaceWidth, s.SurfaceHeight, s.BackBufferDc, 0, 0, SRCCOPY);
            }
            EndPaint(window, &paint);
            GraphicReshowChildWindows();
            s.PresentNeeded = 0;
            break;
        }
        case WM_DESTROY:
            if (s.BackBufferDc) DeleteDC(s.BackBufferDc);
            if (s.BackBufferBitmap) DeleteObject(s.BackBufferBitmap);
            if (s.GraphicFontHandle) DeleteObject(s.GraphicFontHandle);
            PostQuitMessage(0);
            break;
        case WM_KEYDOWN:
            // Esc ends the program as in the console: the console's
            // destruction destroys this window and exits.
            if (wParam == VK_ESCAPE) DestroyWindow(s.ConsoleWindow);
            break;
        case WM_COMMAND:
            if (s.GraphicCommandHandler) s.GraphicCommandHandler(static_cast<int32_t>(wParam));
            break;
        case WM_LBUTTONDOWN:
            s.LeftClicked = 1;
            s.LeftClickPoint = CursorInClient(window);
            break;
        case WM_RBUTTONDOWN:
            s.RightClicked = 1;
            s.RightClickPoint = CursorInClient(window);
            break;
        default: break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

void GraphicTimerHalf() {
    FrameworkStateRecord& s = FrameworkState;
    if (s.PresentNeeded == 0) return;
    if (!s.BackBufferDc || !s.GraphicsWindow) {
        s.PresentNeeded = 0;  // nothing to show before the first GraphicInit
        return;
    }
    GraphicPresent();
}
