// file_dialogs.h - the shared set-up of the four file dialogs.
#pragma once

#include <string>

enum { FileNameBytes = 260 };

// The last chosen path, carried from one dialog to the next.
extern char FileNameBuffer[FileNameBytes];

// Open dialog; destination (260 bytes) gets the full path or empty text.
void AskOpenFileName(char* destination);
// Save dialog plus the overwrite question; false when nothing was chosen.
bool AskSaveFileName(std::string& path);
