// os_calls.cpp - the table of system calls beneath the layer's file
// functions, filled with the system's own calls.
//
// Implements: PlatformOsCalls, PlatformRestoreOsCalls.
//
// Supported behaviour: every entry is the libc call of the same name, except
// setFileFlags (fcntl with F_SETFL) and open (always given a mode). Calls
// interrupted by a signal are retried by the callers, not here.
#include "platform/os_calls.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

namespace {

OsCallTable SystemCalls() {
    OsCallTable calls;
    calls.open = [](const char* path, int flags, mode_t mode) { return ::open(path, flags, mode); };
    calls.close = ::close;
    calls.read = ::read;
    calls.write = ::write;
    calls.fsync = ::fsync;
    calls.ftruncate = ::ftruncate;
    calls.fstat = [](int fd, struct stat* info) { return ::fstat(fd, info); };
    calls.stat = [](const char* path, struct stat* info) { return ::stat(path, info); };
    calls.setFileFlags = [](int fd, int flags) { return ::fcntl(fd, F_SETFL, flags); };
    calls.flock = ::flock;
    calls.fchmod = ::fchmod;
    calls.fchown = ::fchown;
    calls.readlink = ::readlink;
    calls.realpath = ::realpath;
    calls.rename = ::rename;
    calls.unlink = ::unlink;
    calls.opendir = ::opendir;
    calls.readdir = ::readdir;
    calls.closedir = ::closedir;
    calls.access = ::access;
    return calls;
}

}  // namespace

OsCallTable PlatformOsCalls = SystemCalls();

void PlatformRestoreOsCalls() { PlatformOsCalls = SystemCalls(); }
