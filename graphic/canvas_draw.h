// canvas_draw.h - the drawing steps that the run's pictures share. Each step
// stores its colour in CurrentColor, draws into BackBufferDc and raises
// PresentNeeded, so the refresh timer knows the window is behind.
#pragma once

#include <cstdint>

#include "base/to_int.h"
#include "platform/win32.h"
#include "shared/framework_state.h"

// A grey level g in 0..255 as the colour g x 0x010101.
inline COLORREF GreyColour(int32_t grey) { return static_cast<COLORREF>(grey) * 0x010101u; }

// The grey level of a value already scaled to 0..255: truncated toward
// zero, then clamped to 0..255. A NaN or infinite value (from a zero range)
// converts to the most negative integer and so gives black.
inline int32_t ClampedGrey(double scaled) {
    const int32_t g = TruncToInt32(scaled);
    if (g > 255) return 255;
    if (g < 0) return 0;
    return g;
}

// Red 0, green 255, blue 255: negative values in the slice displays.
const COLORREF NegativeColour = 0xFFFF00;
// Red 255, green 255, blue 0: the filter curve and the replay captions.
const COLORREF YellowColour = 0x00FFFF;
const COLORREF WhiteColour = 0xFFFFFF;
const COLORREF BlackColour = 0x000000;

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

// A caption: `text` in `colour` (which becomes CurrentColor) in a font
// `height` pixels high, which GraphicFontRecord keeps afterwards. Before
// start-up has allocated the record nothing is drawn.
void DrawCanvasCaption(int x, int y, const char* text, int height, COLORREF colour);

// Fills the whole surface with the stock brush chosen by BackgroundKind
// (0 black, 1 light grey, 2 white, anything else black).
void ClearCanvas();

// A line of PenWidth in CurrentColor from (x1, y1) to (x2, y2), the end
// point included; the DC's current position is left where it was.
void DrawCanvasSegment(int x1, int y1, int x2, int y2);

// A rectangle filled with `colour` and bordered in it with a pen of
// PenWidth (left, top, right, bottom as Rectangle takes them); `colour`
// becomes CurrentColor.
void DrawFilledFrame(int left, int top, int right, int bottom, COLORREF colour);
