// text_save.cpp - menu command " Save TextBuffer File": the TextBuffer as a
// plain text file, oldest line first, every line ended with CR LF.
#include "console/text_save.h"

#include <cstdio>
#include <string>

#include "app/framework_state.h"
#include "console/file_dialogs.h"
#include "console/text_print.h"

bool WriteTextBufferFile(const char* path) {
    // Binary mode and an explicit CR LF: the file has the same bytes on
    // every platform.
    FILE* file = fopen(path, "wb");
    if (!file) return false;
    const FrameworkStateRecord& s = FrameworkState;
    int entry = s.OldestLine;
    bool ok = true;
    for (int k = 0; k < s.LineCount && k < TextBufferLines; ++k) {
        if (fprintf(file, "%.*s\r\n", static_cast<int>(TextLineLimit), s.TextBuffer[entry]) < 0) ok = false;
        entry = entry + 1 == TextBufferLines ? 0 : entry + 1;
    }
    if (ferror(file)) ok = false;
    if (fclose(file) != 0) ok = false;
    return ok;
}

void SaveTextBuffer() {
    std::string path;
    if (!AskSaveFileName(path)) return;  // cancelled, or overwrite declined
    if (!WriteTextBufferFile(path.c_str())) {
        MessageNotice("Failed to save");
        return;
    }
    MessageNotice("Saved TextBuffer");
}
