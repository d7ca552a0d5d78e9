// canvas.cpp - the 1200 x 800 off-screen drawing surface: its creation with
// the graphics window's sizing, the canvas font defaults, and the copy of the
// surface to the window (the drawing steps: canvas_draw.cpp).
//
// The run draws into BackBufferDc only; the window sees the picture when it
// is presented here, by the refresh timer or by the window's paint handling.
#include "graphic/canvas.h"

#include <cstring>

#include "graphic/canvas_draw.h"
#include "graphic/canvas_layout.h"
#include "platform/win32.h"
#include "shared/framework_state.h"
#include "shared/message_notice.h"

namespace {

// The canvas text's face: the Gothic face under its standard name
// "標準ゴシック", in code page 932.
const char CanvasFace[] = "\x95\x57\x8F\x80\x83\x53\x83\x56\x83\x62\x83\x4E";

}  // namespace

void GraphicFontDefaults() {
    LOGFONTA* font = FrameworkState.GraphicFontRecord;
    if (!font) return;  // the record is allocated at start-up; nothing to reset before that

    strncpy(font->lfFaceName, CanvasFace, LF_FACESIZE - 1);
    font->lfFaceName[LF_FACESIZE - 1] = 0;

    // Only these fields are written; orientation, strike-out and the
    // precision, quality and pitch fields keep what the record holds.
    font->lfWidth = 0;
    font->lfEscapement = 0;
    font->lfItalic = 0;
    font->lfUnderline = 0;
    font->lfWeight = FW_NORMAL;
    font->lfHeight = 10;
    font->lfCharSet = SHIFTJIS_CHARSET;
}

void GraphicInit() {
    FrameworkStateRecord& s = FrameworkState;
    s.BackgroundKind = 0;
    s.CurrentColor = WhiteColour;

    SetClassLongPtrA(s.GraphicsWindow, GCLP_HBRBACKGROUND, reinterpret_cast<LONG_PTR>(GetStockObject(BLACK_BRUSH)));

    s.SurfaceWidth = CanvasWidth;
    s.SurfaceHeight = CanvasHeight;

    // Size the window so that its client area is exactly 1200 x 800: the
    // first resize shows how much the frame takes, the second adds it.
    SetWindowPos(s.GraphicsWindow, nullptr, 0, 0, CanvasWidth, CanvasHeight, SWP_NOMOVE | SWP_NOZORDER);
    RECT client = {0, 0, 0, 0};
    GetClientRect(s.GraphicsWindow, &client);
    const int clientWidth = client.right - client.left;
    const int clientHeight = client.bottom - client.top;
    SetWindowPos(s.GraphicsWindow, nullptr, 0, 0, 2 * CanvasWidth - clientWidth, 2 * CanvasHeight - clientHeight,
                 SWP_NOMOVE | SWP_NOZORDER);

    if (s.BackBufferExists) {
        DeleteDC(s.BackBufferDc);
        DeleteObject(s.BackBufferBitmap);
        s.BackBufferDc = nullptr;
        s.BackBufferBitmap = nullptr;
    }

    // The window class owns its device context, so it is not given back.
    HDC windowDc = GetDC(s.GraphicsWindow);
    s.BackBufferBitmap = CreateCompatibleBitmap(windowDc, CanvasWidth, CanvasHeight);
    if (!s.BackBufferBitmap) MessageNotice("Failed Graphic window");
    s.BackBufferDc = CreateCompatibleDC(windowDc);
    SelectObject(s.BackBufferDc, s.BackBufferBitmap);

    RECT whole;
    SetRect(&whole, 0, 0, CanvasWidth, CanvasHeight);
    FillRect(s.BackBufferDc, &whole, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    SetBkColor(s.BackBufferDc, 0);  // text is drawn on black cells

    GraphicFontDefaults();
    ClearCanvas();

    s.PresentNeeded = 1;
    s.BackBufferExists = 1;
    s.GraphicShown = 1;
    ShowWindow(s.GraphicsWindow, SW_RESTORE);
}

void GraphicPresent() {
    FrameworkStateRecord& s = FrameworkState;
    s.PresentNeeded = 0;
    HDC windowDc = GetDC(s.GraphicsWindow);
    BitBlt(windowDc, 0, 0, s.SurfaceWidth, s.SurfaceHeight, s.BackBufferDc, 0, 0, SRCCOPY);
    ReleaseDC(s.GraphicsWindow, windowDc);
    GraphicReshowChildWindows();
}

void GraphicReshowChildWindows() {
    FrameworkStateRecord& s = FrameworkState;
    for (int i = 0; i < s.ChildWindowCount && i < ChildWindowLimit; ++i) {
        ShowWindow(s.ChildWindows[i], SW_HIDE);
        ShowWindow(s.ChildWindows[i], SW_SHOWNA);
    }
}
