// text_print.cpp - printf-style output into the TextBuffer.
//
// The TextBuffer is a ring of 200 lines of at most 160 bytes. TextPrint only
// appends to it, moves the counters and raises ConsoleDirty; the console
// window draws the lines on its next refresh tick.
#include "console/text_print.h"

#include <cstdarg>
#include <cstring>

#include "platform/win32.h"
#include "shared/formatted_text.h"
#include "shared/framework_state.h"

namespace {

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
    va_list args;
    va_start(args, format);
    const FormattedText formatted(format, args);
    va_end(args);

    AppendText(formatted.text, formatted.length);
    FrameworkState.ConsoleDirty = 1;
    return formatted.length;
}
