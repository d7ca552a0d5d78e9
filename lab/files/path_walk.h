// path_walk.h - a path followed one name at a time, as the kernel follows
// it, to the folder that holds the file it names, with the rule of Linux's
// fs.protected_symlinks applied whatever the system's setting: a symbolic
// link in a sticky folder that everyone may write to (such as /tmp) is
// followed only when its owner is the caller or the folder's owner. Another
// user could otherwise plant one there that makes the lab, run by root or
// by the victim, replace or read a file of that user's choosing.
//
// The result holds the folder open, so that whatever is renamed after the
// walk, later calls (the *at calls of file_calls.h) reach the same folder.
#pragma once

#include <string>
#include <sys/stat.h>

namespace lab {

enum class WalkFailure {
    None,
    MissingFolder,   // a folder on the way does not exist: `reason` is its path
    NotAFolder,      // a name on the way is a file, not a folder: `reason` is its path
    PlantedLink,     // a link the rule above does not follow: `reason` says which
    TooManyLinks,    // more than 40 links followed (a loop)
    Other,           // a system call failed: `reason` says why (errno's text)
};

class WalkedPath {
public:
    WalkedPath() = default;
    ~WalkedPath();
    WalkedPath(WalkedPath&& other) noexcept;
    WalkedPath& operator=(WalkedPath&& other) noexcept;
    WalkedPath(const WalkedPath&) = delete;
    WalkedPath& operator=(const WalkedPath&) = delete;

    WalkFailure failure = WalkFailure::None;
    std::string reason;  // for PlantedLink, TooManyLinks and Other

    int folder = -1;     // the folder holding the file (O_PATH), while no failure
    std::string name;    // its name there: never a symbolic link ("." for a folder itself)
    bool exists = false;
    struct stat info {};  // when it exists
    bool namesFolder = false;  // the path ends in "/", "." or "..": it names a folder
    std::string folderText;    // the folder in words, for messages
};

// Follows every symbolic link on the way, the last name's too. No failure is
// thrown: the caller words it.
WalkedPath WalkPath(const std::string& path);

// The same rule for a FIFO that is to be written to: one in a sticky folder
// everyone may write to, owned by neither the caller nor the folder's owner,
// is refused (the kernel's fs.protected_fifos). Returns why, or "".
std::string PlantedSpecialFile(const WalkedPath& walked);

}  // namespace lab
