// slice_codes.h - the back projection's slices while they are built: each
// an image of 16-bit codes, cell (x, y) at x * 256 + y, a code being the
// place of the cell's value in a table of the angle's own (the 256
// projection values, then 0.0 for an empty cell, then the neighbour means in
// the order they were formed). The slices of the last twelve angles are
// kept, angle a in slot a % 12: the eight whose lines are being written and
// the four being built. The code images of slots 0..7 lie in the work area
// that the sinogram file is read into, those of slots 8..11 in SmearImage,
// which the back projection fills only at its end.
#pragma once

#include <cstdint>

#include "recon/back_projection_steps.h"
#include "recon/recon_data.h"
#include "recon/work_area.h"

enum {
    SliceSide = 256,
    SliceCells = SliceSide * SliceSide,
    SpareCell = SliceCells,  // where the scatter puts a source pixel outside the slice
    ImageCodes = SliceCells + 8,
    LineAngles = 8,                 // angles of one cell in a 64-byte line of the stack
    AliveAngles = 3 * GroupAngles,  // slices that are kept
    WorkAreaSlots = 8,
    // Neighbour means a slice can need at most: one per inner cell.
    MeanLimit = (SliceSide - 2) * (SliceSide - 2),
    // A value table in whole pages: only the part in use is ever touched.
    TableStride = 65024,
};
static_assert(AliveAngles == LineAngles + GroupAngles, "a line's slices and the group being built are kept");

typedef uint16_t CellCode;
constexpr CellCode Empty = BinCount;
constexpr CellCode FirstMean = Empty + 1;
static_assert(FirstMean + MeanLimit <= TableStride && TableStride % 512 == 0, "every mean has a place");
static_assert(WorkAreaSlots * ImageCodes <= sizeof WorkArea.sliceCodes / sizeof(CellCode) &&
                  (AliveAngles - WorkAreaSlots) * ImageCodes <= sizeof SmearStorage.sliceCodes / sizeof(CellCode),
              "the kept code images fit in the work area and SmearImage");

extern double ValueTables[AliveAngles][TableStride];

inline CellCode* CodesOf(int angle) {
    const int slot = angle % AliveAngles;
    return slot < WorkAreaSlots ? WorkArea.sliceCodes + slot * ImageCodes
                                : SmearStorage.sliceCodes + (slot - WorkAreaSlots) * ImageCodes;
}
inline double* TableOf(int angle) { return ValueTables[angle % AliveAngles]; }
