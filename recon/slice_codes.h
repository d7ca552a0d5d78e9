// slice_codes.h - the back projection's slices while they are built: each
// an image of 16-bit codes, cell (x, y) at x * 256 + y, a code being the
// place of the cell's value in a table of the angle's own (the 256
// projection values, then 0.0 for an empty cell, then the neighbour means in
// the order they were formed). Column x of an image begins at code
// x * ColumnCodes. The slices of the last twelve angles are
// kept, angle a in slot a % 12: the eight whose lines are being written and
// the four being built meanwhile. The code images of slots 0..7 lie in an
// area of their own, those of slots 8..11 in SmearImage, which the back
// projection fills only at its end.
#pragma once

#include <cstdint>

#include "recon/back_projection_steps.h"
#include "recon/recon_data.h"
#include "recon/work_area.h"

enum {
    SliceSide = 256,
    // Columns 528 bytes apart, not 512: the cells of one y then spread over
    // the whole first-level cache, where 512 bytes would crowd them into
    // eight of its sets, and the scatter near 0 and 180 degrees, which runs
    // along such a row, would miss the cache at nearly every store.
    ColumnCodes = SliceSide + 8,
    ImageCodes = ColumnCodes * SliceSide,  // whole 64-byte lines
    SpareCell = SliceSide,  // in column 0's spare room: where the scatter puts a source pixel outside the slice
    LineAngles = 8,                 // angles of one cell in a 64-byte line of the stack
    AliveAngles = 3 * GroupAngles,  // slices that are kept
    OwnAreaSlots = 8,
    // Neighbour means a slice can need at most: one per inner cell.
    MeanLimit = (SliceSide - 2) * (SliceSide - 2),
    // A value table in whole pages: only the part in use is ever touched.
    TableStride = 65024,
};

typedef uint16_t CellCode;
constexpr CellCode Empty = BinCount;
constexpr CellCode FirstMean = Empty + 1;
static_assert(FirstMean + MeanLimit <= TableStride && TableStride % 512 == 0, "every mean has a place");
static_assert(AliveAngles == LineAngles + GroupAngles, "the slices of a line and the group being built are kept");
static_assert((AliveAngles - OwnAreaSlots) * ImageCodes <= sizeof SmearStorage.sliceCodes / sizeof(CellCode),
              "the other code images fit in SmearImage");

// The code images of slots 0..7.
extern CellCode SliceCodeArea[OwnAreaSlots * ImageCodes];

extern double ValueTables[AliveAngles][TableStride];

inline CellCode* CodesOf(int angle) {
    const int slot = angle % AliveAngles;
    return slot < OwnAreaSlots ? SliceCodeArea + slot * ImageCodes
                               : SmearStorage.sliceCodes + (slot - OwnAreaSlots) * ImageCodes;
}
inline double* TableOf(int angle) { return ValueTables[angle % AliveAngles]; }
