// reader_process.cpp - posix_spawn, a pipe for the answer and one for the
// messages, both drained together (a reader blocked on a full pipe would
// never end), then waitpid.
#include "lab/dicom/reader_process.h"

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>

extern char** environ;

namespace lab {

namespace {

// How often `stop` is asked.
constexpr int AskEveryMs = 50;

struct Pipe {
    int read = -1, write = -1;
    Pipe() {
        int ends[2];
        if (pipe2(ends, O_CLOEXEC) != 0) return;
        read = ends[0];
        write = ends[1];
    }
    ~Pipe() {
        CloseRead();
        CloseWrite();
    }
    void CloseRead() {
        if (read >= 0) close(read);
        read = -1;
    }
    void CloseWrite() {
        if (write >= 0) close(write);
        write = -1;
    }
};

// Starts the reader with `out` and `err` as its standard output and error;
// 0 or the error number.
int Spawn(const std::vector<std::string>& arguments, const Pipe& out, const Pipe& err, pid_t& pid) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, out.write, STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, err.write, STDERR_FILENO);
    // Every signal at its default and none blocked, whatever the caller set
    // (a toolkit ignores SIGPIPE, a sanitizer handles SIGSEGV).
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t all, none;
    sigfillset(&all);
    sigemptyset(&none);
    posix_spawnattr_setsigdefault(&attributes, &all);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);
    std::vector<char*> argv;
    for (const std::string& a : arguments) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    const int failed = posix_spawn(&pid, argv[0], &actions, &attributes, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    return failed;
}

// One read of what poll() found, so that it never blocks; false at the
// end of the pipe.
bool Drain(int fd, std::string& into) {
    char block[65536];
    ssize_t n;
    while ((n = read(fd, block, sizeof block)) < 0 && errno == EINTR) {
    }
    if (n <= 0) return false;
    into.append(block, static_cast<size_t>(n));
    return true;
}

std::string HowItEnded(int status) {
    if (WIFSIGNALED(status))
        return "stopped by signal " + std::to_string(WTERMSIG(status)) + " (" + strsignal(WTERMSIG(status)) + ")";
    return "ended with status " + std::to_string(WEXITSTATUS(status));
}

}  // namespace

ReaderOutcome RunReaderProcess(const std::vector<std::string>& arguments, unsigned seconds, const StopAsked& stop) {
    ReaderOutcome outcome;
    Pipe out, err;
    if (out.read < 0 || err.read < 0) {
        outcome.how = std::string("could not start: ") + strerror(errno);
        return outcome;
    }
    pid_t pid = -1;
    if (const int failed = Spawn(arguments, out, err, pid)) {
        outcome.how = "could not start " + arguments.front() + ": " + strerror(failed);
        return outcome;
    }
    outcome.started = true;
    out.CloseWrite();
    err.CloseWrite();

    // Until the reader has ended: its pipes drained, or a pause of
    // AskEveryMs once both are closed.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    bool overtime = false;
    pollfd ends[2] = {{out.read, POLLIN, 0}, {err.read, POLLIN, 0}};
    std::string* into[2] = {&outcome.answer, &outcome.messages};
    int status = 0;
    for (;;) {
        const pid_t ended = waitpid(pid, &status, WNOHANG);
        if (ended == pid || (ended < 0 && errno != EINTR)) break;
        if (stop && stop()) outcome.stopped = true;
        else if (std::chrono::steady_clock::now() >= deadline) overtime = true;
        if (outcome.stopped || overtime) {
            kill(pid, SIGKILL);
            while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
            }
            break;
        }
        poll(ends, 2, AskEveryMs);
        for (int k = 0; k < 2; ++k) {
            if (ends[k].fd < 0 || ends[k].revents == 0) continue;
            if (!Drain(ends[k].fd, *into[k])) ends[k].fd = -1;  // poll skips it from now on
        }
    }
    // What the reader wrote just before it ended (without waiting: a
    // process it left behind may hold the pipes).
    for (int k = 0; k < 2 && !outcome.stopped && !overtime; ++k) {
        if (ends[k].fd < 0) continue;
        fcntl(ends[k].fd, F_SETFL, O_NONBLOCK);
        while (Drain(ends[k].fd, *into[k])) {
        }
    }
    if (outcome.stopped) outcome.how = "was stopped";
    else if (overtime) outcome.how = "took longer than " + std::to_string(seconds) + " s";
    else if (WIFEXITED(status) && WEXITSTATUS(status) == 0) outcome.finished = true;
    else outcome.how = HowItEnded(status);
    return outcome;
}

}  // namespace lab
