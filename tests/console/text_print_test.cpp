// TextBuffer rules of TextPrint (wrap, line feeds, the ring of 200 lines,
// the view following the output) and the notice box of MessageNotice.
#include <cstdio>
#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "shared/framework_state.h"
#include "console/text_print.h"
#include "shared/message_notice.h"
#include "platform/platform.h"
#include "tests/support/console_text.h"

namespace {

// The console as start-up leaves it: one empty line, nothing scrolled.
void ResetConsole() {
    ClearTextBuffer();
    FrameworkState.ConsoleDirty = 0;
}

// The lines in use, oldest first, concatenated without separators.
std::string AllText() {
    std::string all;
    for (int k = 0; k < FrameworkState.LineCount; ++k) all += Line((FrameworkState.OldestLine + k) % 200);
    return all;
}

class TextPrintTest : public ::testing::Test {
protected:
    void SetUp() override { ResetConsole(); }
};

TEST_F(TextPrintTest, TextWithoutLineFeedContinuesTheCurrentLine) {
    TextPrint("abc");
    EXPECT_EQ(FrameworkState.LineCount, 1);
    EXPECT_EQ(FrameworkState.CurrentLine, 0);
    EXPECT_EQ(Line(0), "abc");

    TextPrint("de\n");
    EXPECT_EQ(Line(0), "abcde");
    EXPECT_EQ(FrameworkState.CurrentLine, 1);
    EXPECT_EQ(FrameworkState.LineCount, 2);
    EXPECT_EQ(Line(1), "");

    // A prompt's "\n\n" ends the prompt line and adds one empty line.
    TextPrint("prompt");
    TextPrint("\n\nnext");
    EXPECT_EQ(Line(1), "prompt");
    EXPECT_EQ(Line(2), "");
    EXPECT_EQ(Line(3), "next");
    EXPECT_EQ(FrameworkState.LineCount, 4);
}

TEST_F(TextPrintTest, WrapsAtOneHundredSixtyCharacters) {
    std::string first(150, 'a');
    TextPrint("%s", first.c_str());
    EXPECT_EQ(TextPrint("0123456789ABCDE"), 15);
    EXPECT_EQ(Line(0), first + "0123456789");
    EXPECT_EQ(Line(1), "ABCDE");
    EXPECT_EQ(FrameworkState.CurrentLine, 1);
    EXPECT_EQ(FrameworkState.LineCount, 2);

    // Exactly filling the line ends it at the text's terminating zero; a
    // following lone line feed then gives an empty line.
    ResetConsole();
    TextPrint("%s", first.c_str());
    TextPrint("0123456789");
    EXPECT_EQ(Line(0), first + "0123456789");
    EXPECT_EQ(FrameworkState.CurrentLine, 1);
    EXPECT_EQ(Line(1), "");
    TextPrint("\n");
    EXPECT_EQ(FrameworkState.LineCount, 3);
    EXPECT_EQ(Line(1), "");
    EXPECT_EQ(FrameworkState.CurrentLine, 2);
}

TEST_F(TextPrintTest, LongTextIsWrappedWholeNotCut) {
    std::string text(300, 'x');
    for (int i = 0; i < 300; ++i) text[i] = static_cast<char>('a' + i % 26);
    EXPECT_EQ(TextPrint("%s", text.c_str()), 300);
    EXPECT_EQ(Line(0), text.substr(0, 160));
    EXPECT_EQ(Line(1), text.substr(160));
    EXPECT_EQ(FrameworkState.LineCount, 2);

    // The filter confirmation with a long path: every byte arrives.
    ResetConsole();
    std::string path = "/tmp/" + std::string(200, 'p') + "/filter.txt";
    TextPrint("\n\n Real space filter = \n\n %s \n OK ? (yes; enter, no; n ) ", path.c_str());
    EXPECT_EQ(AllText(), " Real space filter =  " + path + "  OK ? (yes; enter, no; n ) ");
    EXPECT_EQ(Line(4), " " + path.substr(0, 159));
    EXPECT_EQ(Line(5), path.substr(159) + " ");

    // A %lf of huge magnitude is 300-odd characters long.
    ResetConsole();
    char expected[400];
    snprintf(expected, sizeof expected, "%lf", 1e300);
    TextPrint("\n max count = %lf", 1e300);
    EXPECT_EQ(AllText(), std::string(" max count = ") + expected);
    EXPECT_EQ(FrameworkState.LineCount, 4);
}

TEST_F(TextPrintTest, RingDropsTheOldestLineAfter200) {
    for (int i = 0; i < 199; ++i) TextPrint("line %d\n", i);
    EXPECT_EQ(FrameworkState.LineCount, 200);
    EXPECT_EQ(FrameworkState.OldestLine, 0);
    EXPECT_EQ(FrameworkState.CurrentLine, 199);
    EXPECT_EQ(Line(0), "line 0");

    TextPrint("last\nnew");
    EXPECT_EQ(FrameworkState.LineCount, 200);
    EXPECT_EQ(FrameworkState.OldestLine, 1);
    EXPECT_EQ(FrameworkState.CurrentLine, 0);
    EXPECT_EQ(Line(199), "last");
    EXPECT_EQ(Line(0), "new");  // the old "line 0" is gone entirely

    // A shorter current line in a reused entry leaves no older bytes behind.
    TextPrint("\n");
    TextPrint("z");
    EXPECT_EQ(Line(1), "z");
    EXPECT_EQ(FrameworkState.OldestLine, 2);
}

TEST_F(TextPrintTest, ViewFollowsTheOutputOnLineEndsOnly) {
    FrameworkState.LinesPerPage = 31;
    FrameworkState.LineCount = 40;
    FrameworkState.CurrentLine = 39;
    FrameworkState.ScrollTop = 2;  // the user scrolled up

    TextPrint("no line end");
    EXPECT_EQ(FrameworkState.ScrollTop, 2);
    TextPrint("\n");
    EXPECT_EQ(FrameworkState.LineCount, 41);
    EXPECT_EQ(FrameworkState.ScrollTop, 10);

    FrameworkState.LinesPerPage = 50;
    FrameworkState.ScrollTop = 3;
    TextPrint("\n");
    EXPECT_EQ(FrameworkState.ScrollTop, 3);
}

TEST_F(TextPrintTest, ControlBytesAreStoredAndEmptyPrintOnlyMarksDirty) {
    TextPrint("a\rb\tc");
    EXPECT_EQ(Line(0), "a\rb\tc");
    EXPECT_EQ(FrameworkState.LineCount, 1);

    char before[sizeof FrameworkState.TextBuffer];
    memcpy(before, FrameworkState.TextBuffer, sizeof before);
    FrameworkState.ConsoleDirty = 0;
    EXPECT_EQ(TextPrint("%s", ""), 0);
    EXPECT_EQ(FrameworkState.ConsoleDirty, 1);
    EXPECT_EQ(memcmp(before, FrameworkState.TextBuffer, sizeof before), 0);
    EXPECT_EQ(FrameworkState.LineCount, 1);
    EXPECT_EQ(FrameworkState.CurrentLine, 0);
}

TEST(MessageNoticeTest, ShowsTheWholeTextInTheKelvaneBox) {
    int before = PlatformModalLogCount();
    MessageNotice("Saved %s", "TextBuffer");
    ASSERT_EQ(PlatformModalLogCount(), before + 1);
    EXPECT_STREQ(PlatformModalLogEntry(before), "MessageBox|Kelvane Message|Saved TextBuffer|64");

    std::string longText(400, 'm');
    MessageNotice("%s!", longText.c_str());
    ASSERT_EQ(PlatformModalLogCount(), before + 2);
    EXPECT_EQ(std::string(PlatformModalLogEntry(before + 1)), "MessageBox|Kelvane Message|" + longText + "!|64");
}

}  // namespace
