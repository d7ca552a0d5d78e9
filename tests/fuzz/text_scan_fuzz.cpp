// Typed keys and TextScan formats: the bytes after the first `n` (n = the
// first byte) are typed with InputChar as the console window passes them;
// every Enter runs ParseInputLine, and the line's rest then answers TextScan
// calls with the format made of those first n bytes. Each destination is a
// heap block of exactly 161 bytes, so a conversion that writes past what a
// destination may hold is caught.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "shared/framework_state.h"
#include "console/text_scan.h"
#include "tests/fuzz/fuzz_support.h"

namespace {

char* Targets[ScanTargetLimit];

// One TextScan with the format and all 40 destinations (it takes one per
// '%' of the format, at most 40).
void ScanPending(const char* format) {
    char** t = Targets;
    TextScan(format, t[0], t[1], t[2], t[3], t[4], t[5], t[6], t[7], t[8], t[9], t[10], t[11], t[12], t[13],
             t[14], t[15], t[16], t[17], t[18], t[19], t[20], t[21], t[22], t[23], t[24], t[25], t[26], t[27],
             t[28], t[29], t[30], t[31], t[32], t[33], t[34], t[35], t[36], t[37], t[38], t[39]);
}

void CheckInputLine() {
    const FrameworkStateRecord& s = FrameworkState;
    FuzzRequire(s.InputLength >= 0 && s.InputLength <= TextLineLimit, "InputLength outside 0..160");
    FuzzRequire(s.InputLine[s.InputLength] == 0, "the typed line is not terminated at InputLength");
    FuzzCheckTextBuffer();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    FuzzStartPlatform(argc, argv);
    for (char*& target : Targets) target = new char[TextBufferLineBytes];
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const size_t formatLength = data[0] < size - 1 ? data[0] : size - 1;
    const std::string format(reinterpret_cast<const char*>(data + 1), formatLength);
    const uint8_t* keys = data + 1 + formatLength;
    const size_t keyCount = size - 1 - formatLength;

    FuzzResetConsole();
    FrameworkStateRecord& s = FrameworkState;
    s.InputWaiting = 1;  // a TextScan waits (the first one with an empty format)
    for (size_t k = 0; k < keyCount; ++k) {
        InputChar(keys[k]);
        CheckInputLine();
        if (s.InputWaiting == 0) {
            // Enter: the waiting TextScan returned; the rest of the line
            // answers the next ones at once. A format without conversions
            // uses nothing, so the calls are bounded.
            for (int n = 0; n < ScanTargetLimit && s.InputLength > 0; ++n) {
                ScanPending(format.c_str());
                CheckInputLine();
            }
            s.InputWaiting = 1;
        }
    }
    return 0;
}
