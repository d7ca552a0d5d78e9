// Numbers stay in the C locale whatever locale the process runs in: the
// toolkit sets the process locale from the environment, and under a
// decimal-comma locale the console's numbers, the replay captions and the
// filter file's taps would otherwise be written and read with commas.
#include <clocale>
#include <cstdlib>
#include <string>

#include <gtest/gtest.h>

#include "shared/framework_state.h"
#include "base/c_locale.h"
#include "console/text_print.h"
#include "recon/gcvt_format.h"
#include "tests/support/comma_locale.h"
#include "tests/support/console_text.h"
#include "tests/support/temp_folder.h"

namespace {

class DecimalCommaLocaleTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!test_support::MakeDecimalCommaLocale(folder_.path()))
            GTEST_SKIP() << "localedef or the de_DE locale sources are not installed";
        setenv("LOCPATH", folder_.path().c_str(), 1);
        if (!setlocale(LC_ALL, "de_DE.UTF-8")) GTEST_SKIP() << "the built locale does not load";
        ASSERT_STREQ(localeconv()->decimal_point, ",") << "the test locale must use a decimal comma";
        ClearTextBuffer();
    }
    void TearDown() override {
        setlocale(LC_ALL, "C");
        unsetenv("LOCPATH");
    }
    TempFolder folder_{"sinora_locale_"};
};

TEST_F(DecimalCommaLocaleTest, NumbersAreWrittenAndReadWithAPoint) {
    TextPrint(" max count = %f", 2.5);
    EXPECT_EQ(Line(FrameworkState.CurrentLine), " max count = 2.500000");

    char caption[GcvtBufferBytes];
    EXPECT_STREQ(FormatGcvt(179.0, 5, caption), "179.");
    EXPECT_STREQ(FormatGcvt(2.5, 5, caption), "2.5");
    EXPECT_STREQ(FormatGcvt(0.015625, 5, caption), "1.5625e-002");

    EXPECT_DOUBLE_EQ(strtod_l("0.25", nullptr, CLocale()), 0.25);
    // The scope gives back the thread's own locale at its end.
    { const CLocaleScope numbersInC; }
    EXPECT_STREQ(localeconv()->decimal_point, ",");
}

}  // namespace
