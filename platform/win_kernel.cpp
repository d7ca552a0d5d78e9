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

#include <sys/mman.h>

#include "platform/internal.h"
#include "platform/layer_state.h"
#include "platform/win32.h"

struct PlatformGlobal {
    void* memory;
    int locks;
};

HGLOBAL GlobalAlloc(UINT flags, SIZE_T bytes) {
    LayerState* bd = LayerData();
    void* memory = (flags & GMEM_ZEROINIT) ? calloc(bytes ? bytes : 1, 1) : malloc(bytes ? bytes : 1);
    if (!memory) return nullptr;
    std::lock_guard<std::mutex> lock(bd->memoryLock);
    HGLOBAL handle;
    GlobalBlock block{memory, (flags & GMEM_MOVEABLE) != 0, nullptr};
    if (block.moveable) {
        block.record = new PlatformGlobal{memory, 0};
        handle = block.record;
    } else {
        handle = static_cast<HGLOBAL>(memory);
    }
    bd->blocks[handle] = block;
    bd->byAddress[memory] = handle;
    return handle;
}

LPVOID GlobalLock(HGLOBAL mem) {
    LayerState* bd = LayerData();
    std::lock_guard<std::mutex> lock(bd->memoryLock);
    auto it = bd->blocks.find(mem);
    if (it == bd->blocks.end()) return nullptr;
    if (it->second.moveable) ++it->second.record->locks;
    return it->second.memory;
}

BOOL GlobalUnlock(HGLOBAL mem) {
    LayerState* bd = LayerData();
    std::lock_guard<std::mutex> lock(bd->memoryLock);
    auto it = bd->blocks.find(mem);
    if (it == bd->blocks.end() || !it->second.moveable) return FALSE;
    PlatformGlobal* record = it->second.record;
    if (record->locks > 0) --record->locks;
    return record->locks > 0 ? TRUE : FALSE;  // still locked
}

HGLOBAL GlobalHandle(LPCVOID pointer) {
    LayerState* bd = LayerData();
    std::lock_guard<std::mutex> lock(bd->memoryLock);
    auto it = bd->byAddress.find(const_cast<void*>(pointer));
    return it == bd->byAddress.end() ? nullptr : it->second;
}

HGLOBAL GlobalFree(HGLOBAL mem) {
    LayerState* bd = LayerData();
    if (!mem) return nullptr;
    std::lock_guard<std::mutex> lock(bd->memoryLock);
    auto it = bd->blocks.find(mem);
    if (it == bd->blocks.end()) return mem;  // failure: the handle comes back
    bd->byAddress.erase(it->second.memory);
    free(it->second.memory);
    delete it->second.record;
    bd->blocks.erase(it);
    return nullptr;
}

LPSTR lstrcpyA(LPSTR dst, LPCSTR src) {
    if (!dst || !src) return nullptr;
    return strcpy(dst, src);
}

void PlatformForgetAllGlobalMemory() {
    LayerState* bd = LayerData();
    std::map<HGLOBAL, GlobalBlock> blocks;
    {
        std::lock_guard<std::mutex> lock(bd->memoryLock);
        blocks.swap(bd->blocks);
        bd->byAddress.clear();
    }
    for (auto& entry : blocks) {
        free(entry.second.memory);
        delete entry.second.record;
    }
}
