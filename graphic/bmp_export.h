// bmp_export.h - saving the canvas as a 24-bit BMP file (menu command 7).
#pragma once

void SaveGraphicFile();
bool GraphicSaveBmp(const char* path);
