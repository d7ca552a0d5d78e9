// back_projection_schedule.cpp - which thread does which step of the back
// projection, and when. Each of two threads works through the steps of one
// half of the slices (the columns x = 0..127 or 128..255) in order, so that
// what it writes to the stack it has built itself and finds in its own
// cache. A step runs once what it reads is done and its slot is free. A
// thread whose next step has to wait takes the other half's next step
// instead, if that one can run: at once when it is alone, else after a
// while, so that a thread held up by other programs slows the back
// projection to the pace of one thread rather than stopping it.
//
// The steps of a half, in order: the scatter of each slice, its neighbour
// pass, and, a quarter of it before each slice of the next group, the
// writing of the lines each group of four slices completes. Half 0's pass
// of a slice reads half 1's first column as scattered, and half 1's pass
// reads half 0's last column as passed, so half 1 scatters a slice ahead. Among them, a few angles ahead, the
// filtering of the projections: those of even angles by half 0, of odd
// ones by half 1.
#include <algorithm>
#include <atomic>
#include <cstdint>

#include "recon/compute/back_projection_steps.h"
#include "recon/compute/computing_steps.h"
#include "recon/compute/recon_data.h"
#include "recon/compute/shared_parts.h"
#include "recon/compute/slice_codes.h"

namespace {

enum class Kind : uint8_t { Filter, Scatter, Pass, Write };

struct Step {
    Kind kind;
    uint8_t quarter;  // of the half's parts of the stack's writing
    int16_t index;    // the angle, or the group whose lines are written
};

enum {
    Quarters = GroupAngles,  // a group's writing in as many shares as the next group has slices
    PartsPerQuarter = PartsPerHalf / Quarters,
    StepsPerHalf = AngleCount / Halves + 2 * AngleCount + (StackGroups + 1) * Quarters,
    FilterAhead = 6,  // angles between a projection's filtering and its first use
    StealAfter = 500,   // rounds of waiting on the spot before the other half's step is taken
    YieldAfter = 2000,  // and before the processor is given to other programs
};

struct HalfOrders {
    Step steps[Halves][StepsPerHalf];
    constexpr HalfOrders() : steps() {
        for (int half = 0; half < Halves; ++half) {
            int n = 0;
            for (int angle = half; angle < FilterAhead; angle += Halves) {
                steps[half][n++] = {Kind::Filter, 0, static_cast<int16_t>(angle)};
            }
            if (half == 1) steps[half][n++] = {Kind::Scatter, 0, 0};
            for (int angle = 0; angle < AngleCount; ++angle) {
                // A group's lines are written a quarter at a time while the
                // next group is built, so that the stream to memory goes on
                // beside the building rather than in bursts that both
                // threads would make at once.
                if (angle >= GroupAngles) {
                    steps[half][n++] = {Kind::Write, static_cast<uint8_t>(angle % GroupAngles),
                                        static_cast<int16_t>(angle / GroupAngles - 1)};
                }
                const int filtered = angle + FilterAhead;
                if (filtered < AngleCount && filtered % Halves == half) {
                    steps[half][n++] = {Kind::Filter, 0, static_cast<int16_t>(filtered)};
                }
                const int scattered = half == 0 ? angle : angle + 1;
                if (scattered < AngleCount) steps[half][n++] = {Kind::Scatter, 0, static_cast<int16_t>(scattered)};
                steps[half][n++] = {Kind::Pass, 0, static_cast<int16_t>(angle)};
            }
            for (int group = StackGroups - 1; group <= StackGroups; ++group) {
                for (int quarter = 0; quarter < Quarters; ++quarter) {
                    steps[half][n++] = {Kind::Write, static_cast<uint8_t>(quarter), static_cast<int16_t>(group)};
                }
            }
            if (n != StepsPerHalf) throw "every step of a half has its place";
        }
    }
};
static_assert(PartsPerHalf % Quarters == 0, "a half's parts fall into whole quarters");
constexpr HalfOrders Orders;

struct Progress {
    std::atomic<int> next[Halves];  // each half's first step not yet taken
    std::atomic<bool> filtered[AngleCount];
    std::atomic<bool> scattered[Halves][AngleCount];
    std::atomic<bool> passed[Halves][AngleCount];
    std::atomic<bool> written[Halves][StackGroups + 1][Quarters];
};

bool Done(const std::atomic<bool>& flag) { return flag.load(std::memory_order_acquire); }

bool AllWritten(const Progress& progress, int half, int group) {
    for (const auto& quarter : progress.written[half][group]) {
        if (!Done(quarter)) return false;
    }
    return true;
}

bool Ready(const Progress& progress, int half, Step step) {
    const int other = 1 - half;
    switch (step.kind) {
        case Kind::Filter:
            return true;
        case Kind::Scatter: {
            // The slot held the slice twelve angles before, whose cells at
            // the boundary the other half's pass read, and whose lines the
            // writing of its group and of the next read.
            const int previous = step.index - AliveAngles;
            return Done(progress.filtered[step.index]) &&
                   (previous < 0 || (Done(progress.passed[other][previous]) &&
                                     AllWritten(progress, half, previous / GroupAngles + 1)));
        }
        case Kind::Pass:
            return Done(progress.scattered[half][step.index]) &&
                   Done(half == 0 ? progress.scattered[1][step.index] : progress.passed[0][step.index]);
        case Kind::Write: {
            // The lines of the group and of the one before it; the cells'
            // sums take their angles in ascending order, so the same
            // quarter of the group before goes first.
            const int group = step.index;
            if (group > 0 && !Done(progress.written[half][group - 1][step.quarter])) return false;
            const int last = std::min<int>(AngleCount, (group + 1) * GroupAngles);
            for (int angle = std::max(0, (group - 1) * GroupAngles); angle < last; ++angle) {
                if (!Done(progress.passed[half][angle])) return false;
            }
            return true;
        }
    }
    return false;
}

void Run(Progress& progress, int half, Step step) {
    switch (step.kind) {
        case Kind::Filter:
            FilterProjection(step.index);
            progress.filtered[step.index].store(true, std::memory_order_release);
            break;
        case Kind::Scatter:
            ScatterHalf(step.index, half);
            progress.scattered[half][step.index].store(true, std::memory_order_release);
            break;
        case Kind::Pass:
            FillHalf(step.index, half);
            progress.passed[half][step.index].store(true, std::memory_order_release);
            break;
        case Kind::Write: {
            const int first = half * PartsPerHalf + step.quarter * PartsPerQuarter;
            for (int part = first; part < first + PartsPerQuarter; ++part) WriteStackLines(step.index, part);
            progress.written[half][step.index][step.quarter].store(true, std::memory_order_release);
            break;
        }
    }
}

// Takes and runs the half's next step if it can run now.
bool RunNext(Progress& progress, int half) {
    int at = progress.next[half].load(std::memory_order_acquire);
    while (at < StepsPerHalf) {
        const Step step = Orders.steps[half][at];
        if (!Ready(progress, half, step)) return false;
        if (progress.next[half].compare_exchange_weak(at, at + 1, std::memory_order_acq_rel)) {
            Run(progress, half, step);
            return true;
        }
    }
    return false;
}

bool AllTaken(const Progress& progress) {
    for (const auto& next : progress.next) {
        if (next.load(std::memory_order_acquire) < StepsPerHalf) return false;
    }
    return true;
}

void Work(Progress& progress, int half, bool alone) {
    for (int waited = 0; !AllTaken(progress);) {
        if (RunNext(progress, half) || ((alone || waited >= StealAfter) && RunNext(progress, 1 - half))) {
            waited = 0;
        } else if (++waited < YieldAfter) {
            PauseBriefly();
        } else {
            std::this_thread::yield();
        }
    }
}

}  // namespace

void RunBackProjectionSteps() {
    static Progress progress;
    for (auto& next : progress.next) next.store(0);
    for (auto& flag : progress.filtered) flag.store(false);
    for (int half = 0; half < Halves; ++half) {
        for (auto& flag : progress.scattered[half]) flag.store(false);
        for (auto& flag : progress.passed[half]) flag.store(false);
        for (auto& group : progress.written[half]) {
            for (auto& flag : group) flag.store(false);
        }
    }
    RunTwoRoles([] { Work(progress, 0, false); }, [] { Work(progress, 1, false); }, [] { Work(progress, 0, true); });
}
