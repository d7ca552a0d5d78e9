// progress_line.h - progress of a long computation on standard error (a bar
// redrawn in place on a terminal, one line per step otherwise), and Ctrl+C
// turned into a polite request to stop.
#pragma once

namespace lab {

// While one exists, Ctrl+C sets a flag instead of ending the process.
class InterruptRequest {
public:
    InterruptRequest();
    ~InterruptRequest();
    InterruptRequest(const InterruptRequest&) = delete;
    InterruptRequest& operator=(const InterruptRequest&) = delete;
    bool Requested() const;
};

class ProgressLine {
public:
    explicit ProgressLine(int steps);
    ~ProgressLine();
    // `done` whole steps and a fraction of the next one.
    void Show(int done, double fraction);

private:
    int steps_;
    bool terminal_;
    int lastLine_ = 0;
    int lastWidth_ = -1;
};

}  // namespace lab
