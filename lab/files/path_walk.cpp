// path_walk.cpp - the walk keeps the folder it has reached open (O_PATH)
// and looks at each name in it without following it (fstatat with
// AT_SYMLINK_NOFOLLOW): a link's text is read and walked in its place, after
// the rule has been checked on the folder that holds the link; ".." is the
// folder's own parent, as in the kernel's walk.
#include "lab/files/path_walk.h"

#include <cerrno>
#include <climits>
#include <cstring>
#include <deque>
#include <fcntl.h>
#include <pwd.h>
#include <unistd.h>
#include <utility>

#include "lab/files/file_calls.h"

namespace lab {

namespace {

// The kernel's limit (MAXSYMLINKS).
constexpr int MostLinks = 40;

std::deque<std::string> Names(const std::string& path) {
    std::deque<std::string> names;
    size_t start = 0;
    while (start < path.size()) {
        const size_t end = std::min(path.find('/', start), path.size());
        if (end > start) names.push_back(path.substr(start, end - start));
        start = end + 1;
    }
    return names;
}

std::string Joined(const std::string& folder, const std::string& name) {
    if (folder.empty()) return name;
    return folder.back() == '/' ? folder + name : folder + "/" + name;
}

std::string Owner(uid_t uid) {
    std::string text = "uid " + std::to_string(uid);
    struct passwd entry, *found = nullptr;
    char buffer[4096];
    if (getpwuid_r(uid, &entry, buffer, sizeof buffer, &found) == 0 && found) text = found->pw_name + (" (" + text + ")");
    return text;
}

// A sticky folder that everyone may write to, where a file may belong to
// anyone; "" when `folder` is none, else why the file that `owner` owns
// there is not to be used.
std::string Planted(int folder, const std::string& folderText, uid_t owner, const std::string& what) {
    struct stat info;
    if (LabFileCalls.fstat(folder, &info) != 0) return std::strerror(errno);
    if ((info.st_mode & (S_ISVTX | S_IWOTH)) != (S_ISVTX | S_IWOTH)) return "";
    if (owner == info.st_uid || owner == geteuid()) return "";
    return what + " belongs to " + Owner(owner) + ", who is neither you nor the owner of " +
           (folderText.empty() ? "." : folderText) + ", a sticky folder that everyone may write to";
}

}  // namespace

WalkedPath::~WalkedPath() {
    if (folder >= 0) LabFileCalls.close(folder);
}

WalkedPath::WalkedPath(WalkedPath&& other) noexcept { *this = std::move(other); }

WalkedPath& WalkedPath::operator=(WalkedPath&& other) noexcept {
    if (this != &other) {
        if (folder >= 0) LabFileCalls.close(folder);
        failure = other.failure;
        reason = std::move(other.reason);
        folder = std::exchange(other.folder, -1);
        name = std::move(other.name);
        exists = other.exists;
        info = other.info;
        namesFolder = other.namesFolder;
        folderText = std::move(other.folderText);
    }
    return *this;
}

WalkedPath WalkPath(const std::string& path) {
    WalkedPath walked;
    auto fail = [&walked](WalkFailure failure, const std::string& reason) {
        walked.failure = failure;
        walked.reason = reason;
        if (walked.folder >= 0) LabFileCalls.close(walked.folder);
        walked.folder = -1;
        return std::move(walked);
    };
    auto root = [&walked](const char* start) {
        if (walked.folder >= 0) LabFileCalls.close(walked.folder);
        walked.folder = LabFileCalls.openat(AT_FDCWD, start, O_PATH | O_DIRECTORY | O_CLOEXEC, 0);
        return walked.folder >= 0;
    };
    auto isFolder = [&walked]() {
        walked.name = ".";
        walked.namesFolder = true;
        walked.exists = LabFileCalls.fstat(walked.folder, &walked.info) == 0;
    };
    const bool absolute = !path.empty() && path[0] == '/';
    if (!root(absolute ? "/" : ".")) return fail(WalkFailure::Other, std::strerror(errno));
    std::string shown = absolute ? "/" : "";  // the folder reached, in words
    std::deque<std::string> names = Names(path);
    walked.namesFolder = !path.empty() && path.back() == '/';
    if (names.empty()) isFolder();
    int links = 0;
    while (!names.empty()) {
        const std::string name = names.front();
        names.pop_front();
        const bool last = names.empty();
        if (name == "..") {
            const int up = LabFileCalls.openat(walked.folder, "..", O_PATH | O_DIRECTORY | O_CLOEXEC, 0);
            if (up < 0) return fail(WalkFailure::Other, std::strerror(errno));
            LabFileCalls.close(walked.folder);
            walked.folder = up;
        }
        if (name == "." || name == "..") {
            shown = Joined(shown, name);
            if (last) isFolder();
            continue;
        }
        struct stat info;
        if (LabFileCalls.fstatat(walked.folder, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0) {
            const int error = errno;
            if (error == ENOENT && last) {
                walked.name = name;
                break;
            }
            if (error == ENOENT) return fail(WalkFailure::MissingFolder, Joined(shown, name));
            if (error == ENOTDIR) return fail(WalkFailure::NotAFolder, shown);
            return fail(WalkFailure::Other, std::strerror(error));
        }
        if (S_ISLNK(info.st_mode)) {
            const std::string refused =
                Planted(walked.folder, shown, info.st_uid, "the symbolic link " + Joined(shown, name));
            if (!refused.empty())
                return fail(WalkFailure::PlantedLink,
                            refused + ": it is not followed (the rule of Linux's fs.protected_symlinks)");
            if (++links > MostLinks) return fail(WalkFailure::TooManyLinks, std::strerror(ELOOP));
            std::string target(PATH_MAX, '\0');
            const ssize_t length = LabFileCalls.readlinkat(walked.folder, name.c_str(), target.data(), target.size());
            if (length < 0) return fail(WalkFailure::Other, std::strerror(errno));
            if (static_cast<size_t>(length) >= target.size()) return fail(WalkFailure::Other, std::strerror(ENAMETOOLONG));
            target.resize(static_cast<size_t>(length));
            if (target.empty()) return fail(WalkFailure::Other, std::strerror(ENOENT));
            if (target[0] == '/') {
                if (!root("/")) return fail(WalkFailure::Other, std::strerror(errno));
                shown = "/";
            }
            const std::deque<std::string> more = Names(target);
            if (last && target.back() == '/') walked.namesFolder = true;
            names.insert(names.begin(), more.begin(), more.end());
            if (names.empty()) isFolder();  // a link to "/"
            continue;
        }
        if (last) {
            walked.name = name;
            walked.exists = true;
            walked.info = info;
            break;
        }
        if (!S_ISDIR(info.st_mode)) return fail(WalkFailure::NotAFolder, Joined(shown, name));
        const int next = LabFileCalls.openat(walked.folder, name.c_str(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC, 0);
        if (next < 0) return fail(WalkFailure::Other, std::strerror(errno));
        LabFileCalls.close(walked.folder);
        walked.folder = next;
        shown = Joined(shown, name);
    }
    if (walked.namesFolder && walked.exists && !S_ISDIR(walked.info.st_mode))
        return fail(WalkFailure::NotAFolder, Joined(shown, walked.name));
    walked.folderText = shown.empty() ? "." : shown;
    return walked;
}

std::string PlantedSpecialFile(const WalkedPath& walked) {
    if (!walked.exists || !S_ISFIFO(walked.info.st_mode)) return "";
    const std::string refused = Planted(walked.folder, walked.folderText, walked.info.st_uid,
                                        "the FIFO " + Joined(walked.folderText, walked.name));
    return refused.empty() ? "" : refused + ": it is not written to (the rule of Linux's fs.protected_fifos)";
}

}  // namespace lab
