// bmp_export.h - saving the canvas as a 24-bit BMP file (menu command 7).
#pragma once

// The menu command: the save dialog, the file, and the notice of success.
void SaveGraphicFile();
// Writes the canvas to `path`. Error rule of the saves: the writer reports
// its own failure with a notice ("Failed to nopen file." when no file could
// be opened, "Failed to save" otherwise) and returns false, and an existing
// file then keeps its old content; the caller reports the success.
bool GraphicSaveBmp(const char* path);
