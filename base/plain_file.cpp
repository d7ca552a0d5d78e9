// plain_file.cpp - the file opened without waiting and asked what it is.
#include "base/plain_file.h"

#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// What refused the file, with errno for CannotOpen; `fd` closed when open.
PlainFileOpening Refused(PlainFileKind kind, int fd) {
    PlainFileOpening opening;
    opening.kind = kind;
    if (kind == PlainFileKind::CannotOpen) opening.systemError = errno;
    if (fd >= 0) close(fd);
    return opening;
}

}  // namespace

PlainFileOpening OpenPlainFile(const char* path) {
    // Without O_NONBLOCK opening a named pipe would wait for a writer.
    const int fd = open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return Refused(PlainFileKind::CannotOpen, fd);
    struct stat info;
    if (fstat(fd, &info) != 0) return Refused(PlainFileKind::CannotOpen, fd);
    if (!S_ISREG(info.st_mode))
        return Refused(S_ISDIR(info.st_mode) ? PlainFileKind::Folder : PlainFileKind::NotPlain, fd);
    PlainFileOpening opening;
    opening.file = fdopen(fd, "r");
    if (!opening.file) return Refused(PlainFileKind::CannotOpen, fd);
    opening.kind = PlainFileKind::Plain;
    opening.bytes = static_cast<long long>(info.st_size);
    return opening;
}
