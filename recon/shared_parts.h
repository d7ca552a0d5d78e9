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

// The same for phases made of steps that follow one another: the parts of
// one step are independent, and a step begins only when every part of the
// steps before it is done. work(step, part) for part 0..partCount(step) - 1.
// A thread that takes the first parts of a step while the other still works
// on the step before waits for it, first briefly on the spot, then giving
// the processor to other programs.
template <typename PartCount, typename Work>
void RunSharedSteps(int stepCount, PartCount partCount, Work work) {
    std::atomic<int> next{0};  // tickets: the parts of step 0, then of step 1, ...
    std::atomic<int> done{0};  // parts finished
    RunOnTwoThreads([&] {
        int step = 0, stepBegin = 0, stepEnd = partCount(0);
        for (int ticket = next.fetch_add(1);; ticket = next.fetch_add(1)) {
            while (ticket >= stepEnd) {
                if (++step == stepCount) return;
                stepBegin = stepEnd;
                stepEnd += partCount(step);
            }
            // No part of this step starts before every earlier part is done,
            // so `done` reaches stepBegin only once the earlier steps are.
            for (int spin = 0; done.load(std::memory_order_acquire) < stepBegin; ++spin) {
                if (spin < 2000) {
#if defined(__SSE2__)
                    _mm_pause();
#endif
                } else {
                    std::this_thread::yield();
                }
            }
            work(step, ticket - stepBegin);
            done.fetch_add(1, std::memory_order_acq_rel);
        }
    });
}
