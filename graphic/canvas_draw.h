// canvas_draw.h - the drawing steps that the run's pictures share. Each step
// stores its colour in CurrentColor, draws into BackBufferDc and raises
// PresentNeeded, so the refresh timer knows the window is behind.
#pragma once

#include <cstdint>

#include "app/framework_state.h"
#include "platform/win32.h"

// A grey level g in 0..255 as the colour g x 0x010101.
inline COLORREF GreyColour(int32_t grey) { return static_cast<COLORREF>(grey) * 0x010101u; }

// Red 0, green 255, blue 255: negative values in the slice displays.
const COLORREF NegativeColour = 0xFFFF00;
// Red 255, green 255, blue 0: the filter curve and the replay captions.
const COLORREF YellowColour = 0x00FFFF;
const COLORREF WhiteColour = 0xFFFFFF;

// One pixel of the back buffer; pixels outside the surface change nothing.
inline void PutCanvasPixel(int x, int y, COLORREF colour) {
    FrameworkState.CurrentColor = colour;
    SetPixelV(FrameworkState.BackBufferDc, x, y, colour);
    FrameworkState.PresentNeeded = 1;
}

// A 2 x 2 block with top-left pixel (x, y), set column by column:
// (x, y), (x, y + 1), (x + 1, y), (x + 1, y + 1).
inline void PutCanvasBlock(int x, int y, COLORREF colour) {
    PutCanvasPixel(x, y, colour);
    PutCanvasPixel(x, y + 1, colour);
    PutCanvasPixel(x + 1, y, colour);
    PutCanvasPixel(x + 1, y + 1, colour);
}

// Text in CurrentColor on the canvas's black text cells, in a font made from
// GraphicFontRecord for this one call (GraphicFontHandle is 0 afterwards).
void DrawCanvasText(int x, int y, const char* text, int length);

// Fills the whole surface with the stock brush chosen by BackgroundKind
// (0 black, 1 light grey, 2 white, anything else black).
void ClearCanvas();
