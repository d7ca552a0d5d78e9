// child_process.cpp - fork, a pipe for the result, waitpid. The child leaves
// with _exit: it must not run the parent's exit handlers or flush its
// buffers a second time.
#include "tools/lab/child_process.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <cstdio>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace lab {

namespace {

void WriteAllAndExit(int fd, const std::string& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) _exit(3);
        done += static_cast<size_t>(n);
    }
    _exit(0);
}

// Allows `extra` bytes of address space beyond what the process holds now
// (a sanitizer's shadow included), so that a length read from a damaged
// file fails to allocate instead of filling the machine's memory.
void LimitAddressSpace(unsigned long long extra) {
    unsigned long long pages = 0;
    FILE* statm = fopen("/proc/self/statm", "r");
    if (!statm) return;
    const bool read = fscanf(statm, "%llu", &pages) == 1;
    fclose(statm);
    if (!read) return;
    const rlim_t limit = pages * static_cast<unsigned long long>(sysconf(_SC_PAGESIZE)) + extra;
    const struct rlimit bounds = {limit, limit};
    setrlimit(RLIMIT_AS, &bounds);
}

}  // namespace

bool RunInChildProcess(const std::function<std::string()>& work, unsigned seconds, unsigned long long memoryBytes,
                       std::string& bytes, std::string& how) {
    int channel[2];
    if (pipe(channel) != 0) {
        how = std::string("could not start: ") + strerror(errno);
        return false;
    }
    fflush(nullptr);
    const pid_t child = fork();
    if (child < 0) {
        how = std::string("could not start: ") + strerror(errno);
        close(channel[0]);
        close(channel[1]);
        return false;
    }
    if (child == 0) {
        close(channel[0]);
        // The default actions, whatever handlers the parent installed (a
        // fuzzer's or a sanitizer's): a crash ends the child and nothing else.
        for (int s : {SIGABRT, SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGALRM}) signal(s, SIG_DFL);
        // An expected end: no core dump (a core handler could take seconds).
        prctl(PR_SET_DUMPABLE, 0);
        LimitAddressSpace(memoryBytes);
        alarm(seconds);
        std::string result;
        try {
            result = work();
        } catch (...) {
            _exit(3);
        }
        WriteAllAndExit(channel[1], result);
    }
    close(channel[1]);
    bytes.clear();
    char block[65536];
    for (;;) {
        const ssize_t n = read(channel[0], block, sizeof block);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        bytes.append(block, static_cast<size_t>(n));
    }
    close(channel[0]);
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0) return true;
    if (WIFSIGNALED(status) && WTERMSIG(status) == SIGALRM)
        how = "took longer than " + std::to_string(seconds) + " s";
    else if (WIFSIGNALED(status))
        how = "stopped by signal " + std::to_string(WTERMSIG(status)) + " (" + strsignal(WTERMSIG(status)) + ")";
    else
        how = "ended with status " + std::to_string(WEXITSTATUS(status));
    return false;
}

}  // namespace lab
