// Console window: page layout, repaint, scrolling, caret and typed echo,
// font sizes, the pop-up menu and the ways the program ends.
#include <gtest/gtest.h>

#include <cstdlib>

#include "tests/support/app_windows.h"
#include "console/text_scan.h"

namespace {

class ConsoleWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(EnsureAppWindows().result, 1);
        ResetConsole(1);
    }
    void TearDown() override { ResetConsole(1); }
    FrameworkStateRecord& s = FrameworkState;
};

TEST_F(ConsoleWindowTest, LinesPerPageFollowsClientHeightAndLineHeight) {
    RECT client;
    GetClientRect(s.ConsoleWindow, &client);
    ASSERT_EQ(client.bottom - client.top, 480);
    EXPECT_EQ(s.LinesPerPage, 32);

    RECT outer;
    GetWindowRect(s.ConsoleWindow, &outer);
    MoveWindow(s.ConsoleWindow, outer.left, outer.top, 480, 44, TRUE);
    s.LineHeight = 45;
    ConsoleLayout();
    EXPECT_EQ(s.LinesPerPage, 0);
    EXPECT_EQ(s.ScrollTop, 1);  // LineCount 1 - 0 lines per page

    // A height below 2 pixels leaves the page as it was.
    s.LineHeight = 1;
    s.LinesPerPage = 7;
    ConsoleLayout();
    EXPECT_EQ(s.LinesPerPage, 7);

    MoveWindow(s.ConsoleWindow, outer.left, outer.top, 480, 480, TRUE);
    s.LineHeight = 15;
    ConsoleLayout();
    EXPECT_EQ(s.LinesPerPage, 32);
}

// Showing the window comes before start-up gives the console its first
// values: size and paint messages then change nothing and draw no line.
TEST_F(ConsoleWindowTest, MessagesBeforeTheFirstValuesAreHarmless) {
    LOGFONTA* font = s.ConsoleFont;
    s.ConsoleFont = nullptr;
    s.LineHeight = 0;
    s.LineCount = 0;
    s.LinesPerPage = 5;
    WhitenConsole();
    SendMessageA(s.ConsoleWindow, WM_SIZE, SIZE_RESTORED, MAKELPARAM(480, 480));
    SendMessageA(s.ConsoleWindow, WM_PAINT, 0, 0);
    EXPECT_EQ(s.LinesPerPage, 5);
    EXPECT_EQ(InkInRows(0, 480), 0);
    s.ConsoleFont = font;
}

// Lines 8 and 39 of 40 carry a mark, every other line is empty: the last page
// must show line 8 in the first row and line 39 in the last.
TEST_F(ConsoleWindowTest, LastPageIsLaidOutAndDrawn) {
    ResetConsole(40);
    EXPECT_EQ(s.ScrollTop, 8);
    SetLine(8, "XXXX");
    SetLine(39, "XXXX");

    // The repaint erases what was there before.
    HDC dc = GetDC(s.ConsoleWindow);
    RECT stain = {0, 150, 200, 165};
    FillRect(dc, &stain, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    ReleaseDC(s.ConsoleWindow, dc);

    ConsoleRepaint();
    EXPECT_GT(InkInRows(0, 15), 0);
    EXPECT_EQ(InkInRows(15, 465), 0);
    int lineOnly = 0;
    EXPECT_GT(InkInRows(465, 480, &lineOnly), 0);
    EXPECT_EQ(s.InputLineY, 465);

    SCROLLINFO bar = {};
    bar.cbSize = sizeof bar;
    bar.fMask = SIF_ALL;
    ASSERT_TRUE(GetScrollInfo(s.ConsoleWindow, SB_VERT, &bar));
    EXPECT_EQ(bar.nMin, 0);
    EXPECT_EQ(bar.nMax, 39);
    EXPECT_EQ(bar.nPage, 32u);
    EXPECT_EQ(bar.nPos, 8);

    // While a TextScan waits, the typed text follows the current line.
    s.InputWaiting = 1;
    strcpy(s.InputLine, "abc");
    s.InputLength = 3;
    ConsoleRepaint();
    int withTyped = 0;
    InkInRows(465, 480, &withTyped);
    EXPECT_GT(withTyped, lineOnly + 10);
}

TEST_F(ConsoleWindowTest, AllLinesFitAcrossTheRingsEnd) {
    // 20 lines from ring entry 190 on, so entries 190..199 and 0..9: all fit,
    // drawn oldest first.
    ResetConsole(20);
    s.OldestLine = 190;
    s.CurrentLine = 9;
    SetLine(190, "XXXX");
    SetLine(9, "XXXX");
    ConsoleRepaint();
    EXPECT_GT(InkInRows(0, 15), 0);
    EXPECT_EQ(InkInRows(15, 285), 0);
    EXPECT_GT(InkInRows(285, 300), 0);
    EXPECT_EQ(InkInRows(300, 480), 0);
    EXPECT_EQ(s.InputLineY, 285);
}

TEST_F(ConsoleWindowTest, ScrollRequests) {
    ResetConsole(40);
    auto scroll = [&](int code, int position = 0) {
        SendMessageA(s.ConsoleWindow, WM_VSCROLL, MAKEWPARAM(code, position), 0);
    };
    scroll(SB_PAGEUP);
    EXPECT_EQ(s.ScrollTop, 0);
    EXPECT_EQ(s.InputEchoVisible, 0);

    // Line up at the top: nothing moves, nothing is repainted.
    WhitenConsole();
    scroll(SB_LINEUP);
    EXPECT_EQ(s.ScrollTop, 0);
    EXPECT_EQ(s.InputEchoVisible, 0);
    SetLine(0, "XXXX");
    scroll(SB_ENDSCROLL);
    EXPECT_EQ(InkInRows(0, 480), 0);

    scroll(SB_THUMBTRACK, 5);
    EXPECT_EQ(s.ScrollTop, 5);
    scroll(SB_LINEDOWN);
    EXPECT_EQ(s.ScrollTop, 6);
    scroll(SB_BOTTOM);  // the platform leaves the high word 0: first page
    EXPECT_EQ(s.ScrollTop, 0);
    scroll(SB_PAGEDOWN);
    EXPECT_EQ(s.ScrollTop, 8);  // clamped to the last page
    EXPECT_EQ(s.InputEchoVisible, 1);

    // Line down on the last page: nothing moves, nothing is repainted.
    WhitenConsole();
    scroll(SB_LINEDOWN);
    EXPECT_EQ(s.ScrollTop, 8);
    EXPECT_EQ(s.InputEchoVisible, 1);
    EXPECT_EQ(InkInRows(0, 480), 0);

    // When everything fits, scrolling leaves a position the repaint ignores.
    ResetConsole(5);
    scroll(SB_LINEDOWN);
    EXPECT_EQ(s.ScrollTop, 5 - 32);
    EXPECT_EQ(s.InputEchoVisible, 1);
}

TEST_F(ConsoleWindowTest, CaretBlinksOnlyOnTheLastPage) {
    ResetConsole(40);
    s.InputWaiting = 1;
    SendMessageA(s.ConsoleWindow, WM_VSCROLL, MAKEWPARAM(SB_LINEUP, 0), 0);
    ASSERT_EQ(s.ScrollTop, 7);

    WhitenConsole();
    TimerTick(nullptr, WM_TIMER, 1, 0);
    EXPECT_EQ(s.CaretPhase, 1);
    EXPECT_EQ(InkInRows(0, 480), 0);

    // The first typed character brings the last page back, with its echo.
    SendMessageA(s.ConsoleWindow, WM_CHAR, 'a', 0);
    EXPECT_EQ(s.ScrollTop, 8);
    EXPECT_EQ(s.InputEchoVisible, 1);
    EXPECT_STREQ(s.InputLine, "a");
    EXPECT_GT(InkInRows(465, 480), 0);
}

TEST_F(ConsoleWindowTest, CaretSuffixAndBackspace) {
    ResetConsole(40);
    s.InputWaiting = 1;
    ConsoleRepaint();

    // "|   " draws the bar; "    " draws nothing on the white row.
    WhitenConsole();
    s.CaretPhase = 1;
    InputEcho();
    EXPECT_GT(InkInRows(465, 480), 0);
    WhitenConsole();
    s.CaretPhase = 0;
    InputEcho();
    EXPECT_EQ(InkInRows(465, 480), 0);

    // The tick inverts the phase and echoes.
    TimerTick(nullptr, WM_TIMER, 1, 0);
    EXPECT_EQ(s.CaretPhase, 1);
    EXPECT_GT(InkInRows(465, 480), 0);

    // Backspace removes the last character from the screen at once.
    s.CaretPhase = 0;
    for (const char* c = "WWW"; *c; ++c) SendMessageA(s.ConsoleWindow, WM_CHAR, *c, 0);
    int three = 0, two = 0;
    InkInRows(465, 480, &three);
    SendMessageA(s.ConsoleWindow, WM_CHAR, VK_BACK, 0);
    EXPECT_STREQ(s.InputLine, "WW");
    InkInRows(465, 480, &two);
    EXPECT_LT(two, three - 4);

    // A double-byte character goes whole, from the line and from the screen.
    int right = 0, rightWith = 0, rightAfter = 0;
    const int ink = InkInRows(465, 480, &right);
    SendMessageA(s.ConsoleWindow, WM_CHAR, 0x82, 0);
    SendMessageA(s.ConsoleWindow, WM_CHAR, 0xA0, 0);
    InkInRows(465, 480, &rightWith);
    EXPECT_GT(rightWith, right);
    SendMessageA(s.ConsoleWindow, WM_CHAR, VK_BACK, 0);
    EXPECT_STREQ(s.InputLine, "WW");
    EXPECT_EQ(InkInRows(465, 480, &rightAfter), ink);
    EXPECT_EQ(rightAfter, right);

    // Characters typed while nobody waits are lost.
    s.InputWaiting = 0;
    SendMessageA(s.ConsoleWindow, WM_CHAR, 'z', 0);
    EXPECT_STREQ(s.InputLine, "WW");
}

TEST_F(ConsoleWindowTest, FontSizeCommands) {
    const struct {
        int command, height, lines;
    } sizes[] = {{1, 9, 53}, {2, 12, 40}, {4, 30, 16}, {5, 45, 10}, {3, 15, 32}};
    ResetConsole(60);
    for (const auto& size : sizes) {
        SendMessageA(s.ConsoleWindow, WM_COMMAND, size.command, 0);
        EXPECT_EQ(s.LineHeight, size.height) << size.command;
        EXPECT_EQ(s.ConsoleFont->lfHeight, size.height) << size.command;
        EXPECT_EQ(s.LinesPerPage, size.lines) << size.command;
        EXPECT_EQ(s.ScrollTop, 60 - size.lines) << size.command;
    }
}

TEST_F(ConsoleWindowTest, MenuTable) {
    const struct {
        UINT_PTR command;
        UINT flags;
        const char* text;
    } expected[] = {
        {1, MF_STRING, " Tiny Size"},   {2, MF_STRING, " Small Size"},
        {3, MF_STRING, " Default Size"}, {4, MF_STRING, " Large Size"},
        {5, MF_STRING, " Huge Size"},   {999, MF_SEPARATOR, ""},
        {6, MF_STRING, " Save TextBuffer File"}, {7, MF_STRING, " Save Graphic File"},
        {999, MF_SEPARATOR, ""},         {8, MF_STRING, "  &Exit "},
    };
    for (int i = 0; i < PopupMenuItemCount; ++i) {
        EXPECT_EQ(PopupMenuItems[i].command, expected[i].command) << i;
        EXPECT_EQ(PopupMenuItems[i].flags, expected[i].flags) << i;
        EXPECT_STREQ(PopupMenuItems[i].text, expected[i].text) << i;
    }
}

// A right click opens the real menu at the click point; each chosen command
// comes back to the console and does its part.
TEST_F(ConsoleWindowTest, RightClickMenuCommands) {
    const int32_t graphicShown = s.GraphicShown;
    s.GraphicShown = 0;  // as before the first GraphicInit
    auto choose = [&](const char* command) {
        PlatformQueueModalAnswer(command);
        SendMessageA(s.ConsoleWindow, WM_RBUTTONDOWN, 0, MAKELPARAM(10, 20));
        DrainQueue();
    };
    int first = ModalLogSize();
    choose("5");
    EXPECT_EQ(s.LineHeight, 45);
    RECT outer;
    GetWindowRect(s.ConsoleWindow, &outer);
    EXPECT_EQ(ModalLogSince(first),
              "PopupMenu|" + std::to_string(outer.left + 10) + "|" + std::to_string(outer.top + 20) + "\n");
    choose("1");
    EXPECT_EQ(s.LineHeight, 9);
    choose("2");
    EXPECT_EQ(s.LineHeight, 12);
    choose("4");
    EXPECT_EQ(s.LineHeight, 30);
    choose("3");
    EXPECT_EQ(s.LineHeight, 15);

    // 6: the save dialog (left unanswered: cancelled, nothing written).
    first = ModalLogSize();
    choose("6");
    std::string log = ModalLogSince(first);
    EXPECT_NE(log.find("SaveFile|"), std::string::npos) << log;
    EXPECT_EQ(log.find("Saved TextBuffer"), std::string::npos) << log;

    // 7 before the graphics window was shown: only the notice.
    first = ModalLogSize();
    choose("7");
    log = ModalLogSince(first);
    EXPECT_NE(log.find("MessageBox|Kelvane Message|Graphic window is not displayed.|64"), std::string::npos) << log;
    EXPECT_EQ(log.find("SaveFile|"), std::string::npos) << log;
    // Once shown, 7 opens the save dialog (left unanswered: cancelled).
    s.GraphicShown = 1;
    first = ModalLogSize();
    choose("7");
    log = ModalLogSince(first);
    EXPECT_NE(log.find("SaveFile|"), std::string::npos) << log;
    EXPECT_EQ(log.find("not displayed"), std::string::npos) << log;
    s.GraphicShown = 0;

    // 8 answered with Cancel: the question, and everything stays.
    first = ModalLogSize();
    PlatformQueueModalAnswer("8");
    PlatformQueueModalAnswer("cancel");
    SendMessageA(s.ConsoleWindow, WM_RBUTTONDOWN, 0, MAKELPARAM(10, 20));
    DrainQueue();
    log = ModalLogSince(first);
    EXPECT_NE(log.find("MessageBox|EXIT?|\n End ? \n\n|33"), std::string::npos) << log;
    EXPECT_TRUE(IsWindowVisible(s.ConsoleWindow));
    EXPECT_EQ(s.LineHeight, 15);
    EXPECT_NE(s.ConsoleFont, nullptr);
    s.GraphicShown = graphicShown;
}

// ---- the ways the program ends (each in a child process) ----------------------

// Checked at exit, after the console's destruction handling ran: the font
// records are freed and nothing waits for input. (Only plain state can be
// looked at here: the layer's per-thread queue is already gone at exit.)
void ReportAfterDestruction() {
    const FrameworkStateRecord& s = FrameworkState;
    if (s.ConsoleFont == nullptr && s.GraphicFontRecord == nullptr && s.InputWaiting == 0) {
        fprintf(stderr, "records freed\n");
    }
    fflush(stderr);
}

TEST(ConsoleEndDeathTest, DestructionFreesAndExits) {
    EXPECT_EXIT(
        {
            EnsureAppWindows();
            FrameworkState.InputWaiting = 1;
            atexit(ReportAfterDestruction);
            DestroyWindow(FrameworkState.ConsoleWindow);
        },
        ::testing::ExitedWithCode(0), "records freed");
}

TEST(ConsoleEndDeathTest, EscInTheConsoleEndsTheProgram) {
    EXPECT_EXIT(
        {
            EnsureAppWindows();
            SendMessageA(FrameworkState.ConsoleWindow, WM_KEYDOWN, VK_ESCAPE, 0);
            fprintf(stderr, "still running\n");
            std::abort();
        },
        ::testing::ExitedWithCode(0), "");
}

TEST(ConsoleEndDeathTest, EscInTheGraphicsWindowEndsTheProgram) {
    EXPECT_EXIT(
        {
            EnsureAppWindows();
            SendMessageA(FrameworkState.GraphicsWindow, WM_KEYDOWN, VK_ESCAPE, 0);
            std::abort();
        },
        ::testing::ExitedWithCode(0), "");
}

TEST(ConsoleEndDeathTest, ExitConfirmedEndsTheProgram) {
    EXPECT_EXIT(
        {
            EnsureAppWindows();
            PlatformQueueModalAnswer("ok");
            SendMessageA(FrameworkState.ConsoleWindow, WM_COMMAND, 8, 0);
            std::abort();
        },
        ::testing::ExitedWithCode(0), "");
}

}  // namespace
