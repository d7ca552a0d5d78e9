// input_file.cpp - the kind of file is known from the walk before it is
// opened (a device is never opened, so opening it has no effect either);
// the file is then opened without following a link and without waiting
// (O_NOFOLLOW, O_NONBLOCK), and must still be the plain file the walk found.
#include "lab/files/input_file.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "lab/files/file_calls.h"
#include "lab/core/lab_error.h"
#include "lab/files/path_walk.h"

namespace lab {

namespace {

[[noreturn]] void Refuse(const std::string& path, const std::string& reason) {
    throw LabError("cannot open " + path + ": " + reason);
}

std::string KindOf(mode_t mode) {
    if (S_ISFIFO(mode)) return "it is a FIFO (named pipe), not a plain file";
    if (S_ISCHR(mode)) return "it is a character device, not a plain file";
    if (S_ISBLK(mode)) return "it is a block device, not a plain file";
    if (S_ISSOCK(mode)) return "it is a socket, not a plain file";
    if (S_ISDIR(mode)) return "it is a folder, not a file";
    return "it is not a plain file";
}

}  // namespace

InputFile::InputFile(const std::string& path) : path_(path) {
    if (path.empty()) Refuse(path, "no such file");
    const WalkedPath walked = WalkPath(path);
    switch (walked.failure) {
        case WalkFailure::None: break;
        case WalkFailure::MissingFolder: Refuse(path, "no such file");
        case WalkFailure::NotAFolder: Refuse(path, walked.reason + " is not a folder");
        default: Refuse(path, walked.reason);
    }
    if (!walked.exists) Refuse(path, "no such file");
    if (!S_ISREG(walked.info.st_mode)) Refuse(path, KindOf(walked.info.st_mode));
    fd_ = LabFileCalls.openat(walked.folder, walked.name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0);
    if (fd_ < 0) {
        const int error = errno;
        if (error == EACCES || error == EPERM) Refuse(path, "no permission to read it");
        Refuse(path, std::strerror(error));
    }
    struct stat info;
    if (LabFileCalls.fstat(fd_, &info) != 0) {
        const int error = errno;
        LabFileCalls.close(fd_);
        Refuse(path, std::strerror(error));
    }
    if (!S_ISREG(info.st_mode) || info.st_dev != walked.info.st_dev || info.st_ino != walked.info.st_ino) {
        LabFileCalls.close(fd_);
        Refuse(path, S_ISREG(info.st_mode) ? "it was replaced while it was opened" : KindOf(info.st_mode));
    }
    size_ = static_cast<long long>(info.st_size);
}

InputFile::~InputFile() {
    if (fd_ >= 0) LabFileCalls.close(fd_);
}

std::string InputFile::Read(long long offset, size_t count) const {
    std::string bytes(count, '\0');
    size_t done = 0;
    while (done < count) {
        const ssize_t n = LabFileCalls.pread(fd_, bytes.data() + done, count - done, static_cast<off_t>(offset + done));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) throw LabError("cannot read " + path_ + ": " + std::strerror(errno));
        if (n == 0) break;
        done += static_cast<size_t>(n);
    }
    bytes.resize(done);
    return bytes;
}

void RequireInputFile(const std::string& path) { InputFile check(path); }

}  // namespace lab
