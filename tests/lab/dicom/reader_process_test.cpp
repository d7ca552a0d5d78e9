// reader_process_test.cpp - the reader process as its caller sees it: the
// answer and the messages apart, however much of each; a crash, a status, a
// reader that runs over its time or is no longer wanted (killed at once),
// each told and none left behind.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <string>

#include "lab/dicom/reader_process.h"

TEST(ReaderProcess, AnswerMessagesAndEveryEndTold) {
    const struct {
        std::string script;
        unsigned seconds;
        int stopAsked;  // the time `stop` says yes; 0: never
        bool finished;
        std::string answer, messages, how;
    } cases[] = {
        {"printf 'the slice'; printf 'a library line' >&2", 10, 0, true, "the slice", "a library line", ""},
        {"printf part; kill -ABRT $$", 10, 0, false, "part", "", std::string("stopped by signal 6 (") + strsignal(SIGABRT) + ")"},
        {"exit 3", 10, 0, false, "", "", "ended with status 3"},
        {"read line || printf empty", 10, 0, true, "empty", "", ""},  // standard input is empty
        {"exec sleep 30", 1, 0, false, "", "", "took longer than 1 s"},
        {"exec sleep 30", 60, 3, false, "", "", "was stopped"},  // killed at once
        {"sleep 20 & printf done", 5, 0, true, "done", "", ""},  // what it left behind holds the pipes
    };
    for (const auto& c : cases) {
        int asked = 0;
        const auto stop = [&asked, &c] { return ++asked == c.stopAsked; };
        const auto started = std::chrono::steady_clock::now();
        const lab::ReaderOutcome outcome = lab::RunReaderProcess({"/bin/sh", "-c", c.script}, c.seconds, stop);
        // None waits for what it left behind, nor a reader stopped for its full time.
        EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(5)) << c.script;
        EXPECT_TRUE(outcome.started) << c.script;
        EXPECT_EQ(outcome.finished, c.finished) << c.script;
        EXPECT_EQ(outcome.stopped, c.stopAsked > 0) << c.script;
        EXPECT_EQ(outcome.answer, c.answer) << c.script;
        EXPECT_EQ(outcome.messages, c.messages) << c.script;
        EXPECT_EQ(outcome.how, c.how) << c.script;
        // No child left running or unreaped.
        EXPECT_TRUE(waitpid(-1, nullptr, WNOHANG) < 0 && errno == ECHILD) << c.script;
    }
    // Far more than a pipe holds, on both at once.
    const lab::ReaderOutcome both =
        lab::RunReaderProcess({"/bin/sh", "-c", "head -c 3000000 /dev/zero >&2 & head -c 5000000 /dev/zero; wait"}, 10, nullptr);
    EXPECT_TRUE(both.finished) << both.how;
    EXPECT_EQ(both.answer.size(), 5000000u);
    EXPECT_EQ(both.messages.size(), 3000000u);

    const lab::ReaderOutcome missing = lab::RunReaderProcess({"/nonexistent/reader"}, 10, nullptr);
    EXPECT_FALSE(missing.started || missing.finished);
    EXPECT_EQ(missing.how, std::string("could not start /nonexistent/reader: ") + strerror(ENOENT));  // in the locale's words
}
