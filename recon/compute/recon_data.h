// recon_data.h - the reconstruction's data: fixed-size global arrays in
// static storage (zero at start, shared by every run, never freed) and the
// run's scalars and answers. Element positions are given with each array.
#pragma once

#include <cstdint>

#include "recon/compute/scan_geometry.h"

enum {
    RowStride = 260,  // row stride of Sinogram, FilteredSinogram, SmearImage, SumImage
    KernelTaps = 128,
    ChosenPathBytes = 4096,  // the system's path limit, terminating zero included
};

// (r, a) at r * 180 + a
extern double RawSinogram[RawChannels * AngleCount];
// (j, a) at j * 260 + a; rows 0..255, columns 0..179 used
extern double Sinogram[RowStride * RowStride];
// as Sinogram
extern double FilteredSinogram[RowStride * RowStride];
// (v, u) at v * 260 + u (its storage is shared, see work_area.h)
extern double (&SmearImage)[RowStride * RowStride];
// (x, y, a) at (x * 260 + y) * 180 + a; x, y in 0..255: 11,980,800 doubles
alignas(64) extern double ProjectionStack[BinCount * RowStride * AngleCount];
// (x, y) at x * 260 + y
extern double SumImage[BinCount * RowStride];
// (x, r) at x * 256 + r, r = 255 - y
extern double ScaledSumImage[BinCount * BinCount];

extern double FilterKernel[KernelTaps];

extern double SinogramMax;
extern double SinogramMin;
extern double StackMax;
extern double SumMax;
extern double SumMin;

// The run's answers and its copy of the last opened path.
extern char MethodAnswer;
extern char PromptAnswer;
extern char ChosenPath[ChosenPathBytes];
extern int32_t HuCenter;
extern int32_t HuWidth;

inline double& StackCell(int x, int y, int a) { return ProjectionStack[(x * RowStride + y) * AngleCount + a]; }
