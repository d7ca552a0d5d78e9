// Global memory handles, the string copy and the large-page advice.
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>

#include <sys/mman.h>

#include <gtest/gtest.h>

#include "platform/platform.h"
#include "platform/win32.h"

namespace {

TEST(KernelMemory, FixedBlocksAreTheirOwnHandle) {
    HGLOBAL fixed = GlobalAlloc(GMEM_FIXED | GMEM_ZEROINIT, 60);
    ASSERT_NE(fixed, nullptr);
    auto* bytes = static_cast<unsigned char*>(GlobalLock(fixed));
    EXPECT_EQ(static_cast<void*>(bytes), static_cast<void*>(fixed));
    for (int i = 0; i < 60; ++i) EXPECT_EQ(bytes[i], 0);
    EXPECT_EQ(GlobalHandle(bytes), fixed);
    EXPECT_EQ(GlobalFree(fixed), nullptr);
    // Freed: no longer known, a second free fails by returning the handle.
    EXPECT_EQ(GlobalHandle(bytes), nullptr);
    EXPECT_EQ(GlobalFree(fixed), fixed);
    int local = 0;
    EXPECT_EQ(GlobalLock(reinterpret_cast<HGLOBAL>(&local)), nullptr);
}

TEST(KernelMemory, MoveableBlocksLockToTheirMemory) {
    HGLOBAL handle = GlobalAlloc(GHND, 40);
    ASSERT_NE(handle, nullptr);
    void* first = GlobalLock(handle);
    ASSERT_NE(first, nullptr);
    EXPECT_NE(first, static_cast<void*>(handle));
    EXPECT_EQ(GlobalLock(handle), first);
    EXPECT_EQ(GlobalHandle(first), handle);
    EXPECT_TRUE(GlobalUnlock(handle));   // still locked once
    EXPECT_FALSE(GlobalUnlock(handle));  // unlocked
    memset(first, 0xAB, 40);
    EXPECT_EQ(GlobalFree(GlobalHandle(first)), nullptr);
    EXPECT_EQ(GlobalLock(handle), nullptr);
}

TEST(KernelStrings, LstrcpyCopiesWithTheTerminator) {
    char face[32];
    memset(face, 'x', sizeof(face));
    EXPECT_EQ(lstrcpyA(face, "\x95\x57\x8F\x80"), face);
    EXPECT_EQ(memcmp(face, "\x95\x57\x8F\x80", 5), 0);
    EXPECT_EQ(face[5], 'x');
}

}  // namespace

// The large-page advice covers the whole 2 MB pages of the range only, is
// recorded by the system for them (the "hg" flag of their mapping), and
// leaves the memory's contents as they were.
TEST(KernelMemory, LargePagesAreAskedForTheWholePagesOfARange) {
    constexpr size_t LargePage = size_t{2} << 20;
    void* mapped = mmap(nullptr, 4 * LargePage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    ASSERT_NE(mapped, MAP_FAILED);
    char* aligned = reinterpret_cast<char*>((reinterpret_cast<uintptr_t>(mapped) + LargePage - 1) & ~(LargePage - 1));
    memset(aligned, 7, LargePage / 2);

    EXPECT_EQ(PlatformPreferLargePages(aligned + 1, LargePage), 0);  // no whole page inside

    // The answer depends on the system; the record and the contents do not
    // when it says yes.
    if (PlatformPreferLargePages(aligned + 1, 2 * LargePage) == 1) {
        std::ifstream maps("/proc/self/smaps");
        std::string line, flags;
        bool inside = false;
        while (std::getline(maps, line)) {
            unsigned long begin = 0, end = 0;
            if (sscanf(line.c_str(), "%lx-%lx ", &begin, &end) == 2) {
                const uintptr_t page = reinterpret_cast<uintptr_t>(aligned) + LargePage;
                inside = begin <= page && page < end;
            } else if (inside && line.rfind("VmFlags:", 0) == 0) {
                flags = line;
            }
        }
        EXPECT_NE(flags.find(" hg"), std::string::npos) << flags;
    }
    EXPECT_EQ(aligned[0], 7);
    EXPECT_EQ(aligned[LargePage / 2 - 1], 7);
    EXPECT_EQ(aligned[LargePage + 5], 0);
    munmap(mapped, 4 * LargePage);
}
