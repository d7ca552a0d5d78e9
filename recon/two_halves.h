// two_halves.h - runs two independent halves of a phase side by side, the
// second on a thread of its own, and returns when both are done. Should no
// thread be had, the halves run one after the other: the result is the
// same either way, since the halves touch different data.
#pragma once

#include <system_error>
#include <thread>

template <typename First, typename Second>
void RunHalves(First first, Second second) {
    std::thread other;
    try {
        other = std::thread(second);
    } catch (const std::system_error&) {
        first();
        second();
        return;
    }
    first();
    other.join();
}
