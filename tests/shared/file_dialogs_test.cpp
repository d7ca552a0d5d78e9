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

// MB_OKCANCEL | MB_ICONQUESTION | MB_DEFBUTTON2: Return answers Cancel.
const char OverwriteEntry[] = "MessageBox|OverWrite?|\n Same file name exists. \n\n Overwrite OK? \n\n|289";

std::string Existing(const std::string& name) {
    const std::string path = ScratchPath(name);
    WriteBytes(path, "x", 1);
    return path;
}

// The save dialog of the TextBuffer command.
bool Save(std::string& path) { return AskSaveFileName(FrameworkState.LastTextSavePath, ".txt", path); }

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
    EXPECT_TRUE(Save(saved));
    EXPECT_EQ(saved, path);

    const std::string tooLong = deep + "/" + std::string(191, 'g') + ".txt";
    const int before = PlatformModalLogCount();
    PlatformQueueModalAnswer(tooLong.c_str());
    EXPECT_FALSE(Save(saved));
    const std::vector<std::string> modals = ModalsSince(before);
    ASSERT_EQ(modals.size(), 2u);
    EXPECT_EQ(modals[1], "MessageBox|Kelvane Message|\n The chosen path is too long: 4096 bytes;"
                         " the limit is 4095 bytes. \n|64");
    EXPECT_EQ(std::string(FrameworkState.LastTextSavePath), path);  // the next save starts at the last good path
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
    EXPECT_FALSE(Save(saved));
    EXPECT_NE(ModalsSince(before).back(), "SaveFile|" + path);  // a save never proposes an opened file
    EXPECT_EQ(Open("cancel"), "");
    EXPECT_EQ(ModalsSince(before).back(), "OpenFile|" + path);  // nor changes what the open dialog shows
}

TEST(FileDialogs, SavingUnderANewNameAsksNothing) {
    const std::string path = ScratchPath("new_picture.bmp");
    remove(path.c_str());
    const int before = PlatformModalLogCount();
    std::string saved;
    PlatformQueueModalAnswer(path.c_str());
    EXPECT_TRUE(Save(saved));
    EXPECT_EQ(saved, path);
    EXPECT_EQ(ModalsSince(before).size(), 1u);  // the dialog alone
}

TEST(FileDialogs, ExistingFileIsOverwrittenOnlyAfterOk) {
    const std::string path = Existing("kept.txt");
    std::string saved = "stale";
    const int before = PlatformModalLogCount();
    PlatformQueueModalAnswer(path.c_str());
    PlatformQueueModalAnswer("cancel");
    EXPECT_FALSE(Save(saved));
    EXPECT_EQ(saved, "");
    std::vector<std::string> modals = ModalsSince(before);
    ASSERT_EQ(modals.size(), 2u);
    EXPECT_EQ(modals[1], OverwriteEntry);

    PlatformQueueModalAnswer(path.c_str());
    PlatformQueueModalAnswer("ok");
    EXPECT_TRUE(Save(saved));
    EXPECT_EQ(saved, path);
    EXPECT_EQ(ModalsSince(before).back(), OverwriteEntry);
}

TEST(FileDialogs, CancelledSaveDialogAsksNothing) {
    std::string saved = "stale";
    const int before = PlatformModalLogCount();
    PlatformQueueModalAnswer("cancel");
    EXPECT_FALSE(Save(saved));
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
    EXPECT_TRUE(Save(saved));
    EXPECT_EQ(saved, path);
}

// Enter twice in a save dialog never replaces a file: each save command
// proposes the path it saved last, or a new name in the current folder made
// of the sinogram and the method, and Return in the overwrite question
// answers Cancel. The open dialogs keep showing the last opened file.
TEST(FileDialogs, SavesProposeNewNamesNeverAnOpenedFile) {
    const std::string folder = ScratchPath("proposals");
    mkdir(folder.c_str(), 0755);
    char previous[FileNameBytes];
    ASSERT_NE(getcwd(previous, sizeof previous), nullptr);
    ASSERT_EQ(chdir(folder.c_str()), 0);
    WriteBytes(folder + "/phantom.txt", "mine", 4);  // a user's file, never proposed
    const std::string sinogram = Existing("phantom.sino");
    ASSERT_EQ(Open(sinogram.c_str()), sinogram);

    char* const text = FrameworkState.LastTextSavePath;
    char* const graphic = FrameworkState.LastGraphicSavePath;
    const struct Step {
        const char* loaded;  // NameSavesAfter(loaded, tag) first, unless null
        const char* tag;
        char* lastSaved;
        const char* extension;
        const char* answer;  // the dialog's; then "return" to an overwrite question
        std::string proposed;
        bool chosen;
    } steps[] = {
        {nullptr, nullptr, text, ".txt", "cancel", "sinora.txt", false},  // nothing loaded yet
        {sinogram.c_str(), nullptr, text, ".txt", "cancel", "phantom_2.txt", false},
        {sinogram.c_str(), nullptr, graphic, ".bmp", "cancel", "phantom.bmp", false},
        {sinogram.c_str(), "fbp", text, ".txt", "return", "phantom_fbp.txt", true},
        {nullptr, nullptr, text, ".txt", "return", folder + "/phantom_fbp.txt", false},  // exists: Cancel
        {nullptr, nullptr, graphic, ".bmp", "return", "phantom_fbp.bmp", true},
        {"/elsewhere/a.b.sino", "bp", graphic, ".bmp", "cancel", folder + "/phantom_fbp.bmp", false},
        {"/elsewhere/a.b.sino", "bp", text, ".txt", "cancel", folder + "/phantom_fbp.txt", false},
    };
    for (const Step& step : steps) {
        if (step.loaded) NameSavesAfter(step.loaded, step.tag);
        const std::string shown = step.proposed + " " + step.answer;
        // Only a proposed file that exists (the one saved last) is asked about.
        const bool asks = step.answer == std::string("return") && step.proposed[0] == '/';
        const int before = PlatformModalLogCount();
        PlatformQueueModalAnswer(step.answer);
        if (asks) PlatformQueueModalAnswer("return");
        std::string saved;
        EXPECT_EQ(AskSaveFileName(step.lastSaved, step.extension, saved), step.chosen) << shown;
        const std::vector<std::string> modals = ModalsSince(before);
        ASSERT_FALSE(modals.empty()) << shown;
        EXPECT_EQ(modals[0], "SaveFile|" + step.proposed) << shown;
        if (step.chosen) {
            EXPECT_EQ(saved, folder + "/" + step.proposed) << shown;
            WriteBytes(saved, "saved", 5);
        }
        EXPECT_EQ(modals.size() > 1 && modals[1] == OverwriteEntry, asks) << shown;
    }
    std::string stems;
    for (const auto& named : {std::make_pair("data/point", ""), std::make_pair("x/.hidden", "bp"),
                              std::make_pair("/a.b/c.d.sino", "fbp")}) {
        NameSavesAfter(named.first, named.second);
        stems += std::string(FrameworkState.SaveNameStem) + " ";
    }
    EXPECT_EQ(stems, "point .hidden_bp c.d_fbp ");
    EXPECT_EQ(Open("cancel"), "");
    EXPECT_EQ(PlatformModalLogEntry(PlatformModalLogCount() - 1), "OpenFile|" + sinogram);
    ASSERT_EQ(chdir(previous), 0);
}

// A file named on the command line is what the first open dialog shows:
// Return alone opens it, and a missing one is refused as when typed.
TEST(FileDialogs, OpenDialogStartsAtTheFileNamedOnTheCommandLine) {
    const std::string present = Existing("named.sino");
    const std::string missing = ScratchPath("never_made.sino");
    for (const std::string& named : {present, missing}) {
        StartOpenDialogsAt(named.c_str());
        char destination[FileNameBytes];
        const int before = PlatformModalLogCount();
        PlatformQueueModalAnswer("return");
        const DialogOutcome outcome = AskOpenFileName(destination);
        EXPECT_EQ(ModalsSince(before).front(), "OpenFile|" + named);
        EXPECT_EQ(outcome, named == present ? DialogOutcome::Chosen : DialogOutcome::Cancelled) << named;
        EXPECT_EQ(std::string(destination), named == present ? present : "") << named;
    }
}

}  // namespace
