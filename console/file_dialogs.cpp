// file_dialogs.cpp - the shared set-up of the four file dialogs (two open
// dialogs of the run, two save dialogs of the pop-up menu): one file-name
// buffer that carries the last chosen path from dialog to dialog, one
// file-title buffer, one list of file types.
#include "console/file_dialogs.h"

#include <cstdio>
#include <cstring>

#include "app/framework_state.h"
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
    record->lStructSize = 88;
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

}  // namespace

void AskOpenFileName(char* destination) {
    OPENFILENAMEA record;
    FillDialogRecord(&record);
    if (GetOpenFileNameA(&record)) {
        size_t length = FileNameLength();
        memcpy(destination, FileNameBuffer, length);
        destination[length] = '\0';
    } else {
        destination[0] = '\0';
    }
}

bool AskSaveFileName(std::string& path) {
    OPENFILENAMEA record;
    FillDialogRecord(&record);
    if (GetSaveFileNameA(&record)) {
        path.assign(FileNameBuffer, FileNameLength());
    } else {
        path.clear();
    }
    if (path.empty()) return false;

    // A file that can be opened for reading exists: ask before overwriting it.
    if (FILE* probe = fopen(path.c_str(), "r")) {
        fclose(probe);
        int answer = MessageBoxA(FrameworkState.ConsoleWindow, OverwriteQuestion, OverwriteCaption,
                                 MB_OKCANCEL | MB_ICONQUESTION);
        if (answer != IDOK) {
            path.clear();
            return false;
        }
    }
    return true;
}
