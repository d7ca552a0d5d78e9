// back_projection.cpp - the per-angle back projection: each of the 180
// projections is smeared along its rays and scattered, pixel by pixel, to
// its rotated position in its own slice of ProjectionStack; cells that no
// source pixel reaches are filled from their neighbours or set to 0.0. Each
// cell's sum over the 180 angles is formed on the way into SumImage.
//
// How the work is laid out. The stack is written once, in address order,
// with streaming stores that pass the cache: a cell's 180 angles follow one
// another, so the cells are written band by band, eight rows y at a time,
// and for each band every angle's slice is first built as a compact image
// of 16-bit codes: the place of each cell's value in a table of the angle's
// own (the 256 projection values, then 0.0 for an empty cell, then the
// neighbour means in the order they were formed). Only one band of every
// angle is alive at a time, about 2 MB in all, the code images in the
// work area that the sinogram file is read into. The empty marker, the
// scatter in source order (the last source pixel to land on a cell wins)
// and the neighbour pass in its in-place order work on these codes exactly
// as they would on the values in the stack: a value of exactly -1.0,
// whether from the projection or from a mean, is coded as empty, since an
// empty cell is one that holds -1.0.
//
// Band by band works because a source pixel's row y never falls as its v
// grows (the sine of every angle 0..179 degrees is at least 0), so the
// pixels of a source column u that land in a band are one run of v, which
// starts where the run of the band below ended; and because the neighbour
// pass of a band needs, besides its own rows, only the finished row below
// it (carried over from the band before) and the row above it as the
// scatter leaves it.
#include <cmath>
#include <cstring>

#include "recon/back_projection_steps.h"
#include "recon/ordered_arithmetic.h"
#include "recon/phases.h"
#include "recon/recon_data.h"
#include "recon/shared_parts.h"
#include "recon/to_int.h"
#include "recon/work_area.h"

namespace {

enum {
    SliceSide = 256,
    BandRows = SliceSide / StackBands,
    // Per x, a band's code image holds the row below the band, the band's
    // rows and the row above it: cell (x, row) at x * BandPitch + row, where
    // row 0 is the row below and row r the band's row low + r - 1.
    BandPitch = BandRows + 2,
    // Where the scatter puts a source pixel that falls outside the band.
    SpareCell = SliceSide * BandPitch,
    BandCodes = SpareCell + 8,
    TileCells = 8,  // cells (x, y..y + 7) written together
    ColumnsPerPart = SliceSide / StackWriteParts,
    // Neighbour means a band can need at most: one per inner cell of the
    // band, and those carried over in the row below.
    MeanLimit = (BandRows + 1) * (SliceSide - 2),
    // A value table takes whole pages (so that one holding fewer than 255
    // means takes one page only).
    TableStride = 2560,
    // Rows v past 255 that a column's run may look at.
    RowPadding = 128,
};
static_assert(BandRows % TileCells == 0, "a band is written in whole tiles");

// A cell's code is the place of its value in the angle's value table:
// 0..255 projection bin v, Empty (the table holds 0.0 there, the value the
// zero pass gives), FirstMean + n the n-th neighbour mean of the band.
typedef uint16_t CellCode;
constexpr CellCode Empty = BinCount;
constexpr CellCode FirstMean = Empty + 1;
static_assert(FirstMean + MeanLimit <= TableStride, "every mean of a band has a place");
static_assert(AngleCount * (BandCodes + BinCount) <= sizeof WorkArea.bandCodes / sizeof(CellCode),
              "the code images and the run starts of every angle fit in the work area");

constexpr uint64_t EmptyMarkerBits = 0xBFF0000000000000u;  // -1.0, its only encoding
constexpr double RadiansPerDegree = 0.017453292519943295;
constexpr double RotationCentre = 127.5;

// Per angle (only the part in use is ever touched).
alignas(4096) double ValueTables[AngleCount][TableStride];
double Rotations[AngleCount][2];  // cosine, sine
double SliceOneMax;               // largest value of the slice of angle 1 so far, at least 0.0

// One angle's slice, one band at a time: its code image and, per source
// column u, the first v whose pixel lies at or above the band's lowest row,
// both in the work area; its rotation and its value table.
struct SliceBand {
    CellCode* codes;
    uint16_t* firstSource;
    double cosA, sinA;
    double* table;
};

SliceBand SliceOf(int angle) {
    CellCode* area = WorkArea.bandCodes;
    return SliceBand{area + angle * BandCodes, area + AngleCount * BandCodes + angle * BinCount,
                     Rotations[angle][0], Rotations[angle][1], ValueTables[angle]};
}

inline int CellIndex(int x, int row) { return x * BandPitch + row; }

inline bool IsMinusOne(double value) {
    uint64_t bits;
    memcpy(&bits, &value, sizeof bits);
    return bits == EmptyMarkerBits;
}

// First band of an angle: its table of projection values and its rotation;
// every source column starts at v = 0.
void StartSlice(int angle) {
    double* table = ValueTables[angle];
    for (int v = 0; v < BinCount; ++v) table[v] = FilteredSinogram[v * RowStride + angle];
    table[Empty] = 0.0;
    const double theta = angle * RadiansPerDegree;
    Rotations[angle][0] = std::cos(theta);
    Rotations[angle][1] = std::sin(theta);
    uint16_t* firstSource = SliceOf(angle).firstSource;
    for (int u = 0; u < BinCount; ++u) firstSource[u] = 0;
}

// Starts the band: the finished top row of the band below becomes the row
// below (its means moved to the front of the table, in place: they lie in
// ascending order at or behind their new places), everything else empty.
// Returns the table length.
int CarryRowBelow(const SliceBand& s, int band) {
    CellCode below[SliceSide];
    int tableLength = FirstMean;
    for (int x = 0; x < SliceSide; ++x) {
        const CellCode code = band == 0 ? Empty : s.codes[CellIndex(x, BandRows)];
        const bool mean = code >= FirstMean;
        s.table[tableLength] = s.table[mean ? code : tableLength];  // unchanged unless a mean moves
        below[x] = mean ? static_cast<CellCode>(tableLength) : code;
        tableLength += mean;
    }
#if defined(__SSE2__)
    static_assert(BandCodes % 8 == 0, "the image is cleared eight codes at a time");
    const __m128i empty = _mm_set1_epi16(static_cast<short>(Empty));
    for (int cell = 0; cell < BandCodes; cell += 8) _mm_storeu_si128(reinterpret_cast<__m128i*>(s.codes + cell), empty);
#else
    for (int cell = 0; cell < BandCodes; ++cell) s.codes[cell] = Empty;
#endif
    for (int x = 0; x < SliceSide; ++x) s.codes[CellIndex(x, 0)] = below[x];
    return tableLength;
}

// The hot steps are compiled twice, for processors with AVX2 (wider
// registers, three-operand instructions) and without; the processor picks.
#if defined(__GNUC__) && defined(__x86_64__) && !defined(SINORA_ONE_TARGET)
#define MULTI_TARGET __attribute__((target_clones("avx2", "default")))
#else
#define MULTI_TARGET
#endif

#if defined(__GNUC__)
// Four doubles and four 32-bit integers side by side: four source pixels
// are placed at once, in the widest registers the processor has.
typedef double Doubles4 __attribute__((vector_size(32)));
typedef int32_t Ints4 __attribute__((vector_size(16)));
typedef uint32_t Unsigned4 __attribute__((vector_size(16)));

typedef float Floats4 __attribute__((vector_size(16)));

inline bool AnyLane(Ints4 mask) { return __builtin_ia32_movmskps(reinterpret_cast<Floats4>(mask)) != 0; }
#endif

// Scatter of the band's rows and the row above: for every source column u
// (in order), the run of v from where the band below ended, in order, until
// a pixel lies above that row. A pixel outside the slice or the rows goes to
// the spare cell. x = ((Y cosA - X sinA) + 127.5) + 0.5 and y = ((Y sinA +
// X cosA) + 127.5) + 0.5, truncated, with X = u - 127.5 and Y = v - 127.5.
MULTI_TARGET void ScatterBand(const SliceBand& s, int band) {
    const int low = band * BandRows;
    const int top = low + BandRows;  // the row above the band
    const int rowsTaken = (top < SliceSide ? top : SliceSide - 1) - low + 1;

    // Rows v past 255 land nowhere: their x and y lie far outside the slice
    // (and x times the pitch stays within 32 bits).
    double rowCos[BinCount + RowPadding];
    double rowSin[BinCount + RowPadding];
    CellCode carried[BinCount + RowPadding];
    for (int v = 0; v < BinCount; ++v) {
        const double Y = v - RotationCentre;
        rowCos[v] = Y * s.cosA;
        rowSin[v] = Y * s.sinA;
        carried[v] = IsMinusOne(s.table[v]) ? Empty : static_cast<CellCode>(v);
    }
    for (int v = BinCount; v < BinCount + RowPadding; ++v) {
        rowCos[v] = rowSin[v] = 1e6;
        carried[v] = Empty;
    }

    // Where the sine is not small, a column's run covers at most
    // (BandRows + 1) / sinA + 1 rows v (y grows by sinA per row, give or
    // take a rounding): that many and one more, in whole chunks of four, are
    // placed without looking where the run ends (the pixels past it go to
    // the spare cell); should the run go on, the loop after them finds its
    // end.
    const int fixedChunks = s.sinA > 0.125 ? (static_cast<int>((BandRows + 1) / s.sinA) + 2 + 3) / 4 : 0;

    for (int u = 0; u < BinCount; ++u) {
        int v = s.firstSource[u];
        if (v >= BinCount) continue;
        const double X = u - RotationCentre;
        const double columnCos = X * s.cosA;
        const double columnSin = X * s.sinA;
        // Nothing of this column in the band: its first pixel lies above it.
        if (TruncToInt32(((rowSin[v] + columnCos) + RotationCentre) + 0.5) > top) continue;
#if defined(__GNUC__)
        const Doubles4 colCos = {columnCos, columnCos, columnCos, columnCos};
        const Doubles4 colSin = {columnSin, columnSin, columnSin, columnSin};
        // Places source pixels v..v + 3: stores their codes in order and
        // returns their rows y. Every position lies well inside the 32-bit
        // range, so the conversions truncate.
        constexpr int32_t pitch = BandPitch, spare = SpareCell;
        constexpr uint32_t side = SliceSide;
        const uint32_t taken = static_cast<uint32_t>(rowsTaken);
        auto place = [&](int v) __attribute__((always_inline)) {
            Doubles4 Ycos, Ysin;
            memcpy(&Ycos, rowCos + v, sizeof Ycos);
            memcpy(&Ysin, rowSin + v, sizeof Ysin);
            const Ints4 x = __builtin_convertvector(((Ycos - colSin) + RotationCentre) + 0.5, Ints4);
            const Ints4 y = __builtin_convertvector(((Ysin + colCos) + RotationCentre) + 0.5, Ints4);
            // Row r = y - low + 1 of the band's image, taken for y in
            // low..top within the slice; x within the slice (a negative
            // value compared as unsigned is beyond either).
            const Ints4 rowOffset = y - low;
            const Ints4 inside = reinterpret_cast<Ints4>(reinterpret_cast<Unsigned4>(rowOffset) < taken) &
                                 reinterpret_cast<Ints4>(reinterpret_cast<Unsigned4>(x) < side);
            const Ints4 target = (inside & (x * pitch + rowOffset + 1)) | (~inside & spare);
            s.codes[target[0]] = carried[v];
            s.codes[target[1]] = carried[v + 1];
            s.codes[target[2]] = carried[v + 2];
            s.codes[target[3]] = carried[v + 3];
            return y;
        };
        // The next band's run starts at the first pixel at or above the row
        // above: the pixels below it are counted (rows never fall as v grows).
        Ints4 below = {0, 0, 0, 0};  // per lane, minus the count
        Ints4 y = {0, 0, 0, 0};
        for (int chunk = 0; chunk < fixedChunks; ++chunk, v += 4) {
            y = place(v);
            below += y < top;
        }
        bool ended = fixedChunks > 0 && AnyLane(y > top);
        // Where the run is longer (the band's first, which starts at v = 0,
        // or a small sine): on, chunk by chunk, until a pixel lies above the
        // row above or the column ends.
        for (; !ended && v < BinCount; v += 4) {
            y = place(v);
            below += y < top;
            ended = AnyLane(y > top);
        }
        const int nextFirst = s.firstSource[u] - (below[0] + below[1] + below[2] + below[3]);
#else
        int nextFirst = BinCount;
        for (; v < BinCount; ++v) {
            const int32_t x = TruncToInt32(((rowCos[v] - columnSin) + RotationCentre) + 0.5);
            const int32_t y = TruncToInt32(((rowSin[v] + columnCos) + RotationCentre) + 0.5);
            const int32_t rowOffset = y - low;
            const bool inside = rowOffset >= 0 && rowOffset < rowsTaken && x >= 0 && x < SliceSide;
            s.codes[inside ? CellIndex(x, rowOffset + 1) : SpareCell] = carried[v];
            if (nextFirst == BinCount && y >= top) nextFirst = v;
            if (y > top) break;
        }
#endif
        s.firstSource[u] = static_cast<uint16_t>(nextFirst < BinCount ? nextFirst : BinCount);
    }
}

// Neighbour pass of one empty cell: if its left and right neighbours are
// both non-empty it takes their mean; then, if it is still empty and its
// lower and upper neighbours are both non-empty, theirs. A mean of exactly
// -1.0 leaves the cell empty.
inline void FillCell(CellCode* cell, double* table, int& tableLength) {
    // Both means are formed (an empty neighbour reads 0.0) and the one that
    // counts is chosen without a branch: which it is follows no pattern.
    const CellCode left = cell[-BandPitch], right = cell[BandPitch], lower = cell[-1], upper = cell[1];
    const double acrossX = MulInOrder(AddInOrder(table[right], table[left]), 0.5);
    const double acrossY = MulInOrder(AddInOrder(table[lower], table[upper]), 0.5);
    const bool fromX = left != Empty && right != Empty && !IsMinusOne(acrossX);
    const bool fromY = lower != Empty && upper != Empty && !IsMinusOne(acrossY);
    table[tableLength] = fromX ? acrossX : acrossY;
    const bool filled = fromX || fromY;
    *cell = filled ? static_cast<CellCode>(tableLength) : Empty;
    tableLength += filled;
}

// Neighbour pass of the band, in place, over x = 1..254 and within it the
// band's rows among y = 1..254. A cell reads its left and lower neighbours
// as already passed and its right and upper neighbours as not yet passed,
// as the pass over y = 1..254 and within it x = 1..254 on the whole slice
// has them, so every cell sees the same neighbours.
MULTI_TARGET void FillBandFromNeighbours(const SliceBand& s, int band, int tableLength) {
    const int low = band * BandRows;
    // Rows of the band that are passed: not y = 0 nor y = 255.
    const int firstRow = low == 0 ? 2 : 1;
    const int lastRow = low + BandRows == SliceSide ? BandRows - 1 : BandRows;
    for (int p = 1; p <= SliceSide - 2; ++p) {
        CellCode* column = s.codes + CellIndex(p, 0);
#if defined(__SSE2__)
        // Eight cells at a time, only those that can be filled are passed
        // one by one: an empty cell with both x neighbours non-empty or with
        // its upper neighbour non-empty (the lower one may be filled just
        // before). Passing a cell changes that cell alone, so the choice
        // stays right for the later cells of the eight.
        const __m128i empty = _mm_set1_epi16(static_cast<short>(Empty));
        for (int q = 1; q <= BandRows; q += 8) {
            const CellCode* at = column + q;
            const __m128i here = _mm_cmpeq_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(at)), empty);
            const __m128i left =
                _mm_cmpeq_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(at - BandPitch)), empty);
            const __m128i right =
                _mm_cmpeq_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(at + BandPitch)), empty);
            const __m128i up = _mm_cmpeq_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(at + 1)), empty);
            // here & ~(left | right) | here & ~up
            const __m128i candidate =
                _mm_or_si128(_mm_andnot_si128(_mm_or_si128(left, right), here), _mm_andnot_si128(up, here));
            unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(candidate));
            if (q < firstRow) mask &= ~0u << (2 * (firstRow - q));
            if (q + 7 > lastRow) mask &= (1u << (2 * (lastRow - q + 1))) - 1;
            while (mask) {
                const int lane = __builtin_ctz(mask) / 2;
                mask &= ~(3u << (2 * lane));
                FillCell(column + q + lane, s.table, tableLength);
            }
        }
#else
        for (int q = firstRow; q <= lastRow; ++q) {
            if (column[q] == Empty) FillCell(column + q, s.table, tableLength);
        }
#endif
    }
}

// Writes the band's cells of one x in address order: eight cells, 1,440
// consecutive doubles, at a time are looked up into a buffer (an empty cell
// reads 0.0: the zero pass) and streamed to the stack past the cache. Each
// cell's sum is formed on the way, its terms added to 0.0 in ascending angle
// order.
MULTI_TARGET void WriteBandColumn(int band, int x) {
    alignas(64) double tile[TileCells * AngleCount];
    for (int row = 1; row <= BandRows; row += TileCells) {
        const int y0 = band * BandRows + row - 1;
        const int source = CellIndex(x, row);
        double sum[TileCells];
        for (int i = 0; i < TileCells; ++i) sum[i] = 0.0;
        for (int a = 0; a < AngleCount; ++a) {
            const CellCode* codes = WorkArea.bandCodes + a * BandCodes + source;
            const double* table = ValueTables[a];
#pragma GCC unroll 8
            for (int i = 0; i < TileCells; ++i) {
                const double value = table[codes[i]];
                tile[i * AngleCount + a] = value;
                sum[i] = AddInOrder(sum[i], value);
            }
        }
        double* cells = ProjectionStack + (x * RowStride + y0) * AngleCount;
#if defined(__SSE2__)
        for (int k = 0; k < TileCells * AngleCount; k += 2) _mm_stream_pd(cells + k, _mm_load_pd(tile + k));
#else
        memcpy(cells, tile, sizeof tile);
#endif
        for (int i = 0; i < TileCells; ++i) SumImage[x * RowStride + y0 + i] = sum[i];
    }
}

}  // namespace

void BuildSliceBand(int angle, int band) {
    if (band == 0) StartSlice(angle);
    const SliceBand s = SliceOf(angle);
    const int tableLength = CarryRowBelow(s, band);
    ScatterBand(s, band);
    FillBandFromNeighbours(s, band, tableLength);
    // The slice displays are scaled by the largest value of slice 1 alone;
    // the largest value does not depend on the order the cells are seen in.
    if (angle == 1) {
        if (band == 0) SliceOneMax = 0.0;
        for (int x = 0; x < SliceSide; ++x) {
            for (int row = 1; row <= BandRows; ++row) {
                const double value = s.table[s.codes[CellIndex(x, row)]];
                if (SliceOneMax < value) SliceOneMax = value;
            }
        }
    }
}

void WriteStackBand(int band, int part) {
    for (int x = part * ColumnsPerPart; x < (part + 1) * ColumnsPerPart; ++x) WriteBandColumn(band, x);
#if defined(__SSE2__)
    _mm_sfence();  // the streamed cells are in memory before the part counts as done
#endif
}

namespace {

// First every projection is filtered; then, band after band, every angle's
// band is built and the band written.
void BackProjectionStep(int step, int part) {
    if (step == 0) {
        FilterProjection(part);
    } else if (step % 2 == 1) {
        BuildSliceBand(part, step / 2);
    } else {
        WriteStackBand(step / 2 - 1, part);
    }
}

int BackProjectionParts(int step) {
    return step == 0 || step % 2 == 1 ? static_cast<int>(AngleCount) : static_cast<int>(StackWriteParts);
}

}  // namespace

void BackProjectViews() {
    // The gaps of every slice are filled here, on the code images of its
    // bands (the neighbour pass in FillBandFromNeighbours; the zero pass as
    // an empty cell reads 0.0 when the stack is written): the stack itself
    // is written once and never filled in place.
    RunSharedSteps(1 + 2 * StackBands, BackProjectionParts, BackProjectionStep);

    // The smear image is left holding the last angle's smear.
    for (int v = 0; v < BinCount; ++v) {
        const double value = FilteredSinogram[v * RowStride + (AngleCount - 1)];
        for (int u = 0; u < BinCount; ++u) SmearImage[v * RowStride + u] = value;
    }

    StackMax = SliceOneMax;
}
