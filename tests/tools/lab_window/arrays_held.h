// arrays_held.h - shared by the window's model tests: the program's arrays
// held from another thread, so that a reconstruction or scan cannot finish
// until released.
#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "tools/lab_window/quick_reconstruction.h"

// Holds the arrays until destroyed, or, should the code under test wait for
// them, until half a minute has passed.
class ArraysHeld {
public:
    ArraysHeld()
        : holder_([this] {
              const std::lock_guard<std::mutex> arrays(labwin::ProgramArraysLock());
              std::unique_lock<std::mutex> hold(lock_);
              held_ = true;
              changed_.notify_all();
              changed_.wait_for(hold, std::chrono::seconds(30), [this] { return released_; });
          }) {
        std::unique_lock<std::mutex> hold(lock_);
        changed_.wait(hold, [this] { return held_; });
    }
    ~ArraysHeld() {
        {
            const std::lock_guard<std::mutex> hold(lock_);
            released_ = true;
        }
        changed_.notify_all();
        holder_.join();
    }

private:
    std::mutex lock_;
    std::condition_variable changed_;
    bool held_ = false, released_ = false;
    std::thread holder_;
};

