// file_calls.h - the system calls beneath sinora-lab's reading and writing
// of files, reached through one narrow table of function pointers (as
// platform/os_calls.h does for the program, and SQLite's OS layer for
// itself), so that a test can replace one, for example with a rename that
// fails as it does over an immutable file, and see what the lab leaves
// behind. LabFileCalls starts with the system's own calls;
// RestoreLabFileCalls puts them back.
//
// Every path is a name inside an open folder (the *at calls), so that a
// folder renamed or replaced by a symbolic link between two calls cannot
// send one of them elsewhere. The signal handler of signal_cleanup.h calls
// unlinkat itself, never through the table.
#pragma once

#include <sys/stat.h>
#include <sys/types.h>

namespace lab {

struct LabFileCallTable {
    int (*openat)(int folder, const char* name, int flags, mode_t mode);
    int (*close)(int fd);
    int (*fstat)(int fd, struct stat* info);
    int (*fstatat)(int folder, const char* name, struct stat* info, int flags);
    ssize_t (*readlinkat)(int folder, const char* name, char* text, size_t bytes);
    ssize_t (*pread)(int fd, void* buffer, size_t bytes, off_t offset);
    ssize_t (*write)(int fd, const void* buffer, size_t bytes);
    int (*fchmod)(int fd, mode_t mode);
    int (*fsync)(int fd);
    // renameat2(2): flags 0, RENAME_NOREPLACE or RENAME_EXCHANGE.
    int (*renameat2)(int fromFolder, const char* from, int toFolder, const char* to, unsigned flags);
    int (*unlinkat)(int folder, const char* name, int flags);
};

extern LabFileCallTable LabFileCalls;

// Puts the system's own calls back into LabFileCalls.
void RestoreLabFileCalls();

}  // namespace lab
