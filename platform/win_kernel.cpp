// win_kernel.cpp - global memory, files, string copy.
//
// Implements: GlobalAlloc, GlobalLock, GlobalUnlock, GlobalHandle,
// GlobalFree, CreateFileA, WriteFile, CloseHandle, lstrcpyA.
//
// Supported behaviour:
// - GMEM_FIXED blocks: the handle is the memory address itself, as in Win32.
//   GMEM_MOVEABLE blocks: a separate handle whose GlobalLock gives the
//   address (the block never actually moves) and counts locks. GMEM_ZEROINIT
//   zero-fills. GlobalHandle maps an address back to its handle. Handles the
//   layer did not hand out are refused, also by GlobalFree.
// - CreateFileA: GENERIC_READ/GENERIC_WRITE, the five creation dispositions
//   with Win32's meaning (OPEN_ALWAYS keeps the content of an existing file;
//   only CREATE_ALWAYS and TRUNCATE_EXISTING empty it); a directory is
//   refused. The path is passed to the file system as its bytes.
// - WriteFile writes everything, retrying short writes; FALSE on failure.
//
// Not supported: sharing modes (ignored), security attributes, templates,
// overlapped I/O, ReadFile, GMEM_DISCARDABLE, GlobalReAlloc.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <set>

#include "platform/win32.h"

struct PlatformGlobal {
    void* memory;
    int locks;
};

struct PlatformFile {
    int fd;
};

namespace {

struct GlobalBlock {
    void* memory;
    bool moveable;
    PlatformGlobal* record;  // moveable blocks only
};

// Keyed by handle; `byAddress` maps memory addresses back to handles.
std::mutex g_memoryLock;
std::map<HGLOBAL, GlobalBlock> g_blocks;
std::map<void*, HGLOBAL> g_byAddress;

std::mutex g_fileLock;
std::set<HANDLE> g_files;

}  // namespace

HGLOBAL GlobalAlloc(UINT flags, SIZE_T bytes) {
    void* memory = (flags & GMEM_ZEROINIT) ? calloc(bytes ? bytes : 1, 1) : malloc(bytes ? bytes : 1);
    if (!memory) return nullptr;
    std::lock_guard<std::mutex> lock(g_memoryLock);
    HGLOBAL handle;
    GlobalBlock block{memory, (flags & GMEM_MOVEABLE) != 0, nullptr};
    if (block.moveable) {
        block.record = new PlatformGlobal{memory, 0};
        handle = block.record;
    } else {
        handle = static_cast<HGLOBAL>(memory);
    }
    g_blocks[handle] = block;
    g_byAddress[memory] = handle;
    return handle;
}

LPVOID GlobalLock(HGLOBAL mem) {
    std::lock_guard<std::mutex> lock(g_memoryLock);
    auto it = g_blocks.find(mem);
    if (it == g_blocks.end()) return nullptr;
    if (it->second.moveable) ++it->second.record->locks;
    return it->second.memory;
}

BOOL GlobalUnlock(HGLOBAL mem) {
    std::lock_guard<std::mutex> lock(g_memoryLock);
    auto it = g_blocks.find(mem);
    if (it == g_blocks.end() || !it->second.moveable) return FALSE;
    PlatformGlobal* record = it->second.record;
    if (record->locks > 0) --record->locks;
    return record->locks > 0 ? TRUE : FALSE;  // still locked
}

HGLOBAL GlobalHandle(LPCVOID pointer) {
    std::lock_guard<std::mutex> lock(g_memoryLock);
    auto it = g_byAddress.find(const_cast<void*>(pointer));
    return it == g_byAddress.end() ? nullptr : it->second;
}

HGLOBAL GlobalFree(HGLOBAL mem) {
    if (!mem) return nullptr;
    std::lock_guard<std::mutex> lock(g_memoryLock);
    auto it = g_blocks.find(mem);
    if (it == g_blocks.end()) return mem;  // failure: the handle comes back
    g_byAddress.erase(it->second.memory);
    free(it->second.memory);
    delete it->second.record;
    g_blocks.erase(it);
    return nullptr;
}

HANDLE CreateFileA(LPCSTR path, DWORD access, DWORD, void*, DWORD disposition, DWORD, HANDLE) {
    if (!path || !*path) return INVALID_HANDLE_VALUE;
    int flags = O_CLOEXEC;
    bool read = (access & GENERIC_READ) != 0;
    bool write = (access & GENERIC_WRITE) != 0;
    flags |= (read && write) ? O_RDWR : write ? O_WRONLY : O_RDONLY;
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
    int fd;
    do {
        fd = open(path, flags, 0666);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) return INVALID_HANDLE_VALUE;
    struct stat st;
    if (fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
        close(fd);
        return INVALID_HANDLE_VALUE;
    }
    HANDLE handle = new PlatformFile{fd};
    std::lock_guard<std::mutex> lock(g_fileLock);
    g_files.insert(handle);
    return handle;
}

BOOL WriteFile(HANDLE file, LPCVOID buffer, DWORD bytes, DWORD* written, void*) {
    if (written) *written = 0;
    int fd;
    {
        std::lock_guard<std::mutex> lock(g_fileLock);
        if (!g_files.count(file)) return FALSE;
        fd = file->fd;
    }
    if (!buffer && bytes) return FALSE;
    const char* p = static_cast<const char*>(buffer);
    DWORD done = 0;
    while (done < bytes) {
        ssize_t n = write(fd, p + done, bytes - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            if (written) *written = done;
            return FALSE;
        }
        if (n == 0) break;
        done += static_cast<DWORD>(n);
    }
    if (written) *written = done;
    return done == bytes ? TRUE : FALSE;
}

BOOL CloseHandle(HANDLE object) {
    int fd;
    {
        std::lock_guard<std::mutex> lock(g_fileLock);
        if (!g_files.erase(object)) return FALSE;
        fd = object->fd;
    }
    delete object;
    return close(fd) == 0 ? TRUE : FALSE;
}

LPSTR lstrcpyA(LPSTR dst, LPCSTR src) {
    if (!dst || !src) return nullptr;
    return strcpy(dst, src);
}
