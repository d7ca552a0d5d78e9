// The run driver's branches, driven end to end in a child process (the run
// never returns; "n" at "Retry?" ends it with status 0). A stand-in console
// window hands typed characters to InputChar while a TextScan waits, as the
// console window does; a timer of that window types the next scripted
// answer whenever a prompt waits, so answers never arrive while a file
// dialog is open. At exit the child writes the TextBuffer to a file that
// the parent then examines.
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/app_shell.h"
#include "shared/framework_state.h"
#include "console/text_scan.h"
#include "platform/platform.h"
#include "platform/win32.h"
#include "recon/phases.h"
#include "recon/compute/recon_data.h"

// AddressSanitizer keeps freed memory in quarantine, so resident memory
// says nothing about leaks there.
#if defined(__SANITIZE_ADDRESS__)
#define SINORA_ADDRESS_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define SINORA_ADDRESS_SANITIZER 1
#endif
#endif
#ifndef SINORA_ADDRESS_SANITIZER
#define SINORA_ADDRESS_SANITIZER 0
#endif

namespace {

// ---- child side -----------------------------------------------------------

std::vector<std::string> Answers;  // typed lines; "@move" moves the console like a user
size_t NextAnswer = 0;
int CharsInFlight = 0;
std::string DumpPath;
LOGFONTA ConsoleFontRecord;
LOGFONTA GraphicFontRecordStandIn;
// The console's place and caption as last seen at a prompt (the windows may
// be gone by the time the exit handlers run).
RECT SeenRect;
char SeenTitle[64];

LRESULT CALLBACK ConsoleStandInProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CHAR) {
        --CharsInFlight;
        if (FrameworkState.InputWaiting == 1) InputChar(static_cast<int>(wParam));
        return 0;
    }
    if (message == WM_TIMER) {
        if (FrameworkState.InputWaiting != 1 || CharsInFlight > 0) return 0;
        GetWindowRect(window, &SeenRect);
        GetWindowTextA(window, SeenTitle, sizeof SeenTitle);
        if (NextAnswer < Answers.size() && Answers[NextAnswer] == "@move") {
            MoveWindow(window, 500, 300, 350, 600, TRUE);
            ++NextAnswer;
        }
        if (NextAnswer >= Answers.size()) {
            fprintf(stderr, "the run asked more than the script answers\n");
            exit(3);
        }
        std::string line = Answers[NextAnswer++] + "\r";
        for (unsigned char c : line) {
            PostMessageA(window, WM_CHAR, c, 0);
            ++CharsInFlight;
        }
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

// Writes the TextBuffer (oldest line first, one per file line) and the
// state the parent checks.
void DumpAtExit() {
    FILE* out = fopen(DumpPath.c_str(), "wb");
    if (!out) return;
    const FrameworkStateRecord& s = FrameworkState;
    fprintf(out, "%d\n", s.LineCount);
    for (int k = 0; k < s.LineCount; ++k) fprintf(out, "%s\n", s.TextBuffer[(s.OldestLine + k) % TextBufferLines]);
    fprintf(out, "rect %d %d\ntitle %s\nmethod %d\nhu %d %d\n", SeenRect.left, SeenRect.top, SeenTitle, MethodAnswer,
            HuCenter, HuWidth);
    for (int i = 0; i < PlatformModalLogCount(); ++i) fprintf(out, "modal %s\n", PlatformModalLogEntry(i));
    fclose(out);
}

// Sets up the windows and the console's first values as start-up does,
// then runs the procedure (which ends the process).
void RunScripted(const std::string& dumpPath, const std::vector<std::string>& dialogAnswers,
                 const std::vector<std::string>& answers) {
    alarm(240);
    DumpPath = dumpPath;
    Answers = answers;
    atexit(DumpAtExit);

    WNDCLASSA console = {};
    console.lpfnWndProc = ConsoleStandInProc;
    console.lpszClassName = "StandInConsole";
    RegisterClassA(&console);
    WNDCLASSA graphics = {};
    graphics.lpfnWndProc = DefWindowProcA;
    graphics.lpszClassName = "StandInGraphics";
    RegisterClassA(&graphics);

    FrameworkStateRecord& s = FrameworkState;
    s.ConsoleWindow = CreateWindowExA(0, "StandInConsole", "", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 720, 300, 480, 480,
                                      nullptr, nullptr, nullptr, nullptr);
    s.GraphicsWindow = CreateWindowExA(0, "StandInGraphics", "Images", WS_OVERLAPPEDWINDOW, 100, 20, 480, 480,
                                       nullptr, nullptr, nullptr, nullptr);
    s.LineCount = 1;
    s.LineHeight = 15;
    s.InputEchoVisible = 1;
    s.ConsoleFont = &ConsoleFontRecord;
    s.GraphicFontRecord = &GraphicFontRecordStandIn;
    SetTimer(s.ConsoleWindow, 1, 20, nullptr);

    for (const std::string& answer : dialogAnswers) PlatformQueueModalAnswer(answer.c_str(), 100);
    RunReconstruction();
}

// ---- a long session: the program's own windows, many runs -----------------

struct SessionSnapshot {
    PlatformLiveObjects live;
    long residentKb;
};
std::vector<SessionSnapshot> Snapshots;
std::vector<std::string> SessionLines;  // typed lines; "@snapshot" records the state
size_t NextSessionLine = 0;

long ResidentKb() {
    long pages = 0, resident = 0;
    if (FILE* statm = fopen("/proc/self/statm", "r")) {
        if (fscanf(statm, "%ld %ld", &pages, &resident) != 2) resident = 0;
        fclose(statm);
    }
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

// Types the next line into the console window whenever a TextScan waits,
// one character message after another, as the keyboard would.
void CALLBACK TypeSessionLine(HWND, UINT, UINT_PTR, DWORD) {
    if (FrameworkState.InputWaiting != 1) return;
    if (NextSessionLine < SessionLines.size() && SessionLines[NextSessionLine] == "@snapshot") {
        Snapshots.push_back(SessionSnapshot{PlatformLiveObjectCounts(), ResidentKb()});
        ++NextSessionLine;
    }
    if (NextSessionLine >= SessionLines.size()) {
        fprintf(stderr, "the session asked more than the script answers\n");
        exit(3);
    }
    for (unsigned char c : SessionLines[NextSessionLine++] + "\r") {
        SendMessageA(FrameworkState.ConsoleWindow, WM_CHAR, c, 0);
    }
}

void DumpSessionAtExit() {
    FILE* out = fopen(DumpPath.c_str(), "wb");
    if (!out) return;
    for (const SessionSnapshot& s : Snapshots) {
        fprintf(out, "%d %d %d %d %ld\n", s.live.windows, s.live.gdiObjects, s.live.deviceContexts, s.live.timers,
                s.residentKb);
    }
    fclose(out);
}

// Starts the program's windows as start-up does and runs `runs` filtered
// reconstructions in a row through "Retry?", each opening the sinogram and
// the filter dialog; the state is recorded at each run's method prompt.
void RunSession(const std::string& dumpPath, const std::string& sinogram, const std::string& filter, int runs) {
    alarm(600);
    DumpPath = dumpPath;
    atexit(DumpSessionAtExit);
    if (!CreateAppWindows(nullptr, SW_SHOW)) exit(4);
    for (int run = 0; run < runs; ++run) {
        PlatformQueueModalAnswer(sinogram.c_str(), 10);
        PlatformQueueModalAnswer(filter.c_str(), 10);
        // Method 2 and the filter pause; then, typed ahead in one line: the
        // filter accepted, the pause after the grid, no replay, centre and
        // width, no other window, and "Retry?" (another run, or the end).
        SessionLines.insert(SessionLines.end(),
                            {"@snapshot", "2 x", std::string("y x n 100 400 n ") + (run + 1 < runs ? "N" : "n")});
    }
    SetTimer(nullptr, 0, 10, TypeSessionLine);
    RunReconstruction();
}

// ---- parent side ----------------------------------------------------------

// Sample files, shared with the children through the environment.
std::string SampleDir() {
    if (!getenv("SINORA_RUN_DRIVER_DIR")) {
        char pattern[] = "/tmp/sinora_run_driver_XXXXXX";
        if (mkdtemp(pattern)) setenv("SINORA_RUN_DRIVER_DIR", pattern, 1);
    }
    const char* dir = getenv("SINORA_RUN_DRIVER_DIR");
    return dir ? dir : "/tmp";
}

std::string SinogramPath() { return SampleDir() + "/disc.sin"; }
std::string FilterPath() { return SampleDir() + "/ramp.txt"; }
// A filter whose path makes the confirmation text longer than one line.
std::string LongFilterPath() { return SampleDir() + "/" + std::string(130, 'f') + "/ramp.txt"; }

void WriteSamples() {
    if (access(LongFilterPath().c_str(), R_OK) == 0) return;
    std::filesystem::create_directories(std::filesystem::path(LongFilterPath()).parent_path());
    // A disc of radius 150 channels: the same projection at every angle.
    std::vector<double> raw(SinogramFileValues);
    for (int r = 0; r < RawChannels; ++r) {
        double d = r - 364.0;
        double value = std::fabs(d) < 150.0 ? 2.0 * std::sqrt(150.0 * 150.0 - d * d) : 0.0;
        for (int a = 0; a < AngleCount; ++a) raw[r * AngleCount + a] = value;
    }
    FILE* file = fopen(SinogramPath().c_str(), "wb");
    ASSERT_NE(file, nullptr);
    ASSERT_EQ(fwrite(raw.data(), sizeof(double), raw.size(), file), raw.size());
    fclose(file);
    struct stat info = {};
    stat(SinogramPath().c_str(), &info);
    ASSERT_EQ(info.st_size, 1049760);

    // Real-space ramp filter, 128 taps centred on tap 64.
    std::string text;
    for (int i = 0; i < KernelTaps; ++i) {
        int n = i - 64;
        double tap = n == 0 ? 0.25 : (n % 2 != 0 ? -1.0 / (M_PI * M_PI * n * n) : 0.0);
        char number[64];
        snprintf(number, sizeof number, "%.10e\n", tap);
        text += number;
    }
    for (const std::string& path : {FilterPath(), LongFilterPath()}) {
        std::ofstream(path) << text;
    }
}

struct Dump {
    std::vector<std::string> lines;
    std::string joined;  // the lines concatenated, as the text was printed without its line feeds
    std::string rest;    // the state lines after the TextBuffer
};

Dump ReadDump(const std::string& path) {
    Dump dump;
    std::ifstream in(path);
    std::string line;
    int count = 0;
    if (std::getline(in, line)) count = atoi(line.c_str());
    for (int k = 0; k < count && std::getline(in, line); ++k) {
        dump.lines.push_back(line);
        dump.joined += line;
    }
    while (std::getline(in, line)) dump.rest += line + "\n";
    return dump;
}

int Count(const std::string& text, const std::string& part) {
    int n = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
    return n;
}

// True when the parts occur in this order (each after the previous one).
bool InOrder(const std::string& text, const std::vector<std::string>& parts) {
    size_t at = 0;
    for (const std::string& part : parts) {
        at = text.find(part, at);
        if (at == std::string::npos) return false;
        at += part.size();
    }
    return true;
}

class RunDriverTest : public ::testing::Test {
protected:
    void SetUp() override { WriteSamples(); }
    static void TearDownTestSuite() {
        if (getenv("SINORA_RUN_DRIVER_DIR")) std::filesystem::remove_all(getenv("SINORA_RUN_DRIVER_DIR"));
    }
    std::string DumpFor(const char* name) { return SampleDir() + "/" + name + ".dump"; }
};

TEST_F(RunDriverTest, EnterSelectsFilteredAndCapitalNStartsANewRun) {
    std::string dumpPath = DumpFor("new_run");
    EXPECT_EXIT(RunScripted(dumpPath, {SinogramPath(), FilterPath(), SinogramPath()},
                            {"", "", "", "", "n", "100", "400", "n", "@move", "N",  // first run: filtered
                             "12", "", "n", "5", "6", "n", "n"}),                   // second run: simple
                ::testing::ExitedWithCode(0), "");
    Dump dump = ReadDump(dumpPath);
    ASSERT_FALSE(dump.lines.empty());
    EXPECT_EQ(dump.lines[0], "Sinora");
    EXPECT_EQ(Count(dump.joined, "Sinora"), 1);
    EXPECT_EQ(Count(dump.joined, " Load CT Sinogram data "), 2);
    EXPECT_EQ(Count(dump.joined, " Select Reconstruction method "), 2);
    EXPECT_EQ(Count(dump.joined, " Disp Filtered Pth * Filter "), 2);
    // The empty method answer led to the filter step; "12" skipped it.
    EXPECT_EQ(Count(dump.joined, " Load Real space Filter "), 1);
    EXPECT_TRUE(InOrder(dump.joined, {" Select Reconstruction method ", " 1: Simple BackProjection ",
                                      " 2: Filtered BackProjection ", " Load Real space Filter ",
                                      " Real space filter = ", FilterPath(), " OK ? (yes; enter, no; n ) ",
                                      " Disp Filtered Pth * Filter ", " Disp FBP Process? ", "(yes:enter, no:n) n",
                                      " HU Center = 100", " HU Width  = 400", " Retry HU Center, Window ? (no:n) n",
                                      " Retry? (no:n) N", " Load CT Sinogram data ", " Select Reconstruction method ",
                                      " 12", " Disp Filtered Pth * Filter ", " HU Center = 5", " Retry? (no:n) n"}))
        << dump.joined;
    // The console stays where the user put it during the first run.
    EXPECT_NE(dump.rest.find("rect 500 300\n"), std::string::npos) << dump.rest;
    EXPECT_NE(dump.rest.find("title Sinora\n"), std::string::npos) << dump.rest;
    EXPECT_NE(dump.rest.find("method 49\nhu 5 6\n"), std::string::npos) << dump.rest;
}

TEST_F(RunDriverTest, AnswersTypedAheadAreTakenInOrder) {
    std::string dumpPath = DumpFor("typed_ahead");
    EXPECT_EXIT(RunScripted(dumpPath, {SinogramPath(), FilterPath(), LongFilterPath()},
                            {"2 x",             // method 2, the filter pause takes the x
                             "n", "", "",       // first filter rejected; pause; second accepted
                             "x n 7 8 n n"}),   // pause, no replay, centre, width, no retry twice
                ::testing::ExitedWithCode(0), "");
    Dump dump = ReadDump(dumpPath);
    EXPECT_EQ(Count(dump.joined, " Load Real space Filter "), 2);
    EXPECT_EQ(Count(dump.joined, " OK ? (yes; enter, no; n ) "), 2);
    // The long path of the second filter is in the TextBuffer whole.
    EXPECT_NE(dump.joined.find(" Real space filter =  " + LongFilterPath() + "  OK ? (yes; enter, no; n ) "),
              std::string::npos)
        << dump.joined;
    // Each line is echoed once, where it was typed; the later prompts follow it.
    int method = -1, pause = -1;
    for (size_t k = 0; k < dump.lines.size(); ++k) {
        if (dump.lines[k] == " 2 x") method = static_cast<int>(k);
        if (dump.lines[k] == " Disp Filtered Pth * Filter x n 7 8 n n") pause = static_cast<int>(k);
    }
    EXPECT_GE(method, 0) << dump.joined;
    EXPECT_GT(pause, method) << dump.joined;
    EXPECT_EQ(Count(dump.joined, "x n 7 8 n n"), 1);
    EXPECT_TRUE(InOrder(dump.joined, {"x n 7 8 n n", " Disp FBP Process? ", " HU Center = ", " HU Width  = ",
                                      " Retry HU Center, Window ? (no:n) ", " Retry? (no:n) "}))
        << dump.joined;
    EXPECT_NE(dump.rest.find("method 50\nhu 7 8\n"), std::string::npos) << dump.rest;
}

// A printed count: "%lf" of a finite value, six decimals.
bool IsCount(const std::string& text) {
    size_t at = text[0] == '-' ? 1 : 0;
    const size_t digits = text.find_first_not_of("0123456789", at);
    return digits != std::string::npos && digits > at && text[digits] == '.' && text.size() == digits + 7 &&
           text.find_first_not_of("0123456789", digits + 1) == std::string::npos;
}

// The whole console text of two runs, line by line, byte for byte: every
// prompt with its blanks and line feeds, each answer echoed and ended with a
// line feed, nothing else printed (the counts are checked for their form).
TEST_F(RunDriverTest, ConsoleTextOfTwoRunsByteForByte) {
    std::string dumpPath = DumpFor("transcript");
    EXPECT_EXIT(RunScripted(dumpPath, {SinogramPath(), FilterPath(), FilterPath(), SinogramPath()},
                            {"2", "", "N", "", "", "x", "n", "100", "400", "N", "5", "6", "n", "N",  // filtered
                             "1", "", "", "7", "8", "n", "n"}),                                      // simple, replay
                ::testing::ExitedWithCode(0), "");
    Dump dump = ReadDump(dumpPath);

    const std::string load = "\n\n Load CT Sinogram data \n\n max count = #\n min count = #";
    const std::string method =
        "\n\n Select Reconstruction method \n\n 1: Simple BackProjection \n 2: Filtered BackProjection \n ";
    const std::string filter = "\n\n Load Real space Filter \n\n\n Real space filter = \n\n " + FilterPath() +
                               " \n OK ? (yes; enter, no; n ) ";
    const std::string sum = "\n\n maxp count = #\n minp count = #\n\n Disp FBP Process? \n(yes:enter, no:n) ";
    const std::string hu = "\n HU Center = ";
    const std::string width = "\n HU Width  = ";
    const std::string retryHu = "\n\n Retry HU Center, Window ? (no:n) ";
    const std::string retry = "\n\n Retry? (no:n) ";
    const std::string expected =
        "Sinora" + load + method + "2\n" + filter + "N\n" + filter + "\n" + "\n\n Disp Filtered Pth * Filter x\n" +
        sum + "n\n" + hu + "100\n" + width + "400\n" + retryHu + "N\n" + hu + "5\n" + width + "6\n" + retryHu +
        "n\n" + retry + "N\n" + load + method + "1\n" + "\n\n Disp Filtered Pth * Filter \n" + sum + "\n" + hu +
        "7\n" + width + "8\n" + retryHu + "n\n" + retry + "n\n";

    std::vector<std::string> lines;
    for (size_t start = 0;;) {
        const size_t end = expected.find('\n', start);
        lines.push_back(expected.substr(start, end == std::string::npos ? std::string::npos : end - start));
        if (end == std::string::npos) break;
        start = end + 1;
    }
    ASSERT_EQ(dump.lines.size(), lines.size()) << dump.joined;
    for (size_t k = 0; k < lines.size(); ++k) {
        const size_t mark = lines[k].find('#');
        if (mark == std::string::npos) {
            EXPECT_EQ(dump.lines[k], lines[k]) << "line " << k;
        } else {
            EXPECT_EQ(dump.lines[k].substr(0, mark), lines[k].substr(0, mark)) << "line " << k;
            EXPECT_TRUE(dump.lines[k].size() > mark && IsCount(dump.lines[k].substr(mark))) << dump.lines[k];
        }
    }
}

TEST_F(RunDriverTest, OverlongTypedLineKeepsItsFirst160Characters) {
    std::string dumpPath = DumpFor("long_line");
    EXPECT_EXIT(RunScripted(dumpPath, {SinogramPath()},
                            {"1", std::string(300, 'y'), "n", "3", "4", "n", "n"}),
                ::testing::ExitedWithCode(0), "");
    Dump dump = ReadDump(dumpPath);
    EXPECT_NE(dump.joined.find(" Disp Filtered Pth * Filter " + std::string(160, 'y') + " maxp count = "),
              std::string::npos)
        << dump.joined;
    EXPECT_NE(dump.rest.find("method 49\nhu 3 4\n"), std::string::npos) << dump.rest;
}

// Fifty filtered runs in a row through "Retry?" with the program's own
// windows: each run leaves as many windows, GDI objects, device contexts and
// timers as the first one left, and the resident memory grows by less than
// 1 MB after the first ten runs (not under AddressSanitizer, whose quarantine
// keeps freed memory on purpose).
TEST_F(RunDriverTest, FiftyRunsGiveBackWhatTheyTake) {
    const int runs = 50;
    std::string dumpPath = DumpFor("session");
    EXPECT_EXIT(RunSession(dumpPath, SinogramPath(), FilterPath(), runs), ::testing::ExitedWithCode(0), "");
    std::vector<SessionSnapshot> seen;
    std::ifstream in(dumpPath);
    SessionSnapshot s{};
    while (in >> s.live.windows >> s.live.gdiObjects >> s.live.deviceContexts >> s.live.timers >> s.residentKb) {
        seen.push_back(s);
    }
    ASSERT_EQ(seen.size(), static_cast<size_t>(runs));
    const SessionSnapshot& first = seen[1];  // after the first whole run
    EXPECT_EQ(first.live.windows, 2);
    for (int run = 1; run < runs; ++run) {
        SCOPED_TRACE("run " + std::to_string(run + 1));
        EXPECT_EQ(seen[run].live.windows, first.live.windows);
        EXPECT_EQ(seen[run].live.gdiObjects, first.live.gdiObjects);
        EXPECT_EQ(seen[run].live.deviceContexts, first.live.deviceContexts);
        EXPECT_EQ(seen[run].live.timers, first.live.timers);
    }
    // The first few runs fill the toolkit's and the allocator's caches; from
    // the tenth on, the resident memory stays within 1 MB of it.
    const int settled = 9;
    std::string residentSeries;
    for (const SessionSnapshot& snapshot : seen) residentSeries += " " + std::to_string(snapshot.residentKb);
    printf("live after each run: %d windows, %d GDI objects, %d DCs, %d timers; resident %ld kB at run %d, %ld kB at "
           "run %d\n",
           first.live.windows, first.live.gdiObjects, first.live.deviceContexts, first.live.timers,
           seen[settled].residentKb, settled + 1, seen[runs - 1].residentKb, runs);
#if !SINORA_ADDRESS_SANITIZER
    for (int run = settled + 1; run < runs; ++run) {
        EXPECT_LT(seen[run].residentKb - seen[settled].residentKb, 1024)
            << "run " << run + 1 << "; resident kB after each run:" << residentSeries;
    }
#endif
}

}  // namespace

