// stack_lines.cpp - writes the kept slices to ProjectionStack, a 64-byte
// line of memory at a time, and forms the cells' sums on the way.
//
// The stack holds a cell's 180 angles one after another, so eight angles of
// a cell fill one line; a cell takes 22.5 lines, so the lines of cells with
// an even y begin at angles 0, 8, 16, ... and those of cells with an odd y
// at angles 4, 12, 20, ... After each group of four slices is built, the
// lines that end with its angles are written whole, for the cells of one
// parity of y, with streaming stores that pass the cache, and the same
// values are added to the cells' sums in ascending angle order. The lines
// of odd y that hold angles 0..3 and those of even y that hold angles
// 176..179 are half lines, written with the first group and after the last.
#include <cstring>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

#include "recon/compute/back_projection_steps.h"
#include "recon/compute/instruction_sets.h"
#include "recon/compute/recon_data.h"
#include "recon/compute/slice_codes.h"
#include "recon/compute/step_variants.h"

namespace {

enum { ColumnsPerPart = SliceSide / StackWriteParts };

// The kept slices of `count` angles from `firstAngle` (a multiple of four),
// for the half that holds the columns of `part`, by the groups of four they
// were built in. Within a group the code images lie ImageCodes apart and
// the tables GroupTableStride apart, so a line's sixteen look-ups go from
// four pointers with constant offsets, all of them kept in registers.
template <int count>
struct KeptSlices {
    static constexpr int groups = count / GroupAngles;
    const CellCode* codes[groups];
    const double* tables[groups];
    __attribute__((always_inline)) KeptSlices(int firstAngle, int part) {
        const int half = part / PartsPerHalf;
        for (int g = 0; g < groups; ++g) {
            codes[g] = CodesOf(firstAngle + g * GroupAngles);
            tables[g] = TableOf(firstAngle + g * GroupAngles, half);
        }
    }
    __attribute__((always_inline)) double value(int j, int cell) const {
        const int g = j / GroupAngles, k = j % GroupAngles;
        return tables[g][k * GroupTableStride + codes[g][k * ImageCodes + cell]];
    }
};

// `count` doubles side by side: a line of the stack, or half of one.
template <int count>
struct LineOf {
    static_assert(count == 8 || count == 4, "whole lines and half lines");
    typedef double Values __attribute__((vector_size(count * sizeof(double))));
};

// `count` angles from `firstAngle` of the cells with y of the given parity,
// for the columns x of one part, one cell at a time: the values looked up,
// streamed to the stack and added to the cell's sum (begun at 0.0 with the
// first angle of all). A line leaves in one store with AVX-512, in two with
// AVX2: on an AMD processor (Zen 5) that is faster than gathering the
// values of four cells at a time.
template <Isa isa, int count>
__attribute__((always_inline)) inline void WriteCellByCell(int firstAngle, int parity, int part) {
    typedef typename LineOf<count>::Values Values;
    const KeptSlices<count> kept(firstAngle, part);
    for (int x = part * ColumnsPerPart; x < (part + 1) * ColumnsPerPart; ++x) {
        for (int y = parity; y < SliceSide; y += 2) {
            const int cell = x * ColumnCodes + y;
            double values[count];
            double sum = firstAngle == 0 ? 0.0 : SumImage[x * RowStride + y];
#pragma GCC unroll 8
            for (int j = 0; j < count; ++j) {
                values[j] = kept.value(j, cell);
                sum = Add<isa>(sum, values[j]);
            }
            SumImage[x * RowStride + y] = sum;
            // Put together in registers, not through memory.
            Values line;
            if constexpr (count == 8) {
                line = Values{values[0], values[1], values[2], values[3], values[4], values[5], values[6], values[7]};
            } else {
                line = Values{values[0], values[1], values[2], values[3]};
            }
            // A line of the stack begins a 64-byte line of memory; a half
            // line, half of one.
            Values* target = reinterpret_cast<Values*>(&StackCell(x, y, firstAngle));
            if constexpr (isa == Isa::Avx512) {
#if defined(__clang__)
                __builtin_nontemporal_store(line, target);  // its own builtin: no wide operands in a template
#else
                __asm__("vmovntpd %1, %0" : "=m"(*target) : "v"(line));
#endif
            } else if constexpr (isa == Isa::Avx2) {
                typedef double Half __attribute__((vector_size(4 * sizeof(double))));
#pragma GCC unroll 2
                for (int j = 0; j < count; j += 4) {
                    const Half half = {line[j], line[j + 1], line[j + 2], line[j + 3]};
                    Half* halfTarget = reinterpret_cast<Half*>(reinterpret_cast<double*>(target) + j);
#if defined(__clang__)
                    __builtin_nontemporal_store(half, halfTarget);
#else
                    __asm__("vmovntpd %1, %0" : "=m"(*halfTarget) : "x"(half));
#endif
                }
            } else {
#if defined(__SSE2__)
#pragma GCC unroll 4
                for (int j = 0; j < count; j += 2) {
                    _mm_stream_pd(reinterpret_cast<double*>(target) + j, _mm_set_pd(line[j + 1], line[j]));
                }
#else
                *target = line;
#endif
            }
        }
    }
}

}  // namespace

void WriteWholeLinesPlain(int firstAngle, int parity, int part) {
    WriteCellByCell<Isa::Plain, LineAngles>(firstAngle, parity, part);
}
void WriteHalfLinesPlain(int firstAngle, int parity, int part) {
    WriteCellByCell<Isa::Plain, GroupAngles>(firstAngle, parity, part);
}
#if defined(SINORA_WIDE_VARIANTS)
WITH_AVX2 void WriteWholeLinesAvx2(int firstAngle, int parity, int part) {
    WriteCellByCell<Isa::Avx2, LineAngles>(firstAngle, parity, part);
}
WITH_AVX2 void WriteHalfLinesAvx2(int firstAngle, int parity, int part) {
    WriteCellByCell<Isa::Avx2, GroupAngles>(firstAngle, parity, part);
}
WITH_AVX512 void WriteWholeLinesAvx512(int firstAngle, int parity, int part) {
    WriteCellByCell<Isa::Avx512, LineAngles>(firstAngle, parity, part);
}
WITH_AVX512 void WriteHalfLinesAvx512(int firstAngle, int parity, int part) {
    WriteCellByCell<Isa::Avx512, GroupAngles>(firstAngle, parity, part);
}

#endif

void WriteStackLines(int group, int part) {
    // The lines that end with this group's angles: those of one parity of y
    // that begin four angles before it.
    const int first = group * GroupAngles - GroupAngles;
    const int parity = first % LineAngles == 0 ? 0 : 1;
    const StepVariants& steps = ChosenSteps();
    if (first < 0) {
        steps.writeHalfLines(0, parity, part);
    } else if (first + LineAngles > AngleCount) {
        steps.writeHalfLines(first, parity, part);
    } else {
        steps.writeWholeLines(first, parity, part);
    }
#if defined(__SSE2__)
    _mm_sfence();  // the streamed cells are in memory before the part counts as done
#endif
}
