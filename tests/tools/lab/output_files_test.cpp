// The outputs of a command: special files written in place, no output that
// is an input or another output under any name, and all outputs or none.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

#include "lab_test_support.h"
#include "tools/lab/lab_error.h"
#include "tools/lab/output_files.h"

using namespace lab_test;

namespace {

void WriteText(const std::string& path, const std::string& text) { WriteBytes(path, text.data(), text.size()); }

TEST(OutputFiles, RefusesFoldersAndOutputsThatAreInputsOrEachOther) {
    const std::string input = ScratchPath("in.png"), hardLink = ScratchPath("hard.png"), softLink = ScratchPath("soft.png");
    WriteText(input, "picture");
    ASSERT_EQ(link(input.c_str(), hardLink.c_str()), 0);
    ASSERT_EQ(symlink(input.c_str(), softLink.c_str()), 0);
    const struct {
        const char* what;
        std::function<void(lab::OutputFiles&)> claims;
        std::string failure;  // the start of the message; "" accepted
    } cases[] = {
        {"a folder", [&](auto& o) { o.Claim(ScratchFolder()); }, "cannot write " + ScratchFolder() + ": it is a folder"},
        {"a missing folder", [&](auto& o) { o.Claim(ScratchPath("none/x.sino")); }, "cannot write " + ScratchPath("none/x.sino") + ": the folder"},
        {"the input", [&](auto& o) { o.AddInput(input); o.Claim(input); }, "cannot write " + input + ": it is the input"},
        {"a hard link to the input", [&](auto& o) { o.AddInput(input); o.Claim(hardLink); }, "cannot write " + hardLink + ": it is the input"},
        {"a symbolic link to the input", [&](auto& o) { o.AddInput(input); o.Claim(softLink); }, "cannot write " + softLink + ": it is the input"},
        {"one new file twice", [&](auto& o) { o.Claim(ScratchPath("o")); o.Claim(ScratchFolder() + "/./o"); }, "cannot write " + ScratchFolder() + "/./o: it is also the output"},
        {"one old file twice", [&](auto& o) { o.Claim(hardLink); o.Claim(input); }, "cannot write " + input + ": it is also the output"},
        {"a device", [&](auto& o) { o.Claim("/dev/null"); }, ""},
        {"options not given", [&](auto& o) { o.AddInput(""); o.Claim(""); }, ""},
    };
    for (const auto& c : cases) {
        lab::OutputFiles outputs;
        std::string failure;
        try {
            c.claims(outputs);
        } catch (const lab::LabError& error) {
            failure = error.what();
        }
        EXPECT_EQ(failure.substr(0, c.failure.size()), c.failure) << c.what << ": " << failure;
        EXPECT_EQ(failure.empty(), c.failure.empty()) << c.what;
    }
}

TEST(OutputFiles, DevicesAndFifosAreWrittenInPlaceRegularFilesReplaced) {
    const std::string fifo = ScratchPath("pipe"), regular = ScratchPath("old.txt");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    WriteText(regular, "old");
    ASSERT_EQ(chmod(regular.c_str(), 0640), 0);
    std::string fromFifo;
    std::thread reader([&] { fromFifo = FileBytes(fifo); });
    {
        lab::OutputFiles outputs;
        for (const std::string& path : {std::string("/dev/null"), fifo, regular}) outputs.Claim(path);
        outputs.Stage("/dev/null", "to the device");
        outputs.Stage(fifo, "through the pipe");
        outputs.Stage(regular, "new");
        outputs.Commit();
    }
    reader.join();
    struct stat device, pipe, file;
    ASSERT_TRUE(stat("/dev/null", &device) == 0 && stat(fifo.c_str(), &pipe) == 0 && stat(regular.c_str(), &file) == 0);
    EXPECT_TRUE(S_ISCHR(device.st_mode) && S_ISFIFO(pipe.st_mode));
    EXPECT_EQ(fromFifo, "through the pipe");
    EXPECT_EQ(FileBytes(regular), "new");
    EXPECT_EQ(file.st_mode & 0777, 0640u);  // a replaced file keeps its permissions
}

TEST(OutputFiles, AFailureBeforeCommitLeavesEveryTargetAsItWas) {
    const std::string first = ScratchPath("first.sino"), folder = ScratchPath("gone");
    WriteText(first, "old");
    std::filesystem::create_directory(folder);
    {
        lab::OutputFiles outputs;
        outputs.Claim(first);
        outputs.Claim(folder + "/second.png");
        outputs.Stage(first, "new");
        std::filesystem::remove(folder);  // the second output can no longer be written
        EXPECT_THROW(outputs.Stage(folder + "/second.png", "png"), lab::LabError);
    }
    EXPECT_EQ(FileBytes(first), "old");
    for (const auto& entry : std::filesystem::directory_iterator(ScratchFolder()))
        EXPECT_NE(entry.path().filename().string().rfind(".first.sino", 0), 0u) << "temporary left: " << entry.path();
}

}  // namespace
