// slice_codes.h - the back projection's slices while they are built: each
// an image of 16-bit codes, cell (x, y) at x * ColumnCodes + y, a code being
// the place of the cell's value in a table (the 256 projection values, then
// 0.0 for an empty cell, then the neighbour means in the order they were
// formed). A slice is built in two halves, the columns x = 0..127 and
// 128..255, each with a table of its own, one half on each of two threads,
// so that a thread writes to the stack only what it has built itself and
// finds it in its own cache. The slices of the last twelve angles are kept,
// angle a in slot a % 12: the eight whose lines are being written and the
// four being built meanwhile. The code images of slots 0..7 lie in an area
// of their own, those of slots 8..11 in SmearImage, which the back
// projection fills only at its end.
#pragma once

#include <cstdint>

#include "recon/compute/back_projection_steps.h"
#include "recon/compute/recon_data.h"
#include "recon/compute/work_area.h"

enum {
    SliceSide = 256,
    // Columns 528 bytes apart, not 512: the cells of one y then spread over
    // the whole first-level cache, where 512 bytes would crowd them into
    // eight of its sets, and the scatter near 0 and 180 degrees, which runs
    // along such a row, would miss the cache at nearly every store.
    ColumnCodes = SliceSide + 8,
    ImageCodes = ColumnCodes * SliceSide,  // whole 64-byte lines
    Halves = 2,
    HalfColumns = SliceSide / Halves,   // the columns of a half begin a 64-byte line
    HalfCodes = HalfColumns * ColumnCodes,
    PartsPerHalf = StackWriteParts / Halves,  // the parts of the stack's writing in each half
    LineAngles = 8,                 // angles of one cell in a 64-byte line of the stack
    AliveAngles = 3 * GroupAngles,  // slices that are kept
    OwnAreaSlots = 8,
    // Neighbour means a half can need at most: one per inner cell.
    HalfMeanLimit = (HalfColumns - 1) * (SliceSide - 2),
    // A value table in whole pages: only the part in use is ever touched.
    TableStride = 32768,
};

typedef uint16_t CellCode;
constexpr CellCode Empty = BinCount;
constexpr CellCode FirstMean = Empty + 1;
static_assert(FirstMean + HalfMeanLimit <= TableStride && TableStride % 512 == 0, "every mean has a place");
static_assert(HalfCodes * sizeof(CellCode) % 64 == 0, "the halves of a code image share no line of memory");

// Where the scatter puts a source pixel that is not in its half: a cell in
// the spare room of the half's outer column (x = 0 or 255), on a line of
// memory of that half.
constexpr int SpareCellOf(int half) { return half == 0 ? SliceSide : (SliceSide - 1) * ColumnCodes + SliceSide; }
static_assert(AliveAngles == LineAngles + GroupAngles, "the slices of a line and the group being built are kept");
static_assert((AliveAngles - OwnAreaSlots) * ImageCodes <= sizeof SmearStorage.sliceCodes / sizeof(CellCode),
              "the other code images fit in SmearImage");

// The code images of slots 0..7.
extern CellCode SliceCodeArea[OwnAreaSlots * ImageCodes];

extern double ValueTables[AliveAngles][Halves][TableStride];

// The slices of a group of four angles are kept side by side: their code
// images ImageCodes apart, their tables (of one half) GroupTableStride apart.
constexpr int GroupTableStride = Halves * TableStride;
static_assert(OwnAreaSlots % GroupAngles == 0 && AliveAngles % GroupAngles == 0, "no group straddles two areas");

inline CellCode* CodesOf(int angle) {
    const int slot = angle % AliveAngles;
    return slot < OwnAreaSlots ? SliceCodeArea + slot * ImageCodes
                               : SmearStorage.sliceCodes + (slot - OwnAreaSlots) * ImageCodes;
}
inline double* TableOf(int angle, int half) { return ValueTables[angle % AliveAngles][half]; }
