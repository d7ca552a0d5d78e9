// The outputs of a command: special files written in place, no output that
// is an input or another output under any name, and all outputs or none,
// even when a rename fails half way (the system calls of file_calls.h
// replaced to make them fail) or a signal ends the process; no symbolic link
// followed that another user planted in a shared folder; temporary files
// whose names fit beside any output's.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "tests/lab/lab_test_support.h"
#include "lab/files/file_calls.h"
#include "lab/core/lab_error.h"
#include "lab/files/output_files.h"
#include "lab/files/signal_cleanup.h"

using namespace lab_test;

namespace {

void WriteText(const std::string& path, const std::string& text) { WriteBytes(path, text.data(), text.size()); }

// A folder of its own for one case, empty.
std::string FreshFolder(const std::string& name) {
    const std::string folder = ScratchPath(name);
    std::filesystem::remove_all(folder);
    std::filesystem::create_directory(folder);
    return folder;
}

// The names in `folder` that are the lab's temporary files.
std::vector<std::string> Temporaries(const std::string& folder) {
    std::vector<std::string> found;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        const std::string name = entry.path().filename().string();
        if (name.rfind(".sinora-lab-", 0) == 0) found.push_back(name);
    }
    return found;
}

bool Exists(const std::string& path) {
    struct stat info;
    return lstat(path.c_str(), &info) == 0;
}

// Puts the system's calls back whatever a test did to the table.
struct RealCallsAfterwards {
    ~RealCallsAfterwards() { lab::RestoreLabFileCalls(); }
};

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
    EXPECT_TRUE(Temporaries(ScratchFolder()).empty());
}

// Linux's fs.protected_symlinks, whatever the system's setting: in a sticky
// folder that everyone may write to, a link is followed only when it belongs
// to the caller or to the folder's owner. Making files of other users needs
// root (CI runs as root).
TEST(OutputFiles, LinksPlantedInSharedFoldersAreNotFollowed) {
    if (geteuid() != 0) GTEST_SKIP() << "needs root to make links that other users own";
    const uid_t other = 4242, folderOwner = 4343;
    const struct {
        const char* what;
        mode_t folderMode;
        uid_t folderUid;
        uid_t linkUid;
        const char* linkTo;  // "secret", "device", "fifo", "folder" (a link to a folder on the way)
        bool refused;
    } cases[] = {
        {"another user's link in a sticky folder", 01777, 0, other, "secret", true},
        {"another user's link to a device", 01777, 0, other, "device", true},
        {"another user's link to a folder on the way", 01777, 0, other, "folder", true},
        {"another user's FIFO in a sticky folder", 01777, 0, other, "fifo", true},
        {"the caller's own link", 01777, folderOwner, 0, "secret", false},
        {"the caller's own link to a device, written in place", 01777, 0, 0, "device", false},
        {"the folder owner's link", 01777, folderOwner, folderOwner, "secret", false},
        {"another user's link in a folder that is not sticky", 0777, 0, other, "secret", false},
        {"another user's link in a sticky folder only its owner writes to", 01755, 0, other, "secret", false},
    };
    int n = 0;
    for (const auto& c : cases) {
        const std::string base = FreshFolder("links" + std::to_string(n++));
        const std::string shared = base + "/shared", privateFolder = base + "/private";
        std::filesystem::create_directory(shared);
        std::filesystem::create_directory(privateFolder);
        const std::string secret = privateFolder + "/secret.txt";
        WriteText(secret, "secret");
        std::string output = shared + "/x.sino";
        const std::string target = std::string(c.linkTo) == "device"   ? "/dev/null"
                                   : std::string(c.linkTo) == "folder" ? privateFolder
                                                                       : secret;
        if (std::string(c.linkTo) == "fifo") {
            ASSERT_EQ(mkfifo(output.c_str(), 0666), 0);
        } else {
            ASSERT_EQ(symlink(target.c_str(), (shared + "/x.sino").c_str()), 0);
        }
        if (std::string(c.linkTo) == "folder") output = shared + "/x.sino/secret.txt";
        ASSERT_EQ(lchown((shared + "/x.sino").c_str(), c.linkUid, c.linkUid), 0);
        ASSERT_EQ(chown(shared.c_str(), c.folderUid, c.folderUid), 0);
        ASSERT_EQ(chmod(shared.c_str(), c.folderMode), 0);
        const std::string failure = Failure([&] {
            lab::OutputFiles outputs;
            outputs.Claim(output);
            if (std::string(c.linkTo) == "fifo") return;  // nobody reads it
            outputs.Stage(output, "sinogram");
            outputs.Commit();
        });
        EXPECT_EQ(!failure.empty(), c.refused) << c.what << ": " << failure;
        if (c.refused) {
            EXPECT_EQ(failure.rfind("cannot write " + output + ": the ", 0), 0u) << failure;
            EXPECT_NE(failure.find("belongs to uid 4242"), std::string::npos) << failure;
            EXPECT_NE(failure.find(std::string("fs.protected_") + (std::string(c.linkTo) == "fifo" ? "fifos" : "symlinks")),
                      std::string::npos)
                << failure;
        }
        if (std::string(c.linkTo) == "secret" || std::string(c.linkTo) == "folder") {
            EXPECT_EQ(FileBytes(secret), c.refused ? "secret" : "sinogram") << c.what;
        }
        EXPECT_TRUE(Temporaries(shared).empty() && Temporaries(privateFolder).empty()) << c.what;
    }
}

// A replaced file keeps its permissions, but never a set-user-ID or
// set-group-ID bit: the lab's bytes are no program of its owner's.
TEST(OutputFiles, AReplacedFileLosesSetUserAndGroupIds) {
    const struct {
        mode_t before, after;
    } cases[] = {{04755, 0755}, {02750, 0750}, {06777, 0777}, {01644, 0644}, {0600, 0600}};
    for (const auto& c : cases) {
        const std::string path = ScratchPath("modes.npy");
        WriteText(path, "old");
        ASSERT_EQ(chmod(path.c_str(), c.before), 0);
        lab::OutputFiles outputs;
        outputs.Claim(path);
        outputs.Stage(path, "new");
        outputs.Commit();
        struct stat info;
        ASSERT_EQ(stat(path.c_str(), &info), 0);
        EXPECT_EQ(info.st_mode & 07777, c.after) << std::oct << c.before;
        EXPECT_EQ(FileBytes(path), "new");
    }
}

// The seam's rename, as a file system with faults would do it: every rename
// to or from `immutable` fails as over a file with chattr +i; the first
// `stuckAfter` renames to or from `stuck` work, later ones fail (a file that
// cannot be put back); `noExchange`: RENAME_EXCHANGE is unsupported, as on
// some file systems.
struct RenameFaults {
    static inline lab::LabFileCallTable real;
    static inline std::string immutable, stuck;
    static inline int stuckAfter = 0;
    static inline bool noExchange = false;
    static inline int stuckDone = 0;

    static void Install(const std::string& immutableName, const std::string& stuckName, int after, bool withoutExchange) {
        real = lab::LabFileCalls;
        immutable = immutableName;
        stuck = stuckName;
        stuckAfter = after;
        noExchange = withoutExchange;
        stuckDone = 0;
        lab::LabFileCalls.renameat2 = Rename;
    }
    static int Rename(int fromFolder, const char* from, int toFolder, const char* to, unsigned flags) {
        const std::string a = from, b = to;
        if (noExchange && (flags & RENAME_EXCHANGE)) return errno = EINVAL, -1;
        if (a == immutable || b == immutable) return errno = EPERM, -1;
        const bool touchesStuck = a == stuck || b == stuck;
        if (touchesStuck && stuckDone >= stuckAfter) return errno = EIO, -1;
        const int result = real.renameat2(fromFolder, from, toFolder, to, flags);
        if (result == 0 && touchesStuck) ++stuckDone;
        return result;
    }
};

// Three outputs, a.npy and c.npy replacing files and b.npy new: a rename
// that fails leaves all three as they were, whichever it is and whether the
// file system exchanges files or the old ones are renamed aside. When a file
// cannot be put back either, the message says where its old content is.
TEST(OutputFiles, ARenameThatFailsPutsBackEveryFileAlreadyReplaced) {
    const RealCallsAfterwards restore;
    const struct {
        const char* what;
        const char* immutable;
        const char* stuck;  // "" none
        int stuckAfter;
        bool noExchange;
        const char* failure;  // after "cannot write FOLDER/"; "" written
    } cases[] = {
        {"the last output immutable", "c.npy", "", 0, false, "c.npy: Operation not permitted; no file was changed"},
        {"the last immutable, no exchange", "c.npy", "", 0, true, "c.npy: Operation not permitted; no file was changed"},
        {"the first output immutable", "a.npy", "", 0, false, "a.npy: Operation not permitted; no file was changed"},
        {"the new output's rename refused", "b.npy", "", 0, false, "b.npy: Operation not permitted; no file was changed"},
        {"the new output's, no exchange", "b.npy", "", 0, true, "b.npy: Operation not permitted; no file was changed"},
        {"every rename works, no exchange", "", "", 0, true, ""},
        {"every rename works", "", "", 0, false, ""},
        {"the first cannot be put back", "c.npy", "a.npy", 1, false, "c.npy: Operation not permitted; FOLDER/a.npy is new"},
        {"the first cannot be put back, no exchange", "c.npy", "a.npy", 2, true,
         "c.npy: Operation not permitted; FOLDER/a.npy is new"},
    };
    int n = 0;
    for (const auto& c : cases) {
        const std::string folder = FreshFolder("renames" + std::to_string(n++));
        const std::string a = folder + "/a.npy", b = folder + "/b.npy", cc = folder + "/c.npy";
        WriteText(a, "old a");
        WriteText(cc, "old c");
        RenameFaults::Install(c.immutable, c.stuck, c.stuckAfter, c.noExchange);
        const std::string failure = Failure([&] {
            lab::OutputFiles outputs;
            for (const std::string& path : {a, b, cc}) outputs.Claim(path);
            for (const std::string& path : {a, b, cc}) outputs.Stage(path, "new " + path.substr(path.size() - 5, 1));
            outputs.Commit();
        });
        lab::RestoreLabFileCalls();
        std::string expected = c.failure;
        for (size_t at; (at = expected.find("FOLDER")) != std::string::npos;) expected.replace(at, 6, folder);
        // The system's own words, in the locale's language.
        if (const size_t at = expected.find("Operation not permitted"); at != std::string::npos)
            expected.replace(at, 23, std::strerror(EPERM));
        if (expected.empty()) {
            EXPECT_EQ(failure, "") << c.what;
            EXPECT_EQ(FileBytes(a), "new a") << c.what;
            EXPECT_EQ(FileBytes(b), "new b") << c.what;
            EXPECT_EQ(FileBytes(cc), "new c") << c.what;
            EXPECT_TRUE(Temporaries(folder).empty()) << c.what;
            continue;
        }
        EXPECT_EQ(failure.rfind("cannot write " + folder + "/" + expected, 0), 0u) << c.what << ": " << failure;
        EXPECT_EQ(FileBytes(cc), "old c") << c.what;
        EXPECT_FALSE(Exists(b)) << c.what;
        if (std::string(c.stuck).empty()) {
            EXPECT_EQ(FileBytes(a), "old a") << c.what;
            EXPECT_TRUE(Temporaries(folder).empty()) << c.what;
        } else {
            // a.npy stays new; its old content is kept under the name said.
            EXPECT_EQ(FileBytes(a), "new a") << c.what;
            const std::vector<std::string> kept = Temporaries(folder);
            ASSERT_EQ(kept.size(), 1u) << c.what;
            EXPECT_NE(failure.find("its old content is in " + folder + "/" + kept[0]), std::string::npos) << failure;
            EXPECT_EQ(FileBytes(folder + "/" + kept[0]), "old a") << c.what;
        }
    }
}

// Any name the folder allows is an output: the temporary file's name is
// short and fixed in length, not the output's name lengthened.
TEST(OutputFiles, TemporaryNamesFitBesideTheLongestNames) {
    const std::string folder = FreshFolder("long");
    for (const size_t length : {1u, 200u, 247u, 248u, 251u, 255u}) {
        const std::string path = folder + "/" + std::string(length - 1, 'n') + "x";
        const std::string failure = Failure([&] {
            lab::OutputFiles outputs;
            outputs.Claim(path);
            outputs.Stage(path, "slice");
            const std::vector<std::string> staged = Temporaries(folder);
            ASSERT_EQ(staged.size(), 1u);
            EXPECT_EQ(staged[0].size(), 20u) << staged[0];
            outputs.Commit();
        });
        EXPECT_EQ(failure, "") << length;
        EXPECT_EQ(FileBytes(path), "slice") << length;
    }
    EXPECT_TRUE(Temporaries(folder).empty());
}

// In a child process: two outputs staged (and a folder with a file in it
// registered, as the window registers its own), then `signal`; or the
// signal raised by the first rename of the commit, `duringCommit`. Returns
// the child's wait status.
int StagedAndSignalled(const std::string& folder, int signal, bool duringCommit) {
    fflush(nullptr);
    const pid_t child = fork();
    if (child == 0) {
        static int raised;
        raised = signal;
        lab::OutputFiles outputs;
        for (const char* name : {"/old.npy", "/new.npy"}) outputs.Claim(folder + name);
        for (const char* name : {"/old.npy", "/new.npy"}) outputs.Stage(folder + name, "new");
        std::filesystem::create_directory(folder + "/window-XXXXXX");
        WriteText(folder + "/window-XXXXXX/designed.txt", "taps");
        const lab::RemovedOnSignal windowFolder(folder + "/window-XXXXXX", true);
        const lab::RemovedOnSignal designed(folder + "/window-XXXXXX/designed.txt", false);
        if (!duringCommit) raise(signal);
        static lab::LabFileCallTable real;
        real = lab::LabFileCalls;
        lab::LabFileCalls.renameat2 = [](int fromFolder, const char* from, int toFolder, const char* to, unsigned flags) {
            raise(raised);  // waits: the commit finishes first
            return real.renameat2(fromFolder, from, toFolder, to, flags);
        };
        outputs.Commit();
        _exit(0);  // not reached: the signal ends the process
    }
    int status = 0;
    waitpid(child, &status, 0);
    return status;
}

// SIGINT, SIGTERM and SIGHUP remove every temporary file (and the window's
// folder) and end the process by the same signal; during a commit the
// signal waits until every file is in place.
TEST(OutputFiles, ASignalRemovesEveryTemporaryFileAndEndsTheProcess) {
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        for (const bool duringCommit : {false, true}) {
            const std::string folder = FreshFolder("signal" + std::to_string(signal) + (duringCommit ? "c" : ""));
            WriteText(folder + "/old.npy", "old");
            const int status = StagedAndSignalled(folder, signal, duringCommit);
            EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal) << signal << " " << status;
            EXPECT_TRUE(Temporaries(folder).empty()) << signal;
            EXPECT_FALSE(Exists(folder + "/window-XXXXXX")) << signal;
            EXPECT_EQ(FileBytes(folder + "/old.npy"), duringCommit ? "new" : "old") << signal;
            EXPECT_EQ(Exists(folder + "/new.npy"), duringCommit) << signal;
        }
    }
}

}  // namespace
