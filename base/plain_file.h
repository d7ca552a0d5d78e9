// plain_file.h - a file opened for reading only when it is a plain file: a
// named pipe or a device could keep the reader waiting for data that never
// comes, so neither is read from.
#pragma once

#include <cstdio>

enum class PlainFileKind {
    Plain,
    Folder,
    NotPlain,    // a named pipe, a socket, a device
    CannotOpen,  // missing or not readable: `systemError` tells why
};

struct PlainFileOpening {
    FILE* file = nullptr;  // open for reading when `kind` is Plain; the caller closes it
    PlainFileKind kind = PlainFileKind::CannotOpen;
    int systemError = 0;  // errno of CannotOpen
    long long bytes = 0;  // size of a plain file
};

PlainFileOpening OpenPlainFile(const char* path);
