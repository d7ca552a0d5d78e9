// work_area.h - one work area for the two phases that need a large one for
// a moment and never at the same time: the sinogram file is read into it
// before it is accepted, and the back projection keeps the code images of
// its last eight slices in it. Sharing it keeps a run's peak memory a
// megabyte lower.
#pragma once

#include <cstdint>

#include "recon/recon_data.h"

union ReconWorkArea {
    double sinogramFile[SinogramFileValues];
    uint16_t sliceCodes[SinogramFileBytes / sizeof(uint16_t)];
};

extern ReconWorkArea WorkArea;
