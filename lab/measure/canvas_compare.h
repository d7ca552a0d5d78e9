// canvas_compare.h - the reconstructed slice taken from a canvas saved with
// "Save Graphic File", compared in numbers with the image that was projected.
#pragma once

#include <string>
#include <vector>

class QImage;

namespace lab {

// The slice the program draws at x 0..511, y 140..651 of its 1200 x 800
// canvas (the full-range sum image, or the same image under a window): one
// grey level per 2 x 2 block, 256 x 256, row 0 at the top. Throws LabError
// for a file that is not such a canvas.
std::vector<double> SliceFromCanvas(const std::string& path);
// The same of a picture already read from `path`.
std::vector<double> SliceFromCanvas(const QImage& canvas, const std::string& path);

// A 256 x 256 picture as grey values at the depth the file has: 0..255 for
// an 8-bit picture (a .png from `reconstruct`), 0..65535 for a 16-bit one
// (a truth image); colour becomes its luminance. Throws LabError.
std::vector<double> ReadTruth(const std::string& path);
// The same of a picture already read from `path`.
std::vector<double> TruthFromPicture(const QImage& picture, const std::string& path);

// Inside the scanned disc: the slice fitted to the truth as
// scale x slice + offset by least squares, their correlation, and the
// root-mean-square difference of fit and truth divided by the truth's range.
struct Comparison {
    double scale = 0.0;
    double offset = 0.0;
    double correlation = 0.0;
    double normalisedRms = 0.0;
    int pixels = 0;
};
Comparison CompareWithTruth(const std::vector<double>& slice, const std::vector<double>& truth);

// fit - truth as grey: 128 is no difference, black and white a quarter of
// the truth's range below and above; outside the disc 128.
QImage DifferenceImage(const std::vector<double>& slice, const std::vector<double>& truth, const Comparison& fit);

}  // namespace lab
