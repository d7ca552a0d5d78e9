// win_kernel.cpp - global memory, string copy (files: win_files.cpp).
//
// Implements: GlobalAlloc, GlobalLock, GlobalUnlock, GlobalHandle,
// GlobalFree, lstrcpyA.
//
// Supported behaviour:
// - GMEM_FIXED blocks: the handle is the memory address itself, as in Win32.
//   GMEM_MOVEABLE blocks: a separate handle whose GlobalLock gives the
//   address (the block never actually moves) and counts locks. GMEM_ZEROINIT
//   zero-fills. GlobalHandle maps an address back to its handle. Handles the
//   layer did not hand out are refused, also by GlobalFree.
// Not supported: GMEM_DISCARDABLE, GlobalReAlloc.

#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>

#include "platform/win32.h"

struct PlatformGlobal {
    void* memory;
    int locks;
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

LPSTR lstrcpyA(LPSTR dst, LPCSTR src) {
    if (!dst || !src) return nullptr;
    return strcpy(dst, src);
}
