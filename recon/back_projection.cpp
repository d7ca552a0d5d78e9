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
// that holds -1.0. Slices are built four angles at a time; after each group
// the stack lines its angles complete are written (stack_lines.cpp), so the
// stack is written once and never read back.
#include <atomic>
#include <cmath>
#include <cstring>

#if defined(__x86_64__)
#include <immintrin.h>
#elif defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "base/to_int.h"
#include "recon/back_projection_steps.h"
#include "recon/instruction_sets.h"
#include "recon/phases.h"
#include "recon/recon_data.h"
#include "recon/shared_parts.h"
#include "recon/slice_codes.h"
#include "recon/step_variants.h"

alignas(4096) double ValueTables[AliveAngles][TableStride];
alignas(64) CellCode SliceCodeArea[OwnAreaSlots * ImageCodes];

namespace {

constexpr uint64_t EmptyMarkerBits = 0xBFF0000000000000u;  // -1.0, its only encoding

double SliceOneMax;  // largest value of the slice of angle 1, at least 0.0

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
// registers hold (four in plain x86-64, as pairs).
template <Isa isa>
constexpr int ScatterLanes = isa == Isa::Avx512 ? 16 : 4;

// Every cell empty, the spare cell included.
void ClearCodes(CellCode* codes) {
#if defined(__x86_64__) && defined(__GNUC__)
    // Four codes to a quadword, through the processor's string store, which
    // fills whole lines at a time.
    static_assert(ImageCodes % 4 == 0, "the image is cleared four codes at a time");
    const uint64_t fourEmpty = 0x0001000100010001u * Empty;
    void* at = codes;
    size_t quadwords = ImageCodes / 4;
    __asm__ volatile("rep stosq" : "+D"(at), "+c"(quadwords) : "a"(fourEmpty) : "memory");
#else
    for (int cell = 0; cell < ImageCodes; ++cell) codes[cell] = Empty;
#endif
}

// Scatter: for every source column u (outer) and row v (inner), in order,
// the code of bin v goes to the cell at x = ((Y cosA - X sinA) + 127.5) +
// 0.5 and y = ((Y sinA + X cosA) + 127.5) + 0.5, truncated, with X = u -
// 127.5 and Y = v - 127.5; a pixel outside the slice goes to the spare cell.
template <Isa isa>
__attribute__((always_inline)) inline void ScatterSliceSteps(CellCode* codes, const double* table, double cosA,
                                                             double sinA) {
    alignas(64) double rowCos[BinCount];
    alignas(64) double rowSin[BinCount];
    for (int v = 0; v < BinCount; ++v) {
        const double Y = v - RotationCentre;
        rowCos[v] = Y * cosA;
        rowSin[v] = Y * sinA;
    }
    for (int u = 0; u < BinCount; ++u) {
        const double X = u - RotationCentre;
        const double columnCos = X * cosA;
        const double columnSin = X * sinA;
#if defined(__GNUC__)
        // The cells of a column's pixels are found first, many side by
        // side, and then written one by one in source order: the vector
        // arithmetic is not held up by the stores.
        constexpr int lanes = ScatterLanes<isa>;
        typedef typename Lanes<lanes>::Doubles Doubles;
        typedef typename Lanes<lanes>::Ints Ints;
        typedef typename Lanes<lanes>::Unsigned Unsigned;
        Doubles colCos, colSin;
        for (int lane = 0; lane < lanes; ++lane) {
            colCos[lane] = columnCos;
            colSin[lane] = columnSin;
        }
        constexpr uint32_t side = SliceSide;
        constexpr int32_t stride = ColumnCodes, spare = SpareCell;
        alignas(64) uint32_t target[BinCount];
        for (int v = 0; v < BinCount; v += lanes) {
            Doubles Ycos, Ysin;
            memcpy(&Ycos, rowCos + v, sizeof Ycos);
            memcpy(&Ysin, rowSin + v, sizeof Ysin);
            // Every position lies well inside the 32-bit range, so the
            // conversions truncate; a negative index compared as unsigned
            // lies beyond the slice, and so does x | y when either does.
            const Ints x = __builtin_convertvector(((Ycos - colSin) + RotationCentre) + 0.5, Ints);
            const Ints y = __builtin_convertvector(((Ysin + colCos) + RotationCentre) + 0.5, Ints);
            const Ints inside = reinterpret_cast<Ints>(reinterpret_cast<Unsigned>(x | y) < side);
            const Unsigned cells = reinterpret_cast<Unsigned>((inside & (x * stride + y)) | (~inside & spare));
            memcpy(target + v, &cells, sizeof cells);
        }
        // Unrolled whole, each code is a constant of its store.
#pragma GCC unroll 256
        for (int v = 0; v < BinCount; ++v) codes[target[v]] = static_cast<CellCode>(v);
#else
        for (int v = 0; v < BinCount; ++v) {
            const int32_t x = TruncToInt32(((rowCos[v] - columnSin) + RotationCentre) + 0.5);
            const int32_t y = TruncToInt32(((rowSin[v] + columnCos) + RotationCentre) + 0.5);
            const bool inside = x >= 0 && x < SliceSide && y >= 0 && y < SliceSide;
            codes[inside ? x * ColumnCodes + y : SpareCell] = static_cast<CellCode>(v);
        }
#endif
    }
    // A projection value of exactly -1.0 leaves its cells empty; which
    // pixel landed last on a cell does not change by that.
    bool anyMinusOne = false;
    for (int v = 0; v < BinCount; ++v) anyMinusOne |= IsMinusOne(table[v]);
    if (!anyMinusOne) return;
    for (int cell = 0; cell < ImageCodes; ++cell) {
        if (codes[cell] != Empty && IsMinusOne(table[codes[cell]])) codes[cell] = Empty;
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
    const CellCode left = cell[-ColumnCodes], right = cell[ColumnCodes], lower = cell[-1], upper = cell[1];
    const double acrossX = Mul<isa>(Add<isa>(table[right], table[left]), 0.5);
    const double acrossY = Mul<isa>(Add<isa>(table[lower], table[upper]), 0.5);
    const bool fromX = left != Empty && right != Empty && !IsMinusOne(acrossX);
    const bool fromY = lower != Empty && upper != Empty && !IsMinusOne(acrossY);
    table[tableLength] = fromX ? acrossX : acrossY;
    const bool filled = fromX || fromY;
    *cell = filled ? static_cast<CellCode>(tableLength) : Empty;
    tableLength += filled;
}

// The cells of column `column` (y = 1..254) that the neighbour pass can
// fill, as offsets in ascending order into `listed` (room for SliceSide +
// 32); returns their count. A candidate is an empty cell with both x
// neighbours non-empty or with its upper neighbour non-empty (the lower one
// may be filled just before). Passing a cell changes that cell alone, and
// its x neighbours lie in other columns, so the list stays right while the
// column is passed. Listing without a branch per cell spares the processor
// a mispredicted jump at most gaps.
#if defined(__SSE2__)
// Eight cells at a time.
inline int ListCandidates(const CellCode* column, uint8_t* listed) {
    const __m128i empty = _mm_set1_epi16(static_cast<short>(Empty));
    int count = 0;
    for (int q = 1; q <= SliceSide - 2; q += 8) {
        const CellCode* at = column + q;
        const __m128i here = _mm_cmpeq_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(at)), empty);
        const __m128i left = _mm_cmpeq_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(at - ColumnCodes)), empty);
        const __m128i right = _mm_cmpeq_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(at + ColumnCodes)), empty);
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
    return count;
}
#else
inline int ListCandidates(const CellCode* column, uint8_t* listed) {
    int count = 0;
    for (int q = 1; q <= SliceSide - 2; ++q) {
        const bool bothX = column[q - ColumnCodes] != Empty && column[q + ColumnCodes] != Empty;
        if (column[q] == Empty && (bothX || column[q + 1] != Empty)) listed[count++] = static_cast<uint8_t>(q);
    }
    return count;
}
#endif

#if defined(SINORA_WIDE_VARIANTS)
// Thirty-two cells at a time, from the column's first cell, their offsets
// picked by one compress instruction. A call per column: the caller is not
// compiled for AVX-512.
WITH_AVX512 __attribute__((noinline)) int ListCandidatesAvx512(const CellCode* column, uint8_t* listed) {
    const __m512i empty = _mm512_set1_epi16(static_cast<short>(Empty));
    const __m256i offsets = _mm256_setr_epi8(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20,
                                             21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 31);
    int count = 0;
    for (int q = 0; q < SliceSide; q += 32) {
        const CellCode* at = column + q;
        const __mmask32 here = _mm512_cmpeq_epi16_mask(_mm512_loadu_si512(at), empty);
        const __mmask32 left = _mm512_cmpeq_epi16_mask(_mm512_loadu_si512(at - ColumnCodes), empty);
        const __mmask32 right = _mm512_cmpeq_epi16_mask(_mm512_loadu_si512(at + ColumnCodes), empty);
        const __mmask32 up = _mm512_cmpeq_epi16_mask(_mm512_loadu_si512(at + 1), empty);
        uint32_t mask = here & (~(left | right) | ~up);
        if (q == 0) mask &= ~1u;                       // y = 0
        if (q + 32 == SliceSide) mask &= ~(1u << 31);  // y = 255
        const __m256i cells = _mm256_add_epi8(offsets, _mm256_set1_epi8(static_cast<char>(q)));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(listed + count), _mm256_maskz_compress_epi8(mask, cells));
        count += __builtin_popcount(mask);
    }
    return count;
}
#endif

// Neighbour pass of the slice, in place, over x = 1..254 and within it
// y = 1..254. A cell reads its left and lower neighbours as already passed
// and its right and upper neighbours as not yet passed, as the pass over
// y = 1..254 and within it x = 1..254 has them, so every cell sees the same
// neighbours. Only the listed candidates are passed.
template <Isa isa>
__attribute__((always_inline)) inline void FillSliceSteps(CellCode* codes, double* table) {
    int tableLength = FirstMean;
    for (int p = 1; p <= SliceSide - 2; ++p) {
        CellCode* column = codes + p * ColumnCodes;
        uint8_t listed[SliceSide + 32];
        int count;
#if defined(SINORA_WIDE_VARIANTS)
        if constexpr (isa == Isa::Avx512) {
            count = ListCandidatesAvx512(column, listed);
        } else
#endif
        {
            count = ListCandidates(column, listed);
        }
        for (int i = 0; i < count; ++i) FillCell<isa>(column + listed[i], table, tableLength);
    }
}

}  // namespace

void ScatterSlicePlain(CellCode* codes, const double* table, double cosA, double sinA) {
    ScatterSliceSteps<Isa::Plain>(codes, table, cosA, sinA);
}
void FillSlicePlain(CellCode* codes, double* table) { FillSliceSteps<Isa::Plain>(codes, table); }
#if defined(SINORA_WIDE_VARIANTS)
WITH_AVX2 void ScatterSliceAvx2(CellCode* codes, const double* table, double cosA, double sinA) {
    ScatterSliceSteps<Isa::Avx2>(codes, table, cosA, sinA);
}
WITH_AVX512 void ScatterSliceAvx512(CellCode* codes, const double* table, double cosA, double sinA) {
    ScatterSliceSteps<Isa::Avx512>(codes, table, cosA, sinA);
}
WITH_AVX2 void FillSliceAvx2(CellCode* codes, double* table) { FillSliceSteps<Isa::Avx2>(codes, table); }
WITH_AVX512 void FillSliceAvx512(CellCode* codes, double* table) { FillSliceSteps<Isa::Avx512>(codes, table); }
#endif

void BuildSlice(int angle) {
    double* table = TableOf(angle);
    CellCode* codes = CodesOf(angle);
    for (int v = 0; v < BinCount; ++v) table[v] = FilteredSinogram[v * RowStride + angle];
    table[Empty] = 0.0;
    const double theta = angle * RadiansPerDegree;
    ClearCodes(codes);
    const StepVariants& steps = ChosenSteps();
    steps.scatterSlice(codes, table, std::cos(theta), std::sin(theta));
    steps.fillSlice(codes, table);
    // The slice displays are scaled by the largest value of slice 1 alone;
    // the largest value does not depend on the order the cells are seen in.
    if (angle == 1) {
        SliceOneMax = 0.0;
        for (int x = 0; x < SliceSide; ++x) {
            for (int y = 0; y < SliceSide; ++y) {
                const double value = table[codes[x * ColumnCodes + y]];
                if (SliceOneMax < value) SliceOneMax = value;
            }
        }
    }
}

namespace {

// The parts of the back projection, in the order they are taken: the four
// builds of group 0, then for each group g = 1..45 the writing of the lines
// that group g - 1 completes, in 32 parts, with a build of group g before
// each quarter of it (one thread's streaming stores meet the other's
// arithmetic), and last the writing after group 44. A build filters its own
// projection first. A part waits only for what it reads or overwrites: a
// group's writing for the builds of that group and the one before, a build
// for the writing that last read its slot, that of the group two before. So
// the building may run up to a group ahead of the writing, and a build that
// takes longer holds up neither thread.
enum {
    QuarterWriting = StackWriteParts / 4,
    PairedParts = StackWriteParts + GroupAngles,  // [build, eight parts of writing] x 4
    PairedGroups = StackGroups - 1,               // groups 1..44, each built beside the writing of the one before
    PipelineParts = GroupAngles + PairedGroups * PairedParts + 2 * StackWriteParts,
};

struct PipelinePart {
    bool build;
    int group;
    int index;  // the angle within the group, or the part of the writing
};

PipelinePart PartAt(int part) {
    if (part < GroupAngles) return {true, 0, part};
    part -= GroupAngles;
    if (part < PairedGroups * PairedParts) {
        const int group = 1 + part / PairedParts, within = part % PairedParts;
        const int quarter = within / (QuarterWriting + 1), place = within % (QuarterWriting + 1);
        if (place == 0) return {true, group, quarter};
        return {false, group - 1, quarter * QuarterWriting + place - 1};
    }
    part -= PairedGroups * PairedParts;
    return {false, PairedGroups + part / StackWriteParts, part % StackWriteParts};
}

// How far each group has got: builds and parts of its writing done.
struct PipelineProgress {
    std::atomic<int> built[StackGroups];
    std::atomic<int> written[StackGroups + 1];
};

bool PartReady(const PipelineProgress& progress, int part) {
    const PipelinePart at = PartAt(part);
    if (at.build) return at.group < 2 || progress.written[at.group - 2].load(std::memory_order_acquire) == StackWriteParts;
    const auto built = [&progress](int group) {
        return group < 0 || group >= StackGroups || progress.built[group].load(std::memory_order_acquire) == GroupAngles;
    };
    return built(at.group) && built(at.group - 1);
}

void RunPart(PipelineProgress& progress, int part) {
    const PipelinePart at = PartAt(part);
    if (at.build) {
        const int angle = at.group * GroupAngles + at.index;
        FilterProjection(angle);
        BuildSlice(angle);
        progress.built[at.group].fetch_add(1, std::memory_order_release);
    } else {
        WriteStackLines(at.group, at.index);
        progress.written[at.group].fetch_add(1, std::memory_order_release);
    }
}

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
    // neighbour pass in FillSliceSteps; the zero pass as an empty
    // cell reads 0.0 when the stack is written): the stack itself is written
    // once and never filled in place.
    static SmearEdges smearEdges;
    KeepSmearEdges(smearEdges);
    static PipelineProgress progress;
    for (auto& count : progress.built) count.store(0);
    for (auto& count : progress.written) count.store(0);
    RunSharedPipeline(
        PipelineParts, [](int part) { return PartReady(progress, part); },
        [](int part) { RunPart(progress, part); });
    RestoreSmearEdges(smearEdges);

    // The smear image is left holding the last angle's smear.
    for (int v = 0; v < BinCount; ++v) {
        const double value = FilteredSinogram[v * RowStride + (AngleCount - 1)];
        for (int u = 0; u < BinCount; ++u) SmearImage[v * RowStride + u] = value;
    }

    StackMax = SliceOneMax;
}
