// shared_parts.h - two threads that share a phase's work: the calling
// thread and one more, each with a part of its own, which may wait for each
// other; should no thread be had, the calling thread does all the work.
#pragma once

#include <system_error>
#include <thread>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

// One round of waiting on the spot: a hint to the processor that this
// thread spins.
inline void PauseBriefly() {
#if defined(__SSE2__)
    _mm_pause();
#endif
}

// Whether a second thread is started at all; the tests turn it off to see
// the work done as it is when no thread is had.
inline bool SecondThreadAllowed = true;

// Runs `first` on the calling thread and `second` on one more, and returns
// when both are done; should no thread be had, runs `alone` instead.
template <typename First, typename Second, typename Alone>
void RunTwoRoles(First first, Second second, Alone alone) {
    if (!SecondThreadAllowed) return alone();
    std::thread other;
    try {
        other = std::thread(second);
    } catch (const std::system_error&) {
        return alone();
    }
    first();
    other.join();
}
