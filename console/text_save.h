// text_save.h - saving the TextBuffer as a text file (menu command 6).
#pragma once

void SaveTextBuffer();
// Writes the TextBuffer lines, oldest first, each ended with CR LF.
// False when the file cannot be written; an existing file then keeps its
// old content.
bool WriteTextBufferFile(const char* path);
