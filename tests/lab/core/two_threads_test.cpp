// two_threads_test.cpp - SplitInTwo hands every index to exactly one call,
// for any count, when its work splits again, and when several threads split
// at once (the helper busy with one caller, the others do all themselves).
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "lab/core/two_threads.h"

namespace {

// How many times each index of [0, count) was handed out, nested splits
// (of each half again) included when `nested`.
std::vector<int> Coverage(int count, bool nested) {
    std::vector<std::atomic<int>> seen(count);
    lab::SplitInTwo(count, [&](int first, int last) {
        if (!nested) {
            for (int i = first; i < last; ++i) ++seen[i];
            return;
        }
        lab::SplitInTwo(last - first, [&](int a, int b) {
            for (int i = first + a; i < first + b; ++i) ++seen[i];
        });
    });
    return std::vector<int>(seen.begin(), seen.end());
}

TEST(TwoThreads, EveryIndexOnceWhateverTheCallers) {
    for (int count : {0, 1, 2, 7, 1000}) {
        for (bool nested : {false, true}) {
            EXPECT_EQ(Coverage(count, nested), std::vector<int>(count, 1)) << count << (nested ? " nested" : "");
        }
    }
    std::atomic<int> wrong{0};
    std::vector<std::thread> callers;
    for (int t = 0; t < 3; ++t) {
        callers.emplace_back([&] {
            for (int round = 0; round < 300; ++round)
                wrong += Coverage(100, round % 2 == 1) != std::vector<int>(100, 1);
        });
    }
    for (std::thread& caller : callers) caller.join();
    EXPECT_EQ(wrong, 0);
}

}  // namespace
