// recon_data.cpp - the reconstruction's arrays and scalars (static storage,
// zero at program start).
#include "recon/compute/recon_data.h"
#include "base/large_pages.h"
#include "recon/compute/work_area.h"

double RawSinogram[RawChannels * AngleCount];
double Sinogram[RowStride * RowStride];
double FilteredSinogram[RowStride * RowStride];
alignas(64) SmearArea SmearStorage;
double (&SmearImage)[RowStride * RowStride] = SmearStorage.image;
alignas(64) double ProjectionStack[BinCount * RowStride * AngleCount];
// The back projection writes the stack in 64-byte lines spread over all of
// its 94 MB, so with small pages nearly every line needs an address
// translation of its own; large pages, where the system has them, spare
// that. Asked for before anything touches the stack.
const bool StackOnLargePages = PreferLargePages(ProjectionStack, sizeof ProjectionStack) != 0;
double SumImage[BinCount * RowStride];
double ScaledSumImage[BinCount * BinCount];

double FilterKernel[KernelTaps];

double SinogramMax;
double SinogramMin;
double StackMax;
double SumMax;
double SumMin;

char MethodAnswer;
char PromptAnswer;
char ChosenPath[ChosenPathBytes];
int32_t HuCenter;
int32_t HuWidth;
