// file_calls.cpp - the table filled with the system's own calls. Calls
// interrupted by a signal are retried by the callers, not here.
#include "lab/files/file_calls.h"

#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace lab {

namespace {

LabFileCallTable SystemCalls() {
    LabFileCallTable calls;
    calls.openat = [](int folder, const char* name, int flags, mode_t mode) { return ::openat(folder, name, flags, mode); };
    calls.close = ::close;
    calls.fstat = [](int fd, struct stat* info) { return ::fstat(fd, info); };
    calls.fstatat = [](int folder, const char* name, struct stat* info, int flags) {
        return ::fstatat(folder, name, info, flags);
    };
    calls.readlinkat = ::readlinkat;
    calls.pread = ::pread;
    calls.write = ::write;
    calls.fchmod = ::fchmod;
    calls.fsync = ::fsync;
    calls.renameat2 = [](int fromFolder, const char* from, int toFolder, const char* to, unsigned flags) {
        return ::renameat2(fromFolder, from, toFolder, to, flags);
    };
    calls.unlinkat = ::unlinkat;
    return calls;
}

}  // namespace

LabFileCallTable LabFileCalls = SystemCalls();

void RestoreLabFileCalls() { LabFileCalls = SystemCalls(); }

}  // namespace lab
