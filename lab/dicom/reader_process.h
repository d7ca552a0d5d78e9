// reader_process.h - work that may end its process (a library's failed
// assertion, a crash on damaged input), done by a program started anew
// (posix_spawn, never fork: a copy of a threaded process may inherit a lock
// that another thread held), so that the caller carries on and reports it.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace lab {

// Asked while the reader runs: true when its answer is no longer wanted.
using StopAsked = std::function<bool()>;

struct ReaderOutcome {
    bool started = false;   // the program could be started
    bool finished = false;  // it ended with status 0
    bool stopped = false;   // `stop` said so, and the reader was killed
    std::string answer;     // its standard output
    std::string messages;   // its standard error: the libraries' lines
    // When not finished, e.g. "stopped by signal 6 (Aborted)" or "took
    // longer than 60 s".
    std::string how;
};

// Runs `arguments` (the program first), its standard input empty, and
// waits at most `seconds` for it, asking `stop` (when given) a few times a
// second; a reader that runs over or is stopped is killed. Never throws.
ReaderOutcome RunReaderProcess(const std::vector<std::string>& arguments, unsigned seconds, const StopAsked& stop);

}  // namespace lab
