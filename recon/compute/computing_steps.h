// computing_steps.h - the reconstruction's arithmetic: the steps the run
// calls between reading its inputs and showing its pictures. They read and
// write the arrays of recon_data.h and need no window and no console, so
// that other programs can run them (reconstruction_session.h,
// headless_run.h).
#pragma once

// Sinogram from RawSinogram: bin j is the sum of its two channels.
void RebinSinogram();
// SinogramMax and SinogramMin: the rebinned values' range, seeded with the
// file's first value.
void FindSinogramExtremes();

// Copy or convolve projection `angle` into FilteredSinogram (MethodAnswer
// '1': copy; anything else: convolve with FilterKernel).
void FilterProjection(int angle);

// Marker fill, per-angle filtering and scatter, gap filling, StackMax; the
// sum of the stack into SumImage on the way.
void BackProjectViews();

// SumMax and SumMin: the range of SumImage.
void FindSumExtremes();
