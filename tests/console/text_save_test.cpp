// Saving the TextBuffer: the file's bytes, the dialog with its overwrite
// question, and failures reported as failures.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "tests/support/app_windows.h"
#include "tests/support/temp_folder.h"
#include "console/text_print.h"
#include "console/text_save.h"
#include "tests/support/long_paths.h"
#include "tests/support/time_limit.h"

namespace {

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

class TextSaveTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(EnsureAppWindows().result, 1);
        ResetConsole(1);
        ASSERT_FALSE(scratch.path().empty());
        dir = scratch.path();
        path = dir + "/console.txt";
    }
    void TearDown() override { ResetConsole(1); }
    // Menu command 6 with the dialog answered by `answers`; returns the modal
    // log of the command.
    std::string SaveThroughMenu(std::initializer_list<const char*> answers) {
        for (const char* answer : answers) PlatformQueueModalAnswer(answer);
        const int first = ModalLogSize();
        SendMessageA(FrameworkState.ConsoleWindow, WM_COMMAND, 6, 0);
        return ModalLogSince(first);
    }
    TempFolder scratch{"sinora_save_"};
    std::string dir, path;
};

TEST_F(TextSaveTest, SingleEmptyLineIsCrLf) {
    ASSERT_TRUE(WriteTextBufferFile(path.c_str()));
    EXPECT_EQ(ReadFile(path), "\r\n");
}

TEST_F(TextSaveTest, NewestTwoHundredLinesOldestFirst) {
    for (int i = 0; i < 250; ++i) TextPrint("line %d\n", i);
    TextPrint("now");
    ASSERT_TRUE(WriteTextBufferFile(path.c_str()));
    std::string expected;
    for (int i = 51; i < 250; ++i) expected += "line " + std::to_string(i) + "\r\n";
    expected += "now\r\n";
    EXPECT_EQ(ReadFile(path), expected);
    EXPECT_EQ(FrameworkState.LineCount, 200);  // saving changes nothing
}

TEST_F(TextSaveTest, SaveThroughTheDialog) {
    TextPrint("first\nsecond");
    std::string log = SaveThroughMenu({path.c_str()});
    EXPECT_EQ(ReadFile(path), "first\r\nsecond\r\n");
    EXPECT_EQ(log.find("OverWrite?"), std::string::npos) << log;  // new file: no question
    EXPECT_NE(log.find("MessageBox|Kelvane Message|Saved TextBuffer|64"), std::string::npos) << log;
}

TEST_F(TextSaveTest, OverwriteQuestion) {
    TextPrint("new");
    const std::string question = "MessageBox|OverWrite?|\n Same file name exists. \n\n Overwrite OK? \n\n|289";

    WriteFile(path, "old content\n");
    std::string log = SaveThroughMenu({path.c_str(), "cancel"});
    EXPECT_NE(log.find(question), std::string::npos) << log;
    EXPECT_EQ(log.find("Saved TextBuffer"), std::string::npos) << log;
    EXPECT_EQ(ReadFile(path), "old content\n");

    log = SaveThroughMenu({path.c_str(), "ok"});
    EXPECT_NE(log.find(question), std::string::npos) << log;
    EXPECT_NE(log.find("Saved TextBuffer"), std::string::npos) << log;
    EXPECT_EQ(ReadFile(path), "new\r\n");
}

TEST_F(TextSaveTest, FailuresAreReportedAndWriteNothing) {
    // A folder that does not exist: the open fails and nothing is created.
    const std::string missing = dir + "/missing/console.txt";
    EXPECT_FALSE(WriteTextBufferFile(missing.c_str()));
    EXPECT_NE(access((dir + "/missing").c_str(), F_OK), 0);
    // A device is never replaced by a file, nor written to.
    if (access("/dev/full", W_OK) == 0) {
        TextPrint("one short line");
        EXPECT_FALSE(WriteTextBufferFile("/dev/full"));
        for (int i = 0; i < 60; ++i) TextPrint("\n%s", std::string(150, 'x').c_str());
        EXPECT_FALSE(WriteTextBufferFile("/dev/full"));
        std::string log = SaveThroughMenu({"/dev/full", "ok"});
        EXPECT_NE(log.find("MessageBox|Kelvane Message|Failed to save|64"), std::string::npos) << log;
        EXPECT_EQ(log.find("Saved TextBuffer"), std::string::npos) << log;
    }
    // A named pipe exists, so the user is asked; then it is refused at once
    // (nothing waits for a reader) and stays a pipe.
    const std::string pipe = dir + "/pipe";
    ASSERT_EQ(mkfifo(pipe.c_str(), 0644), 0);
    EXPECT_FINISHES_WITHIN(20, {
        std::string log = SaveThroughMenu({pipe.c_str(), "ok"});
        EXPECT_NE(log.find("OverWrite?"), std::string::npos) << log;
        EXPECT_NE(log.find("MessageBox|Kelvane Message|Failed to save|64"), std::string::npos) << log;
        struct stat info;
        EXPECT_EQ(lstat(pipe.c_str(), &info), 0);
        EXPECT_TRUE(S_ISFIFO(info.st_mode));
    });
    unlink(pipe.c_str());
}

TEST_F(TextSaveTest, PathOfFourThousandBytesSaves) {
    const std::string deep = MakeDeepFolder(dir, 4000);
    const std::string longPath = deep + "/" + std::string(95 - 1, 'c');
    ASSERT_EQ(longPath.size(), 4095u);
    TextPrint("deep");
    const std::string log = SaveThroughMenu({longPath.c_str()});
    EXPECT_NE(log.find("Saved TextBuffer"), std::string::npos) << log;
    EXPECT_EQ(ReadFile(longPath), "deep\r\n");
    std::filesystem::remove_all(dir + "/" + std::string(200, 'd'));
}

}  // namespace
