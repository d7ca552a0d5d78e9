// text_save.h - saving the TextBuffer as a text file (menu command 6).
#pragma once

void SaveTextBuffer();
// Writes the TextBuffer lines, oldest first, each ended with CR LF.
// Error rule of the saves: the writer reports its own failure with a
// notice ("Failed to save") and returns false, and an existing file then
// keeps its old content; the caller reports the success.
bool WriteTextBufferFile(const char* path);
