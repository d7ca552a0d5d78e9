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

template <typename Work>
void RunSharedParts(int count, Work work) {
    std::atomic<int> next{0};
    auto worker = [&next, count, &work] {
        for (int part = next.fetch_add(1); part < count; part = next.fetch_add(1)) work(part);
    };
    std::thread other;
    try {
        other = std::thread(worker);
    } catch (const std::system_error&) {
    }
    worker();
    if (other.joinable()) other.join();
}
