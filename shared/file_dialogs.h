// file_dialogs.h - the shared set-up of the four file dialogs.
#pragma once

#include <string>

#include "shared/framework_state.h"

// Paths up to the system's limit: 4,095 bytes and the terminating zero.
enum { FileNameBytes = PathBytes };

// The path chosen last in an open dialog: the next open dialog starts with
// it. The save dialogs neither show nor change it.
extern char FileNameBuffer[FileNameBytes];

enum class DialogOutcome {
    Chosen,
    Cancelled,    // or the dialog failed
    PathTooLong,  // the user has been told, with the path's length and the limit
};

// Open dialog; destination (FileNameBytes) gets the full path, or empty text
// when nothing usable was chosen.
DialogOutcome AskOpenFileName(char* destination);
// The next open dialog starts with `path` (a file named on the command line).
void StartOpenDialogsAt(const char* path);

// Save dialog plus the overwrite question, whose default answer is Cancel;
// false when nothing was chosen. The dialog proposes `lastSaved` (PathBytes,
// the path this command saved last) or, while that is empty, a new name in
// the current folder made of the save-name stem and `extension` (".bmp"),
// never the name of an existing file. The chosen path is kept in `lastSaved`.
bool AskSaveFileName(char* lastSaved, const char* extension, std::string& path);

// Later save dialogs make their new names of `loadedPath`'s file name without
// its folder and extension, and of `tag` when there is one: "data/phantom.sino"
// and "fbp" give "phantom_fbp".
void NameSavesAfter(const char* loadedPath, const char* tag);
