// The program's command line: a file to open, made absolute against the
// current folder, and every other argument a usage error of one line.
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/platform.h"

namespace {

struct Outcome {
    int status;
    std::string file;
    std::string errors;  // what went to standard error
};

Outcome ReadCommandLine(std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), "sinora");
    std::vector<char*> argv;
    for (std::string& argument : arguments) argv.push_back(argument.data());
    argv.push_back(nullptr);

    char errorsPath[] = "/tmp/sinora_command_line_XXXXXX";
    const int errorsFile = mkstemp(errorsPath);
    fflush(stderr);
    const int savedStderr = dup(2);
    dup2(errorsFile, 2);
    Outcome outcome;
    outcome.file = "stale";
    outcome.status = PlatformCommandLine(static_cast<int>(arguments.size()), argv.data(), outcome.file);
    fflush(stderr);
    dup2(savedStderr, 2);
    close(savedStderr);
    char buffer[8192];
    const ssize_t length = pread(errorsFile, buffer, sizeof buffer, 0);
    outcome.errors.assign(buffer, length > 0 ? static_cast<size_t>(length) : 0);
    close(errorsFile);
    unlink(errorsPath);
    return outcome;
}

TEST(CommandLine, AFileToOpenOrOneLineOfUsageError) {
    char cwd[PATH_MAX];
    ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
    const std::string here = cwd;
    const std::string tooLong(PATH_MAX, 'x');
    const struct {
        std::vector<std::string> arguments;
        int status;
        std::string file;     // for status -1
        std::string naming;   // for status 2: the argument the line names
    } cases[] = {
        {{}, -1, "", ""},
        {{"phantom.sino"}, -1, here + "/phantom.sino", ""},
        {{"/data/ct slice.sino"}, -1, "/data/ct slice.sino", ""},
        {{"./sub/../point.sino"}, -1, here + "/point.sino", ""},
        {{"no/such/folder/missing.sino"}, -1, here + "/no/such/folder/missing.sino", ""},
        {{"--", "-dash.sino"}, -1, here + "/-dash.sino", ""},
        {{"-dash.sino"}, 2, "", "-dash.sino"},
        {{"--bogus"}, 2, "", "--bogus"},
        {{"a.sino", "b.sino"}, 2, "", "b.sino"},
        {{"--", "a.sino", "b.sino"}, 2, "", "b.sino"},
        {{"--help", "--version"}, 2, "", "--help"},
        {{"--"}, 2, "", "--"},
        {{""}, 2, "", "''"},
        {{"/" + tooLong}, 2, "", "too long"},
    };
    for (const auto& c : cases) {
        const std::string shown = c.arguments.empty() ? "(none)" : c.arguments.front();
        const Outcome outcome = ReadCommandLine(c.arguments);
        EXPECT_EQ(outcome.status, c.status) << shown;
        EXPECT_EQ(outcome.file, c.file) << shown;
        if (c.status == 2) {
            EXPECT_EQ(std::count(outcome.errors.begin(), outcome.errors.end(), '\n'), 1) << outcome.errors;
            EXPECT_EQ(outcome.errors.rfind("sinora: ", 0), 0u) << outcome.errors;
            EXPECT_NE(outcome.errors.find(c.naming), std::string::npos) << outcome.errors;
        } else {
            EXPECT_EQ(outcome.errors, "") << shown;
        }
    }
}

}  // namespace
