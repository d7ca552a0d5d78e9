// chosen_file.h - what a path chosen in the open dialog is, learned without
// reading from it: a named pipe or a device would keep the run waiting for
// data that may never come.
#pragma once

enum class ChosenFileKind {
    PlainFile,
    Folder,
    NotPlainFile,  // a named pipe, a socket, a device
    CannotOpen,    // missing or not readable; errno tells why
};

// `size` receives the size of a plain file.
ChosenFileKind ExamineChosenFile(const char* path, long long* size);
