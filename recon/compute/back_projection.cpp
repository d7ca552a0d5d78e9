// back_projection.cpp - the per-angle back projection: each of the 180
// projections is smeared along its rays and scattered, pixel by pixel, to
// its rotated position in its own slice of ProjectionStack; cells that no
// source pixel reaches are filled from their neighbours or set to 0.0. Each
// cell's sum over the 180 angles is formed on the way into SumImage.
//
// How the work is laid out. A slice is first built whole as an image of
// 16-bit codes (slice_codes.h). The empty marker, the scatter in source
// order (the last source pixel to land on a cell wins) and the neighbour
// pass in its in-place order work on these codes exactly as they would on
// the values in the stack: a value of exactly -1.0, whether from the
// projection or from a mean, is coded as empty, since an empty cell is one
// that holds -1.0. Each slice is built in two halves, on two threads
// (back_projection_schedule.cpp); after each group of four angles the stack
// lines its angles complete are written (stack_lines.cpp), so the stack is
// written once and never read back.
#include <algorithm>
#include <cmath>
#include <cstring>

#if defined(__x86_64__)
#include <immintrin.h>
#elif defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "base/to_int.h"
#include "recon/compute/back_projection_steps.h"
#include "recon/compute/computing_steps.h"
#include "recon/compute/instruction_sets.h"
#include "recon/compute/recon_data.h"
#include "recon/compute/slice_codes.h"
#include "recon/compute/step_variants.h"

alignas(4096) double ValueTables[AliveAngles][Halves][TableStride];
alignas(64) CellCode SliceCodeArea[OwnAreaSlots * ImageCodes];

namespace {

constexpr uint64_t EmptyMarkerBits = 0xBFF0000000000000u;  // -1.0, its only encoding

inline bool IsMinusOne(double value) {
    uint64_t bits;
    memcpy(&bits, &value, sizeof bits);
    return bits == EmptyMarkerBits;
}

#if defined(__GNUC__)
// `lanes` doubles and as many 32-bit integers side by side: that many
// source pixels are placed at once.
template <int lanes>
struct Lanes {
    typedef double Doubles __attribute__((vector_size(lanes * sizeof(double))));
    typedef int32_t Ints __attribute__((vector_size(lanes * sizeof(int32_t))));
    typedef uint32_t Unsigned __attribute__((vector_size(lanes * sizeof(uint32_t))));
};
#endif

// The pixels of the scatter placed at once in each set: as many as its
// registers hold (eight with AVX2, as pairs; four in plain x86-64, as pairs).
template <Isa isa>
constexpr int ScatterLanes = isa == Isa::Avx512 ? 16 : isa == Isa::Avx2 ? 8 : 4;

// Every cell of a half empty, its spare cell included.
void ClearHalf(CellCode* codes, int half) {
    CellCode* first = codes + half * HalfCodes;
#if defined(__x86_64__) && defined(__GNUC__)
    // Four codes to a quadword, through the processor's string store, which
    // fills whole lines at a time.
    static_assert(HalfCodes % 4 == 0, "a half is cleared four codes at a time");
    const uint64_t fourEmpty = 0x0001000100010001u * Empty;
    void* at = first;
    size_t quadwords = HalfCodes / 4;
    __asm__ volatile("rep stosq" : "+D"(at), "+c"(quadwords) : "a"(fourEmpty) : "memory");
#else
    for (int cell = 0; cell < HalfCodes; ++cell) first[cell] = Empty;
#endif
}

// The rows v of a column that can hold pixels landing within the slice
// along one axis: those where (v - 127.5) slope + offset X lies in the
// slice's range of unrounded positions less 127.5, (-129, 128). Per column
// the bounds move by -X offset / slope; a row's margin on either side covers
// their rounding. Every row when the slope is too shallow for the bounds to
// be worth finding.
struct RowsAlongAxis {
    double first = 0.0, last = BinCount - 1.0, perX = 0.0;  // bounds at X = 0, and their shift per unit of X
    RowsAlongAxis(double slope, double offset) {
        constexpr double low = -1.5 - RotationCentre, high = SliceSide - 0.5 - RotationCentre;
        if (std::fabs(slope) < 1e-3) return;
        first = RotationCentre + std::min(low / slope, high / slope) - 1.0;
        last = RotationCentre + std::max(low / slope, high / slope) + 1.0;
        perX = -offset / slope;
    }
    double from(double X) const { return first + X * perX; }
    double to(double X) const { return last + X * perX; }
};

// For every column u, the chunks of `lanes` rows v that can hold pixels of
// the half, as [first[u], last[u]] (none when last < first). A pixel lies
// in half 0 when its unrounded x is below 127.5, which along the column,
// where x grows by cosA per row, it is on one side of v = 127.5 + X tanA;
// it lies in the slice at all when its unrounded x and y are within
// (-1.5, 255.5). A row's margin covers the rounding of these estimates,
// which is far smaller wherever a bound lies within the column. Only with
// cosA exactly 0, which no angle of the run has, would every chunk be taken
// and the pixels told apart one by one.
inline void ChunksOfHalf(double cosA, double sinA, int half, int lanes, int32_t* first, int32_t* last) {
    if (cosA == 0.0) {
        for (int u = 0; u < BinCount; ++u) first[u] = 0, last[u] = BinCount / lanes - 1;
        return;
    }
    const bool lowRows = (half == 0) == (cosA > 0);  // the half takes the rows below the cut
    const double tanA = sinA / cosA;
    // The unrounded position less 127.5 is (v - 127.5) cosA - X sinA across
    // and (v - 127.5) sinA + X cosA up.
    const RowsAlongAxis across(cosA, -sinA), up(sinA, cosA);
    for (int u = 0; u < BinCount; ++u) {
        const double X = u - RotationCentre;
        const double cut = RotationCentre + X * tanA;
        // Held within [0, 256] and [-1, 255], so that bounds beyond the
        // column leave its range empty.
        double from = std::max(lowRows ? 0.0 : cut - 1.0, std::max(across.from(X), up.from(X)));
        double to = std::min(lowRows ? cut + 1.0 : BinCount - 1.0, std::min(across.to(X), up.to(X)));
        from = std::min(std::max(from, 0.0), double{BinCount});
        to = std::max(std::min(to, BinCount - 1.0), -1.0);
        first[u] = TruncToInt32(from) / lanes;
        last[u] = TruncToInt32(to + lanes) / lanes - 1;
    }
}

// Scatter of one half: for every source column u (outer) and row v
// (inner), in order, the code of bin v goes to the cell at x = ((Y cosA -
// X sinA) + 127.5) + 0.5 and y = ((Y sinA + X cosA) + 127.5) + 0.5,
// truncated, with X = u - 127.5 and Y = v - 127.5, when that cell lies in
// the half; a pixel of the half's chunks outside it goes to its spare cell.
// The two halves take disjoint sets of cells, so each cell still gets the
// last pixel in source order that lands on it.
template <Isa isa>
__attribute__((always_inline)) inline void ScatterHalfSteps(CellCode* codes, const double* table, double cosA,
                                                            double sinA, int half) {
    alignas(64) double rowCos[BinCount];
    alignas(64) double rowSin[BinCount];
    for (int v = 0; v < BinCount; ++v) {
        const double Y = v - RotationCentre;
        rowCos[v] = Y * cosA;
        rowSin[v] = Y * sinA;
    }
    const int32_t firstColumn = half * HalfColumns, spare = SpareCellOf(half);
    constexpr int lanes = ScatterLanes<isa>;
    alignas(64) int32_t firstChunks[BinCount], lastChunks[BinCount];
    ChunksOfHalf(cosA, sinA, half, lanes, firstChunks, lastChunks);
    for (int u = 0; u < BinCount; ++u) {
        const double X = u - RotationCentre;
        const double columnCos = X * cosA;
        const double columnSin = X * sinA;
        const int firstChunk = firstChunks[u], lastChunk = lastChunks[u];
#if defined(__GNUC__)
        // The cells of a column's pixels are found first, many side by
        // side, and then written one by one in source order: the vector
        // arithmetic is not held up by the stores.
        typedef typename Lanes<lanes>::Doubles Doubles;
        typedef typename Lanes<lanes>::Ints Ints;
        typedef typename Lanes<lanes>::Unsigned Unsigned;
        Doubles colCos, colSin;
        for (int lane = 0; lane < lanes; ++lane) {
            colCos[lane] = columnCos;
            colSin[lane] = columnSin;
        }
        constexpr int32_t stride = ColumnCodes;
        alignas(64) uint32_t target[BinCount];
        for (int chunk = firstChunk; chunk <= lastChunk; ++chunk) {
            const int v = chunk * lanes;
            Doubles Ycos, Ysin;
            memcpy(&Ycos, rowCos + v, sizeof Ycos);
            memcpy(&Ysin, rowSin + v, sizeof Ysin);
            // Every position lies well inside the 32-bit range, so the
            // conversions truncate; a negative offset compared as unsigned
            // lies beyond the half.
            const Ints x = __builtin_convertvector(((Ycos - colSin) + RotationCentre) + 0.5, Ints);
            const Ints y = __builtin_convertvector(((Ysin + colCos) + RotationCentre) + 0.5, Ints);
            const Unsigned outside = (reinterpret_cast<Unsigned>(x - firstColumn) >> 7) |
                                     (reinterpret_cast<Unsigned>(y) >> 8);
            static_assert(HalfColumns == 1 << 7 && SliceSide == 1 << 8, "the half's bounds as shifts");
            const Ints inside = reinterpret_cast<Ints>(outside == 0);
            const Unsigned cells = reinterpret_cast<Unsigned>((inside & (x * stride + y)) | (~inside & spare));
            memcpy(target + v, &cells, sizeof cells);
        }
        for (int chunk = firstChunk; chunk <= lastChunk; ++chunk) {
            const int v = chunk * lanes;
#pragma GCC unroll 16
            for (int lane = 0; lane < lanes; ++lane) codes[target[v + lane]] = static_cast<CellCode>(v + lane);
        }
#else
        for (int v = firstChunk * lanes; v < (lastChunk + 1) * lanes; ++v) {
            const int32_t x = TruncToInt32(((rowCos[v] - columnSin) + RotationCentre) + 0.5);
            const int32_t y = TruncToInt32(((rowSin[v] + columnCos) + RotationCentre) + 0.5);
            const bool inside = x >= firstColumn && x < firstColumn + HalfColumns && y >= 0 && y < SliceSide;
            codes[inside ? x * ColumnCodes + y : spare] = static_cast<CellCode>(v);
        }
#endif
    }
    // A projection value of exactly -1.0 leaves its cells empty; which
    // pixel landed last on a cell does not change by that.
    bool anyMinusOne = false;
    for (int v = 0; v < BinCount; ++v) anyMinusOne |= IsMinusOne(table[v]);
    if (!anyMinusOne) return;
    CellCode* first = codes + half * HalfCodes;
    for (int cell = 0; cell < HalfCodes; ++cell) {
        if (first[cell] != Empty && IsMinusOne(table[first[cell]])) first[cell] = Empty;
    }
}

// Neighbour pass of one candidate cell: if its left and right neighbours
// are both non-empty it takes their mean; then, if it is still empty and
// its lower and upper neighbours are both non-empty, theirs. A mean of
// exactly -1.0 leaves the cell empty. The left neighbour's code is a place
// in `leftTable`, which is the other half's table in the first column of
// half 1. Returns whether the cell was filled.
template <Isa isa>
inline bool FillCell(CellCode* cell, double* table, const double* leftTable, int& tableLength) {
    // Nearly every cell listed is filled across x, so that comes first and
    // the branch is nearly always taken the same way.
    const CellCode left = cell[-ColumnCodes], right = cell[ColumnCodes];
    if (left != Empty && right != Empty) {
        const double acrossX = Mul<isa>(Add<isa>(table[right], leftTable[left]), 0.5);
        if (!IsMinusOne(acrossX)) {
            table[tableLength] = acrossX;
            *cell = static_cast<CellCode>(tableLength++);
            return true;
        }
    }
    const CellCode lower = cell[-1], upper = cell[1];
    if (lower != Empty && upper != Empty) {
        const double acrossY = Mul<isa>(Add<isa>(table[lower], table[upper]), 0.5);
        if (!IsMinusOne(acrossY)) {
            table[tableLength] = acrossY;
            *cell = static_cast<CellCode>(tableLength++);
            return true;
        }
    }
    return false;
}

// The empty cells of a column as bits: cell y at bit y % 64 of word y / 64.
enum { ColumnWords = SliceSide / 64 };
struct EmptyBits {
    uint64_t words[ColumnWords];
};

#if defined(__SSE2__)
// Sixteen cells at a time.
inline EmptyBits EmptyBitsOf(const CellCode* column) {
    const __m128i empty = _mm_set1_epi16(static_cast<short>(Empty));
    EmptyBits bits;
    for (int w = 0; w < ColumnWords; ++w) {
        uint64_t word = 0;
        for (int q = 0; q < 64; q += 16) {
            const __m128i* at = reinterpret_cast<const __m128i*>(column + w * 64 + q);
            const __m128i low = _mm_cmpeq_epi16(_mm_load_si128(at), empty);
            const __m128i high = _mm_cmpeq_epi16(_mm_load_si128(at + 1), empty);
            word |= uint64_t(uint32_t(_mm_movemask_epi8(_mm_packs_epi16(low, high)))) << q;
        }
        bits.words[w] = word;
    }
    return bits;
}
static_assert(ColumnCodes * sizeof(CellCode) % 16 == 0, "columns begin 16 bytes apart");
#else
inline EmptyBits EmptyBitsOf(const CellCode* column) {
    EmptyBits bits = {};
    for (int q = 0; q < SliceSide; ++q) bits.words[q / 64] |= uint64_t(column[q] == Empty) << (q % 64);
    return bits;
}
#endif

#if defined(SINORA_WIDE_VARIANTS)
// Thirty-two cells at a time. A call per column: the caller is not
// compiled for AVX-512.
WITH_AVX512 __attribute__((noinline)) EmptyBits EmptyBitsAvx512(const CellCode* column) {
    const __m512i empty = _mm512_set1_epi16(static_cast<short>(Empty));
    EmptyBits bits;
    for (int w = 0; w < ColumnWords; ++w) {
        const uint64_t low = _mm512_cmpeq_epi16_mask(_mm512_loadu_si512(column + w * 64), empty);
        const uint64_t high = _mm512_cmpeq_epi16_mask(_mm512_loadu_si512(column + w * 64 + 32), empty);
        bits.words[w] = low | high << 32;
    }
    return bits;
}

// Thirty-two cells at a time, as two sets of sixteen packed to bytes.
WITH_AVX2 __attribute__((noinline)) EmptyBits EmptyBitsAvx2(const CellCode* column) {
    const __m256i empty = _mm256_set1_epi16(static_cast<short>(Empty));
    EmptyBits bits;
    for (int w = 0; w < ColumnWords; ++w) {
        uint64_t word = 0;
        for (int q = 0; q < 64; q += 32) {
            const __m256i* at = reinterpret_cast<const __m256i*>(column + w * 64 + q);
            const __m256i low = _mm256_cmpeq_epi16(_mm256_loadu_si256(at), empty);
            const __m256i high = _mm256_cmpeq_epi16(_mm256_loadu_si256(at + 1), empty);
            // Packing works within each 128-bit lane; the permutation puts
            // the cells back in order.
            const __m256i packed = _mm256_permute4x64_epi64(_mm256_packs_epi16(low, high), 0xD8);
            word |= uint64_t(uint32_t(_mm256_movemask_epi8(packed))) << q;
        }
        bits.words[w] = word;
    }
    return bits;
}
#endif

template <Isa isa>
inline EmptyBits EmptyBitsOfColumn(const CellCode* column) {
#if defined(SINORA_WIDE_VARIANTS)
    if constexpr (isa == Isa::Avx512) return EmptyBitsAvx512(column);
    if constexpr (isa == Isa::Avx2) return EmptyBitsAvx2(column);
#endif
    return EmptyBitsOf(column);
}

// The cells of a column (y = 1..254) that the neighbour pass can fill,
// from the empty cells of the column (`here`), of its left neighbour as
// passed and of its right neighbour: empty cells with both x neighbours
// non-empty or with the upper neighbour non-empty (the lower one may be
// filled just before). Passing a cell changes that cell alone, and its x
// neighbours lie in other columns, so the candidates stay right while the
// column is passed.
inline uint64_t CandidateWord(const EmptyBits& left, const EmptyBits& here, const EmptyBits& right, int w) {
    const uint64_t above = w + 1 < ColumnWords ? here.words[w + 1] << 63 : uint64_t{1} << 63;
    const uint64_t upperEmpty = here.words[w] >> 1 | above;
    uint64_t candidates = here.words[w] & (~(left.words[w] | right.words[w]) | ~upperEmpty);
    if (w == 0) candidates &= ~uint64_t{1};                // y = 0
    if (w == ColumnWords - 1) candidates &= ~(uint64_t{1} << 63);  // y = 255
    return candidates;
}

#if defined(SINORA_WIDE_VARIANTS)
// Sixty-four cells at a time, their offsets picked by one compress
// instruction.
WITH_AVX512 __attribute__((noinline)) int ListCandidatesAvx512(const EmptyBits& left, const EmptyBits& here,
                                                                const EmptyBits& right, uint8_t* listed) {
    alignas(64) static constexpr uint8_t offsets[64] = {
        0,  1,  2,  3,  4,  5,  6,  7,  8,  9,  10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21,
        22, 23, 24, 25, 26, 27, 28, 29, 30, 31, 32, 33, 34, 35, 36, 37, 38, 39, 40, 41, 42, 43,
        44, 45, 46, 47, 48, 49, 50, 51, 52, 53, 54, 55, 56, 57, 58, 59, 60, 61, 62, 63};
    const __m512i firstOffsets = _mm512_load_si512(offsets);
    int count = 0;
    for (int w = 0; w < ColumnWords; ++w) {
        const uint64_t candidates = CandidateWord(left, here, right, w);
        const __m512i cells = _mm512_add_epi8(firstOffsets, _mm512_set1_epi8(static_cast<char>(w * 64)));
        _mm512_storeu_si512(listed + count, _mm512_maskz_compress_epi8(candidates, cells));
        count += __builtin_popcountll(candidates);
    }
    return count;
}
#endif

// Neighbour pass of one half, in place, over its columns x of 1..254 and
// within each y = 1..254. A cell reads its left and lower neighbours as
// already passed and its right and upper neighbours as not yet passed, as
// the pass over y = 1..254 and within it x = 1..254 has them, so every cell
// sees the same neighbours. Half 0 is passed before half 1, whose first
// column reads half 0's last, and half 0's last column reads half 1's first
// before it is passed. Only the listed candidates are passed.
template <Isa isa>
__attribute__((always_inline)) inline void FillHalfSteps(CellCode* codes, double* table, const double* otherTable,
                                                         int half) {
    int tableLength = FirstMean;
    const int first = half == 0 ? 1 : HalfColumns, last = half == 0 ? HalfColumns - 1 : SliceSide - 2;
    // Three columns' bits, handed round rather than copied.
    EmptyBits bits[3];
    EmptyBits *left = &bits[0], *here = &bits[1], *right = &bits[2];
    *left = EmptyBitsOfColumn<isa>(codes + (first - 1) * ColumnCodes);
    *here = EmptyBitsOfColumn<isa>(codes + first * ColumnCodes);
    for (int p = first; p <= last; ++p) {
        CellCode* column = codes + p * ColumnCodes;
        *right = EmptyBitsOfColumn<isa>(column + ColumnCodes);
        const double* leftTable = p == HalfColumns ? otherTable : table;
#if defined(SINORA_WIDE_VARIANTS)
        if constexpr (isa == Isa::Avx512) {
            // All of the column's candidates listed first, so that only
            // the end of the column is mispredicted; the column as passed
            // is then found afresh from its codes.
            uint8_t listed[SliceSide + 64];
            const int count = ListCandidatesAvx512(*left, *here, *right, listed);
            for (int i = 0; i < count; ++i) FillCell<isa>(column + listed[i], table, leftTable, tableLength);
            *here = EmptyBitsOfColumn<isa>(column);
        } else
#endif
        {
            // Word by word, the filled cells struck off in a register.
            for (int w = 0; w < ColumnWords; ++w) {
                uint64_t passed = here->words[w];
                for (uint64_t candidates = CandidateWord(*left, *here, *right, w); candidates != 0;
                     candidates &= candidates - 1) {
                    const int bit = __builtin_ctzll(candidates);
                    if (FillCell<isa>(column + w * 64 + bit, table, leftTable, tableLength)) {
                        passed &= ~(uint64_t{1} << bit);
                    }
                }
                here->words[w] = passed;
            }
        }
        EmptyBits* const spare = left;
        left = here;
        here = right;
        right = spare;
    }
}

}  // namespace

void ScatterHalfPlain(CellCode* codes, const double* table, double cosA, double sinA, int half) {
    ScatterHalfSteps<Isa::Plain>(codes, table, cosA, sinA, half);
}
void FillHalfPlain(CellCode* codes, double* table, const double* otherTable, int half) {
    FillHalfSteps<Isa::Plain>(codes, table, otherTable, half);
}
#if defined(SINORA_WIDE_VARIANTS)
WITH_AVX2 void ScatterHalfAvx2(CellCode* codes, const double* table, double cosA, double sinA, int half) {
    ScatterHalfSteps<Isa::Avx2>(codes, table, cosA, sinA, half);
}
WITH_AVX512 void ScatterHalfAvx512(CellCode* codes, const double* table, double cosA, double sinA, int half) {
    ScatterHalfSteps<Isa::Avx512>(codes, table, cosA, sinA, half);
}
WITH_AVX2 void FillHalfAvx2(CellCode* codes, double* table, const double* otherTable, int half) {
    FillHalfSteps<Isa::Avx2>(codes, table, otherTable, half);
}
WITH_AVX512 void FillHalfAvx512(CellCode* codes, double* table, const double* otherTable, int half) {
    FillHalfSteps<Isa::Avx512>(codes, table, otherTable, half);
}
#endif

namespace {

double HalfOneMax[Halves];  // largest value of each half of the slice of angle 1, at least 0.0

}  // namespace

void ScatterHalf(int angle, int half) {
    double* table = TableOf(angle, half);
    CellCode* codes = CodesOf(angle);
    for (int v = 0; v < BinCount; ++v) table[v] = FilteredSinogram[v * RowStride + angle];
    table[Empty] = 0.0;
    const double theta = angle * RadiansPerDegree;
    ClearHalf(codes, half);
    ChosenSteps().scatterHalf(codes, table, std::cos(theta), std::sin(theta), half);
}

void FillHalf(int angle, int half) {
    double* table = TableOf(angle, half);
    CellCode* codes = CodesOf(angle);
    ChosenSteps().fillHalf(codes, table, TableOf(angle, 1 - half), half);
    // The slice displays are scaled by the largest value of slice 1 alone;
    // the largest value does not depend on the order the cells are seen in.
    if (angle == 1) {
        double largest = 0.0;
        for (int x = half * HalfColumns; x < (half + 1) * HalfColumns; ++x) {
            for (int y = 0; y < SliceSide; ++y) {
                const double value = table[codes[x * ColumnCodes + y]];
                if (largest < value) largest = value;
            }
        }
        HalfOneMax[half] = largest;
    }
}

void BuildSlice(int angle) {
    for (int half = 0; half < Halves; ++half) ScatterHalf(angle, half);
    for (int half = 0; half < Halves; ++half) FillHalf(angle, half);
}

namespace {

// The slots of SmearImage beyond u = 255 and v = 255, which are never part
// of a smear and keep what they hold while the storage lends itself to code
// images.
struct SmearEdges {
    double rowEnds[BinCount][RowStride - BinCount];
    double lastRows[(RowStride - BinCount) * RowStride];
};

void KeepSmearEdges(SmearEdges& edges) {
    for (int v = 0; v < BinCount; ++v)
        memcpy(edges.rowEnds[v], SmearImage + v * RowStride + BinCount, sizeof edges.rowEnds[v]);
    memcpy(edges.lastRows, SmearImage + BinCount * RowStride, sizeof edges.lastRows);
}

void RestoreSmearEdges(const SmearEdges& edges) {
    for (int v = 0; v < BinCount; ++v)
        memcpy(SmearImage + v * RowStride + BinCount, edges.rowEnds[v], sizeof edges.rowEnds[v]);
    memcpy(SmearImage + BinCount * RowStride, edges.lastRows, sizeof edges.lastRows);
}

}  // namespace

void BackProjectViews() {
    // The gaps of every slice are filled here, on its code image (the
    // neighbour pass in FillHalfSteps; the zero pass as an empty
    // cell reads 0.0 when the stack is written): the stack itself is written
    // once and never filled in place.
    static SmearEdges smearEdges;
    KeepSmearEdges(smearEdges);
    RunBackProjectionSteps();
    RestoreSmearEdges(smearEdges);

    // The smear image is left holding the last angle's smear.
    for (int v = 0; v < BinCount; ++v) {
        const double value = FilteredSinogram[v * RowStride + (AngleCount - 1)];
        for (int u = 0; u < BinCount; ++u) SmearImage[v * RowStride + u] = value;
    }

    StackMax = 0.0;
    for (double largest : HalfOneMax) {
        if (StackMax < largest) StackMax = largest;
    }
}
