// canvas_draw.cpp - the drawing steps of canvas_draw.h that need more than
// one pixel: clearing the canvas, text and captions, segments and filled
// frames, each with the GDI objects it makes for that one call.
#include "graphic/canvas_draw.h"

#include <cstring>

#include "platform/win32.h"
#include "shared/framework_state.h"

namespace {

HBRUSH BackgroundBrush(int32_t kind) {
    switch (kind) {
        case 1: return static_cast<HBRUSH>(GetStockObject(LTGRAY_BRUSH));
        case 2: return static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
        default: return static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    }
}
}  // namespace

void ClearCanvas() {
    FrameworkStateRecord& s = FrameworkState;
    RECT area;
    SetRect(&area, 0, 0, s.SurfaceWidth, s.SurfaceHeight);
    FillRect(s.BackBufferDc, &area, BackgroundBrush(s.BackgroundKind));
    s.PresentNeeded = 1;
}

void DrawCanvasText(int x, int y, const char* text, int length) {
    FrameworkStateRecord& s = FrameworkState;
    s.GraphicFontHandle = CreateFontIndirectA(s.GraphicFontRecord);
    HGDIOBJ previousFont = SelectObject(s.BackBufferDc, s.GraphicFontHandle);
    SetTextColor(s.BackBufferDc, s.CurrentColor);
    TextOutA(s.BackBufferDc, x, y, text, length);
    SelectObject(s.BackBufferDc, previousFont);
    DeleteObject(s.GraphicFontHandle);
    s.GraphicFontHandle = nullptr;
    s.PresentNeeded = 1;
}

void DrawCanvasCaption(int x, int y, const char* text, int height, COLORREF colour) {
    FrameworkStateRecord& s = FrameworkState;
    s.CurrentColor = colour;
    if (!s.GraphicFontRecord) return;
    s.GraphicFontRecord->lfHeight = height;
    DrawCanvasText(x, y, text, static_cast<int>(strlen(text)));
}

void DrawCanvasSegment(int x1, int y1, int x2, int y2) {
    FrameworkStateRecord& s = FrameworkState;
    HPEN pen = CreatePen(PS_SOLID, s.PenWidth, s.CurrentColor);
    HGDIOBJ previousPen = SelectObject(s.BackBufferDc, pen);
    POINT previousPosition = {0, 0};
    MoveToEx(s.BackBufferDc, x1, y1, &previousPosition);
    LineTo(s.BackBufferDc, x2, y2);
    // LineTo stops short of its end point; set that one too.
    SetPixelV(s.BackBufferDc, x2, y2, s.CurrentColor);
    MoveToEx(s.BackBufferDc, previousPosition.x, previousPosition.y, nullptr);
    SelectObject(s.BackBufferDc, previousPen);
    DeleteObject(pen);
    s.PresentNeeded = 1;
}

void DrawFilledFrame(int left, int top, int right, int bottom, COLORREF colour) {
    FrameworkStateRecord& s = FrameworkState;
    s.CurrentColor = colour;
    HPEN pen = CreatePen(PS_SOLID, s.PenWidth, s.CurrentColor);
    HBRUSH brush = CreateSolidBrush(s.CurrentColor);
    HGDIOBJ previousPen = SelectObject(s.BackBufferDc, pen);
    HGDIOBJ previousBrush = SelectObject(s.BackBufferDc, brush);
    Rectangle(s.BackBufferDc, left, top, right, bottom);
    SelectObject(s.BackBufferDc, previousPen);
    SelectObject(s.BackBufferDc, previousBrush);
    DeleteObject(pen);
    DeleteObject(brush);
    s.PresentNeeded = 1;
}
