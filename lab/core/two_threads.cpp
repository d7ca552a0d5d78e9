// two_threads.cpp - the second thread is started once and then waits for
// work: starting a thread for every split costs more than the small splits
// of an iterative reconstruction take. Waking a sleeping thread takes tens
// of microseconds too, so either side first watches for a while before it
// sleeps. One caller at a time hands the helper work; a caller that finds
// it busy (another caller's, or its own work splitting again) does
// everything itself, which gives the same results.
#include "lab/core/two_threads.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <system_error>
#include <thread>
#include <unistd.h>

namespace lab {

namespace {

using Work = std::function<void(int, int)>;

// How long a side watches before it sleeps: longer than the gap between two
// splits of a reconstruction or than two halves' difference, short enough
// to cost little where the other thread has no core to run on.
constexpr std::chrono::microseconds Watch(200);

class HelperThread {
public:
    ~HelperThread() {
        if (!thread_.joinable() || owner_ != getpid()) return;
        quit_ = true;
        Notify();
        thread_.join();
    }

    // Runs work(first, last) on the helper; false when it is busy or cannot
    // be started. Each true must be followed by Wait().
    bool Start(const Work& work, int first, int last) {
        // A process forked from the owner has no helper thread.
        if (owner_ != 0 && owner_ != getpid()) return false;
        bool taken = false;
        if (!taken_.compare_exchange_strong(taken, true)) return false;
        if (!thread_.joinable()) {
            try {
                thread_ = std::thread([this] { Serve(); });
                owner_ = getpid();
            } catch (const std::system_error&) {
                taken_ = false;
                return false;
            }
        }
        first_ = first, last_ = last;
        work_ = &work;
        Notify();
        return true;
    }

    void Wait() {
        Await([this] { return work_ == nullptr; });
        taken_ = false;
    }

private:
    void Serve() {
        for (;;) {
            Await([this] { return work_ != nullptr || quit_; });
            if (quit_) return;
            (*work_)(first_, last_);
            work_ = nullptr;
            Notify();
        }
    }

    template <class Ready>
    void Await(const Ready& ready) {
        const auto until = std::chrono::steady_clock::now() + Watch;
        for (int i = 1;; ++i) {
            if (ready()) return;
            if (i % 16 == 0 && std::chrono::steady_clock::now() > until) break;
            // Lets the other thread run first where both share a core.
            std::this_thread::yield();
        }
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait(lock, ready);
    }

    // After a change of work_ or quit_: the mutex orders the change before
    // a sleeper's last look.
    void Notify() {
        { std::lock_guard<std::mutex> lock(mutex_); }
        changed_.notify_all();
    }

    std::mutex mutex_;
    std::condition_variable changed_;
    std::atomic<const Work*> work_{nullptr};  // while the helper has work
    int first_ = 0, last_ = 0;                // written before work_, read after
    std::atomic<bool> taken_{false};          // from Start to Wait
    std::atomic<bool> quit_{false};
    std::atomic<pid_t> owner_{0};  // the process that started the helper
    std::thread thread_;
};

HelperThread& Helper() {
    static HelperThread helper;
    return helper;
}

}  // namespace

void SplitInTwo(int count, const Work& work) {
    const int half = count / 2;
    if (half == 0 || !Helper().Start(work, half, count)) return work(0, count);
    try {
        work(0, half);
    } catch (...) {
        Helper().Wait();  // the helper's half still refers to the work
        throw;
    }
    Helper().Wait();
}

}  // namespace lab
