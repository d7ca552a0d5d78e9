// safe_save.cpp - replacing a file through a temporary file in the same
// folder. A save that is interrupted (a full disk, a failed write, the
// program ended by a signal or a crash) leaves the destination with its
// complete old content; the rename that puts the new file in place is the
// one step that changes it, and it changes it whole.
//
// Temporary files are named by GetTempFileNameA: "~sn" and four hex digits,
// ".TMP", a name it reserves by creating the file, so that no file that was
// there before is ever taken for one. A save removes only the temporary file
// it made itself; nothing is ever removed by its name's pattern, since a
// user's own file may match it. So a save that never finished (the program
// killed or crashed) leaves its temporary file behind, with the complete old
// file beside it. A running save holds its file open exclusively.
#include "shared/safe_save.h"

#include <cstring>
#include <string>

#include "shared/file_dialogs.h"

namespace {

const char TemporaryPrefix[] = "~sn";

// The folder part of a path, "." for a bare name.
std::string FolderOf(const std::string& path) {
    size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// Where the new content ends up: the destination itself, or the file it
// names when it is a link. False when it exists but is no plain file or
// is read-only.
bool FinalDestination(const char* path, std::string& target, bool& exists) {
    DWORD attributes = GetFileAttributesA(path);
    exists = attributes != INVALID_FILE_ATTRIBUTES;
    if (!exists) {
        target = path;
        return true;
    }
    // A folder, a named pipe or a device is never replaced by a file, and a
    // read-only file is not replaced either (it could not be overwritten).
    if (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE | FILE_ATTRIBUTE_READONLY)) return false;
    HANDLE probe = CreateFileA(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
    if (probe == INVALID_HANDLE_VALUE) return false;
    char final[FileNameBytes];
    DWORD length = GetFinalPathNameByHandleA(probe, final, sizeof final, FILE_NAME_NORMALIZED);
    bool plain = GetFileType(probe) == FILE_TYPE_DISK;
    CloseHandle(probe);
    if (!plain || length == 0 || length >= sizeof final) return false;
    target.assign(final, length);
    return true;
}

}  // namespace

bool WriteAllBytes(HANDLE file, const void* data, DWORD bytes) {
    DWORD written = 0;
    return WriteFile(file, data, bytes, &written, nullptr) && written == bytes;
}

SaveOutcome SaveFileSafely(const char* path, const std::function<bool(HANDLE file)>& writeContent) {
    std::string target;
    bool exists = false;
    if (!path || !*path || !FinalDestination(path, target, exists)) return SaveOutcome::OpenFailed;

    const std::string folder = FolderOf(target);
    char temporary[FileNameBytes + 16];
    if (folder.size() >= FileNameBytes || GetTempFileNameA(folder.c_str(), TemporaryPrefix, 0, temporary) == 0) {
        return SaveOutcome::OpenFailed;
    }
    // The empty file just made, held exclusively while it is written.
    HANDLE file = CreateFileA(temporary, GENERIC_WRITE, 0, nullptr, TRUNCATE_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        DeleteFileA(temporary);
        return SaveOutcome::OpenFailed;
    }
    bool good = writeContent(file) && FlushFileBuffers(file);
    if (!CloseHandle(file)) good = false;
    if (good) {
        good = exists ? ReplaceFileA(target.c_str(), temporary, nullptr, 0, nullptr, nullptr)
                      : MoveFileExA(temporary, target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
    }
    if (!good) {
        DeleteFileA(temporary);
        return SaveOutcome::WriteFailed;
    }
    return SaveOutcome::Saved;
}
