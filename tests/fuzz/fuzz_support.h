// fuzz_support.h - what the fuzz targets share: the platform layer started
// once (offscreen, every message box answered at once), a scratch file of
// their own, the console state of a fresh program, and the TextBuffer's
// invariants, which end the fuzzer with a report when broken.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// The entry points libFuzzer calls: once with the command line, then once
// per input.
extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv);
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

// Starts the platform layer under the offscreen platform; unattended, so a
// notice shown by the code under test closes at once. Call from
// LLVMFuzzerInitialize.
void FuzzStartPlatform(int* argc, char*** argv);

// A file of this process in a memory-backed folder (removed at exit).
const std::string& FuzzScratchPath();
// Replaces the scratch file's content with `size` bytes.
void FuzzWriteScratch(const uint8_t* data, size_t size);

// The console fields as the program starts with them (empty TextBuffer,
// one line in use, nothing typed, no TextScan waiting).
void FuzzResetConsole();

// Aborts with a message when the TextBuffer's counters or lines break the
// ring's rules: counters in range, CurrentLine the last line in use, every
// line at most 160 bytes.
void FuzzCheckTextBuffer();

// Aborts with `what` when `condition` is false.
void FuzzRequire(bool condition, const char* what);
