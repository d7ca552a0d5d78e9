// image_quality.h - the numbers a CT course measures on a 256 x 256 slice
// (row-major, row 0 at the top): noise and contrast in regions, the
// modulation transfer function from a point or an edge, the noise power
// spectrum, line-pair modulation and line profiles. Plain values in, plain
// structs out; every failure a LabError of one line. Every measurement
// checks its slice (256 x 256 finite values) and its place (finite numbers,
// inside the picture) itself, whoever calls it: no place makes it read
// outside the slice.
#pragma once

#include <string>
#include <vector>

namespace lab {

using SliceValues = std::vector<double>;  // 256 x 256, row 0 at the top

// A place in the slice in picture coordinates: column from the left and row
// from the top, in pixels, at pixel centres for whole numbers.
struct PicturePoint {
    double column = 0.0;
    double row = 0.0;
};
// Field coordinates (x right, y up, from the centre of rotation) as a place
// in the picture.
PicturePoint FromField(double x, double y);

struct RegionStats {
    double mean = 0.0;
    double sd = 0.0;  // sample standard deviation (n - 1)
    int pixels = 0;
};
// What is wrong with a place before anything is measured there, or "" when
// nothing is: every number finite and the place inside the picture. The
// measurements below throw these words; the command line checks the same
// before any work (option_bounds.h).
// A circle of radius above 0 that lies within the picture's pixels
// (its centre +- radius within -0.5 .. 255.5).
std::string CircleProblem(PicturePoint centre, double radius);
// A square of a whole size from 4 to 256 pixels that fits in the picture.
std::string SquareProblem(PicturePoint centre, double size);
// A line whose ends lie within the picture's pixel centres (0 .. 255).
std::string LineProblem(PicturePoint from, PicturePoint to);

// The pixels whose centres lie within `radius` of `centre`; throws with
// CircleProblem's words, or when the circle holds fewer than two pixels.
RegionStats MeasureCircle(const SliceValues& slice, PicturePoint centre, double radius);

// |mean1 - mean2| / sd2.
double ContrastToNoise(const RegionStats& object, const RegionStats& background);

// A radially averaged spectrum: value at each frequency (cycles per pixel).
struct FrequencyCurve {
    std::vector<double> frequency;
    std::vector<double> value;
};
// The frequency where the curve first falls to `level`, linearly
// interpolated; negative when it never does.
double FallsTo(const FrequencyCurve& curve, double level);

// A point image: its brightest pixel, and the background it stands on,
// taken far from it: the pixels whose centres lie 60 to 100 pixels from the
// peak, inside the scanned disc. Throws unless the peak stands 20 of their
// standard deviations clear of their mean, and when the 64 x 64
// point-spread square around it does not fit in the picture.
struct PointImage {
    PicturePoint peak;
    double background = 0.0;
    double backgroundSd = 0.0;
    int backgroundPixels = 0;
};
PointImage FindPoint(const SliceValues& slice);
// The MTF from a point image: the 64 x 64 square centred on the peak, less
// the background, is transformed in 2-D (padded with zeros to 256 x 256),
// and |F| / F(0) averaged over rings 1/256 wide. The curve includes the
// transform of the object itself. Throws, as FindPoint does, when the
// square around the peak given does not fit in the picture.
FrequencyCurve PointMtf(const SliceValues& slice, const PointImage& point);
FrequencyCurve PointMtf(const SliceValues& slice);  // of FindPoint(slice)

// A disc's edge: centre and radius in picture pixels.
struct DiscEdge {
    PicturePoint centre;
    double radius = 0.0;
};
// A disc whose centre lies in the picture (-0.5 .. 255.5), of radius from
// 14 pixels (the edge window's 12 either side, and 2 more) to the picture's
// diagonal (362 pixels).
std::string EdgeProblem(const DiscEdge& edge);
// The disc in the slice: pixels above half-way between the low and the high
// level inside the scanned disc (2nd and 98th percentiles), their centroid
// and the radius of their area.
DiscEdge FindDisc(const SliceValues& slice);
// The MTF from a disc's edge: the values of pixels within 12 pixels of the
// edge binned by their distance from it in tenths of a pixel (the
// oversampled edge-spread function), differentiated, and transformed.
// Throws with EdgeProblem's words, and when the edge is too little sampled.
FrequencyCurve EdgeMtf(const SliceValues& slice, const DiscEdge& edge);

// The noise power spectrum of the `size` x `size` square centred at
// `centre`: |DFT(values - mean)|^2 / size^2 (per pixel area), averaged over
// rings 1/size wide; `variance` is its integral over the 2-D frequency
// square, which equals the variance of the values, and `withinNyquist` the
// integral within the circle f <= 0.5 cycles per pixel that the rings cover
// (the square's corners beyond it are left out of the radial curve). With
// a second slice of the same object, the difference of the two, halved in
// power, removes the object and keeps the noise of one. Throws with
// SquareProblem's words.
struct NoisePower {
    FrequencyCurve spectrum;  // value^2 x pixel^2
    double variance = 0.0;
    double withinNyquist = 0.0;
};
NoisePower NoisePowerSpectrum(const SliceValues& slice, PicturePoint centre, int size,
                              const SliceValues* other = nullptr);

// For the teaching set's line-pair object: (max - min) / (max + min) across
// each group of four bars, from the widest to the narrowest, on the mean of
// the rows through the middle of the bars.
struct LinePairGroup {
    double barWidth = 0.0;  // pixels
    double modulation = 0.0;
};
std::vector<LinePairGroup> LinePairModulation(const SliceValues& slice);

// Values along the line from `from` to `to`, one sample per pixel of
// length, bilinearly interpolated; distance in pixels from `from`.
struct Profile {
    std::vector<double> distance;
    std::vector<double> value;
};
Profile LineProfile(const SliceValues& slice, PicturePoint from, PicturePoint to);

}  // namespace lab
