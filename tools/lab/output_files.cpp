// output_files.cpp - POSIX calls directly: the kind of each target decides
// how it is written, and a file's identity is its device and inode.
#include "tools/lab/output_files.h"

#include <QBuffer>
#include <QByteArray>
#include <QImage>

#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "tools/lab/field_geometry.h"
#include "tools/lab/lab_error.h"
#include "tools/lab/option_bounds.h"

namespace lab {

namespace {

// A file by device and inode; a name not yet taken by its folder's device
// and inode and its own name.
struct FileIdentity {
    dev_t device = 0;
    ino_t inode = 0;
    std::string name;
    bool operator==(const FileIdentity& other) const {
        return device == other.device && inode == other.inode && name == other.name;
    }
};

std::string FolderOf(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string NameOf(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

[[noreturn]] void Fail(const std::string& path, const std::string& reason) {
    throw LabError("cannot write " + path + ": " + reason);
}

bool WriteAll(int fd, const std::string& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

}  // namespace

struct OutputFiles::Output {
    std::string path;    // as the user gave it, for messages
    std::string target;  // where it goes: symbolic links followed
    bool direct = false;  // a character device or FIFO: written in place
    bool exists = false;
    mode_t mode = 0;
    FileIdentity identity;
    std::string bytes;  // a direct output's content until commit
    std::string temporary;
    bool staged = false;
};

OutputFiles::OutputFiles() = default;

OutputFiles::~OutputFiles() {
    for (const auto& output : outputs_)
        if (!output->temporary.empty()) unlink(output->temporary.c_str());
}

void OutputFiles::AddInput(const std::string& path) {
    if (!path.empty()) inputs_.push_back(path);
}

void OutputFiles::Claim(const std::string& path) {
    if (path.empty()) return;
    auto output = std::make_unique<Output>();
    output->path = path;
    output->target = path;
    struct stat info;
    if (stat(path.c_str(), &info) == 0) {
        if (S_ISDIR(info.st_mode)) Fail(path, "it is a folder");
        output->direct = S_ISCHR(info.st_mode) || S_ISFIFO(info.st_mode);
        if (!output->direct && !S_ISREG(info.st_mode))
            Fail(path, "it is a special file (only regular files, character devices and FIFOs are written)");
        char resolved[PATH_MAX];
        if (realpath(path.c_str(), resolved)) output->target = resolved;
        output->exists = true;
        output->mode = info.st_mode & 07777;
        output->identity = {info.st_dev, info.st_ino, ""};
    } else {
        const std::string folder = FolderOf(path);
        struct stat folderInfo;
        if (stat(folder.c_str(), &folderInfo) != 0) Fail(path, "the folder " + folder + " does not exist");
        if (!S_ISDIR(folderInfo.st_mode)) Fail(path, folder + " is not a folder");
        if (path.back() == '/') Fail(path, "it names a folder");
        output->identity = {folderInfo.st_dev, folderInfo.st_ino, NameOf(path)};
    }
    for (const std::string& input : inputs_) {
        struct stat inputInfo;
        if (stat(input.c_str(), &inputInfo) == 0 && output->exists &&
            FileIdentity{inputInfo.st_dev, inputInfo.st_ino, ""} == output->identity)
            Fail(path, "it is the input " + input);
    }
    for (const auto& other : outputs_)
        if (other->identity == output->identity) Fail(path, "it is also the output " + other->path);
    outputs_.push_back(std::move(output));
}

OutputFiles::Output& OutputFiles::Find(const std::string& path) {
    for (const auto& output : outputs_)
        if (output->path == path) return *output;
    throw std::logic_error("output " + path + " was not claimed");
}

void OutputFiles::Stage(const std::string& path, const std::string& bytes) {
    Output& output = Find(path);
    output.staged = true;
    if (output.direct) {
        output.bytes = bytes;
        return;
    }
    std::string pattern = FolderOf(output.target) + "/." + NameOf(output.target) + ".XXXXXX";
    const int fd = mkstemp(pattern.data());
    if (fd < 0) Fail(path, strerror(errno));
    output.temporary = pattern;
    // A new file gets the permissions the user's umask gives; a replaced
    // one keeps its own.
    mode_t mode = output.mode;
    if (!output.exists) {
        const mode_t mask = umask(0);
        umask(mask);
        mode = 0666 & ~mask;
    }
    const bool written = fchmod(fd, mode) == 0 && WriteAll(fd, bytes) && fsync(fd) == 0;
    const int error = errno;
    if (close(fd) != 0 || !written) Fail(path, strerror(written ? errno : error));
}

void OutputFiles::StagePng(const std::string& path, const QImage& image) {
    QByteArray encoded;
    QBuffer buffer(&encoded);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "PNG")) throw LabError("cannot encode " + path + " as PNG");
    Stage(path, encoded.toStdString());
}

void OutputFiles::Commit() {
    for (const auto& output : outputs_)
        if (!output->staged) throw std::logic_error("output " + output->path + " was claimed but not staged");
    // Devices and FIFOs first: while they are written, a failure still
    // leaves every regular target untouched.
    for (const auto& output : outputs_) {
        if (!output->direct) continue;
        const int fd = open(output->target.c_str(), O_WRONLY | O_CLOEXEC);
        if (fd < 0) Fail(output->path, strerror(errno));
        const bool written = WriteAll(fd, output->bytes);
        const int error = errno;
        close(fd);
        if (!written) Fail(output->path, strerror(error));
    }
    for (const auto& output : outputs_) {
        if (output->direct) continue;
        if (rename(output->temporary.c_str(), output->target.c_str()) != 0) Fail(output->path, strerror(errno));
        output->temporary.clear();
    }
}

std::string SinogramFileBytes(const std::vector<double>& values) {
    // The last check before any sinogram file is staged or saved.
    const std::string problem = values.size() == static_cast<size_t>(SinoChannels) * SinoAngles
                                    ? LineIntegralProblem(values.data())
                                    : std::to_string(values.size()) + " values, not 729 x 180";
    if (!problem.empty()) throw LabError("no sinogram file written: " + problem);
    // Little-endian whatever this machine's byte order is.
    std::string bytes(values.size() * 8, '\0');
    for (size_t k = 0; k < values.size(); ++k) {
        uint64_t bits;
        std::memcpy(&bits, &values[k], 8);
        for (int i = 0; i < 8; ++i) bytes[k * 8 + i] = static_cast<char>(bits >> (8 * i));
    }
    return bytes;
}

}  // namespace lab
