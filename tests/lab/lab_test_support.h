// lab_test_support.h - shared by the tests of sinora-lab: the recon tests'
// scratch folder, and the program's own phases run on a sinogram file.
#pragma once

#include <cstdio>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "graphic/canvas.h"
#include "lab/core/lab_error.h"
#include "recon/phases.h"
#include "recon/compute/recon_data.h"
#include "recon/recon_test_support.h"

namespace lab_test {

using recon_test::ScratchFolder;
using recon_test::ScratchPath;
using recon_test::WriteBytes;

inline std::string FileBytes(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

// The program's reconstruction of a sinogram file, as far as the full-range
// sum image on the canvas: filtered with `taps` (simple back projection when
// empty). Returns ScaledSumImage as 256 x 256 values, row 0 at the top.
inline std::vector<double> Reconstruct(const std::string& sinogramPath, const std::vector<double>& taps) {
    snprintf(ChosenPath, sizeof ChosenPath, "%s", sinogramPath.c_str());
    ReadRawSinogram();
    RebinSinogram();
    FindSinogramRange();
    GraphicInit();
    MethodAnswer = taps.empty() ? '1' : '2';
    for (size_t k = 0; k < taps.size(); ++k) FilterKernel[k] = taps[k];
    BackProjectViews();
    SumProjectionStack();
    ShowSumImage();
    std::vector<double> slice(256 * 256);
    for (int r = 0; r < 256; ++r) {
        for (int x = 0; x < 256; ++x) slice[r * 256 + x] = ScaledSumImage[x * 256 + r];
    }
    return slice;
}

// The lab's failure message, or "" when `work` succeeded.
inline std::string Failure(const std::function<void()>& work) {
    try {
        work();
    } catch (const lab::LabError& error) {
        return error.what();
    }
    return "";
}

}  // namespace lab_test
