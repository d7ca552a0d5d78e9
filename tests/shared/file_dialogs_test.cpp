// The shared file dialogs: the path carried from dialog to dialog, the open
// dialog's result, and the save side with its overwrite question.
#include <sys/stat.h>

#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "shared/file_dialogs.h"
#include "tests/recon/recon_test_support.h"
#include "tests/support/long_paths.h"

using namespace recon_test;

namespace {

const char OverwriteEntry[] = "MessageBox|OverWrite?|\n Same file name exists. \n\n Overwrite OK? \n\n|33";

std::string Existing(const std::string& name) {
    const std::string path = ScratchPath(name);
    WriteBytes(path, "x", 1);
    return path;
}

std::string Open(const char* answer) {
    char destination[FileNameBytes];
    memset(destination, '#', sizeof destination);
    PlatformQueueModalAnswer(answer);
    AskOpenFileName(destination);
    return destination;
}

TEST(FileDialogs, FirstDialogOfTheProgramOpensWithAnEmptyName) {
    EXPECT_EXIT(
        {
            char destination[FileNameBytes];
            AskOpenFileName(destination);  // unattended: cancelled at once
            const std::string entry = PlatformModalLogEntry(PlatformModalLogCount() - 1);
            exit(entry == "OpenFile|" && destination[0] == 0 ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

// Paths up to the system's limit work as short ones; a longer one is named
// too long, with its length and the limit, and nothing is chosen.
TEST(FileDialogs, LongPathsUpToTheLimitAndANoticeBeyondIt) {
    const std::string deep = MakeDeepFolder(ScratchFolder(), 3900);
    const std::string path = deep + "/" + std::string(190, 'f') + ".txt";
    ASSERT_EQ(path.size(), 4095u);
    WriteBytes(path, "x", 1);
    EXPECT_EQ(Open(path.c_str()), path);
    std::string saved;
    PlatformQueueModalAnswer(path.c_str());
    PlatformQueueModalAnswer("ok");
    EXPECT_TRUE(AskSaveFileName(saved));
    EXPECT_EQ(saved, path);

    const std::string tooLong = deep + "/" + std::string(191, 'g') + ".txt";
    const int before = PlatformModalLogCount();
    PlatformQueueModalAnswer(tooLong.c_str());
    EXPECT_FALSE(AskSaveFileName(saved));
    const std::vector<std::string> modals = ModalsSince(before);
    ASSERT_EQ(modals.size(), 2u);
    EXPECT_EQ(modals[1], "MessageBox|Kelvane Message|\n The chosen path is too long: 4096 bytes;"
                         " the limit is 4095 bytes. \n|64");
    EXPECT_EQ(std::string(FileNameBuffer), path);  // the next dialog starts at the last good path
}

TEST(FileDialogs, OpenDialogGivesThePathAndTheNextDialogStartsThere) {
    const std::string path = Existing("chosen.txt");
    EXPECT_EQ(Open(path.c_str()), path);
    EXPECT_EQ(std::string(FileNameBuffer), path);
    EXPECT_STREQ(FrameworkState.FileTitleBuffer, "chosen.txt");

    const int before = PlatformModalLogCount();
    EXPECT_EQ(Open("cancel"), "");  // a cancelled dialog gives empty text
    EXPECT_EQ(ModalsSince(before), std::vector<std::string>{"OpenFile|" + path});
    EXPECT_EQ(std::string(FileNameBuffer), path);  // kept for the next dialog

    std::string saved;
    PlatformQueueModalAnswer("cancel");
    EXPECT_FALSE(AskSaveFileName(saved));
    EXPECT_EQ(ModalsSince(before).back(), "SaveFile|" + path);
}

TEST(FileDialogs, SavingUnderANewNameAsksNothing) {
    const std::string path = ScratchPath("new_picture.bmp");
    remove(path.c_str());
    const int before = PlatformModalLogCount();
    std::string saved;
    PlatformQueueModalAnswer(path.c_str());
    EXPECT_TRUE(AskSaveFileName(saved));
    EXPECT_EQ(saved, path);
    EXPECT_EQ(ModalsSince(before).size(), 1u);  // the dialog alone
}

TEST(FileDialogs, ExistingFileIsOverwrittenOnlyAfterOk) {
    const std::string path = Existing("kept.txt");
    std::string saved = "stale";
    const int before = PlatformModalLogCount();
    PlatformQueueModalAnswer(path.c_str());
    PlatformQueueModalAnswer("cancel");
    EXPECT_FALSE(AskSaveFileName(saved));
    EXPECT_EQ(saved, "");
    std::vector<std::string> modals = ModalsSince(before);
    ASSERT_EQ(modals.size(), 2u);
    EXPECT_EQ(modals[1], OverwriteEntry);

    PlatformQueueModalAnswer(path.c_str());
    PlatformQueueModalAnswer("ok");
    EXPECT_TRUE(AskSaveFileName(saved));
    EXPECT_EQ(saved, path);
    EXPECT_EQ(ModalsSince(before).back(), OverwriteEntry);
}

TEST(FileDialogs, CancelledSaveDialogAsksNothing) {
    std::string saved = "stale";
    const int before = PlatformModalLogCount();
    PlatformQueueModalAnswer("cancel");
    EXPECT_FALSE(AskSaveFileName(saved));
    EXPECT_EQ(saved, "");
    EXPECT_EQ(ModalsSince(before).size(), 1u);
}

// Paths of 256 to 259 bytes fit the shared buffer and come back whole.
TEST(FileDialogs, SavePathLongerThan255BytesIsKeptWhole) {
    std::string folder = ScratchPath(std::string(200, 'd'));
    mkdir(folder.c_str(), 0755);
    std::string path = folder + "/";
    path += std::string(258 - path.size() - 4, 'n') + ".txt";
    ASSERT_EQ(path.size(), 258u);
    remove(path.c_str());
    std::string saved;
    PlatformQueueModalAnswer(path.c_str());
    EXPECT_TRUE(AskSaveFileName(saved));
    EXPECT_EQ(saved, path);
}

}  // namespace
