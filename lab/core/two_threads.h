// two_threads.h - the lab's numerics use both cores of a small machine by
// splitting independent work in two: every index is computed the same way
// whichever thread takes it, so results never depend on the thread count.
#pragma once

#include <functional>

namespace lab {

// Runs work(first, last) over [0, count): the upper half on a second thread
// when one can be had, the lower half (or everything) on this one.
void SplitInTwo(int count, const std::function<void(int first, int last)>& work);

}  // namespace lab
