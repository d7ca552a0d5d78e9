// canvas.h - the 1200 x 800 off-screen drawing surface and its presentation.
#pragma once

void GraphicInit();
void GraphicFontDefaults();
void GraphicPresent();
