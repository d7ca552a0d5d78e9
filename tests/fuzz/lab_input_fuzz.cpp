// sinora-lab's in-process reading of its inputs on arbitrary bytes: pictures
// through Qt's readers (what `sinogram` and `compare` read), NumPy .npy
// slices and sinogram files. Each gives values whose size makes sense, or
// reports a LabError; nothing else may end it. DICOM files are read in a
// process of their own: lab_dicom_fuzz feeds that reading. Qt's image
// readers keep caches that per-input leak checks would take for leaks:
// fuzz-flags: -detect_leaks=0
#include <QImage>

#include <cmath>
#include <cstddef>
#include <cstdint>

#include "tests/fuzz/fuzz_support.h"
#include "lab/core/lab_error.h"
#include "lab/files/picture_file.h"
#include "lab/files/slice_files.h"

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    FuzzStartPlatform(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzWriteScratch(data, size);
    const std::string& path = FuzzScratchPath();
    try {
        const QImage picture = lab::ReadPictureFile(path);
        FuzzRequire(!picture.isNull() && picture.width() > 0 && picture.height() > 0, "a picture without pixels");
    } catch (const lab::LabError&) {
    }
    try {
        FuzzRequire(lab::ReadNpy(path).size() == 256 * 256, "a .npy slice that is not 256 x 256");
    } catch (const lab::LabError&) {
    }
    try {
        for (double v : lab::ReadSinogramFile(path)) FuzzRequire(std::isfinite(v), "a sinogram value not finite");
    } catch (const lab::LabError&) {
    }
    return 0;
}
