// canvas.h - the 1200 x 800 off-screen drawing surface and its presentation.
#pragma once

void GraphicInit();
void GraphicFontDefaults();
void GraphicPresent();
// Hides and re-shows the windows laid over the graphics window, so that they
// stay on top after every copy of the canvas.
void GraphicReshowChildWindows();
