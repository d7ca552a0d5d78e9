// signal_cleanup.cpp - the table is a fixed array of slots, each claimed
// and given back with an atomic state (lock-free, so the handler may read
// it), filled while the state says no handler may use it.
#include "lab/files/signal_cleanup.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <unistd.h>
#include <utility>

namespace lab {

namespace {

enum SlotState { Free, Busy, Armed };

struct Slot {
    std::atomic<int> state{Free};
    pid_t process = 0;  // the process that made the file
    int folder = -1;
    bool isFolder = false;
    char name[NAME_MAX + 1] = {};
};

constexpr int SlotCount = 256;
Slot slots[SlotCount];
static_assert(std::atomic<int>::is_always_lock_free, "the handler reads the slots' state");

constexpr int HandledSignals[] = {SIGINT, SIGTERM, SIGHUP};
struct sigaction previousActions[3];

std::atomic<int> deferring{0};
std::atomic<int> pendingSignal{0};

void RemoveEverything() {
    // Only this process's own: a child made by fork has its parent's table.
    const pid_t self = getpid();
    // Files first: a folder in the table is removed once it is empty.
    for (const bool folders : {false, true})
        for (Slot& slot : slots)
            if (slot.state.load() == Armed && slot.isFolder == folders && slot.process == self)
                unlinkat(slot.folder, slot.name, folders ? AT_REMOVEDIR : 0);
}

// Async-signal-safe: also called from the handler.
void EndBy(int signal) {
    RemoveEverything();
    for (int k = 0; k < 3; ++k)
        if (HandledSignals[k] == signal) sigaction(signal, &previousActions[k], nullptr);
    raise(signal);
}

void OnSignal(int signal) {
    const int savedErrno = errno;
    pendingSignal.store(signal);
    if (deferring.load() == 0) {
        const int taken = pendingSignal.exchange(0);
        if (taken != 0) EndBy(taken);
    }
    errno = savedErrno;
}

void InstallHandlers() {
    static std::once_flag once;
    std::call_once(once, [] {
        for (int k = 0; k < 3; ++k) {
            struct sigaction current;
            if (sigaction(HandledSignals[k], nullptr, &current) != 0) continue;
            if ((current.sa_flags & SA_SIGINFO) || current.sa_handler != SIG_DFL) continue;
            previousActions[k] = current;
            struct sigaction action;
            std::memset(&action, 0, sizeof action);
            action.sa_handler = OnSignal;
            action.sa_flags = SA_RESTART;
            sigemptyset(&action.sa_mask);
            for (int s : HandledSignals) sigaddset(&action.sa_mask, s);
            sigaction(HandledSignals[k], &action, nullptr);
        }
    });
}

int Register(int folder, const std::string& name, bool isFolder) {
    if (name.empty() || name.size() > NAME_MAX || folder < 0) return -1;
    InstallHandlers();
    for (int k = 0; k < SlotCount; ++k) {
        int expected = Free;
        if (!slots[k].state.compare_exchange_strong(expected, Busy)) continue;
        slots[k].folder = fcntl(folder, F_DUPFD_CLOEXEC, 0);
        if (slots[k].folder < 0) {
            slots[k].state.store(Free);
            return -1;
        }
        slots[k].isFolder = isFolder;
        slots[k].process = getpid();
        std::memcpy(slots[k].name, name.c_str(), name.size() + 1);
        slots[k].state.store(Armed);
        return k;
    }
    return -1;
}

void Unregister(int k) {
    if (k < 0) return;
    slots[k].state.store(Busy);
    close(slots[k].folder);
    slots[k].folder = -1;
    slots[k].state.store(Free);
}

}  // namespace

RemovedOnSignal::RemovedOnSignal(int folder, const std::string& name, bool isFolder)
    : slot_(Register(folder, name, isFolder)) {}

RemovedOnSignal::RemovedOnSignal(const std::string& path, bool isFolder) {
    std::string trimmed = path;
    while (trimmed.size() > 1 && trimmed.back() == '/') trimmed.pop_back();
    const size_t slash = trimmed.find_last_of('/');
    const std::string folderPath = slash == std::string::npos ? "." : slash == 0 ? "/" : trimmed.substr(0, slash);
    const std::string name = slash == std::string::npos ? trimmed : trimmed.substr(slash + 1);
    const int folder = open(folderPath.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (folder < 0) return;
    slot_ = Register(folder, name, isFolder);
    close(folder);
}

RemovedOnSignal::~RemovedOnSignal() { Unregister(slot_); }

RemovedOnSignal::RemovedOnSignal(RemovedOnSignal&& other) noexcept : slot_(std::exchange(other.slot_, -1)) {}

RemovedOnSignal& RemovedOnSignal::operator=(RemovedOnSignal&& other) noexcept {
    if (this != &other) {
        Unregister(slot_);
        slot_ = std::exchange(other.slot_, -1);
    }
    return *this;
}

SignalsDeferred::SignalsDeferred() { deferring.fetch_add(1); }

SignalsDeferred::~SignalsDeferred() {
    if (deferring.fetch_sub(1) != 1) return;
    const int taken = pendingSignal.exchange(0);
    if (taken != 0) EndBy(taken);
}

}  // namespace lab
