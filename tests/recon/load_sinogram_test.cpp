// Reading and rebinning the sinogram file, its printed count range, and the
// files that are refused (nothing read, a notice naming the file, earlier
// data kept, the choice of trying again or ending the program).
#include <sys/stat.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "recon/phases.h"
#include "recon/compute/recon_data.h"
#include "recon_test_support.h"
#include "tests/support/long_paths.h"
#include "tests/support/time_limit.h"

using namespace recon_test;

namespace {

std::vector<double> FileOf(double value) { return std::vector<double>(SinogramFileValues, value); }
double& Value(std::vector<double>& file, int channel, int angle) { return file[channel * AngleCount + angle]; }
double SinogramAt(int bin, int angle) { return Sinogram[bin * RowStride + angle]; }

// Chooses `path` in the open dialog of LoadSinogram, as a user would.
void Load(const std::string& path) {
    PlatformQueueModalAnswer(path.c_str());
    LoadSinogram();
}

void LoadValues(const std::string& name, const std::vector<double>& values) {
    WriteSinogram(ScratchPath(name), values);
    Load(ScratchPath(name));
}

std::vector<double> SinogramCopy() { return std::vector<double>(Sinogram, Sinogram + RowStride * RowStride); }
std::vector<double> RawCopy() { return std::vector<double>(RawSinogram, RawSinogram + SinogramFileValues); }

class SinogramInputTest : public ::testing::Test {
protected:
    void SetUp() override {
        FrameworkState.InputLine[0] = 0;
        FrameworkState.InputLength = 0;
    }
};

TEST_F(SinogramInputTest, AllZeroFilePrintsAZeroRange) {
    LoadValues("zeros.sino", FileOf(0.0));
    EXPECT_EQ(ConsoleLine(1), " max count = 0.000000");
    EXPECT_EQ(ConsoleLine(0), " min count = 0.000000");
    EXPECT_EQ(SinogramMax, 0.0);
    EXPECT_EQ(SinogramMin, 0.0);
}

TEST_F(SinogramInputTest, AllOnesFileGivesTwosAndTheFirstValueAsMinimum) {
    LoadValues("ones.sino", FileOf(1.0));
    for (int j = 0; j < BinCount; ++j) {
        for (int a = 0; a < AngleCount; ++a) ASSERT_EQ(SinogramAt(j, a), 2.0) << j << " " << a;
    }
    EXPECT_EQ(ConsoleLine(1), " max count = 2.000000");
    EXPECT_EQ(ConsoleLine(0), " min count = 1.000000");
    // The unused rows and columns of the Sinogram are never written.
    EXPECT_EQ(Sinogram[256 * RowStride + 3], 0.0);
    EXPECT_EQ(Sinogram[10 * RowStride + 180], 0.0);
}

TEST_F(SinogramInputTest, EachBinSumsItsTwoChannels) {
    std::vector<double> file(SinogramFileValues);
    for (int c = 0; c < RawChannels; ++c) {
        for (int a = 0; a < AngleCount; ++a) Value(file, c, a) = c * 1000.0 + a;
    }
    LoadValues("ramp.sino", file);
    for (int j = 0; j < BinCount; ++j) {
        for (int a = 0; a < AngleCount; ++a) {
            ASSERT_EQ(SinogramAt(j, a), (109 + 2 * j) * 1000.0 + a + (108 + 2 * j) * 1000.0 + a) << j << " " << a;
        }
    }
    EXPECT_EQ(RawSinogram[728 * AngleCount + 179], 728179.0);
}

TEST_F(SinogramInputTest, ChannelsOutsideTheBandChangeNothing) {
    std::vector<double> file = FileOf(1.5);
    LoadValues("plain.sino", file);
    const std::vector<double> sinogram = SinogramCopy();
    const std::string maxLine = ConsoleLine(1), minLine = ConsoleLine(0);

    for (int a = 1; a < AngleCount; ++a) Value(file, 0, a) = 1e9;
    for (int c = 1; c <= 107; ++c) {
        for (int a = 0; a < AngleCount; ++a) Value(file, c, a) = (c + a) % 2 ? 1e9 : -1e9;
    }
    for (int c = 620; c < RawChannels; ++c) {
        for (int a = 0; a < AngleCount; ++a) Value(file, c, a) = (c + a) % 2 ? NAN : -INFINITY;
    }
    LoadValues("outside.sino", file);
    EXPECT_EQ(SinogramCopy(), sinogram);
    EXPECT_EQ(ConsoleLine(1), maxLine);
    EXPECT_EQ(ConsoleLine(0), minLine);
}

TEST_F(SinogramInputTest, RaisedFirstValueWidensTheMaximumOnly) {
    std::vector<double> file = FileOf(1.0);
    Value(file, 0, 0) = 50.0;
    LoadValues("first.sino", file);
    EXPECT_EQ(ConsoleLine(1), " max count = 50.000000");
    EXPECT_EQ(ConsoleLine(0), " min count = 2.000000");
    EXPECT_EQ(SinogramAt(0, 0), 2.0);
}

TEST_F(SinogramInputTest, NotANumberAndInfinityAreData) {
    std::vector<double> file = FileOf(1.0);
    Value(file, 200, 3) = NAN;        // bin 46
    Value(file, 300, 4) = INFINITY;   // bin 96
    Value(file, 401, 5) = -INFINITY;  // bin 146
    LoadValues("special.sino", file);
    EXPECT_TRUE(std::isnan(SinogramAt(46, 3)));
    EXPECT_EQ(SinogramAt(96, 4), INFINITY);
    EXPECT_EQ(SinogramAt(146, 5), -INFINITY);
    EXPECT_EQ(ConsoleLine(1), " max count = inf");
    EXPECT_EQ(ConsoleLine(0), " min count = -inf");
}

TEST_F(SinogramInputTest, PathOfFourThousandBytesLoads) {
    const std::string path = MakeDeepFolder(ScratchFolder(), 3990) + "/long.sino";
    ASSERT_EQ(path.size(), 4000u);
    WriteSinogram(path, FileOf(0.75));
    Load(path);
    EXPECT_EQ(std::string(ChosenPath), path);
    EXPECT_EQ(ConsoleLine(0), " min count = 0.750000");
}

TEST_F(SinogramInputTest, BytesAfterTheValuesAreIgnored) {
    std::vector<double> file = FileOf(3.0);
    file.push_back(1e6);
    const int before = PlatformModalLogCount();
    LoadValues("long.sino", file);
    EXPECT_EQ(SinogramAt(5, 5), 6.0);
    EXPECT_EQ(ConsoleLine(1), " max count = 6.000000");
    for (const std::string& entry : ModalsSince(before)) EXPECT_EQ(entry.rfind("MessageBox", 0), std::string::npos);
}

// ---- refused files ---------------------------------------------------------

class RefusedSinogramTest : public SinogramInputTest {
protected:
    void SetUp() override {
        SinogramInputTest::SetUp();
        LoadValues("earlier.sino", FileOf(4.0));
        raw = RawCopy();
        sinogram = SinogramCopy();
    }
    // Reads the file named `path` alone, without the dialog; returns the
    // notices it gave.
    std::vector<std::string> Read(const std::string& path) {
        snprintf(ChosenPath, sizeof ChosenPath, "%s", path.c_str());
        const int before = PlatformModalLogCount();
        ReadRawSinogram();
        return ModalsSince(before);
    }
    void ExpectEarlierDataKept() {
        EXPECT_EQ(RawCopy(), raw);
        EXPECT_EQ(SinogramCopy(), sinogram);
    }
    std::vector<double> raw, sinogram;
};

const char NoticePrefix[] = "MessageBox|Kelvane Message|";

TEST_F(RefusedSinogramTest, MissingFileIsNamedInANotice) {
    const std::string path = ScratchPath("no_such_file.sino");
    const std::vector<std::string> notices = Read(path);
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_EQ(notices[0].rfind(NoticePrefix, 0), 0u);
    EXPECT_NE(notices[0].find("Cannot open"), std::string::npos);
    EXPECT_NE(notices[0].find(path), std::string::npos);
    ExpectEarlierDataKept();
}

TEST_F(RefusedSinogramTest, FolderIsNotReadAsData) {
    const std::vector<std::string> notices = Read(ScratchFolder());
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_NE(notices[0].find("is a folder"), std::string::npos);
    EXPECT_NE(notices[0].find(ScratchFolder()), std::string::npos);
    ExpectEarlierDataKept();
}

// A named pipe would wait for a writer, a device would give endless or no
// data: both are refused without being read, and the user chooses again.
TEST_F(RefusedSinogramTest, PipeOrDeviceIsRefusedWithoutWaiting) {
    const std::string pipe = ScratchPath("sinogram.pipe");
    ASSERT_EQ(mkfifo(pipe.c_str(), 0644), 0);
    WriteSinogram(ScratchPath("after_pipe.sino"), FileOf(0.25));
    EXPECT_FINISHES_WITHIN(20, {
        for (const std::string& path : {pipe, std::string("/dev/zero")}) {
            const std::vector<std::string> notices = Read(path);
            ASSERT_EQ(notices.size(), 1u);
            EXPECT_NE(notices[0].find("is not a plain file"), std::string::npos) << notices[0];
            EXPECT_NE(notices[0].find(path), std::string::npos);
            ExpectEarlierDataKept();
        }
        TypeAhead("y");
        const int before = PlatformModalLogCount();
        PlatformQueueModalAnswer(pipe.c_str());
        PlatformQueueModalAnswer("ok");
        PlatformQueueModalAnswer(ScratchPath("after_pipe.sino").c_str());
        LoadSinogram();
        const std::vector<std::string> modals = ModalsSince(before);
        ASSERT_EQ(modals.size(), 3u);
        EXPECT_NE(modals[1].find("is not a plain file"), std::string::npos) << modals[1];
        EXPECT_EQ(ConsoleLine(0), " min count = 0.250000");
    });
}

TEST_F(RefusedSinogramTest, ShortFileNamesItsSizeAgainstTheSizeRequired) {
    const std::string path = ScratchPath("short.sino");
    WriteSinogram(path, std::vector<double>(1000, 9.0));
    const std::vector<std::string> notices = Read(path);
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_NE(notices[0].find(path), std::string::npos);
    EXPECT_NE(notices[0].find("8000 bytes of the 1049760 bytes required"), std::string::npos) << notices[0];
    ExpectEarlierDataKept();
}

TEST_F(RefusedSinogramTest, FileOneByteShortIsRefused) {
    const std::string path = ScratchPath("almost.sino");
    std::vector<unsigned char> bytes(SinogramFileBytes - 1, 0);
    WriteBytes(path, bytes.data(), bytes.size());
    const std::vector<std::string> notices = Read(path);
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_NE(notices[0].find("1049759 bytes"), std::string::npos);
    ExpectEarlierDataKept();
}

TEST_F(RefusedSinogramTest, EmptyFileIsRefused) {
    const std::string path = ScratchPath("empty.sino");
    WriteBytes(path, "", 0);
    const std::vector<std::string> notices = Read(path);
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_NE(notices[0].find("is empty"), std::string::npos);
    EXPECT_NE(notices[0].find(path), std::string::npos);
    ExpectEarlierDataKept();
}

TEST_F(RefusedSinogramTest, CancelledDialogSaysNoFileWasChosen) {
    const std::vector<std::string> notices = Read("");
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_NE(notices[0].find("No sinogram file was chosen"), std::string::npos);
    ExpectEarlierDataKept();
}

TEST_F(RefusedSinogramTest, AfterARefusalTheUserChoosesAgain) {
    const std::string shortPath = ScratchPath("short_again.sino");
    WriteSinogram(shortPath, std::vector<double>(10, 1.0));
    WriteSinogram(ScratchPath("good.sino"), FileOf(0.5));
    TypeAhead("y");
    const int before = PlatformModalLogCount();
    PlatformQueueModalAnswer(shortPath.c_str());
    PlatformQueueModalAnswer("ok");
    PlatformQueueModalAnswer(ScratchPath("good.sino").c_str());
    LoadSinogram();

    const std::vector<std::string> modals = ModalsSince(before);
    ASSERT_EQ(modals.size(), 3u);
    EXPECT_EQ(modals[0].rfind("OpenFile|", 0), 0u);
    EXPECT_EQ(modals[1].rfind(NoticePrefix, 0), 0u);
    EXPECT_EQ(modals[2], "OpenFile|" + shortPath);  // the dialog opens again where the user was
    EXPECT_EQ(PromptAnswer, 'y');
    EXPECT_EQ(SinogramAt(100, 100), 1.0);
    EXPECT_EQ(ConsoleLine(1), " max count = 1.000000");
    EXPECT_EQ(ConsoleLine(0), " min count = 0.500000");
}

TEST_F(RefusedSinogramTest, CancelAndAnyAnswerButNOpenTheDialogAgain) {
    TypeAhead("N");
    const int before = PlatformModalLogCount();
    PlatformQueueModalAnswer("cancel");
    PlatformQueueModalAnswer("ok");
    PlatformQueueModalAnswer(ScratchPath("earlier.sino").c_str());
    LoadSinogram();
    const std::vector<std::string> modals = ModalsSince(before);
    ASSERT_EQ(modals.size(), 3u);
    EXPECT_NE(modals[1].find("No sinogram file was chosen"), std::string::npos);
    bool asked = false;
    for (int back = 0; back < 8; ++back) asked = asked || ConsoleLine(back) == " Retry? (no:n) ";
    EXPECT_TRUE(asked);
    ExpectEarlierDataKept();
}

TEST_F(RefusedSinogramTest, AnswerNAfterARefusalEndsTheProgram) {
    EXPECT_EXIT(
        {
            TypeAhead("n");
            PlatformQueueModalAnswer("cancel");
            PlatformQueueModalAnswer("ok");
            LoadSinogram();
        },
        ::testing::ExitedWithCode(0), "");
}

}  // namespace
