// What a signal leaves behind: Sinora Lab's window, ended by SIGTERM, SIGINT
// or SIGHUP, removes its folder for a designed filter and ends by that
// signal; a signal it was started to ignore (nohup) stays ignored. The
// outputs' temporary files are tested with OutputFiles
// (output_files_test.cpp).
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "tests/lab/lab_test_support.h"

using namespace lab_test;

namespace {

const std::string Window = SINORA_BINARY_DIR "/lab/sinora-lab-window";

std::vector<std::string> Entries(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) names.push_back(entry.path().filename().string());
    return names;
}

// The window started on the offscreen platform with its temporary files in
// `tmp` (and `ignored` ignored, as nohup does), once its folder is there.
pid_t StartWindow(const std::string& tmp, int ignored) {
    const std::string home = tmp + "-home", runtime = tmp + "-runtime";
    std::filesystem::create_directories(home);
    std::filesystem::create_directories(runtime);
    std::filesystem::permissions(runtime, std::filesystem::perms::owner_all);
    fflush(nullptr);
    const pid_t child = fork();
    if (child == 0) {
        setenv("TMPDIR", tmp.c_str(), 1);
        setenv("HOME", home.c_str(), 1);
        setenv("XDG_CONFIG_HOME", home.c_str(), 1);
        setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
        if (ignored != 0) signal(ignored, SIG_IGN);
        execl(Window.c_str(), Window.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    return child;
}

// The child's wait status, or -1 when it did not end within 20 s (it is
// then killed).
int WaitFor(pid_t child) {
    int status = 0;
    for (int k = 0; k < 200; ++k) {
        if (waitpid(child, &status, WNOHANG) == child) return status;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    kill(child, SIGKILL);
    waitpid(child, &status, 0);
    return -1;
}

bool WaitUntil(const std::function<bool()>& done) {
    for (int k = 0; k < 600; ++k) {
        if (done()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
}

TEST(SignalCleanup, TheWindowEndedByASignalLeavesNoFolder) {
    if (!std::filesystem::exists(Window)) GTEST_SKIP() << "sinora-lab-window is not built";
    const struct {
        int signal;
        int ignored;  // ignored from the start: sent first, and survived
    } cases[] = {{SIGTERM, 0}, {SIGINT, 0}, {SIGHUP, 0}, {SIGTERM, SIGHUP}};
    for (const auto& c : cases) {
        const std::string tmp = ScratchPath("window_tmp" + std::to_string(c.signal) + "_" + std::to_string(c.ignored));
        std::filesystem::create_directories(tmp);
        const pid_t window = StartWindow(tmp, c.ignored);
        ASSERT_TRUE(WaitUntil([&] { return !Entries(tmp).empty(); })) << "the window made no folder";
        ASSERT_EQ(Entries(tmp).size(), 1u);
        EXPECT_EQ(Entries(tmp)[0].rfind("sinora-lab-window-", 0), 0u) << Entries(tmp)[0];
        // Its handlers are installed as the folder is made: a moment more.
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        if (c.ignored != 0) {
            kill(window, c.ignored);
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
            EXPECT_EQ(waitpid(window, nullptr, WNOHANG), 0) << "an ignored signal ended the window";
        }
        kill(window, c.signal);
        const int status = WaitFor(window);
        EXPECT_TRUE(status != -1 && WIFSIGNALED(status) && WTERMSIG(status) == c.signal) << c.signal << ": " << status;
        EXPECT_TRUE(Entries(tmp).empty()) << c.signal << ": " << (Entries(tmp).empty() ? "" : Entries(tmp)[0]);
    }
}

}  // namespace
