// The large-page advice.
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>

#include <sys/mman.h>

#include <gtest/gtest.h>

#include "base/large_pages.h"

namespace {

// The large-page advice covers the whole 2 MB pages of the range only, is
// recorded by the system for them (the "hg" flag of their mapping), and
// leaves the memory's contents as they were.
TEST(KernelMemory, LargePagesAreAskedForTheWholePagesOfARange) {
    constexpr size_t LargePage = size_t{2} << 20;
    void* mapped = mmap(nullptr, 4 * LargePage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    ASSERT_NE(mapped, MAP_FAILED);
    char* aligned = reinterpret_cast<char*>((reinterpret_cast<uintptr_t>(mapped) + LargePage - 1) & ~(LargePage - 1));
    memset(aligned, 7, LargePage / 2);

    EXPECT_EQ(PreferLargePages(aligned + 1, LargePage), 0);  // no whole page inside

    // The answer depends on the system; the record and the contents do not
    // when it says yes.
    if (PreferLargePages(aligned + 1, 2 * LargePage) == 1) {
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

}  // namespace
