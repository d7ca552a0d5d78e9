// sinora-lab's reading of its inputs on arbitrary bytes: LoadSlice takes a
// picture through Qt's readers or a DICOM file through GDCM (in a child
// process), ReadPictureFile reads what `compare` reads. Each gives an image
// whose size and values make sense, or reports a LabError; nothing else may
// end it. Qt's image readers keep caches that per-input leak checks would
// take for leaks:
// fuzz-flags: -detect_leaks=0
#include <cmath>
#include <cstddef>
#include <cstdint>

#include "tests/fuzz/fuzz_support.h"
#include "tools/lab/lab_error.h"
#include "tools/lab/picture_file.h"
#include "tools/lab/slice_input.h"

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    FuzzStartPlatform(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzWriteScratch(data, size);
    const std::string& path = FuzzScratchPath();
    try {
        const lab::LoadedSlice slice = lab::LoadSlice(path, 1);
        FuzzRequire(slice.mu.width > 0 && slice.mu.height > 0 &&
                        slice.mu.values.size() == static_cast<size_t>(slice.mu.width) * slice.mu.height,
                    "a slice whose size and values disagree");
        FuzzRequire(slice.mu.spacingX > 0.0 && std::isfinite(slice.mu.spacingX) && slice.mu.spacingY > 0.0 &&
                        std::isfinite(slice.mu.spacingY),
                    "a slice without a positive spacing");
        for (double v : slice.mu.values) FuzzRequire(std::isfinite(v) && v >= 0.0, "an attenuation below 0 or not finite");
    } catch (const lab::LabError&) {
    }
    try {
        lab::ReadPictureFile(path);
    } catch (const lab::LabError&) {
    }
    return 0;
}
