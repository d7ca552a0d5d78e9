// step_variants.h - the hot steps of the back projection, one function per
// instruction set, and the table of the variants in use.
#pragma once

#include "recon/compute/slice_codes.h"

enum { FilterPadding = KernelTaps };  // zeros on either side of a column to be filtered

// One instruction set's variant of each step.
struct StepVariants {
    // Filtering of a column (at padded + FilterPadding, 256 bins) into
    // `filtered`; the variants other than the plain one need every tap finite.
    void (*filterColumn)(const double* padded, const double* h, double* filtered);
    // Scatter of a projection's codes to their rotated places in one half
    // of a slice.
    void (*scatterHalf)(CellCode* codes, const double* table, double cosA, double sinA, int half);
    // Neighbour pass of one half of a slice, its means appended to its
    // table; `otherTable` is the other half's.
    void (*fillHalf)(CellCode* codes, double* table, const double* otherTable, int half);
    // Stack lines of one parity of y that begin at `firstAngle`: whole
    // lines of eight angles, and half lines of four.
    void (*writeWholeLines)(int firstAngle, int parity, int part);
    void (*writeHalfLines)(int firstAngle, int parity, int part);
};

// The variants of the set StepInstructionSet() names.
const StepVariants& ChosenSteps();

void FilterColumnPlain(const double* padded, const double* h, double* filtered);
void ScatterHalfPlain(CellCode* codes, const double* table, double cosA, double sinA, int half);
void FillHalfPlain(CellCode* codes, double* table, const double* otherTable, int half);
void WriteWholeLinesPlain(int firstAngle, int parity, int part);
void WriteHalfLinesPlain(int firstAngle, int parity, int part);
#if defined(SINORA_WIDE_VARIANTS)
void FilterColumnAvx2(const double* padded, const double* h, double* filtered);
void ScatterHalfAvx2(CellCode* codes, const double* table, double cosA, double sinA, int half);
void FillHalfAvx2(CellCode* codes, double* table, const double* otherTable, int half);
void WriteWholeLinesAvx2(int firstAngle, int parity, int part);
void WriteHalfLinesAvx2(int firstAngle, int parity, int part);
void FilterColumnAvx512(const double* padded, const double* h, double* filtered);
void ScatterHalfAvx512(CellCode* codes, const double* table, double cosA, double sinA, int half);
void FillHalfAvx512(CellCode* codes, double* table, const double* otherTable, int half);
void WriteWholeLinesAvx512(int firstAngle, int parity, int part);
void WriteHalfLinesAvx512(int firstAngle, int parity, int part);
#endif
