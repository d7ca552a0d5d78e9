// back_projection.cpp - the per-angle back projection: each of the 180
// projections is smeared along its rays and scattered, pixel by pixel, to
// its rotated position in its own slice of ProjectionStack; cells that no
// source pixel reaches are filled from their neighbours or set to 0.0.
//
// How the work is laid out. Slices do not depend on one another, so each
// slice is first built in a compact image that stays in the processor's
// cache: every cell holds a 16-bit code, the place of its value in a table
// of the slice's own (the 256 projection values, then 0.0 for an empty cell,
// then the neighbour means in the order they were formed). The empty marker,
// the scatter in source order (the last source pixel to land on a cell wins)
// and the neighbour pass in its in-place order work on these codes exactly
// as they would on the values in the stack: a value of exactly -1.0, whether
// from the projection or from a mean, is coded as empty, since an empty cell
// is one that holds -1.0. The slices are built by two threads. Then the
// stack is written once, in address order: eight cells at a time get their
// 180 angles looked up (an empty cell becoming 0.0, the zero pass) into a
// small buffer that is streamed to the stack. This replaces walking the
// 96 MB stack with a 1,440-byte stride for the marker fill, the scatter, the
// neighbour pass and the zero pass; every value is the same bit for bit.
#include <cmath>
#include <cstring>

#include "recon/ordered_arithmetic.h"
#include "recon/phases.h"
#include "recon/recon_data.h"
#include "recon/to_int.h"
#include "recon/shared_parts.h"

namespace {

enum {
    SliceSide = 256,
    // A code image holds cell (x, y) at x * 264 + y, so that neighbouring x
    // columns do not fall into the same cache sets.
    ColumnPitch = 264,
    SliceCodes = SliceSide * ColumnPitch,
    // Where the scatter puts a source pixel that falls outside the slice:
    // the first spare place behind column 0.
    SpareCell = SliceSide,
    // Distance between code images: 17 cache lines more than an image.
    CodePitch = SliceCodes + 544,
    TileCells = 8,  // cells (x, y0..y0 + 7) decoded together
    // Neighbour means a slice can need at most: one per inner cell.
    MeanLimit = (SliceSide - 2) * (SliceSide - 2),
};

// A cell's code is the place of its value in the slice's value table:
// 0..255 projection bin v, Empty (the table holds 0.0 there, the value the
// zero pass gives), FirstMean + n the n-th neighbour mean.
typedef uint16_t CellCode;
constexpr CellCode Empty = BinCount;
constexpr CellCode FirstMean = Empty + 1;
constexpr int TableLimit = FirstMean + MeanLimit;
static_assert(TableLimit <= 65536, "every mean of a slice has a code");

constexpr uint64_t EmptyMarkerBits = 0xBFF0000000000000u;  // -1.0, its only encoding
constexpr double RadiansPerDegree = 0.017453292519943295;
constexpr double RotationCentre = 127.5;

// Per angle: the code image and the value table (of which only the part in
// use is ever touched).
alignas(64) CellCode CodeImages[AngleCount][CodePitch];
double ValueTables[AngleCount][TableLimit];

inline int CellIndex(int x, int y) { return x * ColumnPitch + y; }

inline bool IsMinusOne(double value) {
    uint64_t bits;
    memcpy(&bits, &value, sizeof bits);
    return bits == EmptyMarkerBits;
}

// Smear and scatter of angle `angle` into its code image, marked empty
// first; the table receives the projection values and the 0.0 of the empty
// cells. The smear image holds the projection value of bin v in every column
// u, so source pixel (v, u) carries bin v. The positions of a column's 256
// source pixels are worked out first (two at a time where the processor
// allows), then the pixels are stored in source order; a pixel that falls
// outside the slice goes to the spare cell.
void ScatterProjection(int angle, double* table) {
    CellCode* image = CodeImages[angle];
    for (int cell = 0; cell < CodePitch; ++cell) image[cell] = Empty;

    const double theta = angle * RadiansPerDegree;
    const double cosA = std::cos(theta);
    const double sinA = std::sin(theta);

    alignas(16) double rowCos[BinCount];
    alignas(16) double rowSin[BinCount];
    CellCode carried[BinCount];
    for (int v = 0; v < BinCount; ++v) {
        const double Y = v - RotationCentre;
        rowCos[v] = Y * cosA;
        rowSin[v] = Y * sinA;
        table[v] = FilteredSinogram[v * RowStride + angle];
        carried[v] = IsMinusOne(table[v]) ? Empty : static_cast<CellCode>(v);
    }
    table[Empty] = 0.0;

    alignas(16) int32_t target[BinCount];
    for (int u = 0; u < BinCount; ++u) {
        const double X = u - RotationCentre;
        const double columnCos = X * cosA;
        const double columnSin = X * sinA;
#if defined(__SSE2__)
        // x = ((Y cosA - X sinA) + 127.5) + 0.5 and y = ((Y sinA + X cosA)
        // + 127.5) + 0.5, truncated, for two rows v in the two lanes.
        const __m128d centre = _mm_set1_pd(RotationCentre);
        const __m128d half = _mm_set1_pd(0.5);
        const __m128d colCos = _mm_set1_pd(columnCos);
        const __m128d colSin = _mm_set1_pd(columnSin);
        const __m128i spare = _mm_set1_epi32(SpareCell);
        const __m128i zero = _mm_setzero_si128();
        for (int v = 0; v < BinCount; v += 4) {
            const __m128i xLow = TruncToInt32x2(
                _mm_add_pd(_mm_add_pd(_mm_sub_pd(_mm_load_pd(rowCos + v), colSin), centre), half));
            const __m128i xHigh = TruncToInt32x2(
                _mm_add_pd(_mm_add_pd(_mm_sub_pd(_mm_load_pd(rowCos + v + 2), colSin), centre), half));
            const __m128i yLow = TruncToInt32x2(
                _mm_add_pd(_mm_add_pd(_mm_add_pd(_mm_load_pd(rowSin + v), colCos), centre), half));
            const __m128i yHigh = TruncToInt32x2(
                _mm_add_pd(_mm_add_pd(_mm_add_pd(_mm_load_pd(rowSin + v + 2), colCos), centre), half));
            const __m128i x = _mm_unpacklo_epi64(xLow, xHigh);
            const __m128i y = _mm_unpacklo_epi64(yLow, yHigh);
            // Inside when neither x nor y has a bit above the lowest eight
            // (a negative value has its sign bit).
            const __m128i inside = _mm_cmpeq_epi32(_mm_srli_epi32(_mm_or_si128(x, y), 8), zero);
            // CellIndex(x, y) = x * 264 + y
            const __m128i cell = _mm_add_epi32(_mm_add_epi32(_mm_slli_epi32(x, 8), _mm_slli_epi32(x, 3)), y);
            _mm_store_si128(reinterpret_cast<__m128i*>(target + v),
                            _mm_or_si128(_mm_and_si128(inside, cell), _mm_andnot_si128(inside, spare)));
        }
#else
        for (int v = 0; v < BinCount; ++v) {
            const int32_t x = TruncToInt32(((rowCos[v] - columnSin) + RotationCentre) + 0.5);
            const int32_t y = TruncToInt32(((rowSin[v] + columnCos) + RotationCentre) + 0.5);
            const bool inside = static_cast<uint32_t>(x) < SliceSide && static_cast<uint32_t>(y) < SliceSide;
            target[v] = inside ? CellIndex(x, y) : SpareCell;
        }
#endif
        for (int v = 0; v < BinCount; ++v) image[target[v]] = carried[v];
    }
}

// Neighbour pass of one empty cell: if its left and right neighbours are
// both non-empty it takes their mean; then, if it is still empty and its
// lower and upper neighbours are both non-empty, theirs. A mean of exactly
// -1.0 leaves the cell empty.
inline void FillCell(CellCode* cell, double* table, int& tableLength) {
    const CellCode left = cell[-ColumnPitch], right = cell[ColumnPitch];
    if (left != Empty && right != Empty) {
        const double mean = MulInOrder(AddInOrder(table[right], table[left]), 0.5);
        if (!IsMinusOne(mean)) {
            table[tableLength] = mean;
            *cell = static_cast<CellCode>(tableLength++);
            return;
        }
    }
    if (cell[-1] != Empty && cell[1] != Empty) {
        const double mean = MulInOrder(AddInOrder(table[cell[-1]], table[cell[1]]), 0.5);
        if (!IsMinusOne(mean)) {
            table[tableLength] = mean;
            *cell = static_cast<CellCode>(tableLength++);
        }
    }
}

// Neighbour pass of angle `angle`, in place, over y = 1..254 and within it
// x = 1..254. A cell reads its left and lower neighbours as already passed
// and its right and upper neighbours as not yet passed. Going through
// x = 1..254 and within it y = 1..254 keeps exactly that (and walks the
// image in its memory order), so every cell sees the same neighbours.
// Returns the length of the value table.
int FillFromNeighbours(int angle, double* table) {
    CellCode* image = CodeImages[angle];
    int tableLength = FirstMean;
    const int last = SliceSide - 2;
    for (int p = 1; p <= last; ++p) {
        CellCode* column = image + CellIndex(p, 0);
#if defined(__SSE2__)
        // Eight cells at a time, only those that can be filled are passed
        // one by one: an empty cell with both x neighbours non-empty or with
        // its upper neighbour non-empty (the lower one may be filled just
        // before). Passing a cell changes that cell alone, so the choice
        // stays right for the later cells of the eight.
        const __m128i empty = _mm_set1_epi16(static_cast<short>(Empty));
        for (int q = 1; q <= last; q += 8) {
            const CellCode* at = column + q;
            const __m128i here = _mm_cmpeq_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(at)), empty);
            const __m128i left =
                _mm_cmpeq_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(at - ColumnPitch)), empty);
            const __m128i right =
                _mm_cmpeq_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(at + ColumnPitch)), empty);
            const __m128i up = _mm_cmpeq_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(at + 1)), empty);
            // here & ~(left | right) | here & ~up
            const __m128i candidate =
                _mm_or_si128(_mm_andnot_si128(_mm_or_si128(left, right), here), _mm_andnot_si128(up, here));
            unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(candidate));
            if (q + 7 > last) mask &= (1u << (2 * (last - q + 1))) - 1;  // cells past 254 are not passed
            while (mask) {
                const int lane = __builtin_ctz(mask) / 2;
                mask &= ~(3u << (2 * lane));
                FillCell(column + q + lane, table, tableLength);
            }
        }
#else
        for (int q = 1; q <= last; ++q) {
            if (column[q] == Empty) FillCell(column + q, table, tableLength);
        }
#endif
    }
    return tableLength;
}

// Filters, projects and fills the slice of angle `angle`.
void BuildSlice(int angle) {
    FilterProjection(angle);
    ScatterProjection(angle, ValueTables[angle]);
    FillFromNeighbours(angle, ValueTables[angle]);
}

// Writes the stack for one x in address order: eight cells, 1,440
// consecutive doubles, at a time are looked up into a buffer and then
// streamed to the stack past the cache.
void StoreColumn(int x) {
    alignas(64) double tile[TileCells * AngleCount];
    for (int y0 = 0; y0 < SliceSide; y0 += TileCells) {
        const int source = CellIndex(x, y0);
        for (int a = 0; a < AngleCount; ++a) {
            const CellCode* codes = CodeImages[a] + source;
            __builtin_prefetch(codes + 4 * TileCells);
            const double* table = ValueTables[a];
            for (int i = 0; i < TileCells; ++i) tile[i * AngleCount + a] = table[codes[i]];
        }
        double* cells = ProjectionStack + (x * RowStride + y0) * AngleCount;
#if defined(__SSE2__)
        for (int k = 0; k < TileCells * AngleCount; k += 2) _mm_stream_pd(cells + k, _mm_load_pd(tile + k));
#else
        memcpy(cells, tile, sizeof tile);
#endif
    }
#if defined(__SSE2__)
    _mm_sfence();
#endif
}

// Largest value of the finished slice of angle `angle`, at least 0.0, in
// the order y, then x.
double SliceMax(int angle) {
    double largest = 0.0;
    for (int y = 0; y < SliceSide; ++y) {
        for (int x = 0; x < SliceSide; ++x) {
            const double value = ValueTables[angle][CodeImages[angle][CellIndex(x, y)]];
            if (largest < value) largest = value;
        }
    }
    return largest;
}

}  // namespace

void BackProjectViews() {
    // The gaps of every slice are filled here, on its code image (the
    // neighbour pass in FillFromNeighbours, the zero pass as the empty code
    // reads 0.0 when the stack is written); the stack itself is written once
    // and never filled in place.
    RunSharedParts(AngleCount, BuildSlice);
    RunSharedParts(BinCount, StoreColumn);

    // The smear image is left holding the last angle's smear.
    for (int v = 0; v < BinCount; ++v) {
        const double value = FilteredSinogram[v * RowStride + (AngleCount - 1)];
        for (int u = 0; u < BinCount; ++u) SmearImage[v * RowStride + u] = value;
    }

    // The slice displays are scaled by the largest value of slice 1 alone.
    StackMax = SliceMax(1);
}
