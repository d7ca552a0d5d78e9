// Typed input: answers are posted as WM_CHAR messages to a window whose
// procedure hands them to InputChar while a TextScan waits, as the console
// window does; TextScan dispatches them from its own wait loop.
#include <sys/resource.h>
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "shared/framework_state.h"
#include "console/text_print.h"
#include "console/text_scan.h"
#include "platform/win32.h"
#include "tests/support/console_text.h"

namespace {

HWND InputWindow = nullptr;
const char* TimerAnswer = nullptr;

LRESULT CALLBACK InputWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CHAR) {
        if (FrameworkState.InputWaiting == 1) InputChar(static_cast<int>(wParam));
        return 0;
    }
    if (message == WM_TIMER) {
        // A user who types only after a while: the answer arrives late.
        KillTimer(window, wParam);
        for (const char* p = TimerAnswer; p && *p; ++p) PostMessageA(window, WM_CHAR, static_cast<BYTE>(*p), 0);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

HWND CreateInputWindow() {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = InputWindowProc;
    wc.lpszClassName = "TypedInputWindow";
    RegisterClassA(&wc);
    InputWindow = CreateWindowExA(0, "TypedInputWindow", "scan", WS_OVERLAPPEDWINDOW, 0, 0, 200, 200, nullptr,
                                  nullptr, nullptr, nullptr);
    return InputWindow;
}

// Posts the bytes as typed characters; '\r' is Enter.
void Type(const std::string& text) {
    for (unsigned char c : text) PostMessageA(InputWindow, WM_CHAR, c, 0);
}

std::string CurrentText() { return Line(FrameworkState.CurrentLine); }

class TextScanTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(CreateInputWindow(), nullptr);
        ClearTextBuffer();
        FrameworkStateRecord& s = FrameworkState;
        s.InputLine[0] = 0;
        s.InputLength = 0;
        s.InputWaiting = 0;
        s.EchoInput = 0;
        // A TextScan that never gets its line would hang the run: end it.
        alarm(30);
    }
    void TearDown() override { alarm(0); }
};

TEST_F(TextScanTest, ConversionTable) {
    char c = 'q', none = 'q';
    int32_t d = 99, ld = 99, bad = 99, plus = 0, minus = 0, seven = 0, high = 0, low = 0, width = 0;
    float f = 0, f3 = 0;
    double lf = 0, le = 0, lg = 0;
    char s[TextBufferLineBytes] = "old";
    int32_t untouched = 4242;

    Type("no -12 3000000000 1.5 0.1 1e3 2.5e-1 1e3 12 word\r");
    TextScan("%c%d%ld%f%f%lf%le%lg%ld%s", &c, &d, &high, &f, &f3, &lf, &le, &lg, &ld, s);
    EXPECT_EQ(c, 'n');
    EXPECT_EQ(d, -12);
    EXPECT_EQ(high, INT32_MAX);
    EXPECT_EQ(f, 1.5f);
    EXPECT_EQ(f3, 0.1f);  // rounded to single precision
    EXPECT_EQ(lf, 1000.0);
    EXPECT_EQ(le, 0.25);
    EXPECT_EQ(lg, 1000.0);
    EXPECT_EQ(ld, 12);
    EXPECT_STREQ(s, "word");
    EXPECT_EQ(CurrentText(), "");
    EXPECT_EQ(Line(0), "no -12 3000000000 1.5 0.1 1e3 2.5e-1 1e3 12 word");

    Type("abc +5 -5 7x -99999999999\r");
    TextScan("%d%d%d%d%d", &bad, &plus, &minus, &seven, &low);
    EXPECT_EQ(bad, 0);
    EXPECT_EQ(plus, 5);
    EXPECT_EQ(minus, -5);
    EXPECT_EQ(seven, 7);
    EXPECT_EQ(low, INT32_MIN);

    // %5d is %d; %x stores nothing but uses up a token and a destination.
    Type("5 6 7\r");
    TextScan("%5d%x%d", &width, &untouched, &d);
    EXPECT_EQ(width, 5);
    EXPECT_EQ(untouched, 4242);
    EXPECT_EQ(d, 7);

    // Enter alone: byte 0, no echo text, and the line is ended.
    int before = FrameworkState.LineCount;
    Type("\r");
    TextScan("%c", &none);
    EXPECT_EQ(none, 0);
    EXPECT_EQ(FrameworkState.LineCount, before + 1);
}

TEST_F(TextScanTest, BlanksAndCommasSeparateTokens) {
    int32_t a = 0, b = 0;
    TextPrint("pair ");
    Type(" 12, 34\r");
    TextScan("%d%d", &a, &b);
    EXPECT_EQ(a, 12);
    EXPECT_EQ(b, 34);
    EXPECT_EQ(Line(0), "pair  12, 34");
    EXPECT_EQ(FrameworkState.CurrentLine, 1);

    a = b = 0;
    Type("12,,34\r");
    TextScan("%d%d", &a, &b);
    EXPECT_EQ(a, 12);
    EXPECT_EQ(b, 34);
    EXPECT_EQ(Line(1), "12,,34");
    EXPECT_EQ(FrameworkState.InputLength, 0);
}

TEST_F(TextScanTest, UnusedTokensAnswerTheNextScanAtOnce) {
    int32_t first = 0, second = 0;
    TextPrint("\n HU Center = ");
    Type("12 34\r");
    TextScan("%d", &first);
    EXPECT_EQ(first, 12);
    // Echoed whole, the line not ended yet, the 34 pending.
    EXPECT_EQ(CurrentText(), " HU Center = 12 34");
    EXPECT_EQ(FrameworkState.InputLength, 2);
    EXPECT_STREQ(FrameworkState.InputLine, "34");
    EXPECT_EQ(FrameworkState.InputWaiting, 0);

    TextPrint("\n HU Width  = ");
    // Nothing is typed: a wait here would hang (and the alarm would end the test).
    TextScan("%d", &second);
    EXPECT_EQ(second, 34);
    EXPECT_EQ(Line(1), " HU Center = 12 34");
    EXPECT_EQ(Line(2), " HU Width  = ");
    EXPECT_EQ(CurrentText(), "");
    EXPECT_EQ(FrameworkState.InputLength, 0);

    char yes = 0, no = 0;
    Type("y n\r");
    TextScan("%c", &yes);
    TextScan("%c", &no);
    EXPECT_EQ(yes, 'y');
    EXPECT_EQ(no, 'n');

    // A rest with fewer tokens than conversions: the missing ones are empty.
    int32_t got = 0, missing = 77;
    double dmissing = 3.0;
    char cmissing = 'x', smissing[TextBufferLineBytes] = "old";
    Type("1 5\r");
    TextScan("%d", &got);
    int lines = FrameworkState.LineCount;
    TextScan("%d%d%lf%c%s", &got, &missing, &dmissing, &cmissing, smissing);
    EXPECT_EQ(got, 5);
    EXPECT_EQ(missing, 0);
    EXPECT_EQ(dmissing, 0.0);
    EXPECT_EQ(cmissing, 0);
    EXPECT_STREQ(smissing, "");
    EXPECT_EQ(FrameworkState.LineCount, lines + 1);
    EXPECT_EQ(FrameworkState.InputLength, 0);
}

TEST_F(TextScanTest, LineEditingAndItsLimit) {
    // Backspace and code 16 delete; on an empty line they change nothing;
    // other control codes are ignored.
    char word[TextBufferLineBytes] = "";
    Type(std::string("\b") + char(16) + "ab\x01\x1b" + "x\b\by" + char(16) + "cd\r");
    TextScan("%s", word);
    EXPECT_STREQ(word, "acd");

    // A 300-character line keeps its first 160 characters; the echo too.
    std::string typed(300, '7');
    char big[InputLineBytes] = "";
    Type(typed + "\r");
    TextScan("%s", big);
    EXPECT_EQ(std::string(big), std::string(160, '7'));
    EXPECT_EQ(Line(1), std::string(160, '7'));

    // At the limit a backspace makes room again.
    int32_t number = 0;
    Type(std::string(160, '1') + "99\b5\r");
    TextScan("%d", &number);
    EXPECT_EQ(number, INT32_MAX);
    EXPECT_EQ(FrameworkState.TextBuffer[3][159], '5');

    // Backspace takes a double-byte character (code page 932) whole, also
    // one whose trail byte could be a lead byte; a single-byte katakana and
    // a lead byte without its trail go one byte at a time.
    Type("a\x82\xa0\x81\x81\b\xb1\b\x82\b"
         "b\r");
    TextScan("%s", word);
    EXPECT_STREQ(word, "a\x82\xa0"
                       "b");
}

TEST_F(TextScanTest, QuitMessageIsDroppedAndTheWaitGoesOn) {
    int32_t value = 0;
    PostQuitMessage(0);
    Type("41\r");
    TextScan("%d", &value);
    EXPECT_EQ(value, 41);
}

double ProcessCpuSeconds() {
    rusage usage = {};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Blocking, not spinning: while nothing is typed the process sleeps. The
// wait lasts 2 s (SINORA_SCAN_WAIT_MS overrides it for a longer look).
TEST_F(TextScanTest, WaitingForAnAnswerUsesNoProcessor) {
    const char* env = getenv("SINORA_SCAN_WAIT_MS");
    int waitMs = env ? atoi(env) : 2000;
    alarm(waitMs / 1000 + 30);
    int32_t value = 0;
    TimerAnswer = "5\r";
    SetTimer(InputWindow, 7, waitMs, nullptr);
    timespec wallStart, wallEnd;
    clock_gettime(CLOCK_MONOTONIC, &wallStart);
    double cpuStart = ProcessCpuSeconds();
    TextScan("%d", &value);
    double cpu = ProcessCpuSeconds() - cpuStart;
    clock_gettime(CLOCK_MONOTONIC, &wallEnd);
    double wall = (wallEnd.tv_sec - wallStart.tv_sec) + (wallEnd.tv_nsec - wallStart.tv_nsec) / 1e9;
    EXPECT_EQ(value, 5);
    EXPECT_GE(wall, waitMs / 1000.0 * 0.9);
    EXPECT_LT(cpu, 0.25 * wall);
    printf("[ wait ] %.3f s wall, %.3f s CPU while TextScan waited\n", wall, cpu);
}

}  // namespace
