// work_area.h - storage that serves two purposes at different moments, so
// that a run's peak memory stays lower. The work area: the sinogram file is
// read into it before it is accepted, and the back projection keeps eight of
// its code images there. SmearImage: while the back projection runs it holds
// four more code images, and at the end the last angle's smear.
#pragma once

#include <cstdint>

#include "recon/recon_data.h"

union ReconWorkArea {
    double sinogramFile[SinogramFileValues];
    uint16_t sliceCodes[SinogramFileBytes / sizeof(uint16_t)];
};

extern ReconWorkArea WorkArea;

union SmearArea {
    double image[RowStride * RowStride];
    uint16_t sliceCodes[RowStride * RowStride * sizeof(double) / sizeof(uint16_t)];
};

extern SmearArea SmearStorage;
