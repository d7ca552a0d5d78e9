// output_files.cpp - every target is reached through its folder, held open
// from the claim on (path_walk.h), and every call goes through the table of
// file_calls.h; a file's identity is its device and inode.
#include "lab/files/output_files.h"

#include <QBuffer>
#include <QByteArray>
#include <QImage>

#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include "lab/core/field_geometry.h"
#include "lab/files/file_calls.h"
#include "lab/core/lab_error.h"
#include "lab/core/option_bounds.h"
#include "lab/files/path_walk.h"
#include "lab/files/signal_cleanup.h"

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

[[noreturn]] void Fail(const std::string& path, const std::string& reason) {
    throw LabError("cannot write " + path + ": " + reason);
}

bool WriteAll(int fd, const std::string& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = LabFileCalls.write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            if (n == 0) errno = EIO;
            return false;
        }
        done += static_cast<size_t>(n);
    }
    return true;
}

// Letters and digits from the system's random source.
std::string RandomPart(size_t length) {
    static const char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    unsigned char random[32];
    length = std::min(length, sizeof random);
    size_t got = 0;
    while (got < length) {
        const ssize_t n = getrandom(random + got, length - got, 0);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        got += static_cast<size_t>(n);
    }
    std::string part;
    for (size_t k = 0; k < length; ++k) part.push_back(alphabet[random[k] % (sizeof alphabet - 1)]);
    return part;
}

constexpr char TemporaryPrefix[] = ".sinora-lab-";

// A name for a temporary file in `folder`: the prefix and 8 random
// characters, shorter where the folder's file system allows fewer.
std::string TemporaryName(int folder) {
    long most = fpathconf(folder, _PC_NAME_MAX);
    if (most <= 0) most = NAME_MAX;
    std::string name = TemporaryPrefix + RandomPart(8);
    if (static_cast<long>(name.size()) > most) name = "." + RandomPart(static_cast<size_t>(std::max(1L, most - 1)));
    return name;
}

}  // namespace

struct OutputFiles::Output {
    std::string path;  // as the user gave it, for messages
    WalkedPath place;  // its folder (held open) and its name there
    bool direct = false;  // a character device or FIFO: written in place
    bool exists = false;
    mode_t mode = 0;
    FileIdentity identity;
    std::string bytes;  // a direct output's content until commit
    bool staged = false;
    // The staged file, while it has a name of its own in the folder.
    std::string temporary;
    RemovedOnSignal temporaryOnSignal;
    dev_t stagedDevice = 0;
    ino_t stagedInode = 0;
    // How a commit put it in place: its old file under the temporary's name
    // (Exchanged), under the name `aside` (Aside), or none (Created).
    enum class Put { No, Exchanged, Aside, Created } put = Put::No;
    std::string aside;

    const char* Name() const { return place.name.c_str(); }
    int Folder() const { return place.folder; }
};

OutputFiles::OutputFiles() = default;

OutputFiles::~OutputFiles() {
    for (const auto& output : outputs_)
        if (!output->temporary.empty()) LabFileCalls.unlinkat(output->Folder(), output->temporary.c_str(), 0);
}

void OutputFiles::AddInput(const std::string& path) {
    if (!path.empty()) inputs_.push_back(path);
}

void OutputFiles::Claim(const std::string& path) {
    if (path.empty()) return;
    auto output = std::make_unique<Output>();
    output->path = path;
    output->place = WalkPath(path);
    const WalkedPath& place = output->place;
    switch (place.failure) {
        case WalkFailure::None: break;
        case WalkFailure::MissingFolder: Fail(path, "the folder " + place.reason + " does not exist");
        case WalkFailure::NotAFolder: Fail(path, place.reason + " is not a folder");
        default: Fail(path, place.reason);
    }
    if (place.exists) {
        const struct stat& info = place.info;
        if (S_ISDIR(info.st_mode)) Fail(path, "it is a folder");
        output->direct = S_ISCHR(info.st_mode) || S_ISFIFO(info.st_mode);
        if (!output->direct && !S_ISREG(info.st_mode))
            Fail(path, "it is a special file (only regular files, character devices and FIFOs are written)");
        const std::string planted = PlantedSpecialFile(place);
        if (!planted.empty()) Fail(path, planted);
        output->exists = true;
        // Never a set-user-ID, set-group-ID or sticky bit on what the lab wrote.
        output->mode = info.st_mode & 0777;
        output->identity = {info.st_dev, info.st_ino, ""};
    } else {
        if (place.namesFolder) Fail(path, "it names a folder");
        struct stat folderInfo;
        if (LabFileCalls.fstat(place.folder, &folderInfo) != 0) Fail(path, std::strerror(errno));
        output->identity = {folderInfo.st_dev, folderInfo.st_ino, place.name};
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
    if (!output.temporary.empty()) {  // staged again: the last content counts
        LabFileCalls.unlinkat(output.Folder(), output.temporary.c_str(), 0);
        output.temporary.clear();
        output.temporaryOnSignal = RemovedOnSignal();
    }
    // A new file gets the permissions the umask (and the folder's default
    // ACL) gives; a replaced one keeps its own.
    int fd = -1;
    for (int attempt = 0; fd < 0; ++attempt) {
        const std::string name = TemporaryName(output.Folder());
        const SignalsDeferred untilRegistered;
        fd = LabFileCalls.openat(output.Folder(), name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                                 output.exists ? 0600 : 0666);
        if (fd >= 0) {
            output.temporary = name;
            output.temporaryOnSignal = RemovedOnSignal(output.Folder(), name, false);
        } else if (errno != EEXIST || attempt == 100) {
            Fail(path, std::strerror(errno));
        }
    }
    struct stat info;
    const bool written = (!output.exists || LabFileCalls.fchmod(fd, output.mode) == 0) && WriteAll(fd, bytes) &&
                         LabFileCalls.fsync(fd) == 0 && LabFileCalls.fstat(fd, &info) == 0;
    const int error = errno;
    if (LabFileCalls.close(fd) != 0 || !written) Fail(path, std::strerror(written ? errno : error));
    output.stagedDevice = info.st_dev;
    output.stagedInode = info.st_ino;
}

void OutputFiles::StagePng(const std::string& path, const QImage& image) {
    QByteArray encoded;
    QBuffer buffer(&encoded);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "PNG")) throw LabError("cannot encode " + path + " as PNG");
    Stage(path, encoded.toStdString());
}

namespace {

bool Unsupported(int error) { return error == EINVAL || error == ENOSYS || error == EOPNOTSUPP; }

}  // namespace

// 0, or errno of the step that failed (the target then as it was).
int OutputFiles::PutInPlace(Output& output) {
    const LabFileCallTable& calls = LabFileCalls;
    const int folder = output.Folder();
    const char* temporary = output.temporary.c_str();
    if (calls.renameat2(folder, temporary, folder, output.Name(), RENAME_EXCHANGE) == 0) {
        // Whatever took the old file's place since the claim is a file, not
        // a folder: a folder goes back.
        struct stat old;
        if (calls.fstatat(folder, temporary, &old, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(old.st_mode)) {
            calls.renameat2(folder, temporary, folder, output.Name(), RENAME_EXCHANGE);
            return EISDIR;
        }
        output.put = Output::Put::Exchanged;
        return 0;
    }
    int error = errno;
    if (error == ENOENT) {  // nothing of that name: a new file
        if (calls.renameat2(folder, temporary, folder, output.Name(), RENAME_NOREPLACE) != 0) {
            error = errno;
            if (!Unsupported(error) || calls.renameat2(folder, temporary, folder, output.Name(), 0) != 0)
                return Unsupported(error) ? errno : error;
        }
        output.put = Output::Put::Created;
        output.temporary.clear();
        return 0;
    }
    if (!Unsupported(error)) return error;
    // No exchange on this file system: the old file goes aside first (never
    // a folder that has taken its name since the claim).
    struct stat there;
    if (calls.fstatat(folder, output.Name(), &there, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(there.st_mode)) return EISDIR;
    const std::string aside = TemporaryName(folder);
    struct stat taken;
    if (calls.fstatat(folder, aside.c_str(), &taken, AT_SYMLINK_NOFOLLOW) == 0) return EEXIST;
    if (calls.renameat2(folder, output.Name(), folder, aside.c_str(), 0) != 0) {
        error = errno;
        if (error != ENOENT) return error;
        // Gone since the claim: a new file after all.
        if (calls.renameat2(folder, temporary, folder, output.Name(), 0) != 0) return errno;
        output.put = Output::Put::Created;
        output.temporary.clear();
        return 0;
    }
    if (calls.renameat2(folder, temporary, folder, output.Name(), 0) != 0) {
        error = errno;
        calls.renameat2(folder, aside.c_str(), folder, output.Name(), 0);
        return error;
    }
    output.put = Output::Put::Aside;
    output.aside = aside;
    output.temporary.clear();
    return 0;
}

// Puts back every output before `failed`; "" or what could not be undone.
std::string OutputFiles::TakeBack(size_t failed) {
    const LabFileCallTable& calls = LabFileCalls;
    std::string notUndone;
    for (size_t k = failed; k-- > 0;) {
        Output& output = *outputs_[k];
        const int folder = output.Folder();
        const std::string where = output.place.folderText + "/";
        switch (output.put) {
            case Output::Put::No: break;
            case Output::Put::Exchanged:
                if (calls.renameat2(folder, output.temporary.c_str(), folder, output.Name(), RENAME_EXCHANGE) != 0) {
                    notUndone += "; " + output.path + " is new (" + std::strerror(errno) + "), its old content is in " +
                                 where + output.temporary;
                    output.temporary.clear();
                    output.temporaryOnSignal = RemovedOnSignal();
                }
                break;
            case Output::Put::Aside:
                if (calls.renameat2(folder, output.aside.c_str(), folder, output.Name(), 0) != 0)
                    notUndone += "; " + output.path + " is new (" + std::strerror(errno) + "), its old content is in " +
                                 where + output.aside;
                break;
            case Output::Put::Created: {
                struct stat info;
                if (calls.fstatat(folder, output.Name(), &info, AT_SYMLINK_NOFOLLOW) == 0 &&
                    info.st_dev == output.stagedDevice && info.st_ino == output.stagedInode &&
                    calls.unlinkat(folder, output.Name(), 0) != 0)
                    notUndone += "; " + output.path + " was written and could not be removed (" + std::strerror(errno) + ")";
                break;
            }
        }
        output.put = Output::Put::No;
    }
    return notUndone;
}

void OutputFiles::Commit() {
    const LabFileCallTable& calls = LabFileCalls;
    for (const auto& output : outputs_)
        if (!output->staged) throw std::logic_error("output " + output->path + " was claimed but not staged");
    // Devices and FIFOs first: while they are written (a FIFO waits for its
    // reader, and Ctrl+C must still end that wait), a failure still leaves
    // every regular target untouched.
    for (const auto& output : outputs_) {
        if (!output->direct) continue;
        const int fd = calls.openat(output->Folder(), output->Name(), O_WRONLY | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC, 0);
        if (fd < 0) Fail(output->path, std::strerror(errno));
        struct stat info;
        const bool same = calls.fstat(fd, &info) == 0 && info.st_dev == output->identity.device &&
                          info.st_ino == output->identity.inode;
        const bool written = same && WriteAll(fd, output->bytes);
        const int error = errno;
        calls.close(fd);
        if (!same) Fail(output->path, "it was replaced since the command started");
        if (!written) Fail(output->path, std::strerror(error));
    }
    // From the first rename to the last, a signal waits.
    const SignalsDeferred wholeCommit;
    for (size_t k = 0; k < outputs_.size(); ++k) {
        Output& output = *outputs_[k];
        if (output.direct) continue;
        const int error = PutInPlace(output);
        if (error != 0) {
            const std::string notUndone = TakeBack(k);
            bool wroteDirectly = false;
            for (const auto& other : outputs_) wroteDirectly = wroteDirectly || other->direct;
            Fail(output.path, std::strerror(error) + (!notUndone.empty() ? notUndone
                                                      : wroteDirectly   ? "; no other file was replaced"
                                                                        : "; no file was changed"));
        }
    }
    // Every file is in place: the old ones go.
    for (const auto& output : outputs_) {
        if (output->put == Output::Put::Exchanged) calls.unlinkat(output->Folder(), output->temporary.c_str(), 0);
        if (output->put == Output::Put::Aside) calls.unlinkat(output->Folder(), output->aside.c_str(), 0);
        output->temporary.clear();
        output->temporaryOnSignal = RemovedOnSignal();
        output->put = Output::Put::No;
    }
    // The folders' new entries on the disc too, where the system allows.
    for (const auto& output : outputs_) {
        if (output->direct) continue;
        const int folder = calls.openat(output->Folder(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC, 0);
        if (folder < 0) continue;
        calls.fsync(folder);
        calls.close(folder);
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
