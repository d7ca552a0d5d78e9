// Windows text in code page 932: decoded for the screen, typed text encoded.
#include <gtest/gtest.h>

#include <QString>

#include "platform/internal.h"
#include "platform/platform.h"

namespace {

TEST(CodePageTest, DecodingAndEncoding) {
    char out[32];
    EXPECT_STREQ(PlatformDecodeText("\x83\xC6\x5C", out, sizeof(out)), "θ\\");
    // Cut at a character boundary: "θ" takes two UTF-8 bytes.
    EXPECT_STREQ(PlatformDecodeText("a\x83\xC6", out, 3), "a");
    // Typed characters that code page 932 lacks become '?'.
    EXPECT_EQ(EncodeWindowsText(QString::fromUtf8("\xCE\xB8\xE2\x82\xAC\xF0\x9F\x98\x80" "a")),
              QByteArray("\x83\xC6??a"));
    EXPECT_EQ(EncodeWindowsText(QString::fromUtf8("\xE3\x81\x82\\")), QByteArray("\x82\xA0\\"));
}

}  // namespace
