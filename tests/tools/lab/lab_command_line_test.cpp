// sinora-lab as a user runs it: its status, one line of its own per failure
// (the libraries' lines only with --verbose), --version, the field it
// reports, and pydicom's test files, none of which may end it by a signal.
#include <QImage>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <regex>
#include <string>
#include <sys/wait.h>

#include "lab_test_support.h"

using namespace lab_test;

namespace {

const std::string PydicomFiles = "/usr/lib/python3/dist-packages/pydicom/data/test_files/";

struct LabRun {
    int status = -1;  // the exit status; -1 when a signal ended it
    std::string out, err;
};

LabRun RunLab(const std::string& arguments) {
    const std::string out = ScratchPath("lab.out"), err = ScratchPath("lab.err");
    const std::string command = "cd " + ScratchFolder() + " && " SINORA_BINARY_DIR "/tools/sinora-lab " + arguments +
                                " >" + out + " 2>" + err;
    const int status = std::system(command.c_str());
    LabRun run;
    // The shell reports a child's signal as 128 + its number.
    if (WIFEXITED(status) && WEXITSTATUS(status) < 128) run.status = WEXITSTATUS(status);
    run.out = FileBytes(out);
    run.err = FileBytes(err);
    return run;
}

int Lines(const std::string& text) { return static_cast<int>(std::count(text.begin(), text.end(), '\n')); }

TEST(LabCommandLine, StatusOneLinePerFailureVersionAndField) {
    ASSERT_TRUE(QImage(300, 200, QImage::Format_Grayscale8).save(QString::fromStdString(ScratchPath("p.png"))));
    const struct {
        std::string arguments;
        int status;
        std::string said;  // a part of standard output, or of the one line on standard error
    } cases[] = {
        {"--version", 0, ""},
        {"phantom disc -o n.sino --noise 1e19", 2, "--noise: '1e19' is not a number from 1 to 1e+15"},
        {"phantom disc -o n.sino --seed 18446744073709551616", 2, "is not a whole number from 0 to"},
        {"compare . p.png", 1, "cannot open .: it is a folder, not a file"},
        {"phantom disc -o same.sino --truth same.sino", 1, "cannot write same.sino: it is also the output same.sino"},
        {"sinogram p.png -o p.png", 1, "cannot write p.png: it is the input p.png"},
        {"sinogram p.png -o p.sino --fov 724", 0, "field 724 picture pixels wide, 2.828 per field pixel"},
    };
    for (const auto& c : cases) {
        const LabRun run = RunLab(c.arguments);
        EXPECT_EQ(run.status, c.status) << c.arguments << ": " << run.err;
        EXPECT_EQ(Lines(run.err), c.status == 0 ? 0 : 1) << c.arguments << ": " << run.err;
        EXPECT_NE((run.status == 0 ? run.out : run.err).find(c.said), std::string::npos) << c.arguments;
    }
    EXPECT_TRUE(std::regex_match(RunLab("--version").out, std::regex("[0-9]+\\.[0-9]+\\.[0-9]+\n")));
    EXPECT_FALSE(std::filesystem::exists(ScratchPath("same.sino")));
    EXPECT_FALSE(std::filesystem::exists(ScratchPath("n.sino")));
}

TEST(LabCommandLine, PydicomFilesGiveStatusZeroOrOneAndLibraryLinesOnlyWhenVerbose) {
    if (!std::filesystem::exists(PydicomFiles)) GTEST_SKIP() << "python3-pydicom is not installed";
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(PydicomFiles)) {
        if (entry.path().extension() != ".dcm") continue;
        ++files;
        const LabRun run = RunLab("sinogram '" + entry.path().string() + "' -o d.sino");
        EXPECT_TRUE(run.status == 0 || run.status == 1) << entry.path() << " ended by a signal";
        EXPECT_EQ(Lines(run.err), run.status) << entry.path() << ": " << run.err;
    }
    EXPECT_GT(files, 50);
    // GDCM's JPEG decoder prints about the 12-bit precision even when it decodes.
    const std::string jpeg = PydicomFiles + "JPEG-lossy.dcm";
    EXPECT_EQ(RunLab("sinogram " + jpeg + " -o j.sino").err, "");
    EXPECT_NE(RunLab("sinogram " + jpeg + " -o j.sino --verbose").err.find("JPEG"), std::string::npos);
}

}  // namespace
