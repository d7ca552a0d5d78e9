// text_print.h - printf-style output into the TextBuffer.
#pragma once

// Formats and appends to the TextBuffer; returns the number of characters formatted.
int TextPrint(const char* format, ...) __attribute__((format(printf, 1, 2)));
