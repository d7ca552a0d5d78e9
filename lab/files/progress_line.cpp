// progress_line.cpp
#include "lab/files/progress_line.h"

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>

#include <unistd.h>

#include "lab/files/library_messages.h"

namespace lab {

namespace {

volatile std::sig_atomic_t interrupted = 0;
void NoteInterrupt(int) { interrupted = 1; }

// What SIGINT did before (the default, or the removal of temporary files of
// signal_cleanup.h), put back afterwards.
struct sigaction previousInterrupt;

}  // namespace

InterruptRequest::InterruptRequest() {
    interrupted = 0;
    struct sigaction action;
    std::memset(&action, 0, sizeof action);
    action.sa_handler = NoteInterrupt;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, &previousInterrupt);
}

InterruptRequest::~InterruptRequest() { sigaction(SIGINT, &previousInterrupt, nullptr); }

bool InterruptRequest::Requested() const { return interrupted != 0; }

ProgressLine::ProgressLine(int steps) : steps_(steps), terminal_(isatty(fileno(ToolStderr()))) {}

ProgressLine::~ProgressLine() {
    if (terminal_ && lastWidth_ >= 0) fputc('\n', ToolStderr());
}

void ProgressLine::Show(int done, double fraction) {
    if (fraction >= 1.0) {
        ++done;
        fraction = 0.0;
    }
    if (!terminal_) {
        if (done > lastLine_) fprintf(ToolStderr(), "iteration %d of %d done\n", done, steps_);
        lastLine_ = done;
        return;
    }
    const int width = 30;
    const int filled = static_cast<int>(width * (done + fraction) / steps_);
    if (filled == lastWidth_ && fraction != 0.0) return;
    lastWidth_ = filled;
    fprintf(ToolStderr(), "\r[%s%s] iteration %d of %d", std::string(filled, '#').c_str(),
            std::string(width - filled, ' ').c_str(), std::min(done + 1, steps_), steps_);
    fflush(ToolStderr());
}

}  // namespace lab
