// back_projection.cpp - the per-angle back projection: each of the 180
// projections is smeared along its rays and scattered, pixel by pixel, to
// its rotated position in its own slice of ProjectionStack; cells that no
// source pixel reaches are filled from their neighbours or set to 0.0.
//
// How the work is laid out. Slices do not depend on one another, so each
// slice is built whole in a contiguous 256 x 256 scratch image (y rows of x)
// that stays in the processor's cache: the empty marker, the scatter in
// source order (the last source pixel to land on a cell wins), the neighbour
// pass in its in-place order and the zeroing of the remaining empty cells
// all happen there, exactly as they would in the stack. Only the finished
// slices are copied into the stack, a block of angles at a time, so that
// every cell's run of consecutive angles is written in one piece instead of
// walking the 96 MB stack with a 1,440-byte stride three times. The two
// halves of the angles are worked on by two threads; every slice and every
// value is the same as when the angles are done one after the other.
#include <cmath>
#include <thread>

#include "recon/phases.h"
#include "recon/recon_data.h"
#include "recon/to_int.h"

namespace {

enum {
    SliceSide = 256,
    SliceCells = SliceSide * SliceSide,
    Workers = 2,
    AnglesPerWorker = AngleCount / Workers,
    BlockAngles = 10,  // slices built before they are copied into the stack together
    TileWidth = 8,     // x columns copied together (one cache line of a scratch row)
};

constexpr double EmptyMarker = -1.0;
constexpr double RadiansPerDegree = 0.017453292519943295;
constexpr double RotationCentre = 127.5;

// Scratch slices, element (x, y) at y * 256 + x; one set per worker.
double ScratchSlices[Workers][BlockAngles][SliceCells];
// Scratch slice of FillStackGaps.
double GapSlice[SliceCells];

// Smear and scatter of angle `angle` into an empty slice. The smear image
// holds the projection value of bin v in every column u, so the value of
// source pixel (v, u) is the projection value of bin v.
void ScatterProjection(int angle, double* slice) {
    for (int cell = 0; cell < SliceCells; ++cell) slice[cell] = EmptyMarker;

    const double theta = angle * RadiansPerDegree;
    const double cosA = std::cos(theta);
    const double sinA = std::sin(theta);

    double value[BinCount], rowCos[BinCount], rowSin[BinCount];
    for (int v = 0; v < BinCount; ++v) {
        const double Y = v - RotationCentre;
        rowCos[v] = Y * cosA;
        rowSin[v] = Y * sinA;
        value[v] = FilteredSinogram[v * RowStride + angle];
    }

    for (int u = 0; u < BinCount; ++u) {
        const double X = u - RotationCentre;
        const double columnCos = X * cosA;
        const double columnSin = X * sinA;
        for (int v = 0; v < BinCount; ++v) {
            const int32_t x = TruncToInt32(((rowCos[v] - columnSin) + RotationCentre) + 0.5);
            const int32_t y = TruncToInt32(((rowSin[v] + columnCos) + RotationCentre) + 0.5);
            if (static_cast<uint32_t>(x) < SliceSide && static_cast<uint32_t>(y) < SliceSide) {
                slice[y * SliceSide + x] = value[v];
            }
        }
    }
}

// Neighbour pass, in place: y = 1..254, within it x = 1..254. An empty cell
// whose left and right neighbours are both non-empty takes their mean;
// otherwise, if its lower and upper neighbours are both non-empty, theirs.
void FillFromNeighbours(double* slice) {
    for (int q = 1; q < SliceSide - 1; ++q) {
        double* row = slice + q * SliceSide;
        for (int p = 1; p < SliceSide - 1; ++p) {
            double* cell = row + p;
            if (*cell != EmptyMarker) continue;
            if (cell[-1] != EmptyMarker && cell[1] != EmptyMarker) *cell = (cell[1] + cell[-1]) * 0.5;
            if (*cell == EmptyMarker && cell[-SliceSide] != EmptyMarker && cell[SliceSide] != EmptyMarker) {
                *cell = (cell[-SliceSide] + cell[SliceSide]) * 0.5;
            }
        }
    }
}

// A cell still empty after the neighbour pass becomes 0.0.
inline double Settled(double value) { return value == EmptyMarker ? 0.0 : value; }

// Largest value of a finished slice, at least 0.0, in the order y, then x.
double SliceMax(const double* slice) {
    double largest = 0.0;
    for (int y = 0; y < SliceSide; ++y) {
        for (int x = 0; x < SliceSide; ++x) {
            const double value = Settled(slice[y * SliceSide + x]);
            if (largest < value) largest = value;
        }
    }
    return largest;
}

// Copies `count` finished scratch slices, angles first..first + count - 1,
// into the stack with the remaining empty cells zeroed. Each cell receives
// its run of `count` consecutive angles at once.
void StoreSlices(double (*slices)[SliceCells], int first, int count) {
    for (int x0 = 0; x0 < SliceSide; x0 += TileWidth) {
        for (int y = 0; y < SliceSide; ++y) {
            const int rowStart = y * SliceSide + x0;
            for (int i = 0; i < TileWidth; ++i) {
                double* cell = ProjectionStack + ((x0 + i) * RowStride + y) * AngleCount + first;
                for (int k = 0; k < count; ++k) cell[k] = Settled(slices[k][rowStart + i]);
            }
        }
    }
}

// Filters, projects and fills angles first..first + AnglesPerWorker - 1.
// Returns the maximum of slice 1 when this range holds it, else 0.0.
double ProjectAngleRange(int worker, int first) {
    double sliceOneMax = 0.0;
    const int end = first + AnglesPerWorker;
    for (int block = first; block < end; block += BlockAngles) {
        const int count = end - block < BlockAngles ? end - block : BlockAngles;
        for (int k = 0; k < count; ++k) {
            const int angle = block + k;
            double* slice = ScratchSlices[worker][k];
            FilterProjection(angle);
            ScatterProjection(angle, slice);
            FillFromNeighbours(slice);
            if (angle == 1) sliceOneMax = SliceMax(slice);
        }
        StoreSlices(ScratchSlices[worker], block, count);
    }
    return sliceOneMax;
}

}  // namespace

void BackProjectViews() {
    double sliceOneMax[Workers] = {0.0, 0.0};
    std::thread second([&sliceOneMax] { sliceOneMax[1] = ProjectAngleRange(1, AnglesPerWorker); });
    sliceOneMax[0] = ProjectAngleRange(0, 0);
    second.join();

    // The smear image is left holding the last angle's smear.
    for (int v = 0; v < BinCount; ++v) {
        const double value = FilteredSinogram[v * RowStride + (AngleCount - 1)];
        for (int u = 0; u < BinCount; ++u) SmearImage[v * RowStride + u] = value;
    }

    // The slice displays are scaled by the largest value of slice 1 alone.
    StackMax = sliceOneMax[0] > sliceOneMax[1] ? sliceOneMax[0] : sliceOneMax[1];
}

void FillStackGaps(int angle) {
    for (int y = 0; y < SliceSide; ++y) {
        for (int x = 0; x < SliceSide; ++x) GapSlice[y * SliceSide + x] = StackCell(x, y, angle);
    }
    FillFromNeighbours(GapSlice);
    for (int y = 0; y < SliceSide; ++y) {
        for (int x = 0; x < SliceSide; ++x) StackCell(x, y, angle) = Settled(GapSlice[y * SliceSide + x]);
    }
}
