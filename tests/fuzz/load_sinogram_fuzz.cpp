// The sinogram reader on arbitrary bytes and lengths. The first byte chooses
// the file: below 128 the rest of the input is the file as it stands (short
// files of any length); otherwise the next two bytes give a length within
// 32 kB on either side of the 1,049,760 bytes a sinogram needs, filled with
// the rest of the input over and over (or zeros), so that whole files of
// any values reach the rebinning and the range scan. A refused file must
// leave RawSinogram as it was; an accepted one must be in RawSinogram
// byte for byte.
// Refused files are reported in the toolkit's message boxes, whose caches
// per-input leak checks would take for leaks:
// fuzz-flags: -detect_leaks=0
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

#include "recon/phases.h"
#include "recon/compute/recon_data.h"
#include "tests/fuzz/fuzz_support.h"

namespace {

std::vector<uint8_t> FileBytes(const uint8_t* data, size_t size) {
    if (size == 0 || data[0] < 128) return std::vector<uint8_t>(data + (size ? 1 : 0), data + size);
    const int offset = size >= 3 ? (data[1] | data[2] << 8) - 32768 : 0;
    std::vector<uint8_t> bytes(static_cast<size_t>(SinogramFileBytes + offset));
    const size_t patternStart = size >= 3 ? 3 : size;
    const size_t patternLength = std::min(size - patternStart, bytes.size());
    if (patternLength == 0) return bytes;
    // The pattern, then the filled part copied behind itself until full.
    memcpy(bytes.data(), data + patternStart, patternLength);
    for (size_t filled = patternLength; filled < bytes.size(); filled *= 2) {
        memcpy(bytes.data() + filled, bytes.data(), std::min(filled, bytes.size() - filled));
    }
    return bytes;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    FuzzStartPlatform(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::vector<uint8_t> file = FileBytes(data, size);
    FuzzWriteScratch(file.data(), file.size());
    snprintf(ChosenPath, sizeof ChosenPath, "%s", FuzzScratchPath().c_str());
    static const std::vector<double> before = [] {
        std::vector<double> values(SinogramFileValues);
        for (int k = 0; k < SinogramFileValues; ++k) values[k] = -1.0 - k;
        return values;
    }();
    memcpy(RawSinogram, before.data(), sizeof RawSinogram);

    ReadRawSinogram();
    const bool whole = file.size() >= static_cast<size_t>(SinogramFileBytes);
    if (whole) {
        FuzzRequire(memcmp(RawSinogram, file.data(), SinogramFileBytes) == 0, "the sinogram was not taken as read");
        FuzzResetConsole();
        RebinSinogram();
        FindSinogramRange();
        FuzzCheckTextBuffer();
    } else {
        FuzzRequire(memcmp(RawSinogram, before.data(), sizeof RawSinogram) == 0,
                    "a refused sinogram changed RawSinogram");
    }
    return 0;
}
