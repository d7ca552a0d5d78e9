// back_projection.cpp - the per-angle back projection: each of the 180
// projections is smeared along its rays and scattered, pixel by pixel, to
// its rotated position in its own slice of ProjectionStack; cells that no
// source pixel reaches are filled from their neighbours or set to 0.0.
//
// How the work is laid out. Slices do not depend on one another, so each
// slice is first built in a compact image that stays in the processor's
// cache: every cell holds a 16-bit code saying where its value comes from
// (projection bin v, "empty", or the n-th neighbour mean of the slice, kept
// in a list of its own). The empty marker, the scatter in source order (the
// last source pixel to land on a cell wins) and the neighbour pass in its
// in-place order work on these codes exactly as they would on the values in
// the stack: a value of exactly -1.0, whether from the projection or from a
// mean, is coded as empty, since an empty cell is one that holds -1.0. The
// two halves of the angles are built by two threads. Then the stack is
// written once, in address order: eight cells at a time get their 180
// angles decoded (an empty cell becoming 0.0, the zero pass) into a small
// buffer that is streamed to the stack. This replaces walking the 96 MB
// stack with a 1,440-byte stride for the marker fill, the scatter, the
// neighbour pass and the zero pass; every value is the same bit for bit.
#include <cmath>
#include <cstring>
#include <thread>

#include "recon/phases.h"
#include "recon/recon_data.h"
#include "recon/to_int.h"

namespace {

enum {
    SliceSide = 256,
    Workers = 2,
    AnglesPerWorker = AngleCount / Workers,
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

// Codes: 0..255 projection bin, FirstMean + n the n-th mean, Empty.
typedef uint16_t CellCode;
constexpr CellCode FirstMean = BinCount;
constexpr CellCode Empty = 0xFFFF;
static_assert(FirstMean + MeanLimit < Empty, "every mean of a slice has a code");

constexpr uint64_t EmptyMarkerBits = 0xBFF0000000000000u;  // -1.0, its only encoding
constexpr double RadiansPerDegree = 0.017453292519943295;
constexpr double RotationCentre = 127.5;

// Per angle: the code image, the projection values and the neighbour means.
alignas(64) CellCode CodeImages[AngleCount][CodePitch];
alignas(64) double ProjectionValues[AngleCount][BinCount];
double* SliceMeans[AngleCount];
// The means of the angles of one thread, one angle after the other.
double MeanPool[Workers][AnglesPerWorker * MeanLimit];
// Working slice of FillStackGaps.
double GapSlice[SliceCodes];

inline int CellIndex(int x, int y) { return x * ColumnPitch + y; }

inline bool IsMinusOne(double value) {
    uint64_t bits;
    memcpy(&bits, &value, sizeof bits);
    return bits == EmptyMarkerBits;
}

// The value a cell holds in the stack, before the zero pass.
inline double CodedValue(CellCode code, const double* values, const double* means) {
    return code < FirstMean ? values[code] : means[code - FirstMean];
}

// The value a cell holds in the finished stack: an empty cell is 0.0.
inline double SettledValue(CellCode code, const double* values, const double* means) {
    if (code < FirstMean) return values[code];
    return code == Empty ? 0.0 : means[code - FirstMean];
}

// Smear and scatter of angle `angle` into its code image, marked empty
// first. The smear image holds the projection value of bin v in every column
// u, so source pixel (v, u) carries bin v. The positions of a column's 256
// source pixels are worked out first (two at a time where the processor
// allows), then the pixels are stored in source order; a pixel that falls
// outside the slice goes to the spare cell.
void ScatterProjection(int angle) {
    CellCode* image = CodeImages[angle];
    memset(image, 0xFF, sizeof CodeImages[angle]);  // every cell Empty

    const double theta = angle * RadiansPerDegree;
    const double cosA = std::cos(theta);
    const double sinA = std::sin(theta);

    alignas(16) double rowCos[BinCount];
    alignas(16) double rowSin[BinCount];
    CellCode carried[BinCount];
    double* values = ProjectionValues[angle];
    for (int v = 0; v < BinCount; ++v) {
        const double Y = v - RotationCentre;
        rowCos[v] = Y * cosA;
        rowSin[v] = Y * sinA;
        values[v] = FilteredSinogram[v * RowStride + angle];
        carried[v] = IsMinusOne(values[v]) ? Empty : static_cast<CellCode>(v);
    }

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

// True when one of the four codes in `word` is Empty (all bits set).
inline bool AnyEmpty(uint64_t word) {
    const uint64_t inverted = ~word;  // an Empty code becomes a zero lane
    return ((inverted - 0x0001000100010001u) & ~inverted & 0x8000800080008000u) != 0;
}

// Neighbour pass of angle `angle`, in place, over y = 1..254 and within it
// x = 1..254: an empty cell whose left and right neighbours are both
// non-empty takes their mean; otherwise, if its lower and upper neighbours
// are both non-empty, theirs. A cell reads its left and lower neighbours as
// already passed and its right and upper neighbours as not yet passed. Going
// through x = 1..254 and within it y = 1..254 keeps exactly that (and walks
// the image in its memory order), so every cell sees the same neighbours.
// Returns the number of means.
int FillFromNeighbours(int angle, double* means) {
    CellCode* image = CodeImages[angle];
    const double* values = ProjectionValues[angle];
    int meanCount = 0;
    // A mean of exactly -1.0 leaves the cell empty.
    auto store = [&](CellCode* cell, double mean) {
        if (IsMinusOne(mean)) return;
        means[meanCount] = mean;
        *cell = static_cast<CellCode>(FirstMean + meanCount);
        ++meanCount;
    };

    const int last = SliceSide - 2;
    for (int p = 1; p <= last; ++p) {
        CellCode* column = image + CellIndex(p, 0);
        int q = 1;
        while (q <= last) {
            // Runs of non-empty cells are passed over four at a time: a cell
            // is changed only when it is passed itself.
            if (q + 3 <= last) {
                uint64_t four;
                memcpy(&four, column + q, sizeof four);
                if (!AnyEmpty(four)) {
                    q += 4;
                    continue;
                }
            }
            CellCode* cell = column + q;
            ++q;
            if (*cell != Empty) continue;
            const CellCode left = cell[-ColumnPitch], right = cell[ColumnPitch];
            if (left != Empty && right != Empty) {
                store(cell, (CodedValue(right, values, means) + CodedValue(left, values, means)) * 0.5);
            }
            if (*cell == Empty && cell[-1] != Empty && cell[1] != Empty) {
                store(cell, (CodedValue(cell[-1], values, means) + CodedValue(cell[1], values, means)) * 0.5);
            }
        }
    }
    return meanCount;
}

// Filters, projects and fills angles first..first + AnglesPerWorker - 1.
void BuildSlices(int worker, int first) {
    double* means = MeanPool[worker];
    for (int angle = first; angle < first + AnglesPerWorker; ++angle) {
        FilterProjection(angle);
        ScatterProjection(angle);
        SliceMeans[angle] = means;
        means += FillFromNeighbours(angle, means);
    }
}

// Writes the stack for x in xBegin..xEnd - 1 in address order: eight cells
// of one x, 1,440 consecutive doubles, are decoded into a buffer and then
// streamed to the stack past the cache.
void StoreSlices(int xBegin, int xEnd) {
    alignas(64) double tile[TileCells * AngleCount];
    for (int x = xBegin; x < xEnd; ++x) {
        for (int y0 = 0; y0 < SliceSide; y0 += TileCells) {
            const int source = CellIndex(x, y0);
            for (int a = 0; a < AngleCount; ++a) {
                const CellCode* codes = CodeImages[a] + source;
                __builtin_prefetch(codes + 4 * TileCells);
                const double* values = ProjectionValues[a];
                const double* means = SliceMeans[a];
                for (int i = 0; i < TileCells; ++i) tile[i * AngleCount + a] = SettledValue(codes[i], values, means);
            }
            double* cells = ProjectionStack + (x * RowStride + y0) * AngleCount;
#if defined(__SSE2__)
            for (int k = 0; k < TileCells * AngleCount; k += 2) _mm_stream_pd(cells + k, _mm_load_pd(tile + k));
#else
            memcpy(cells, tile, sizeof tile);
#endif
        }
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
            const double value = SettledValue(CodeImages[angle][CellIndex(x, y)], ProjectionValues[angle],
                                              SliceMeans[angle]);
            if (largest < value) largest = value;
        }
    }
    return largest;
}

}  // namespace

void BackProjectViews() {
    std::thread second([] { BuildSlices(1, AnglesPerWorker); });
    BuildSlices(0, 0);
    second.join();

    std::thread store([] { StoreSlices(BinCount / 2, BinCount); });
    StoreSlices(0, BinCount / 2);
    store.join();

    // The smear image is left holding the last angle's smear.
    for (int v = 0; v < BinCount; ++v) {
        const double value = FilteredSinogram[v * RowStride + (AngleCount - 1)];
        for (int u = 0; u < BinCount; ++u) SmearImage[v * RowStride + u] = value;
    }

    // The slice displays are scaled by the largest value of slice 1 alone.
    StackMax = SliceMax(1);
}

// The same neighbour pass and zero pass on one slice of the stack itself.
void FillStackGaps(int angle) {
    for (int x = 0; x < SliceSide; ++x) {
        for (int y = 0; y < SliceSide; ++y) GapSlice[CellIndex(x, y)] = StackCell(x, y, angle);
    }
    for (int p = 1; p <= SliceSide - 2; ++p) {
        for (int q = 1; q <= SliceSide - 2; ++q) {
            double* cell = GapSlice + CellIndex(p, q);
            if (!IsMinusOne(*cell)) continue;
            if (!IsMinusOne(cell[-ColumnPitch]) && !IsMinusOne(cell[ColumnPitch])) {
                *cell = (cell[ColumnPitch] + cell[-ColumnPitch]) * 0.5;
            }
            if (IsMinusOne(*cell) && !IsMinusOne(cell[-1]) && !IsMinusOne(cell[1])) *cell = (cell[-1] + cell[1]) * 0.5;
        }
    }
    for (int x = 0; x < SliceSide; ++x) {
        for (int y = 0; y < SliceSide; ++y) {
            const double value = GapSlice[CellIndex(x, y)];
            StackCell(x, y, angle) = IsMinusOne(value) ? 0.0 : value;
        }
    }
}
