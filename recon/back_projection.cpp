// back_projection.cpp - the per-angle back projection: each of the 180
// projections is smeared along its rays and scattered, pixel by pixel, to
// its rotated position in its own slice of ProjectionStack; cells that no
// source pixel reaches are filled from their neighbours or set to 0.0. Each
// cell's sum over the 180 angles is formed on the way into SumImage.
//
// How the work is laid out. A slice is first built whole as an image of
// 16-bit codes: the place of each cell's value in a table of the angle's own
// (the 256 projection values, then 0.0 for an empty cell, then the
// neighbour means in the order they were formed). The empty marker, the
// scatter in source order (the last source pixel to land on a cell wins) and
// the neighbour pass in its in-place order work on these codes exactly as
// they would on the values in the stack: a value of exactly -1.0, whether
// from the projection or from a mean, is coded as empty, since an empty
// cell is one that holds -1.0.
//
// The stack holds a cell's 180 angles one after another, so eight angles of
// a cell fill one 64-byte line of memory; a cell takes 22.5 lines, so the
// lines of cells with an even y begin at angles 0, 8, 16, ... and those of
// cells with an odd y at angles 4, 12, 20, ... Slices are built four angles
// at a time, and the code images of the last eight angles are kept (1 MB, in
// the work area that the sinogram file is read into): after each group the
// lines those eight angles fill are written whole, for the cells of one
// parity of y, with streaming stores that pass the cache, and the same
// values are added to the cells' sums, in ascending angle order. The stack
// is written once and never read back.
#include <cmath>
#include <cstring>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

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
    SliceCells = SliceSide * SliceSide,  // cell (x, y) at x * 256 + y
    SpareCell = SliceCells,              // where the scatter puts a source pixel outside the slice
    ImageCodes = SliceCells + 8,
    LineAngles = 8,                      // angles of one cell in a 64-byte line
    AliveAngles = 2 * GroupAngles,       // slices whose code images are kept
    // Neighbour means a slice can need at most: one per inner cell.
    MeanLimit = (SliceSide - 2) * (SliceSide - 2),
    // A value table in whole pages: only the part in use is ever touched.
    TableStride = 65024,
    ColumnsPerPart = SliceSide / StackWriteParts,
};
static_assert(AliveAngles == LineAngles, "the kept slices fill one line of every cell");

// A cell's code is the place of its value in the angle's value table:
// 0..255 projection bin v, Empty (the table holds 0.0 there, the value the
// zero pass gives), FirstMean + n the n-th neighbour mean of the slice.
typedef uint16_t CellCode;
constexpr CellCode Empty = BinCount;
constexpr CellCode FirstMean = Empty + 1;
static_assert(FirstMean + MeanLimit <= TableStride && TableStride % 512 == 0, "every mean has a place");
static_assert(AliveAngles * ImageCodes <= sizeof WorkArea.sliceCodes / sizeof(CellCode),
              "the kept code images fit in the work area");

constexpr uint64_t EmptyMarkerBits = 0xBFF0000000000000u;  // -1.0, its only encoding
constexpr double RadiansPerDegree = 0.017453292519943295;
constexpr double RotationCentre = 127.5;

// Per kept slice: slot a % 8 holds angle a.
alignas(4096) double ValueTables[AliveAngles][TableStride];
double SliceOneMax;  // largest value of the slice of angle 1, at least 0.0

CellCode* CodesOf(int angle) { return WorkArea.sliceCodes + (angle % AliveAngles) * ImageCodes; }
double* TableOf(int angle) { return ValueTables[angle % AliveAngles]; }

inline bool IsMinusOne(double value) {
    uint64_t bits;
    memcpy(&bits, &value, sizeof bits);
    return bits == EmptyMarkerBits;
}

// The hot steps are compiled twice, for processors with AVX2 (wider
// registers, three-operand instructions) and without; the processor picks
// once. Each step is a template on the instruction set, so that its ordered
// additions take the encoding of the instructions around them.
#if defined(__GNUC__) && defined(__x86_64__) && !defined(SINORA_ONE_TARGET)
#define SINORA_AVX2_VARIANT 1
#endif

enum class Isa { Plain, Avx2 };

template <Isa isa>
inline double Add(double first, double second) {
    if constexpr (isa == Isa::Avx2) return AddInOrderVex(first, second);
    return AddInOrder(first, second);
}

template <Isa isa>
inline double Mul(double first, double second) {
    if constexpr (isa == Isa::Avx2) return MulInOrderVex(first, second);
    return MulInOrder(first, second);
}

bool ProcessorHasAvx2() {
#if defined(SINORA_AVX2_VARIANT)
    static const bool has = (__builtin_cpu_init(), __builtin_cpu_supports("avx2") != 0);
    return has;
#else
    return false;
#endif
}

// Each step X is X##Steps<isa>, instantiated in X##Plain and, compiled for
// AVX2, in X##Avx2; X itself calls the one the processor can run.
#if defined(SINORA_AVX2_VARIANT)
#define WITH_AVX2 __attribute__((target("avx2")))
#else
#define WITH_AVX2
#endif

#if defined(__GNUC__)
// Four doubles and four 32-bit integers side by side: four source pixels
// are placed at once, in the widest registers the processor has.
typedef double Doubles4 __attribute__((vector_size(32)));
typedef int32_t Ints4 __attribute__((vector_size(16)));
typedef uint32_t Unsigned4 __attribute__((vector_size(16)));
#endif

// Every cell empty, the spare cell included.
void ClearCodes(CellCode* codes) {
#if defined(__SSE2__)
    static_assert(ImageCodes % 8 == 0, "the image is cleared eight codes at a time");
    const __m128i empty = _mm_set1_epi16(static_cast<short>(Empty));
    for (int cell = 0; cell < ImageCodes; cell += 8) _mm_store_si128(reinterpret_cast<__m128i*>(codes + cell), empty);
#else
    for (int cell = 0; cell < ImageCodes; ++cell) codes[cell] = Empty;
#endif
}

// Scatter: for every source column u (outer) and row v (inner), in order,
// the code of bin v goes to the cell at x = ((Y cosA - X sinA) + 127.5) +
// 0.5 and y = ((Y sinA + X cosA) + 127.5) + 0.5, truncated, with X = u -
// 127.5 and Y = v - 127.5; a pixel outside the slice goes to the spare cell.
template <Isa isa>
__attribute__((always_inline)) inline void ScatterSliceSteps(CellCode* codes, const double* table, double cosA, double sinA) {
    double rowCos[BinCount];
    double rowSin[BinCount];
    CellCode carried[BinCount];
    for (int v = 0; v < BinCount; ++v) {
        const double Y = v - RotationCentre;
        rowCos[v] = Y * cosA;
        rowSin[v] = Y * sinA;
        carried[v] = IsMinusOne(table[v]) ? Empty : static_cast<CellCode>(v);
    }
    for (int u = 0; u < BinCount; ++u) {
        const double X = u - RotationCentre;
        const double columnCos = X * cosA;
        const double columnSin = X * sinA;
#if defined(__GNUC__)
        const Doubles4 colCos = {columnCos, columnCos, columnCos, columnCos};
        const Doubles4 colSin = {columnSin, columnSin, columnSin, columnSin};
        constexpr uint32_t side = SliceSide;
        constexpr int32_t stride = SliceSide, spare = SpareCell;
        for (int v = 0; v < BinCount; v += 4) {
            Doubles4 Ycos, Ysin;
            memcpy(&Ycos, rowCos + v, sizeof Ycos);
            memcpy(&Ysin, rowSin + v, sizeof Ysin);
            // Every position lies well inside the 32-bit range, so the
            // conversions truncate; a negative index compared as unsigned
            // lies beyond the slice, and so does x | y when either does.
            const Ints4 x = __builtin_convertvector(((Ycos - colSin) + RotationCentre) + 0.5, Ints4);
            const Ints4 y = __builtin_convertvector(((Ysin + colCos) + RotationCentre) + 0.5, Ints4);
            const Ints4 inside = reinterpret_cast<Ints4>(reinterpret_cast<Unsigned4>(x | y) < side);
            const Unsigned4 target = reinterpret_cast<Unsigned4>((inside & (x * stride + y)) | (~inside & spare));
            codes[target[0]] = carried[v];
            codes[target[1]] = carried[v + 1];
            codes[target[2]] = carried[v + 2];
            codes[target[3]] = carried[v + 3];
        }
#else
        for (int v = 0; v < BinCount; ++v) {
            const int32_t x = TruncToInt32(((rowCos[v] - columnSin) + RotationCentre) + 0.5);
            const int32_t y = TruncToInt32(((rowSin[v] + columnCos) + RotationCentre) + 0.5);
            const bool inside = x >= 0 && x < SliceSide && y >= 0 && y < SliceSide;
            codes[inside ? x * SliceSide + y : SpareCell] = carried[v];
        }
#endif
    }
}

// For each set of eight lanes (a bit each), the set lanes in ascending
// order, then zeros.
struct LaneLists {
    uint8_t lanes[256][8];
    constexpr LaneLists() : lanes() {
        for (int mask = 0; mask < 256; ++mask) {
            int count = 0;
            for (int lane = 0; lane < 8; ++lane) {
                if (mask & (1 << lane)) lanes[mask][count++] = static_cast<uint8_t>(lane);
            }
        }
    }
};
constexpr LaneLists SetLanes;

// Neighbour pass of one empty cell: if its left and right neighbours are
// both non-empty it takes their mean; then, if it is still empty and its
// lower and upper neighbours are both non-empty, theirs. A mean of exactly
// -1.0 leaves the cell empty.
template <Isa isa>
inline void FillCell(CellCode* cell, double* table, int& tableLength) {
    // Both means are formed (an empty neighbour reads 0.0) and the one that
    // counts is chosen without a branch: which it is follows no pattern.
    const CellCode left = cell[-SliceSide], right = cell[SliceSide], lower = cell[-1], upper = cell[1];
    const double acrossX = Mul<isa>(Add<isa>(table[right], table[left]), 0.5);
    const double acrossY = Mul<isa>(Add<isa>(table[lower], table[upper]), 0.5);
    const bool fromX = left != Empty && right != Empty && !IsMinusOne(acrossX);
    const bool fromY = lower != Empty && upper != Empty && !IsMinusOne(acrossY);
    table[tableLength] = fromX ? acrossX : acrossY;
    const bool filled = fromX || fromY;
    *cell = filled ? static_cast<CellCode>(tableLength) : Empty;
    tableLength += filled;
}

// Neighbour pass of the slice, in place, over x = 1..254 and within it
// y = 1..254. A cell reads its left and lower neighbours as already passed
// and its right and upper neighbours as not yet passed, as the pass over
// y = 1..254 and within it x = 1..254 has them, so every cell sees the same
// neighbours.
template <Isa isa>
__attribute__((always_inline)) inline void FillSliceSteps(CellCode* codes, double* table) {
    int tableLength = FirstMean;
    for (int p = 1; p <= SliceSide - 2; ++p) {
        CellCode* column = codes + p * SliceSide;
#if defined(__SSE2__)
        // The cells that can be filled are listed first, eight cells at a
        // time, and then passed one by one: an empty cell with both x
        // neighbours non-empty or with its upper neighbour non-empty (the
        // lower one may be filled just before). Passing a cell changes that
        // cell alone, and its x neighbours lie in other columns, so the list
        // stays right while the column is passed. Listing without a branch
        // per cell spares the processor a mispredicted jump at most gaps.
        const __m128i empty = _mm_set1_epi16(static_cast<short>(Empty));
        uint8_t listed[SliceSide + 8];
        int count = 0;
        for (int q = 1; q <= SliceSide - 2; q += 8) {
            const CellCode* at = column + q;
            const __m128i here = _mm_cmpeq_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(at)), empty);
            const __m128i left =
                _mm_cmpeq_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(at - SliceSide)), empty);
            const __m128i right =
                _mm_cmpeq_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(at + SliceSide)), empty);
            const __m128i up = _mm_cmpeq_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(at + 1)), empty);
            // here & ~(left | right) | here & ~up
            const __m128i candidate =
                _mm_or_si128(_mm_andnot_si128(_mm_or_si128(left, right), here), _mm_andnot_si128(up, here));
            unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(_mm_packs_epi16(candidate, candidate))) & 0xFF;
            if (q + 7 > SliceSide - 2) mask &= (1u << (SliceSide - 2 - q + 1)) - 1;
            const __m128i lanes = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(SetLanes.lanes[mask]));
            _mm_storel_epi64(reinterpret_cast<__m128i*>(listed + count),
                             _mm_add_epi8(lanes, _mm_set1_epi8(static_cast<char>(q))));
            count += __builtin_popcount(mask);
        }
        for (int i = 0; i < count; ++i) FillCell<isa>(column + listed[i], table, tableLength);
#else
        for (int q = 1; q <= SliceSide - 2; ++q) {
            if (column[q] == Empty) FillCell<isa>(column + q, table, tableLength);
        }
#endif
    }
}

// Writes `count` angles from `firstAngle` (the kept slices) of the cells
// with y of the given parity, for columns x of one part: per cell the values
// are looked up, streamed to the stack past the cache (a whole line when
// count is 8) and added to the cell's sum in ascending angle order; the
// first angle of all starts the sum at 0.0.
template <Isa isa, int count>
__attribute__((always_inline)) inline void WriteLinesSteps(int firstAngle, int parity, int part) {
    const CellCode* codes[count];
    const double* tables[count];
    for (int j = 0; j < count; ++j) {
        codes[j] = CodesOf(firstAngle + j);
        tables[j] = TableOf(firstAngle + j);
    }
    for (int x = part * ColumnsPerPart; x < (part + 1) * ColumnsPerPart; ++x) {
        for (int y = parity; y < SliceSide; y += 2) {
            const int cell = x * SliceSide + y;
            alignas(64) double line[count];
            double sum = firstAngle == 0 ? 0.0 : SumImage[x * RowStride + y];
#pragma GCC unroll 8
            for (int j = 0; j < count; ++j) {
                line[j] = tables[j][codes[j][cell]];
                sum = Add<isa>(sum, line[j]);
            }
            SumImage[x * RowStride + y] = sum;
            double* target = &StackCell(x, y, firstAngle);
#if defined(__SSE2__)
#pragma GCC unroll 4
            for (int j = 0; j < count; j += 2) _mm_stream_pd(target + j, _mm_load_pd(line + j));
#else
            memcpy(target, line, sizeof line);
#endif
        }
    }
}

void ScatterSlicePlain(CellCode* codes, const double* table, double cosA, double sinA) {
    ScatterSliceSteps<Isa::Plain>(codes, table, cosA, sinA);
}
WITH_AVX2 void ScatterSliceAvx2(CellCode* codes, const double* table, double cosA, double sinA) {
    ScatterSliceSteps<Isa::Avx2>(codes, table, cosA, sinA);
}
void ScatterSlice(CellCode* codes, const double* table, double cosA, double sinA) {
    (ProcessorHasAvx2() ? ScatterSliceAvx2 : ScatterSlicePlain)(codes, table, cosA, sinA);
}

void FillSlicePlain(CellCode* codes, double* table) { FillSliceSteps<Isa::Plain>(codes, table); }
WITH_AVX2 void FillSliceAvx2(CellCode* codes, double* table) { FillSliceSteps<Isa::Avx2>(codes, table); }
void FillSliceFromNeighbours(CellCode* codes, double* table) {
    (ProcessorHasAvx2() ? FillSliceAvx2 : FillSlicePlain)(codes, table);
}

template <int count>
void WriteLinesPlain(int firstAngle, int parity, int part) {
    WriteLinesSteps<Isa::Plain, count>(firstAngle, parity, part);
}
template <int count>
WITH_AVX2 void WriteLinesAvx2(int firstAngle, int parity, int part) {
    WriteLinesSteps<Isa::Avx2, count>(firstAngle, parity, part);
}
template <int count>
void WriteLines(int firstAngle, int parity, int part) {
    (ProcessorHasAvx2() ? WriteLinesAvx2<count> : WriteLinesPlain<count>)(firstAngle, parity, part);
}

#if defined(SINORA_AVX2_VARIANT)
// sum + values for four cells side by side, the sum the first addend in
// each, as Add gives it one by one.
WITH_AVX2 inline __m256d AddInOrder4(__m256d sum, __m256d values) {
    __m256d result;
    __asm__("vaddpd %2, %1, %0" : "=x"(result) : "x"(sum), "x"(values));
    return result;
}

// Rows r0..r3 of four doubles become its columns.
WITH_AVX2 inline void Transpose4(__m256d& r0, __m256d& r1, __m256d& r2, __m256d& r3) {
    const __m256d t0 = _mm256_unpacklo_pd(r0, r1), t1 = _mm256_unpackhi_pd(r0, r1);
    const __m256d t2 = _mm256_unpacklo_pd(r2, r3), t3 = _mm256_unpackhi_pd(r2, r3);
    r0 = _mm256_permute2f128_pd(t0, t2, 0x20);
    r1 = _mm256_permute2f128_pd(t1, t3, 0x20);
    r2 = _mm256_permute2f128_pd(t0, t2, 0x31);
    r3 = _mm256_permute2f128_pd(t1, t3, 0x31);
}

// Whole lines for AVX2, four cells (eight y) at a time: for each angle the
// four cells' codes are read together and their values gathered, which
// gives the sums four at a time, angle after angle; the values of the eight
// angles are then turned into one line per cell.
WITH_AVX2 void WriteWholeLinesAvx2(int firstAngle, int parity, int part) {
    const CellCode* codes[LineAngles];
    const double* tables[LineAngles];
    for (int j = 0; j < LineAngles; ++j) {
        codes[j] = CodesOf(firstAngle + j);
        tables[j] = TableOf(firstAngle + j);
    }
    const __m128i lowHalf = _mm_set1_epi32(0xFFFF);
    const __m256d everyLane = _mm256_castsi256_pd(_mm256_set1_epi64x(-1));
    for (int x = part * ColumnsPerPart; x < (part + 1) * ColumnsPerPart; ++x) {
        for (int y0 = 0; y0 < SliceSide; y0 += 8) {
            double* sums = SumImage + x * RowStride + y0 + parity;  // the cells' sums at 0, 2, 4, 6
            __m256d sum = firstAngle == 0 ? _mm256_setzero_pd() : _mm256_set_pd(sums[6], sums[4], sums[2], sums[0]);
            __m256d v[LineAngles];
            for (int j = 0; j < LineAngles; ++j) {
                // 32-bit lane i holds the codes of y0 + 2i (low half) and y0 + 2i + 1.
                const __m128i pairs = _mm_loadu_si128(reinterpret_cast<const __m128i*>(codes[j] + x * SliceSide + y0));
                const __m128i index = parity ? _mm_srli_epi32(pairs, 16) : _mm_and_si128(pairs, lowHalf);
                v[j] = _mm256_mask_i32gather_pd(_mm256_setzero_pd(), tables[j], index, everyLane, 8);
                sum = AddInOrder4(sum, v[j]);
            }
            alignas(32) double lanes[4];
            _mm256_store_pd(lanes, sum);
            for (int i = 0; i < 4; ++i) sums[2 * i] = lanes[i];
            Transpose4(v[0], v[1], v[2], v[3]);
            Transpose4(v[4], v[5], v[6], v[7]);
            for (int i = 0; i < 4; ++i) {
                double* line = &StackCell(x, y0 + parity + 2 * i, firstAngle);
                _mm256_stream_pd(line, v[i]);
                _mm256_stream_pd(line + 4, v[4 + i]);
            }
        }
    }
}

template <>
void WriteLines<LineAngles>(int firstAngle, int parity, int part) {
    (ProcessorHasAvx2() ? WriteWholeLinesAvx2 : WriteLinesPlain<LineAngles>)(firstAngle, parity, part);
}
#endif

}  // namespace

void BuildSlice(int angle) {
    double* table = TableOf(angle);
    CellCode* codes = CodesOf(angle);
    for (int v = 0; v < BinCount; ++v) table[v] = FilteredSinogram[v * RowStride + angle];
    table[Empty] = 0.0;
    const double theta = angle * RadiansPerDegree;
    ClearCodes(codes);
    ScatterSlice(codes, table, std::cos(theta), std::sin(theta));
    FillSliceFromNeighbours(codes, table);
    // The slice displays are scaled by the largest value of slice 1 alone;
    // the largest value does not depend on the order the cells are seen in.
    if (angle == 1) {
        SliceOneMax = 0.0;
        for (int cell = 0; cell < SliceCells; ++cell) {
            const double value = table[codes[cell]];
            if (SliceOneMax < value) SliceOneMax = value;
        }
    }
}

void WriteStackLines(int group, int part) {
    // The lines that end with this group's angles: those of one parity of y
    // that begin four angles before it. The lines of odd y that hold angles
    // 0..3 and those of even y that hold angles 176..179 are half lines,
    // written with the first group and after the last.
    const int first = group * GroupAngles - GroupAngles;
    const int parity = first % LineAngles == 0 ? 0 : 1;
    if (first < 0) {
        WriteLines<GroupAngles>(0, parity, part);
    } else if (first + LineAngles > AngleCount) {
        WriteLines<GroupAngles>(first, parity, part);
    } else {
        WriteLines<LineAngles>(first, parity, part);
    }
#if defined(__SSE2__)
    _mm_sfence();  // the streamed cells are in memory before the part counts as done
#endif
}

namespace {

// First every projection is filtered; then, group after group, the group's
// slices are built and the lines they complete written; one more writing
// after the last group.
void BackProjectionStep(int step, int part) {
    if (step == 0) {
        FilterProjection(part);
    } else if (step % 2 == 1) {
        BuildSlice((step / 2) * GroupAngles + part);
    } else {
        WriteStackLines(step / 2 - 1, part);
    }
}

int BackProjectionParts(int step) {
    if (step == 0) return AngleCount;
    if (step % 2 == 1) return step / 2 < StackGroups ? static_cast<int>(GroupAngles) : 0;
    return StackWriteParts;
}

}  // namespace

void BackProjectViews() {
    // The gaps of every slice are filled here, on its code image (the
    // neighbour pass in FillSliceFromNeighbours; the zero pass as an empty
    // cell reads 0.0 when the stack is written): the stack itself is written
    // once and never filled in place.
    RunSharedSteps(1 + 2 * (StackGroups + 1), BackProjectionParts, BackProjectionStep);

    // The smear image is left holding the last angle's smear.
    for (int v = 0; v < BinCount; ++v) {
        const double value = FilteredSinogram[v * RowStride + (AngleCount - 1)];
        for (int u = 0; u < BinCount; ++u) SmearImage[v * RowStride + u] = value;
    }

    StackMax = SliceOneMax;
}
