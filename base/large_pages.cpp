// large_pages.cpp - the large-page advice, through madvise.
#include "base/large_pages.h"

#include <cstdint>

#include <sys/mman.h>

int PreferLargePages(void* start, size_t bytes) {
    // The large page of x86-64 (a page-middle-directory entry).
    constexpr uintptr_t LargePage = uintptr_t{2} << 20;
    const uintptr_t begin = (reinterpret_cast<uintptr_t>(start) + LargePage - 1) & ~(LargePage - 1);
    const uintptr_t end = (reinterpret_cast<uintptr_t>(start) + bytes) & ~(LargePage - 1);
    if (end <= begin) return 0;
#if defined(MADV_HUGEPAGE)
    return madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE) == 0 ? 1 : 0;
#else
    return 0;
#endif
}
