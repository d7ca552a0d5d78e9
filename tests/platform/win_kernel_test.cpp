// Global memory handles and the string copy.
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

