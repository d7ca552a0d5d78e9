// Test programs start the platform layer under the offscreen platform with a
// 1920 x 1080 screen and no window frames, unless QT_QPA_PLATFORM is set.
// Every test starts from a clean layer, a fresh FrameworkState and the
// process locale the toolkit set at the start (a library may have changed
// it: xraylib's compound parser leaves LC_NUMERIC at "C"), whichever tests
// ran before it in the same program.
// Death tests re-execute the program ("threadsafe") because a forked copy of
// a running Qt application is not safe to use.
#include <clocale>
#include <cstdlib>
#include <string>
#include <utility>

#include <gtest/gtest.h>

#include "shared/framework_state.h"
#include "platform/platform.h"

namespace {

class CleanStart : public ::testing::EmptyTestEventListener {
public:
    explicit CleanStart(std::string locale) : locale_(std::move(locale)) {}

private:
    void OnTestStart(const ::testing::TestInfo&) override {
        PlatformResetForTests();
        FrameworkState = FrameworkStateRecord{};
        setlocale(LC_ALL, locale_.c_str());
    }
    std::string locale_;
};

}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    if (!getenv("QT_QPA_PLATFORM")) {
        std::string platform = std::string("offscreen:configfile=") + SINORA_OFFSCREEN_CONFIG;
        setenv("QT_QPA_PLATFORM", platform.c_str(), 1);
    }
    PlatformInit(&argc, argv);
    PlatformSetUnattended(true);
    ::testing::UnitTest::GetInstance()->listeners().Append(new CleanStart(setlocale(LC_ALL, nullptr)));
    return RUN_ALL_TESTS();
}
