// Saving through a temporary file: a failed or interrupted save leaves the
// old file byte for byte, a link stays a link, permissions are kept, and no
// save removes a file but its own temporary file.
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "shared/framework_state.h"
#include "shared/safe_save.h"
#include "console/text_print.h"
#include "console/text_save.h"
#include "platform/os_calls.h"

namespace {

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return "<missing>";
    std::stringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

void WriteFile(const std::string& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }

mode_t ModeOf(const std::string& path) {
    struct stat info;
    return stat(path.c_str(), &info) == 0 ? info.st_mode & 07777 : 0;
}

// Names of the save's temporary files in `folder`.
std::vector<std::string> TemporaryFiles(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        const std::string name = entry.path().filename().string();
        if (name.rfind("~sn", 0) == 0 && name.size() == 11 && name.substr(7) == ".TMP") names.push_back(name);
    }
    return names;
}

// The TextBuffer as the file will hold it: 200 lines of 150 characters.
std::string FillTextBuffer() {
    memset(FrameworkState.TextBuffer, 0, sizeof FrameworkState.TextBuffer);
    FrameworkState.CurrentLine = FrameworkState.OldestLine = 0;
    FrameworkState.LineCount = 1;
    std::string expected;
    for (int i = 0; i < 200; ++i) {
        std::string line = std::to_string(i) + std::string(150 - std::to_string(i).size(), 'a' + i % 26);
        TextPrint(i ? "\n%s" : "%s", line.c_str());
        expected += line + "\r\n";
    }
    return expected;
}

class SafeSaveTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/sinora_safe_XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        folder = pattern;
        path = folder + "/console.txt";
        newText = FillTextBuffer();
    }
    void TearDown() override {
        PlatformRestoreOsCalls();
        std::filesystem::remove_all(folder);
    }
    std::string folder, path, newText;
    const std::string oldText = std::string(40000, 'o') + "\r\n";
};

// Injected faults: the bytes written so far, and the call that fails.
size_t g_bytesWritten;

TEST_F(SafeSaveTest, FailedSavesLeaveTheOldFileByteForByte) {
    WriteFile(path, oldText);
    chmod(path.c_str(), 0640);
    struct Fault {
        const char* what;
        void (*inject)();
    };
    const Fault faults[] = {
        {"the disk fills up half way",
         [] {
             PlatformOsCalls.write = [](int fd, const void* buffer, size_t bytes) -> ssize_t {
                 if (g_bytesWritten >= 15000) {
                     errno = ENOSPC;
                     return -1;
                 }
                 ssize_t n = ::write(fd, buffer, bytes);
                 if (n > 0) g_bytesWritten += static_cast<size_t>(n);
                 return n;
             };
         }},
        {"the flush to the disk fails",
         [] {
             PlatformOsCalls.fsync = [](int) {
                 errno = EIO;
                 return -1;
             };
         }},
        {"the final rename fails",
         [] {
             PlatformOsCalls.rename = [](const char*, const char*) {
                 errno = EXDEV;
                 return -1;
             };
         }},
    };
    for (const Fault& fault : faults) {
        g_bytesWritten = 0;
        fault.inject();
        EXPECT_FALSE(WriteTextBufferFile(path.c_str())) << fault.what;
        PlatformRestoreOsCalls();
        if (&fault == faults) {
            EXPECT_GE(g_bytesWritten, 15000u);  // the temporary file was half written
        }
        EXPECT_EQ(ReadFile(path), oldText) << fault.what;
        EXPECT_EQ(ModeOf(path), 0640u) << fault.what;
        EXPECT_TRUE(TemporaryFiles(folder).empty()) << fault.what;
    }
    ASSERT_TRUE(WriteTextBufferFile(path.c_str()));
    EXPECT_EQ(ReadFile(path), newText);
    EXPECT_EQ(ModeOf(path), 0640u);
}

TEST_F(SafeSaveTest, LinksStayLinksAndPermissionsAreKept) {
    // A new file gets the usual permissions of a new file.
    const mode_t mask = umask(022);
    umask(mask);
    ASSERT_TRUE(WriteTextBufferFile(path.c_str()));
    EXPECT_EQ(ReadFile(path), newText);
    EXPECT_EQ(ModeOf(path), 0666u & ~mask);

    // A link into another folder: the file it names is replaced there.
    const std::string elsewhere = folder + "/elsewhere";
    ASSERT_EQ(mkdir(elsewhere.c_str(), 0755), 0);
    const std::string target = elsewhere + "/kept.txt", link = folder + "/link.txt";
    WriteFile(target, oldText);
    chmod(target.c_str(), 0600);
    ASSERT_EQ(symlink("elsewhere/kept.txt", link.c_str()), 0);
    ASSERT_TRUE(WriteTextBufferFile(link.c_str()));
    struct stat info;
    ASSERT_EQ(lstat(link.c_str(), &info), 0);
    EXPECT_TRUE(S_ISLNK(info.st_mode));
    EXPECT_EQ(ReadFile(target), newText);
    EXPECT_EQ(ModeOf(target), 0600u);
    EXPECT_TRUE(TemporaryFiles(folder).empty());
    EXPECT_TRUE(TemporaryFiles(elsewhere).empty());

    // A read-only file, a folder, a named pipe or a device is never
    // replaced by a file.
    chmod(target.c_str(), 0444);
    TextPrint("one line more");
    EXPECT_FALSE(WriteTextBufferFile(link.c_str()));
    EXPECT_EQ(ModeOf(target), 0444u);
    EXPECT_EQ(ReadFile(target), newText);
    const std::string pipe = folder + "/pipe";
    ASSERT_EQ(mkfifo(pipe.c_str(), 0644), 0);
    EXPECT_EQ(SaveFileSafely(pipe.c_str(), [](HANDLE) { return true; }), SaveOutcome::OpenFailed);
    EXPECT_EQ(SaveFileSafely(elsewhere.c_str(), [](HANDLE) { return true; }), SaveOutcome::OpenFailed);
    EXPECT_EQ(SaveFileSafely("/dev/null", [](HANDLE) { return true; }), SaveOutcome::OpenFailed);
    ASSERT_EQ(lstat(pipe.c_str(), &info), 0);
    EXPECT_TRUE(S_ISFIFO(info.st_mode));
    EXPECT_TRUE(TemporaryFiles(folder).empty());
}

// The child's save stops at the n-th call of one system call, tells the
// test through a pipe, and waits there for its SIGTERM.
struct StopPoint {
    const char* call;
    int count;
};
StopPoint g_stop;
int g_calls;
int g_notify;

void StopIfThere(const char* call) {
    if (strcmp(call, g_stop.call) != 0 || ++g_calls != g_stop.count) return;
    if (::write(g_notify, "x", 1) != 1) _exit(3);
    for (;;) pause();
}

void SaveStoppingAt(const char* path) {
    PlatformOsCalls.write = [](int fd, const void* buffer, size_t bytes) -> ssize_t {
        // Half of each write first, so that a kill finds a partial file.
        ssize_t n = ::write(fd, buffer, bytes > 1 ? bytes / 2 : bytes);
        StopIfThere("write");
        return n;
    };
    PlatformOsCalls.fsync = [](int fd) {
        StopIfThere("fsync");
        return ::fsync(fd);
    };
    PlatformOsCalls.rename = [](const char* from, const char* to) {
        StopIfThere("rename");
        return ::rename(from, to);
    };
    WriteTextBufferFile(path);
}

TEST_F(SafeSaveTest, SaveKilledAtAnyPointLeavesTheOldOrTheNewFileWhole) {
    struct Case {
        StopPoint stop;
        bool replaced;  // the rename has happened when the kill comes
    };
    const Case cases[] = {
        {{"write", 1}, false},   // the first line half written
        {{"write", 150}, false}, // three quarters of the lines written
        {{"fsync", 1}, false},   // written, not yet flushed
        {{"rename", 1}, false},  // flushed, not yet in place
        {{"fsync", 2}, true},    // in place, the folder not yet flushed
    };
    for (const Case& c : cases) {
        const size_t leftBefore = TemporaryFiles(folder).size();
        WriteFile(path, oldText);
        int notify[2];
        ASSERT_EQ(pipe(notify), 0);
        pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            close(notify[0]);
            g_notify = notify[1];
            g_stop = c.stop;
            alarm(20);  // a stop point never reached must not hang the test
            SaveStoppingAt(path.c_str());
            _exit(0);
        }
        close(notify[1]);
        char byte;
        EXPECT_EQ(read(notify[0], &byte, 1), 1) << c.stop.call << " " << c.stop.count;
        close(notify[0]);
        kill(child, SIGTERM);
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM) << status;

        EXPECT_EQ(ReadFile(path), c.replaced ? newText : oldText) << c.stop.call << " " << c.stop.count;
        EXPECT_EQ(TemporaryFiles(folder).size(), leftBefore + (c.replaced ? 0u : 1u))
            << c.stop.call << " " << c.stop.count;
    }

    // A later save removes no file but its own temporary one: not what the
    // killed saves left, not a user's files named like temporary files, not
    // the file of a save still running (held open exclusively).
    for (const char* name : {"~snABCD.TMP", "~sn0001.TMP"}) WriteFile(folder + "/" + name, "the user's");
    HANDLE running = CreateFileA((folder + "/~sn0002.TMP").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(running, INVALID_HANDLE_VALUE);
    std::vector<std::string> before = TemporaryFiles(folder);
    ASSERT_TRUE(WriteTextBufferFile(path.c_str()));
    EXPECT_EQ(ReadFile(path), newText);
    std::vector<std::string> after = TemporaryFiles(folder);
    std::sort(before.begin(), before.end());
    std::sort(after.begin(), after.end());
    EXPECT_EQ(after, before);
    EXPECT_EQ(ReadFile(folder + "/~snABCD.TMP"), "the user's");
    EXPECT_EQ(ReadFile(folder + "/~sn0001.TMP"), "the user's");
    CloseHandle(running);
}

}  // namespace
