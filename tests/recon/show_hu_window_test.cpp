// The HU window of the scaled sum image: the mapping of centre and width,
// read back from the back buffer, and the retry prompt.
#include <gtest/gtest.h>

#include "shared/framework_state.h"
#include "recon/phases.h"
#include "recon/compute/recon_data.h"
#include "tests/support/canvas_fixture.h"

namespace {

class HuWindowTest : public CanvasTest {
protected:
    void SetUp() override {
        CanvasTest::SetUp();
        for (double& v : ScaledSumImage) v = 0.0;
        ScaledSumImage[0 * 256 + 0] = 255.0;
        ScaledSumImage[1 * 256 + 0] = 100.0;
        ScaledSumImage[2 * 256 + 0] = -5.0;
        ScaledSumImage[3 * 256 + 255] = 300.0;
    }
    void Run(const char* answers) {
        SetPendingInput(answers);
        ShowHuWindow();
    }
};

TEST_F(HuWindowTest, CentreAndWidthMapping) {
    Run("128 256 n y");  // lower 0, upper 256
    EXPECT_EQ(HuCenter, 128);
    EXPECT_EQ(HuWidth, 256);
    EXPECT_TRUE(BlockIs(0, 140, Grey(254)));
    EXPECT_TRUE(BlockIs(2, 140, Grey(99)));
    EXPECT_TRUE(BlockIs(4, 140, 0));
    EXPECT_TRUE(BlockIs(6, 140 + 510, White));
    EXPECT_TRUE(BlockIs(8, 140, 0));

    Run("127 255 n y");  // half 127: lower 0, upper 254
    EXPECT_TRUE(BlockIs(0, 140, White));
    EXPECT_TRUE(BlockIs(2, 140, Grey(100)));

    Run("100 -2 n y");  // negative range: inverted
    EXPECT_TRUE(BlockIs(0, 140, 0));
    EXPECT_TRUE(BlockIs(2, 140, Grey(127)));
    EXPECT_TRUE(BlockIs(8, 140, White));
}

TEST_F(HuWindowTest, ZeroRangeIsBlackAndRetryRepeats) {
    for (const char* answers : {"100 -1 n y", "100 0 n y", "0 1 n y"}) {
        FillCanvas(0x336699);
        Run(answers);
        EXPECT_EQ(PixelsOtherThan(0, 0, 140, 511, 651), 0) << answers;
        EXPECT_EQ(Pixel(512, 140), 0x336699u);
        EXPECT_EQ(Pixel(0, 139), 0x336699u);
    }

    // "N" at the first retry asks again; the last window is what stays.
    Run("0 0 N 127 255 n N");
    EXPECT_EQ(HuCenter, 127);
    EXPECT_TRUE(BlockIs(0, 140, White));
    EXPECT_EQ(PromptAnswer, 'N');
    EXPECT_TRUE(TextBufferHasLine(" HU Width  = "));
}

TEST_F(HuWindowTest, ExtremeCentreDoesNotOverflow) {
    // 2147483647 + 2 overflows 32 bits; the window is still 4 wide above it.
    Run("2147483647 4 n y");
    EXPECT_TRUE(BlockIs(0, 140, 0));
    Run("-2147483648 -4 n y");
    EXPECT_TRUE(BlockIs(0, 140, 0));
}

TEST_F(HuWindowTest, LowercaseNAtRetryEndsTheProgram) {
    EXPECT_EXIT(Run("128 256 n n"), ::testing::ExitedWithCode(0), "");
}

}  // namespace