// The filter file on arbitrary bytes: ReadFilterKernel reads the file into
// FilterKernel, and an accepted filter is plotted on a 1200 x 800 back
// buffer as the run does. A refused file must leave every tap as it was.
// Refused files are reported in the toolkit's message boxes, whose caches
// per-input leak checks would take for leaks:
// fuzz-flags: -detect_leaks=0
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "shared/framework_state.h"
#include "platform/win32.h"
#include "recon/phases.h"
#include "recon/compute/recon_data.h"
#include "tests/fuzz/fuzz_support.h"

namespace {

LOGFONTA GraphicFont;

// The canvas fields the plot uses: a memory DC holding a 1200 x 800 bitmap.
void MakeCanvas() {
    FrameworkStateRecord& s = FrameworkState;
    s.BackBufferDc = CreateCompatibleDC(nullptr);
    s.BackBufferBitmap = CreateCompatibleBitmap(s.BackBufferDc, 1200, 800);
    FuzzRequire(s.BackBufferDc && s.BackBufferBitmap, "no back buffer");
    SelectObject(s.BackBufferDc, s.BackBufferBitmap);
    SetBkColor(s.BackBufferDc, 0);
    GraphicFont.lfCharSet = SHIFTJIS_CHARSET;
    s.GraphicFontRecord = &GraphicFont;
    s.BackBufferExists = 1;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    FuzzStartPlatform(argc, argv);
    MakeCanvas();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzWriteScratch(data, size);
    snprintf(ChosenPath, sizeof ChosenPath, "%s", FuzzScratchPath().c_str());
    double before[KernelTaps];
    for (int i = 0; i < KernelTaps; ++i) before[i] = FilterKernel[i] = 0.5 * i - 7.25;

    if (!ReadFilterKernel()) {
        FuzzRequire(memcmp(before, FilterKernel, sizeof before) == 0, "a refused filter changed the taps");
        return 0;
    }
    FrameworkState.PenWidth = 1;
    PlotFilter();
    FuzzRequire(FrameworkState.PenWidth == 4 && FrameworkState.GraphicFontHandle == nullptr,
                "the plot left the pen width or the font handle");
    return 0;
}
