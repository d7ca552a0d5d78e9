// reader_process_test.cpp - the reader process as its caller sees it: the
// answer and the messages apart, however much of each; a crash, a status, a
// reader that runs over its time or is no longer wanted, each told and
// none left behind.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cerrno>
#include <chrono>
#include <string>

#include "tools/lab/reader_process.h"

namespace {

lab::ReaderOutcome Shell(const std::string& script, unsigned seconds = 10, const lab::StopAsked& stop = nullptr) {
    return lab::RunReaderProcess({"/bin/sh", "-c", script}, seconds, stop);
}

// No child of this process is left running or unreaped.
bool NoChildLeft() { return waitpid(-1, nullptr, WNOHANG) < 0 && errno == ECHILD; }

}  // namespace

TEST(ReaderProcess, AnswerMessagesAndEveryEndTold) {
    const struct {
        std::string script;
        unsigned seconds;
        bool finished;
        std::string answer, messages, how;
    } cases[] = {
        {"printf 'the slice'; printf 'a library line' >&2", 10, true, "the slice", "a library line", ""},
        {"printf part; kill -ABRT $$", 10, false, "part", "", "stopped by signal 6 (Aborted)"},
        {"exit 3", 10, false, "", "", "ended with status 3"},
        {"read line || printf empty", 10, true, "empty", "", ""},  // standard input is empty
        {"exec sleep 30", 1, false, "", "", "took longer than 1 s"},
        {"sleep 20 & printf done", 5, true, "done", "", ""},  // what it left behind holds the pipes
    };
    for (const auto& c : cases) {
        const auto started = std::chrono::steady_clock::now();
        const lab::ReaderOutcome outcome = Shell(c.script, c.seconds);
        EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(c.seconds + 3)) << c.script;
        EXPECT_EQ(outcome.finished, c.finished) << c.script;
        EXPECT_TRUE(outcome.started) << c.script;
        EXPECT_FALSE(outcome.stopped) << c.script;
        EXPECT_EQ(outcome.answer, c.answer) << c.script;
        EXPECT_EQ(outcome.messages, c.messages) << c.script;
        EXPECT_EQ(outcome.how, c.how) << c.script;
        EXPECT_TRUE(NoChildLeft()) << c.script;
    }
    // Far more than a pipe holds, on both at once.
    const lab::ReaderOutcome both = Shell("head -c 3000000 /dev/zero >&2 & head -c 5000000 /dev/zero; wait");
    EXPECT_TRUE(both.finished) << both.how;
    EXPECT_EQ(both.answer.size(), 5000000u);
    EXPECT_EQ(both.messages.size(), 3000000u);

    const lab::ReaderOutcome missing = lab::RunReaderProcess({"/nonexistent/reader"}, 10, nullptr);
    EXPECT_FALSE(missing.started || missing.finished);
    EXPECT_EQ(missing.how, "could not start /nonexistent/reader: No such file or directory");
}

TEST(ReaderProcess, AReaderNoLongerWantedIsKilledAtOnce) {
    int asked = 0;
    const auto started = std::chrono::steady_clock::now();
    const lab::ReaderOutcome outcome = Shell("exec sleep 30", 60, [&asked] { return ++asked == 3; });
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    EXPECT_TRUE(outcome.stopped);
    EXPECT_FALSE(outcome.finished);
    EXPECT_EQ(outcome.how, "was stopped");
    EXPECT_EQ(asked, 3);
    EXPECT_LT(seconds, 5.0);
    EXPECT_TRUE(NoChildLeft());
}
