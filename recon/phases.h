// phases.h - the reconstruction run and its phases, in the order the run
// calls them.
#pragma once

#include "recon/compute/computing_steps.h"

// The whole interactive procedure; never returns (exit(0) on "n" at "Retry?").
void RunReconstruction();

// Sinogram file dialog, reading, rebinning, count range.
void LoadSinogram();
void ReadRawSinogram();
// FindSinogramExtremes, and the range printed.
void FindSinogramRange();

// Grey-level picture of the sinogram at (10, 10).
void ShowSinogram();

// One pass of the filter step: prompt, dialog, taps, plot, confirmation.
void LoadFilter();
// True when 128 numbers were read; otherwise FilterKernel is unchanged.
bool ReadFilterKernel();
void PlotFilter();

// Grid of every fifth slice.
void ShowFilteredViews();

// FindSumExtremes, the "maxp"/"minp" counts printed, the canvas presented.
void SumProjectionStack();

// Full-range sum image; the replay question and the replay.
void ShowSumImage();
void ShowFbpProcess();

// HU window loop and the two retry questions.
void ShowHuWindow();
