// siddon_projector.h - exact line integrals through the pixels of the field:
// the length of the ray inside each pixel it crosses, times that pixel's
// value (the system model of Siddon's method); and the transposed operation,
// which spreads channel values back over the pixels with the same lengths.
// Together they are the system model of the iterative reconstructions.
#pragma once

#include <vector>

#include "lab/core/field_image.h"

namespace lab {

// The integral along the ray at signed distance `d` (pixels) from the centre
// of rotation, perpendicular to (cosA, sinA); in pixel lengths times value.
double SiddonRayIntegral(const FieldImage& field, double d, double cosA, double sinA);

// A field of 256 x 256 values laid out for projection: its rows, and its
// columns as rows, each with zeros on either side. A view closer to the
// vertical reads the rows, one closer to the horizontal the columns.
class FieldStrips {
public:
    FieldStrips();  // all zeros
    explicit FieldStrips(const FieldImage& field);
    // Copies rows [firstRow, lastRow) of `values` (row-major, 256 x 256) into
    // the layouts the views at `angles` read. Disjoint rows may be copied
    // from different threads at once.
    void CopyRows(const double* values, int firstRow, int lastRow, const std::vector<int>& angles);
    // The rows, or the columns, one after another.
    const double* Layout(bool rows) const { return rows ? rows_.data() : columns_.data(); }

private:
    void Copy(const double* values, int firstRow, int lastRow, bool rows, bool columns);
    std::vector<double> rows_, columns_;
};

// The integrals of channels [firstChannel, lastChannel) at angle index
// `angle` into channels[c] (indexed by channel number): each one exactly
// SiddonRayIntegral of that channel's ray.
void ProjectView(const FieldStrips& field, int angle, int firstChannel, int lastChannel, double* channels);

// The same for rays in any direction, `shift` pixels below the channels'
// places (at ChannelPosition(c) - shift): each exactly SiddonRayIntegral of
// its ray.
void ProjectRays(const FieldStrips& field, double cosA, double sinA, double shift, int firstChannel, int lastChannel,
                 double* channels);

// The integrals of every channel at every angle, in file order (729 x 180,
// channel-major), in pixel lengths times value. Two threads; the same bits
// with one.
std::vector<double> ProjectField(const FieldImage& field);

// The transpose of ProjectView over all 729 channels, for the pixels in rows
// [firstRow, lastRow): adds to image[p] the sum over channels of (length of
// the channel's ray inside pixel p) x channels[c], and to coverage[p] (when
// not null) the sum of those lengths. Each pixel is computed on its own, so
// rows may be shared out between threads.
void BackProjectView(const double* channels, int angle, int firstRow, int lastRow, double* image,
                     double* coverage);

// The transpose over several views at once, a row of pixels at a time (the
// row's sums stay in the cache while every view adds to them).
class ViewSpreader {
public:
    // channels[v]: the 729 values of view angles[v]; copied.
    void SetViews(const std::vector<const double*>& channels, const std::vector<int>& angles);
    // For each pixel of `row`, the sum over the views and their channels of
    // (length of the channel's ray inside the pixel) x value into sums, and
    // of the lengths into lengths (256 each).
    void Row(int row, double* sums, double* lengths) const;

private:
    struct View {
        double cosA, sinA, plateau, outer, slope;
    };
    std::vector<View> views_;
    std::vector<double> padded_;
};

// The cosine and sine of angle index `angle`, as every projection here
// computes them.
void ViewDirection(int angle, double& cosA, double& sinA);

}  // namespace lab
