// The program's command line: one file to open, made absolute against the
// current folder, and anything else a usage error (its one line on standard
// error is checked by tests/install/staged_install.sh).
#include <unistd.h>

#include <climits>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/platform.h"

namespace {

TEST(CommandLine, OneFileToOpenMadeAbsolute) {
    char cwd[PATH_MAX];
    ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
    const std::string here = cwd;
    const struct {
        std::vector<std::string> arguments;
        int status;
        std::string file;
    } cases[] = {
        {{}, -1, ""},
        {{"phantom.sino"}, -1, here + "/phantom.sino"},
        {{"/data/ct slice.sino"}, -1, "/data/ct slice.sino"},
        {{"./sub/../no/such/missing.sino"}, -1, here + "/no/such/missing.sino"},
        {{"--", "-dash.sino"}, -1, here + "/-dash.sino"},
        {{"-dash.sino"}, 2, ""},
        {{"a.sino", "b.sino"}, 2, ""},
        {{"--", "a.sino", "b.sino"}, 2, ""},
        {{"--"}, 2, ""},
        {{""}, 2, ""},
        {{"/" + std::string(PATH_MAX, 'x')}, 2, ""},
    };
    for (auto c : cases) {
        c.arguments.insert(c.arguments.begin(), "sinora");
        std::vector<char*> argv;
        for (std::string& argument : c.arguments) argv.push_back(argument.data());
        std::string file = "stale";
        EXPECT_EQ(PlatformCommandLine(static_cast<int>(argv.size()), argv.data(), file), c.status) << argv.back();
        EXPECT_EQ(file, c.file) << argv.back();
    }
}

}  // namespace
