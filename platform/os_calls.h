// os_calls.h - the system calls beneath the layer's file functions
// (CreateFileA, WriteFile, MoveFileExA, ...), reached through one table of
// function pointers so that a test can replace any of them, for example with
// a write that fails half way or a disk that is full, and see what the
// program does. PlatformOsCalls starts with the system's own calls;
// PlatformRestoreOsCalls puts them back.
//
// Nothing here includes Qt: tests may include it.
#pragma once

#include <dirent.h>
#include <sys/stat.h>
#include <sys/types.h>

struct OsCallTable {
    int (*open)(const char* path, int flags, mode_t mode);
    int (*close)(int fd);
    ssize_t (*read)(int fd, void* buffer, size_t bytes);
    ssize_t (*write)(int fd, const void* buffer, size_t bytes);
    int (*fsync)(int fd);
    int (*ftruncate)(int fd, off_t length);
    int (*fstat)(int fd, struct stat* info);
    int (*stat)(const char* path, struct stat* info);
    int (*setFileFlags)(int fd, int flags);  // fcntl F_SETFL
    int (*flock)(int fd, int operation);
    int (*fchmod)(int fd, mode_t mode);
    int (*fchown)(int fd, uid_t owner, gid_t group);
    ssize_t (*readlink)(const char* path, char* buffer, size_t bytes);
    char* (*realpath)(const char* path, char* resolved);
    int (*rename)(const char* from, const char* to);
    int (*unlink)(const char* path);
    DIR* (*opendir)(const char* path);
    struct dirent* (*readdir)(DIR* folder);
    int (*closedir)(DIR* folder);
    int (*access)(const char* path, int mode);
};

extern OsCallTable PlatformOsCalls;

// Puts the system's own calls back into PlatformOsCalls.
void PlatformRestoreOsCalls();
