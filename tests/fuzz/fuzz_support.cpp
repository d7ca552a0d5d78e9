// fuzz_support.cpp - start-up, scratch file and console checks shared by
// the fuzz targets.
#include "tests/fuzz/fuzz_support.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "shared/framework_state.h"
#include "platform/platform.h"
#include "tests/support/console_text.h"

void FuzzStartPlatform(int* argc, char*** argv) {
    if (!getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    PlatformInit(argc, *argv);
    PlatformSetUnattended(true);
}

const std::string& FuzzScratchPath() {
    static char made[64];  // outlives every exit handler
    static const std::string path = [] {
        const char* folder = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
        snprintf(made, sizeof made, "%s/sinora_fuzz_%d", folder, static_cast<int>(getpid()));
        atexit([] { unlink(made); });
        return std::string(made);
    }();
    return path;
}

void FuzzWriteScratch(const uint8_t* data, size_t size) {
    FILE* file = fopen(FuzzScratchPath().c_str(), "wb");
    FuzzRequire(file != nullptr, "the scratch file cannot be written");
    if (size) FuzzRequire(fwrite(data, 1, size, file) == size, "the scratch file was not written whole");
    fclose(file);
}

void FuzzResetConsole() {
    ClearTextBuffer();
    FrameworkStateRecord& s = FrameworkState;
    s.ConsoleDirty = 0;
    memset(s.InputLine, 0, sizeof s.InputLine);
    s.InputLength = 0;
    s.InputWaiting = 0;
    s.EchoInput = 0;
    memset(s.ScanFormat, 0, sizeof s.ScanFormat);
    memset(s.ScanTargets, 0, sizeof s.ScanTargets);
}

void FuzzCheckTextBuffer() {
    const FrameworkStateRecord& s = FrameworkState;
    FuzzRequire(s.LineCount >= 1 && s.LineCount <= TextBufferLines, "LineCount out of range");
    FuzzRequire(s.OldestLine >= 0 && s.OldestLine < TextBufferLines, "OldestLine out of range");
    FuzzRequire(s.CurrentLine == (s.OldestLine + s.LineCount - 1) % TextBufferLines,
                "CurrentLine is not the last line in use");
    FuzzRequire(s.ScrollTop >= 0, "ScrollTop below 0");
    for (int k = 0; k < TextBufferLines; ++k) {
        FuzzRequire(memchr(s.TextBuffer[k], 0, TextLineLimit + 1) != nullptr, "a line holds more than 160 bytes");
    }
}

void FuzzRequire(bool condition, const char* what) {
    if (condition) return;
    fprintf(stderr, "fuzz check failed: %s\n", what);
    abort();
}
