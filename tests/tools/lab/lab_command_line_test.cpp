// sinora-lab as a user runs it: its status, one line of its own per failure
// (the libraries' lines only with --verbose), each option's range, --version,
// the field it reports, and pydicom's test files, none of which may end it
// by a signal.
#include <QImage>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <regex>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>

#include "lab_test_support.h"

using namespace lab_test;

namespace {

const std::string PydicomFiles = "/usr/lib/python3/dist-packages/pydicom/data/test_files/";

struct LabRun {
    int status = -1;  // the exit status; -1 when a signal ended it
    std::string out, err;
    int errLines() const { return static_cast<int>(std::count(err.begin(), err.end(), '\n')); }
};

LabRun RunLab(const std::string& arguments) {
    const std::string command = "cd " + ScratchFolder() + " && " SINORA_BINARY_DIR "/tools/sinora-lab " + arguments +
                                " >lab.out 2>lab.err";
    const int status = std::system(command.c_str());
    // The shell reports a child's signal as 128 + its number.
    const bool exited = WIFEXITED(status) && WEXITSTATUS(status) < 128;
    return {exited ? WEXITSTATUS(status) : -1, FileBytes(ScratchPath("lab.out")), FileBytes(ScratchPath("lab.err"))};
}

TEST(LabCommandLine, StatusOneLinePerFailureVersionAndField) {
    ASSERT_TRUE(QImage(300, 200, QImage::Format_Grayscale8).save(QString::fromStdString(ScratchPath("p.png"))));
    // A FIFO that nobody writes to: every command refuses it at once.
    std::filesystem::remove(ScratchPath("nobody.fifo"));
    ASSERT_EQ(mkfifo(ScratchPath("nobody.fifo").c_str(), 0600), 0);
    const struct {
        std::string arguments;
        int status;
        std::string said;  // a part of standard output, or of the one line on standard error
    } cases[] = {
        {"--version", 0, "."},
        {"phantom disc -o n.sino --noise 1e19", 2, "--noise: '1e19' is not a number from 1 to 1e+15"},
        {"phantom disc -o n.sino --noise inf", 2, "--noise: 'inf' is not a number from 1 to 1e+15"},
        {"phantom disc -o n.sino --noise 1e-300", 2, "--noise: '1e-300' is not a number"},
        {"phantom disc -o n.sino --seed 18446744073709551616", 2, "is not a whole number from 0 to"},
        {"sinogram p.png -o n.sino --fov 1e300", 2, "--fov: '1e300' is not a number from 1 to 65536"},
        {"sinogram p.png -o n.sino --frame 99999999999", 2, "--frame: '99999999999' is not a whole number"},
        {"filter ramlak -o n.txt --scale inf", 2, "--scale: 'inf' is not a number"},
        {"filter ramlak -o n.txt --cutoff 1e-300", 2, "--cutoff: '1e-300' is not a number from 0.01 to 1"},
        {"compare . p.png", 1, "cannot open .: it is a folder, not a file"},
        {"phantom disc -o same.sino --truth same.sino", 1, "cannot write same.sino: it is also the output same.sino"},
        {"sinogram p.png -o p.png", 1, "cannot write p.png: it is the input p.png"},
        {"sinogram p.png -o p.sino --fov 724", 0, "field 724 picture pixels wide, 2.828 per field pixel"},
        {"sinogram nobody.fifo -o n.sino", 1, "cannot open nobody.fifo: it is a FIFO (named pipe), not a plain file"},
        {"measure nobody.fifo", 1, "cannot open nobody.fifo: it is a FIFO (named pipe), not a plain file"},
        {"compare nobody.fifo p.png", 1, "cannot open nobody.fifo: it is a FIFO (named pipe), not a plain file"},
        {"reconstruct nobody.fifo --method sart -o n.npy", 1, "cannot open nobody.fifo: it is a FIFO (named pipe)"},
        {"reconstruct nobody.fifo --simple -o n.npy", 1, "cannot open nobody.fifo: it is a FIFO (named pipe)"},
        {"reconstruct /dev/zero --method sart -o n.npy", 1, "cannot open /dev/zero: it is a character device"},
        {"measure /dev/zero", 1, "cannot open /dev/zero: it is a character device, not a plain file"},
    };
    for (const auto& c : cases) {
        const LabRun run = RunLab(c.arguments);
        EXPECT_EQ(run.status, c.status) << c.arguments << ": " << run.err;
        EXPECT_EQ(run.errLines(), c.status == 0 ? 0 : 1) << c.arguments << ": " << run.err;
        EXPECT_NE((run.status == 0 ? run.out : run.err).find(c.said), std::string::npos) << c.arguments;
    }
    EXPECT_TRUE(std::regex_match(RunLab("--version").out, std::regex("sinora-lab [0-9]+\\.[0-9]+\\.[0-9]+\n")));
    EXPECT_FALSE(std::filesystem::exists(ScratchPath("same.sino")));
    EXPECT_FALSE(std::filesystem::exists(ScratchPath("n.sino")) || std::filesystem::exists(ScratchPath("n.txt")));
}

TEST(LabCommandLine, PydicomFilesGiveStatusZeroOrOneAndLibraryLinesOnlyWhenVerbose) {
    if (!std::filesystem::exists(PydicomFiles)) GTEST_SKIP() << "python3-pydicom is not installed";
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(PydicomFiles)) {
        if (entry.path().extension() != ".dcm") continue;
        ++files;
        const LabRun run = RunLab("sinogram '" + entry.path().string() + "' -o d.sino");
        EXPECT_TRUE(run.status == 0 || run.status == 1) << entry.path() << " ended by a signal";
        EXPECT_EQ(run.errLines(), run.status) << entry.path() << ": " << run.err;
    }
    EXPECT_GT(files, 50);
    // GDCM's JPEG decoder prints about the 12-bit precision even when it decodes.
    const std::string jpeg = PydicomFiles + "JPEG-lossy.dcm";
    EXPECT_EQ(RunLab("sinogram " + jpeg + " -o j.sino").err, "");
    EXPECT_NE(RunLab("sinogram " + jpeg + " -o j.sino --verbose").err.find("JPEG"), std::string::npos);
}

}  // namespace
