// console_text.h - the TextBuffer as the console tests start from it.
#pragma once

#include <cstring>
#include <string>

#include "shared/framework_state.h"

// One empty line, nothing scrolled, no page laid out: as the start-up
// leaves the TextBuffer before the console window is measured.
inline void ClearTextBuffer() {
    FrameworkStateRecord& s = FrameworkState;
    memset(s.TextBuffer, 0, sizeof s.TextBuffer);
    s.CurrentLine = 0;
    s.LineCount = 1;
    s.OldestLine = 0;
    s.ScrollTop = 0;
    s.LinesPerPage = 0;
}

inline std::string Line(int entry) { return FrameworkState.TextBuffer[entry]; }
