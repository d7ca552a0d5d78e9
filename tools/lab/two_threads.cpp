// two_threads.cpp - the second thread is started once and then waits for
// work: starting a thread for every split costs more than the small splits
// of an iterative reconstruction take. One caller at a time hands it work;
// a caller that finds it busy (another caller's, or its own work splitting
// again) does everything itself, which gives the same results.
#include "tools/lab/two_threads.h"

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <system_error>
#include <thread>
#include <unistd.h>

namespace lab {

namespace {

class HelperThread {
public:
    ~HelperThread() {
        if (!thread_.joinable() || owner_ != getpid()) return;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            quit_ = true;
        }
        changed_.notify_all();
        thread_.join();
    }

    // Runs work(first, last) on the helper; false when it is busy or cannot
    // be started. Each true must be followed by Wait().
    bool Start(const std::function<void(int, int)>& work, int first, int last) {
        // A process forked from the owner has no helper thread.
        if (owner_ != 0 && owner_ != getpid()) return false;
        std::lock_guard<std::mutex> lock(mutex_);
        if (taken_) return false;
        if (!thread_.joinable()) {
            try {
                thread_ = std::thread([this] { Serve(); });
                owner_ = getpid();
            } catch (const std::system_error&) {
                return false;
            }
        }
        taken_ = true;
        work_ = &work;
        first_ = first, last_ = last;
        changed_.notify_all();
        return true;
    }

    void Wait() {
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait(lock, [this] { return work_ == nullptr; });
        taken_ = false;
    }

private:
    void Serve() {
        std::unique_lock<std::mutex> lock(mutex_);
        for (;;) {
            changed_.wait(lock, [this] { return work_ != nullptr || quit_; });
            if (quit_) return;
            const std::function<void(int, int)>& work = *work_;
            const int first = first_, last = last_;
            lock.unlock();
            work(first, last);
            lock.lock();
            work_ = nullptr;
            changed_.notify_all();
        }
    }

    std::mutex mutex_;
    std::condition_variable changed_;
    const std::function<void(int, int)>* work_ = nullptr;  // while the helper has work
    int first_ = 0, last_ = 0;
    bool taken_ = false;  // from Start to Wait
    bool quit_ = false;
    std::atomic<pid_t> owner_{0};  // the process that started the helper
    std::thread thread_;
};

HelperThread& Helper() {
    static HelperThread helper;
    return helper;
}

}  // namespace

void SplitInTwo(int count, const std::function<void(int first, int last)>& work) {
    const int half = count / 2;
    const bool shared = half > 0 && Helper().Start(work, half, count);
    work(0, shared ? half : count);
    if (shared) Helper().Wait();
}

}  // namespace lab
