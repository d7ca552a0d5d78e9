// sinora-lab as a user runs it: its status, one line of its own per failure
// (the libraries' lines only with --verbose), each option's range, --version,
// the field it reports, and pydicom's test files, none of which may end it
// by a signal.
#include <QImage>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <regex>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>

#include "tests/lab/lab_test_support.h"
#include "lab/files/slice_files.h"

using namespace lab_test;

namespace {

const std::string PydicomFiles = "/usr/lib/python3/dist-packages/pydicom/data/test_files/";

struct LabRun {
    int status = -1;  // the exit status; -1 when a signal ended it
    std::string out, err;
    int errLines() const { return static_cast<int>(std::count(err.begin(), err.end(), '\n')); }
};

LabRun RunLab(const std::string& arguments) {
    const std::string command = "cd " + ScratchFolder() + " && " SINORA_BINARY_DIR "/lab/sinora-lab " + arguments +
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

// Numbers no scan or picture holds: a place outside the picture or not a
// number at all is a usage error before any work (one, a NaN profile,
// ended the tool with SIGSEGV); scanner faults beyond their physics are
// usage errors too; a sinogram or filter file holding what no scan holds is
// refused with the first bad value's place. Nothing is written.
TEST(LabCommandLine, NumbersBeyondWhatTheyMeanAreRefusedWithoutAFile) {
    auto write = [](const std::string& name, const std::string& bytes) {
        recon_test::WriteBytes(ScratchPath(name), bytes.data(), bytes.size());
    };
    write("s.npy", lab::NpyBytes(std::vector<double>(256 * 256, 1.0)));
    std::vector<double> sinogram(729 * 180, 0.0);
    const size_t at = 364 * 180 + 10;  // channel 364, angle 10
    for (const auto& [name, value] : {std::pair<const char*, double>{"nan.sino", NAN}, {"inf.sino", -INFINITY},
                                      {"big.sino", 1e308}, {"zero.sino", 0.0}}) {
        sinogram[at] = value;
        recon_test::WriteSinogram(ScratchPath(name), sinogram);
    }
    // Filter files whose tap n is bad: nan.txt tap 0, inf.txt tap 1, huge.txt tap 2.
    const char* filters[][2] = {{"nan.txt", "nan"}, {"inf.txt", "-inf"}, {"huge.txt", "1e300"}};
    for (int bad = 0; bad < 3; ++bad) {
        std::string taps;
        for (int n = 0; n < 128; ++n) taps += std::string(n == bad ? filters[bad][1] : n < bad ? "1" : "0") + "\n";
        write(filters[bad][0], taps);
    }
    const std::string ramLak = SINORA_SOURCE_DIR "/data/ramlak.txt";
    const struct {
        std::string arguments;
        int status;
        std::string said;  // a part of the one line on standard error
    } cases[] = {
        // 4: measure's places.
        {"measure s.npy --profile nan,0,10,0", 2, "--profile: 'nan,0,10,0' is not X0,Y0,X1,Y1"},
        {"measure s.npy --profile 0,0,200,0", 2, "lies outside the picture's pixel centres"},
        {"measure s.npy --nps nan,nan,64", 2, "--nps: 'nan,nan,64' is not X,Y,SIZE"},
        {"measure s.npy --nps-pixels 4294967396,100,64", 2, "does not fit in the 256 x 256 picture"},
        {"measure s.npy --nps 0,0,64.5", 2, "a whole number of pixels"},
        {"measure s.npy --roi-pixels 2,2,-10", 2, "--roi-pixels: '2,2,-10': the region's radius must be above 0"},
        {"measure s.npy --roi 0,0,inf", 2, "--roi: '0,0,inf' is not X,Y,R"},
        {"measure s.npy --roi 120,0,10", 2, "reaches outside the 256 x 256 picture"},
        {"measure s.npy --mtf edge:nan,0,50", 2, "--mtf: 'nan,0,50' is not X,Y,R"},
        {"measure s.npy --mtf edge:0,0,1e300", 2, "beyond the picture's diagonal"},
        {"measure s.npy --mtf edge:300,0,50", 2, "lies outside the 256 x 256 picture"},
        {"measure s.npy --roi 0,38.5,10", 0, "region 1 at row 89.0, column 127.5, radius 10: mean 1,"},
        // 8: reconstruct's input.
        {"reconstruct nan.sino --filter " + ramLak + " -o n.npy -o n.dcm", 1, "nan.sino: channel 364, angle 10 holds"},
        {"reconstruct inf.sino --simple -o n.npy", 1, "inf.sino: channel 364, angle 10 holds -inf: not a finite"},
        {"reconstruct big.sino --filter " + ramLak + " -o n.npy", 1, "angle 10 holds 1e+308: beyond +-1000"},
        {"reconstruct big.sino --method sart --iterations 1 -o n.npy", 1, "big.sino: channel 364, angle 10 holds"},
        {"reconstruct zero.sino --filter nan.txt -o n.npy", 1, "nan.txt: tap 0 holds nan: not a finite number"},
        {"reconstruct zero.sino --filter inf.txt --program-units -o n.npy", 1, "inf.txt: tap 1 holds -inf"},
        {"reconstruct zero.sino --filter huge.txt -o n.npy", 1, "huge.txt: tap 2 holds 1e+300: beyond +-1e+12"},
        {"reconstruct zero.sino --filter " + ramLak + " -o n.png --window nan,100", 2, "--window: 'nan,100' is not 2"},
        {"reconstruct zero.sino --filter " + ramLak + " -o n.png --window 0,0", 2, "number 2 is not from 1 to 65536"},
        // 9: the scanner's faults.
        {"phantom disc -o n.sino --motion-rotate nan", 2, "--motion-rotate: 'nan' is not a number from -360 to 360"},
        {"phantom disc -o n.sino --motion-rotate inf", 2, "--motion-rotate: 'inf' is not a number"},
        {"phantom disc -o n.sino --motion 1e300,0", 2, "--motion: '1e300,0': '1e300' is not from -256 to 256"},
        {"phantom disc -o n.sino --kvp 40 --filtration 1e6", 2, "--filtration: '1e6' is not a number from 0 to 50"},
        {"phantom disc -o n.sino --kvp 40 --filtration inf", 2, "--filtration: 'inf' is not a number"},
        {"phantom disc -o n.sino --gain 300:1e-300 --gain 300:1e-300", 2, "from 0.001 to 1000"},
        {"phantom disc -o n.sino --gain 300:0.01 --gain 300:0.01", 2, "on channel 300 multiply to 0.0001"},
        {"phantom disc -o n.sino --gain-spread inf", 2, "--gain-spread: 'inf' is not a number from 0 to 1"},
        {"phantom disc -o n.sino --metal 0,0,1e300", 2, "the radius must be above 0 and at most 256"},
        {"phantom disc -o n.sino --metal 1e300,0,5", 2, "the centre must be numbers from -256 to 256"},
        {"phantom disc -o n.sino --metal 0,0,100,gold", 1, "no sinogram file written: channel"},
    };
    for (const auto& c : cases) {
        const LabRun run = RunLab(c.arguments);
        EXPECT_EQ(run.status, c.status) << c.arguments << ": " << run.err;
        EXPECT_EQ(run.errLines(), c.status == 0 ? 0 : 1) << c.arguments << ": " << run.err;
        EXPECT_NE((run.status == 0 ? run.out : run.err).find(c.said), std::string::npos)
            << c.arguments << ": " << run.out << run.err;
    }
    for (const char* never : {"n.npy", "n.dcm", "n.png", "n.sino"})
        EXPECT_FALSE(std::filesystem::exists(ScratchPath(never))) << never;
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
