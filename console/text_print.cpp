// text_print.cpp - printf-style output into the TextBuffer, and notices.
//
// The TextBuffer is a ring of 200 lines of at most 160 bytes. TextPrint only
// appends to it, moves the counters and raises ConsoleDirty; the console
// window draws the lines on its next refresh tick.
#include "console/text_print.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <vector>

#include "app/framework_state.h"
#include "console/c_locale.h"
#include "platform/win32.h"

namespace {

// Formats into `small` when the text fits, otherwise into `large`, which is
// sized to the whole text: nothing is cut off. Returns the text (or null when
// the format itself is invalid) and its length in `length`.
const char* FormatText(char* small, size_t smallSize, std::vector<char>& large, int& length,
                       const char* format, va_list args) {
    const CLocaleScope numbersInC;
    va_list again;
    va_copy(again, args);
    length = vsnprintf(small, smallSize, format, args);
    const char* text = small;
    if (length < 0) {
        length = 0;
        small[0] = 0;
    } else if (static_cast<size_t>(length) >= smallSize) {
        large.resize(static_cast<size_t>(length) + 1);
        vsnprintf(large.data(), large.size(), format, again);
        text = large.data();
    }
    va_end(again);
    return text;
}

// Ends the current line: stores the line buffer in the current ring entry,
// moves to the next entry (dropping the oldest line when all 200 are in use)
// and lets the view follow the output to the bottom.
void EndLine(const char* line, int column) {
    FrameworkStateRecord& s = FrameworkState;
    memcpy(s.TextBuffer[s.CurrentLine], line, column);
    s.TextBuffer[s.CurrentLine][column] = 0;
    s.CurrentLine = s.CurrentLine + 1 == TextBufferLines ? 0 : s.CurrentLine + 1;
    if (s.LineCount < TextBufferLines) {
        ++s.LineCount;
    } else {
        s.OldestLine = s.OldestLine + 1 == TextBufferLines ? 0 : s.OldestLine + 1;
    }
    if (s.LinesPerPage <= s.LineCount) s.ScrollTop = s.LineCount - s.LinesPerPage;
}

// Walks the text and then its terminating zero byte by byte: a line feed
// ends the line, a byte that finds the line full (160) ends it and starts
// the next one, every other byte (carriage return and tab included) is kept.
void AppendText(const char* text, int length) {
    FrameworkStateRecord& s = FrameworkState;
    char line[TextBufferLineBytes];
    // The ring entry's bytes are read only up to its terminator.
    const char* current = s.TextBuffer[s.CurrentLine];
    int column = static_cast<int>(strnlen(current, TextLineLimit));
    memcpy(line, current, column);

    for (int i = 0; i <= length; ++i) {
        char byte = i < length ? text[i] : 0;
        if (byte == '\n') {
            EndLine(line, column);
            column = 0;
        } else if (column >= TextLineLimit) {
            EndLine(line, column);
            column = 0;
            if (i < length) line[column++] = byte;
        } else if (i < length) {
            line[column++] = byte;
        }
    }
    memcpy(s.TextBuffer[s.CurrentLine], line, column);
    s.TextBuffer[s.CurrentLine][column] = 0;
}

}  // namespace

int TextPrint(const char* format, ...) {
    char small[TextBufferLineBytes];
    std::vector<char> large;
    int length = 0;
    va_list args;
    va_start(args, format);
    const char* text = FormatText(small, sizeof small, large, length, format, args);
    va_end(args);

    AppendText(text, length);
    FrameworkState.ConsoleDirty = 1;
    return length;
}

void MessageNotice(const char* format, ...) {
    char small[256];
    std::vector<char> large;
    int length = 0;
    va_list args;
    va_start(args, format);
    const char* text = FormatText(small, sizeof small, large, length, format, args);
    va_end(args);

    MessageBoxA(FrameworkState.ConsoleWindow, text, "Kelvane Message", MB_OK | MB_ICONINFORMATION);
}
