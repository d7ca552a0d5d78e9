// file_dialogs.cpp - the shared set-up of the four file dialogs (two open
// dialogs of the run, two save dialogs of the pop-up menu): one file-name
// buffer that carries the last chosen path from dialog to dialog, one
// file-title buffer, one list of file types.
//
// A chosen path longer than the buffer (the system's limit) is reported with
// its length and the limit, and counts as nothing chosen.
#include "shared/file_dialogs.h"

#include <cstring>

#include "shared/framework_state.h"
#include "shared/message_notice.h"
#include "platform/win32.h"

char FileNameBuffer[FileNameBytes];

namespace {

// Pairs of description and pattern, closed by an empty string (the literal's
// own terminating zero). The descriptions are code page 932 text.
const char FileTypeList[] =
    // "全てのﾌｧｲﾙ {*.*}" (all files)
    "\x91\x53\x82\xc4\x82\xcc\xcc\xa7\xb2\xd9 {*.*}\0"
    "*.*\0"
    // "ﾃｷｽﾄﾌｧｲﾙ {*.txt}" (text file)
    "\xc3\xb7\xbd\xc4\xcc\xa7\xb2\xd9 {*.txt}\0"
    "*.txt\0"
    // "ﾋﾞｯﾄﾏｯﾌ{*.bmp}" (bitmap)
    "\xcb\xde\xaf\xc4\xcf\xaf\xcc{*.bmp}\0"
    "*.bmp\0";

const char OverwriteQuestion[] = "\n Same file name exists. \n\n Overwrite OK? \n\n";
const char OverwriteCaption[] = "OverWrite?";

// The dialog record, identical for the open and the save dialogs.
void FillDialogRecord(OPENFILENAMEA* record) {
    memset(record, 0, sizeof *record);
    record->lStructSize = sizeof *record;
    record->hwndOwner = FrameworkState.ConsoleWindow;
    record->lpstrFilter = FileTypeList;
    record->nFilterIndex = 0;
    record->lpstrFile = FileNameBuffer;
    record->nMaxFile = FileNameBytes;
    record->lpstrFileTitle = FrameworkState.FileTitleBuffer;
    record->nMaxFileTitle = FileTitleBytes;
    record->Flags = OFN_FILEMUSTEXIST;
    record->lpstrDefExt = "*";
}

// Length of the text in FileNameBuffer, never past its end.
size_t FileNameLength() { return strnlen(FileNameBuffer, FileNameBytes - 1); }

// Runs one dialog. A path that did not fit is reported here; the dialog then
// left the size it needed in the buffer's first bytes, so the buffer gets
// back the path it held before.
DialogOutcome RunDialog(BOOL(WINAPI* dialog)(OPENFILENAMEA*)) {
    char previous[FileNameBytes];
    memcpy(previous, FileNameBuffer, sizeof previous);
    OPENFILENAMEA record;
    FillDialogRecord(&record);
    if (dialog(&record)) return DialogOutcome::Chosen;
    if (CommDlgExtendedError() != FNERR_BUFFERTOOSMALL) return DialogOutcome::Cancelled;
    WORD needed;
    memcpy(&needed, FileNameBuffer, sizeof needed);
    memcpy(FileNameBuffer, previous, sizeof previous);
    MessageNotice("\n The chosen path is too long: %u bytes; the limit is %d bytes. \n",
                  static_cast<unsigned>(needed > 0 ? needed - 1 : 0), static_cast<int>(FileNameBytes - 1));
    return DialogOutcome::PathTooLong;
}

}  // namespace

DialogOutcome AskOpenFileName(char* destination) {
    DialogOutcome outcome = RunDialog(GetOpenFileNameA);
    if (outcome == DialogOutcome::Chosen) {
        size_t length = FileNameLength();
        memcpy(destination, FileNameBuffer, length);
        destination[length] = '\0';
    } else {
        destination[0] = '\0';
    }
    return outcome;
}

bool AskSaveFileName(std::string& path) {
    if (RunDialog(GetSaveFileNameA) == DialogOutcome::Chosen) {
        path.assign(FileNameBuffer, FileNameLength());
    } else {
        path.clear();
    }
    if (path.empty()) return false;

    // A file that can be opened for reading exists: ask before overwriting
    // it. The layer's open never waits, also not on a named pipe.
    HANDLE probe = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (probe != INVALID_HANDLE_VALUE) {
        CloseHandle(probe);
        int answer = MessageBoxA(FrameworkState.ConsoleWindow, OverwriteQuestion, OverwriteCaption,
                                 MB_OKCANCEL | MB_ICONQUESTION);
        if (answer != IDOK) {
            path.clear();
            return false;
        }
    }
    return true;
}
