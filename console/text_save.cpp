// text_save.cpp - menu command " Save TextBuffer File": the TextBuffer as a
// plain text file, oldest line first, every line ended with CR LF. The file
// is replaced safely (safe_save.h): a save that fails leaves the old file.
#include "console/text_save.h"

#include <cstdio>
#include <string>

#include "console/text_print.h"
#include "shared/file_dialogs.h"
#include "shared/framework_state.h"
#include "shared/message_notice.h"
#include "shared/safe_save.h"

namespace {

// Every line with an explicit CR LF: the file has the same bytes on every
// platform.
bool WriteTextBufferLines(HANDLE file) {
    const FrameworkStateRecord& s = FrameworkState;
    int entry = s.OldestLine;
    for (int k = 0; k < s.LineCount && k < TextBufferLines; ++k) {
        char line[TextBufferLineBytes + 2];
        int length = snprintf(line, sizeof line, "%.*s\r\n", static_cast<int>(TextLineLimit), s.TextBuffer[entry]);
        if (length < 0 || !WriteAllBytes(file, line, static_cast<DWORD>(length))) return false;
        entry = entry + 1 == TextBufferLines ? 0 : entry + 1;
    }
    return true;
}

}  // namespace

bool WriteTextBufferFile(const char* path) {
    if (SaveFileSafely(path, WriteTextBufferLines) == SaveOutcome::Saved) return true;
    MessageNotice("Failed to save");
    return false;
}

void SaveTextBuffer() {
    std::string path;
    // cancelled, overwrite declined, or a path too long
    if (!AskSaveFileName(FrameworkState.LastTextSavePath, ".txt", path)) return;
    if (WriteTextBufferFile(path.c_str())) MessageNotice("Saved TextBuffer");
}
