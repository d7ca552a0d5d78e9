// signal_cleanup.h - what the lab and its window make for a moment (an
// output's temporary file, the window's folder for a designed filter) is
// removed when SIGINT, SIGTERM or SIGHUP ends the process, which then ends
// by that same signal, as it would have without the lab's handler. Only
// SIGKILL (or a crash) can leave such a file behind.
//
// The handler does only what a signal handler may (async-signal-safe
// calls): it goes through a fixed table of folders and names, calls
// unlinkat on each, puts the signal's previous action back and raises the
// signal again. The handlers are installed with the first registration,
// for each signal whose action is still the default one (a signal the
// caller ignores stays ignored). A child made by fork never removes its
// parent's files.
#pragma once

#include <string>

namespace lab {

// One file or folder in the table while the object lives; its destructor
// takes it out of the table and removes nothing.
class RemovedOnSignal {
public:
    RemovedOnSignal() = default;
    // `name` (at most NAME_MAX bytes) in the open folder `folder`, whose
    // descriptor the table duplicates.
    RemovedOnSignal(int folder, const std::string& name, bool isFolder);
    // A path: the folder holding it is opened here.
    RemovedOnSignal(const std::string& path, bool isFolder);
    ~RemovedOnSignal();
    RemovedOnSignal(RemovedOnSignal&& other) noexcept;
    RemovedOnSignal& operator=(RemovedOnSignal&& other) noexcept;
    RemovedOnSignal(const RemovedOnSignal&) = delete;
    RemovedOnSignal& operator=(const RemovedOnSignal&) = delete;

    // False when the table was full or the folder could not be opened: the
    // file is then left behind by a signal, as it would be without the table.
    bool Registered() const { return slot_ >= 0; }

private:
    int slot_ = -1;
};

// While one lives (in any thread), SIGINT, SIGTERM and SIGHUP wait: a
// signal that arrives is acted on when the last one ends. So a group of
// steps that must not be cut in two (a file made and registered, the
// renames of a commit) runs whole.
class SignalsDeferred {
public:
    SignalsDeferred();
    ~SignalsDeferred();
    SignalsDeferred(const SignalsDeferred&) = delete;
    SignalsDeferred& operator=(const SignalsDeferred&) = delete;
};

}  // namespace lab
