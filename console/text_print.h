// text_print.h - printf-style output into the TextBuffer, and notices.
#pragma once

// Formats and appends to the TextBuffer; returns the number of characters formatted.
int TextPrint(const char* format, ...) __attribute__((format(printf, 1, 2)));
// Formats and shows a modal message box captioned "Kelvane Message".
void MessageNotice(const char* format, ...) __attribute__((format(printf, 1, 2)));
