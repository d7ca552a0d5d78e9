// text_save.h - saving the TextBuffer as a text file (menu command 6).
#pragma once

void SaveTextBuffer();
// Writes the TextBuffer lines, oldest first, each ended with CR LF.
// False (and nothing written) when the file cannot be opened for writing.
bool WriteTextBufferFile(const char* path);
