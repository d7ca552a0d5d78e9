// file_dialogs.h - the shared set-up of the four file dialogs.
#pragma once

#include <string>

// Paths up to the system's limit: 4,095 bytes and the terminating zero.
enum { FileNameBytes = 4096 };

// The last chosen path, carried from one dialog to the next.
extern char FileNameBuffer[FileNameBytes];

enum class DialogOutcome {
    Chosen,
    Cancelled,    // or the dialog failed
    PathTooLong,  // the user has been told, with the path's length and the limit
};

// Open dialog; destination (FileNameBytes) gets the full path, or empty text
// when nothing usable was chosen.
DialogOutcome AskOpenFileName(char* destination);
// Save dialog plus the overwrite question; false when nothing was chosen.
bool AskSaveFileName(std::string& path);
