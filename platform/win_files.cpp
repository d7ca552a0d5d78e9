// win_files.cpp - files: handles, writing, flushing, what a path is,
// temporary files, replacing and deleting files, listing a folder.
//
// Implements: CreateFileA, WriteFile, FlushFileBuffers, CloseHandle,
// GetFileType, GetFileSize, GetFileAttributesA, GetFinalPathNameByHandleA,
// GetTempFileNameA, MoveFileExA, ReplaceFileA, DeleteFileA, FindFirstFileA,
// FindNextFileA, FindClose.
//
// Supported behaviour:
// - Every system call goes through PlatformOsCalls (os_calls.h), so that
//   tests can make any of them fail.
// - CreateFileA: GENERIC_READ/GENERIC_WRITE, or no access at all (a handle
//   only for asking what the file is; OPEN_EXISTING only), the five creation
//   dispositions with Win32's meaning (OPEN_ALWAYS keeps the content of an
//   existing file; only CREATE_ALWAYS and TRUNCATE_EXISTING empty it); a
//   folder is refused. Opening never waits: a named pipe or a device opens
//   without blocking (or fails at once, as a pipe without a reader does for
//   writing), so its kind can be asked with GetFileType. Share mode 0 on a
//   plain file is exclusive: while the handle is open, a second exclusive
//   open fails (without emptying the file) and so does DeleteFileA. The path
//   is passed to the file system as its bytes.
// - WriteFile writes everything, retrying short writes; FALSE on failure.
//   FlushFileBuffers waits until the data are on the disk.
// - GetFileType: FILE_TYPE_DISK for plain files, FILE_TYPE_PIPE for named
//   pipes and sockets, FILE_TYPE_CHAR for character and block devices.
//   GetFileAttributesA follows links: FILE_ATTRIBUTE_DIRECTORY for folders,
//   FILE_ATTRIBUTE_DEVICE for anything that is neither folder nor plain file,
//   FILE_ATTRIBUTE_READONLY for a plain file nobody may write, else
//   FILE_ATTRIBUTE_NORMAL.
// - GetFinalPathNameByHandleA: the file's path with every link resolved.
// - GetTempFileNameA creates "<folder>/<up to 3 prefix bytes><4 hex
//   digits>.TMP" (uUnique 0: the first free number); the destination needs
//   the folder's length plus 15 bytes.
// - MoveFileExA: MOVEFILE_REPLACE_EXISTING, MOVEFILE_WRITE_THROUGH (the
//   folder's entry reaches the disk before it returns); within one file
//   system only. ReplaceFileA follows a link to the file it names (which the
//   process must be allowed to write), gives the replacement that file's
//   permissions (and owner and group, where the process may set them), moves
//   it into that file's place and writes the folder through.
// - DeleteFileA refuses folders and files held open exclusively; a link is
//   deleted itself, not the file it names.
// - FindFirstFileA/FindNextFileA: names of one folder matching a pattern of
//   '*' and '?' (case-sensitive, as the file system); name, attributes and
//   size are filled in.
//
// Not supported: sharing modes other than 0, security attributes,
// templates, overlapped I/O, ReadFile, backup files of ReplaceFileA,
// moves across file systems, GetLastError.
#include <fcntl.h>
#include <fnmatch.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <mutex>
#include <set>
#include <string>

#include "platform/internal.h"
#include "platform/layer_state.h"
#include "platform/os_calls.h"
#include "platform/win32.h"

// An open file (fd) or a folder listing (folder, pattern).
struct PlatformFile {
    int fd;
    DIR* folder;
    std::string folderPath;
    std::string pattern;
};

namespace {

HANDLE Register(PlatformFile* file) {
    LayerState* bd = LayerData();
    std::lock_guard<std::mutex> lock(bd->fileLock);
    bd->files.insert(file);
    return file;
}

// The descriptor of a live file handle, or -1.
int DescriptorOf(HANDLE file) {
    LayerState* bd = LayerData();
    std::lock_guard<std::mutex> lock(bd->fileLock);
    if (!bd->files.count(file) || file->folder) return -1;
    return file->fd;
}

int OpenRetrying(const char* path, int flags, mode_t mode) {
    int fd;
    do {
        fd = PlatformOsCalls.open(path, flags, mode);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

// The folder part of a path ("." for a bare name).
std::string FolderOf(const std::string& path) {
    size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// Makes a folder's entries durable: a rename is on the disk only once the
// folder that holds it is.
bool SyncFolder(const std::string& folder) {
    int fd = OpenRetrying(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC, 0);
    if (fd < 0) return false;
    bool ok = PlatformOsCalls.fsync(fd) == 0;
    PlatformOsCalls.close(fd);
    return ok;
}

DWORD AttributesOf(const struct stat& info) {
    if (S_ISDIR(info.st_mode)) return FILE_ATTRIBUTE_DIRECTORY;
    if (!S_ISREG(info.st_mode)) return FILE_ATTRIBUTE_DEVICE;
    if ((info.st_mode & 0222) == 0) return FILE_ATTRIBUTE_READONLY;
    return FILE_ATTRIBUTE_NORMAL;
}

// Fills `data` from the next entry of the listing that matches; false at
// the end.
bool NextMatch(PlatformFile* listing, WIN32_FIND_DATAA* data) {
    while (struct dirent* entry = PlatformOsCalls.readdir(listing->folder)) {
        if (fnmatch(listing->pattern.c_str(), entry->d_name, FNM_PERIOD) != 0) continue;
        if (strlen(entry->d_name) + 1 > sizeof data->cFileName) continue;
        memset(data, 0, sizeof *data);
        strcpy(data->cFileName, entry->d_name);
        struct stat info;
        std::string path = listing->folderPath + "/" + entry->d_name;
        if (PlatformOsCalls.stat(path.c_str(), &info) == 0) {
            data->dwFileAttributes = AttributesOf(info);
            data->nFileSizeHigh = static_cast<DWORD>(static_cast<uint64_t>(info.st_size) >> 32);
            data->nFileSizeLow = static_cast<DWORD>(info.st_size);
        }
        return true;
    }
    return false;
}

}  // namespace

HANDLE CreateFileA(LPCSTR path, DWORD access, DWORD shareMode, void*, DWORD disposition, DWORD, HANDLE) {
    if (!path || !*path) return INVALID_HANDLE_VALUE;
    // Never wait in open: a named pipe would wait for its other end.
    int flags = O_CLOEXEC | O_NONBLOCK | O_NOCTTY;
    const bool read = (access & GENERIC_READ) != 0;
    const bool write = (access & GENERIC_WRITE) != 0;
    if (!read && !write) {
        if (disposition != OPEN_EXISTING) return INVALID_HANDLE_VALUE;
        flags = O_PATH | O_CLOEXEC;
    } else {
        flags |= (read && write) ? O_RDWR : write ? O_WRONLY : O_RDONLY;
    }
    switch (disposition) {
        case CREATE_NEW: flags |= O_CREAT | O_EXCL; break;
        case CREATE_ALWAYS: flags |= O_CREAT | O_TRUNC; break;
        case OPEN_EXISTING: break;
        case OPEN_ALWAYS: flags |= O_CREAT; break;
        case TRUNCATE_EXISTING:
            if (!write) return INVALID_HANDLE_VALUE;
            flags |= O_TRUNC;
            break;
        default: return INVALID_HANDLE_VALUE;
    }
    // An exclusive open empties the file only once it holds it: a file that
    // another handle holds exclusively is left as it is.
    const bool exclusive = shareMode == 0 && !(flags & O_PATH);
    const bool truncate = (flags & O_TRUNC) != 0;
    if (exclusive) flags &= ~O_TRUNC;
    int fd = OpenRetrying(path, flags, 0666);
    if (fd < 0) return INVALID_HANDLE_VALUE;
    struct stat info;
    bool usable = PlatformOsCalls.fstat(fd, &info) == 0 && !S_ISDIR(info.st_mode);
    if (usable && S_ISREG(info.st_mode) && !(flags & O_PATH)) {
        // Plain files are read and written as usual, waiting where needed.
        usable = PlatformOsCalls.setFileFlags(fd, 0) == 0;  // clears O_NONBLOCK
        if (usable && exclusive) usable = PlatformOsCalls.flock(fd, LOCK_EX | LOCK_NB) == 0;
        if (usable && exclusive && truncate) usable = PlatformOsCalls.ftruncate(fd, 0) == 0;
    }
    if (!usable) {
        PlatformOsCalls.close(fd);
        return INVALID_HANDLE_VALUE;
    }
    return Register(new PlatformFile{fd, nullptr, std::string(), std::string()});
}

BOOL WriteFile(HANDLE file, LPCVOID buffer, DWORD bytes, DWORD* written, void*) {
    if (written) *written = 0;
    int fd = DescriptorOf(file);
    if (fd < 0) return FALSE;
    if (!buffer && bytes) return FALSE;
    const char* p = static_cast<const char*>(buffer);
    DWORD done = 0;
    while (done < bytes) {
        ssize_t n = PlatformOsCalls.write(fd, p + done, bytes - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            break;
        }
        if (n == 0) break;
        done += static_cast<DWORD>(n);
    }
    if (written) *written = done;
    return done == bytes ? TRUE : FALSE;
}

BOOL FlushFileBuffers(HANDLE file) {
    int fd = DescriptorOf(file);
    if (fd < 0) return FALSE;
    return PlatformOsCalls.fsync(fd) == 0 ? TRUE : FALSE;
}

BOOL CloseHandle(HANDLE object) {
    LayerState* bd = LayerData();
    {
        std::lock_guard<std::mutex> lock(bd->fileLock);
        if (!bd->files.erase(object)) return FALSE;
    }
    bool ok = object->folder ? true : PlatformOsCalls.close(object->fd) == 0;
    if (object->folder) PlatformOsCalls.closedir(object->folder);
    delete object;
    return ok ? TRUE : FALSE;
}

DWORD GetFileType(HANDLE file) {
    int fd = DescriptorOf(file);
    struct stat info;
    if (fd < 0 || PlatformOsCalls.fstat(fd, &info) != 0) return FILE_TYPE_UNKNOWN;
    if (S_ISREG(info.st_mode)) return FILE_TYPE_DISK;
    if (S_ISFIFO(info.st_mode) || S_ISSOCK(info.st_mode)) return FILE_TYPE_PIPE;
    if (S_ISCHR(info.st_mode) || S_ISBLK(info.st_mode)) return FILE_TYPE_CHAR;
    return FILE_TYPE_UNKNOWN;
}

DWORD GetFileSize(HANDLE file, DWORD* high) {
    int fd = DescriptorOf(file);
    struct stat info;
    if (fd < 0 || PlatformOsCalls.fstat(fd, &info) != 0) return INVALID_FILE_SIZE;
    const uint64_t size = static_cast<uint64_t>(info.st_size);
    if (high) *high = static_cast<DWORD>(size >> 32);
    return static_cast<DWORD>(size);
}

DWORD GetFileAttributesA(LPCSTR path) {
    struct stat info;
    if (!path || !*path || PlatformOsCalls.stat(path, &info) != 0) return INVALID_FILE_ATTRIBUTES;
    return AttributesOf(info);
}

DWORD GetFinalPathNameByHandleA(HANDLE file, LPSTR buffer, DWORD size, DWORD) {
    int fd = DescriptorOf(file);
    if (fd < 0) return 0;
    char link[64];
    snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
    char resolved[PATH_MAX + 1];
    ssize_t length = PlatformOsCalls.readlink(link, resolved, sizeof resolved);
    if (length <= 0 || length >= static_cast<ssize_t>(sizeof resolved)) return 0;
    // Too small: the size needed, terminating zero included, as Win32 says.
    if (!buffer || static_cast<DWORD>(length) + 1 > size) return static_cast<DWORD>(length) + 1;
    memcpy(buffer, resolved, static_cast<size_t>(length));
    buffer[length] = 0;
    return static_cast<DWORD>(length);
}

UINT GetTempFileNameA(LPCSTR folder, LPCSTR prefix, UINT unique, LPSTR tempFileName) {
    if (!folder || !*folder || !tempFileName) return 0;
    std::string base = folder;
    if (base.back() != '/') base += '/';
    base.append(prefix ? prefix : "", prefix ? strnlen(prefix, 3) : 0);
    auto compose = [&](UINT number) {
        char hex[16];
        snprintf(hex, sizeof hex, "%04X.TMP", number & 0xFFFF);
        return base + hex;
    };
    if (unique != 0) {
        strcpy(tempFileName, compose(unique).c_str());
        return unique & 0xFFFF;
    }
    // The first free number from a starting point that differs between
    // processes and moments; creating the file reserves the name.
    UINT start = static_cast<UINT>(getpid() ^ time(nullptr)) & 0xFFFF;
    for (UINT k = 0; k < 0x10000; ++k) {
        UINT number = (start + k) & 0xFFFF;
        if (number == 0) continue;
        std::string name = compose(number);
        int fd = OpenRetrying(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            PlatformOsCalls.close(fd);
            strcpy(tempFileName, name.c_str());
            return number;
        }
        if (errno != EEXIST) return 0;
    }
    return 0;
}

BOOL MoveFileExA(LPCSTR from, LPCSTR to, DWORD flags) {
    if (!from || !*from || !to || !*to) return FALSE;
    struct stat info;
    if (PlatformOsCalls.stat(to, &info) == 0) {
        if (!(flags & MOVEFILE_REPLACE_EXISTING) || S_ISDIR(info.st_mode)) return FALSE;
    }
    if (PlatformOsCalls.rename(from, to) != 0) return FALSE;
    if ((flags & MOVEFILE_WRITE_THROUGH) && !SyncFolder(FolderOf(to))) return FALSE;
    return TRUE;
}

BOOL ReplaceFileA(LPCSTR replaced, LPCSTR replacement, LPCSTR backup, DWORD, void*, void*) {
    if (!replaced || !replacement || backup) return FALSE;
    char target[PATH_MAX];
    struct stat info;
    if (!PlatformOsCalls.realpath(replaced, target) || PlatformOsCalls.stat(target, &info) != 0 ||
        !S_ISREG(info.st_mode)) {
        return FALSE;
    }
    // As in Win32, the replaced file must be one the process may write.
    int replacedFd = OpenRetrying(target, O_WRONLY | O_NONBLOCK | O_CLOEXEC, 0);
    if (replacedFd < 0) return FALSE;
    PlatformOsCalls.close(replacedFd);
    int fd = OpenRetrying(replacement, O_RDONLY | O_NOFOLLOW | O_CLOEXEC, 0);
    if (fd < 0) return FALSE;
    bool ok = PlatformOsCalls.fchmod(fd, info.st_mode & 07777) == 0;
    struct stat own;
    if (ok && PlatformOsCalls.fstat(fd, &own) == 0 && (own.st_uid != info.st_uid || own.st_gid != info.st_gid)) {
        // Only a privileged process may give a file away; others keep it.
        PlatformOsCalls.fchown(fd, info.st_uid, info.st_gid);
        PlatformOsCalls.fchmod(fd, info.st_mode & 07777);  // a change of owner clears set-id bits
    }
    PlatformOsCalls.close(fd);
    if (!ok || PlatformOsCalls.rename(replacement, target) != 0) return FALSE;
    return SyncFolder(FolderOf(target)) ? TRUE : FALSE;
}

BOOL DeleteFileA(LPCSTR path) {
    if (!path || !*path) return FALSE;
    // Looked at without opening it for reading (a device would notice) and
    // without following a link: a link is deleted itself.
    int fd = OpenRetrying(path, O_PATH | O_NOFOLLOW | O_CLOEXEC, 0);
    if (fd < 0) return FALSE;
    struct stat info;
    bool deletable = PlatformOsCalls.fstat(fd, &info) == 0 && !S_ISDIR(info.st_mode);
    PlatformOsCalls.close(fd);
    if (!deletable) return FALSE;
    if (!S_ISREG(info.st_mode)) return PlatformOsCalls.unlink(path) == 0 ? TRUE : FALSE;
    // A file held open exclusively stays (Win32: a sharing violation).
    int held = OpenRetrying(path, O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC, 0);
    if (held >= 0 && PlatformOsCalls.flock(held, LOCK_EX | LOCK_NB) != 0) {
        PlatformOsCalls.close(held);
        return FALSE;
    }
    bool ok = PlatformOsCalls.unlink(path) == 0;
    if (held >= 0) PlatformOsCalls.close(held);
    return ok ? TRUE : FALSE;
}

HANDLE FindFirstFileA(LPCSTR pattern, WIN32_FIND_DATAA* data) {
    if (!pattern || !*pattern || !data) return INVALID_HANDLE_VALUE;
    std::string whole = pattern;
    size_t slash = whole.find_last_of('/');
    std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : whole.substr(0, slash);
    DIR* listing = PlatformOsCalls.opendir(folder.c_str());
    if (!listing) return INVALID_HANDLE_VALUE;
    auto* file = new PlatformFile{-1, listing, folder, slash == std::string::npos ? whole : whole.substr(slash + 1)};
    if (!NextMatch(file, data)) {
        PlatformOsCalls.closedir(listing);
        delete file;
        return INVALID_HANDLE_VALUE;
    }
    return Register(file);
}

BOOL FindNextFileA(HANDLE find, WIN32_FIND_DATAA* data) {
    LayerState* bd = LayerData();
    {
        std::lock_guard<std::mutex> lock(bd->fileLock);
        if (!bd->files.count(find) || !find->folder) return FALSE;
    }
    return data && NextMatch(find, data) ? TRUE : FALSE;
}

BOOL FindClose(HANDLE find) {
    LayerState* bd = LayerData();
    {
        std::lock_guard<std::mutex> lock(bd->fileLock);
        if (!bd->files.count(find) || !find->folder) return FALSE;
    }
    return CloseHandle(find);
}

void PlatformForgetAllFiles() {
    LayerState* bd = LayerData();
    std::set<HANDLE> files;
    {
        std::lock_guard<std::mutex> lock(bd->fileLock);
        files = bd->files;
    }
    for (HANDLE file : files) CloseHandle(file);  // folder listings too
}
