// shared_parts.h - runs the independent parts of a phase on the calling
// thread and one more, each taking the next part not yet taken as soon as it
// is free (so that a thread slowed down by other programs takes fewer), and
// returns when all parts are done. Should no thread be had, the calling
// thread does every part. The parts touch different data, so the result is
// the same however they are shared out.
#pragma once

#include <atomic>
#include <system_error>
#include <thread>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

// Starts `worker` on one more thread, runs it on the calling one too, and
// waits for both.
template <typename Worker>
void RunOnTwoThreads(Worker worker) {
    std::thread other;
    try {
        other = std::thread(worker);
    } catch (const std::system_error&) {}
    worker();
    if (other.joinable()) other.join();
}

template <typename Work>
void RunSharedParts(int count, Work work) {
    std::atomic<int> next{0};
    RunOnTwoThreads([&next, count, &work] {
        for (int part = next.fetch_add(1); part < count; part = next.fetch_add(1)) work(part);
    });
}

// One round of waiting on the spot: a hint to the processor that this
// thread spins.
inline void PauseBriefly() {
#if defined(__SSE2__)
    _mm_pause();
#endif
}

// Runs `first` on the calling thread and `second` on one more, which may
// wait for each other, and returns when both are done; should no thread be
// had, runs `alone` instead.
template <typename First, typename Second, typename Alone>
void RunTwoRoles(First first, Second second, Alone alone) {
    std::thread other;
    try {
        other = std::thread(second);
    } catch (const std::system_error&) {
        return alone();
    }
    first();
    other.join();
}
