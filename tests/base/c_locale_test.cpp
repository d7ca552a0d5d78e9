// Numbers stay in the C locale whatever locale the process runs in: the
// toolkit sets the process locale from the environment, and under a
// decimal-comma locale the console's numbers, the replay captions and the
// filter file's taps would otherwise be written and read with commas.
#include <sys/wait.h>

#include <clocale>
#include <cstdlib>
#include <string>

#include <gtest/gtest.h>

#include "shared/framework_state.h"
#include "base/c_locale.h"
#include "console/text_print.h"
#include "recon/gcvt_format.h"
#include "tests/support/console_text.h"
#include "tests/support/temp_folder.h"

namespace {

// A German locale (decimal comma) built into a folder of the test's own, so
// that no system locale needs to be installed; empty when localedef or the
// locale sources are missing.
std::string MakeDecimalCommaLocale(const std::string& folder) {
    const std::string command =
        "localedef -i de_DE -f UTF-8 '" + folder + "/de_DE.UTF-8' >/dev/null 2>&1";
    const int status = system(command.c_str());
    // localedef answers 1 for warnings while still writing the locale.
    if (status == -1 || !WIFEXITED(status) || WEXITSTATUS(status) > 1) return "";
    return folder;
}

class DecimalCommaLocaleTest : public ::testing::Test {
protected:
    void SetUp() override {
        const std::string path = MakeDecimalCommaLocale(folder_.path());
        if (path.empty()) GTEST_SKIP() << "localedef or the de_DE locale sources are not installed";
        setenv("LOCPATH", path.c_str(), 1);
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
