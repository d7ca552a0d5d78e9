// arrays_held.h - shared by the window's model tests: the program's arrays
// held from another thread in a ReconstructionSession, so that a
// reconstruction or scan cannot finish, until destroyed (or, should the code
// under test wait for them, for half a minute).
#pragma once

#include <chrono>
#include <future>
#include <thread>

#include "recon/compute/reconstruction_session.h"

class ArraysHeld {
public:
    ArraysHeld() {
        holder_ = std::thread([this, released = released_.get_future()] {
            const ReconstructionSession arrays;
            held_.set_value();
            released.wait_for(std::chrono::seconds(30));
        });
        held_.get_future().wait();
    }
    ~ArraysHeld() {
        released_.set_value();
        holder_.join();
    }

private:
    std::promise<void> held_, released_;
    std::thread holder_;
};
