// file_dialogs.cpp - the shared set-up of the four file dialogs (two open
// dialogs of the run, two save dialogs of the pop-up menu): one list of file
// types and one file-title buffer. The open dialogs share one file-name
// buffer that carries the last chosen input from one to the next; a save
// dialog never proposes it, so that Enter twice cannot replace a file the
// user opened: each save command proposes the path it saved last, or a new
// name made of what the run has loaded.
//
// A chosen path longer than the buffer (the system's limit) is reported with
// its length and the limit, and counts as nothing chosen.
#include "shared/file_dialogs.h"

#include <cstdio>
#include <cstring>

#include "platform/win32.h"
#include "shared/framework_state.h"
#include "shared/message_notice.h"

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

// Stem of the proposed names before the run has loaded anything.
const char DefaultSaveNameStem[] = "sinora";

// The dialog record, identical for the open and the save dialogs but for
// the file-name buffer.
void FillDialogRecord(OPENFILENAMEA* record, char* fileName) {
    memset(record, 0, sizeof *record);
    record->lStructSize = sizeof *record;
    record->hwndOwner = FrameworkState.ConsoleWindow;
    record->lpstrFilter = FileTypeList;
    record->nFilterIndex = 0;
    record->lpstrFile = fileName;
    record->nMaxFile = FileNameBytes;
    record->lpstrFileTitle = FrameworkState.FileTitleBuffer;
    record->nMaxFileTitle = FileTitleBytes;
    record->Flags = OFN_FILEMUSTEXIST;
    record->lpstrDefExt = "*";
}

// Length of the text in a file-name buffer, never past its end.
size_t FileNameLength(const char* fileName) { return strnlen(fileName, FileNameBytes - 1); }

// Runs one dialog on `fileName` (FileNameBytes). A path that did not fit is
// reported here; the dialog then left the size it needed in the buffer's
// first bytes, so the buffer gets back the path it held before.
DialogOutcome RunDialog(BOOL(WINAPI* dialog)(OPENFILENAMEA*), char* fileName) {
    char previous[FileNameBytes];
    memcpy(previous, fileName, sizeof previous);
    OPENFILENAMEA record;
    FillDialogRecord(&record, fileName);
    if (dialog(&record)) return DialogOutcome::Chosen;
    if (CommDlgExtendedError() != FNERR_BUFFERTOOSMALL) return DialogOutcome::Cancelled;
    WORD needed;
    memcpy(&needed, fileName, sizeof needed);
    memcpy(fileName, previous, sizeof previous);
    MessageNotice("\n The chosen path is too long: %u bytes; the limit is %d bytes. \n",
                  static_cast<unsigned>(needed > 0 ? needed - 1 : 0), static_cast<int>(FileNameBytes - 1));
    return DialogOutcome::PathTooLong;
}

// What a save dialog starts with: the command's last saved path, or else
// "<stem><extension>" in the current folder, "<stem>_2<extension>" when that
// exists, and so on.
void ProposeSaveName(const char* lastSaved, const char* extension, char* proposal) {
    if (lastSaved[0]) {
        snprintf(proposal, FileNameBytes, "%s", lastSaved);
        return;
    }
    const char* stem = FrameworkState.SaveNameStem[0] ? FrameworkState.SaveNameStem : DefaultSaveNameStem;
    snprintf(proposal, FileNameBytes, "%s%s", stem, extension);
    for (unsigned n = 2; GetFileAttributesA(proposal) != INVALID_FILE_ATTRIBUTES; ++n) {
        snprintf(proposal, FileNameBytes, "%s_%u%s", stem, n, extension);
    }
}

}  // namespace

DialogOutcome AskOpenFileName(char* destination) {
    DialogOutcome outcome = RunDialog(GetOpenFileNameA, FileNameBuffer);
    if (outcome == DialogOutcome::Chosen) {
        size_t length = FileNameLength(FileNameBuffer);
        memcpy(destination, FileNameBuffer, length);
        destination[length] = '\0';
    } else {
        destination[0] = '\0';
    }
    return outcome;
}

void StartOpenDialogsAt(const char* path) { snprintf(FileNameBuffer, sizeof FileNameBuffer, "%s", path); }

bool AskSaveFileName(char* lastSaved, const char* extension, std::string& path) {
    char fileName[FileNameBytes];
    ProposeSaveName(lastSaved, extension, fileName);
    if (RunDialog(GetSaveFileNameA, fileName) == DialogOutcome::Chosen) {
        path.assign(fileName, FileNameLength(fileName));
    } else {
        path.clear();
    }
    if (path.empty()) return false;

    // A file that can be opened for reading exists: ask before overwriting
    // it, with Cancel as the answer of Return. The layer's open never waits,
    // also not on a named pipe.
    HANDLE probe = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
    if (probe != INVALID_HANDLE_VALUE) {
        CloseHandle(probe);
        int answer = MessageBoxA(FrameworkState.ConsoleWindow, OverwriteQuestion, OverwriteCaption,
                                 MB_OKCANCEL | MB_ICONQUESTION | MB_DEFBUTTON2);
        if (answer != IDOK) {
            path.clear();
            return false;
        }
    }
    memcpy(lastSaved, path.c_str(), path.size() + 1);
    return true;
}

void NameSavesAfter(const char* loadedPath, const char* tag) {
    const char* slash = strrchr(loadedPath, '/');
    std::string stem = slash ? slash + 1 : loadedPath;
    const size_t dot = stem.rfind('.');
    if (dot != std::string::npos && dot > 0) stem.erase(dot);
    if (tag && *tag) stem = stem + "_" + tag;
    snprintf(FrameworkState.SaveNameStem, sizeof FrameworkState.SaveNameStem, "%s", stem.c_str());
}
