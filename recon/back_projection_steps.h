// back_projection_steps.h - the steps of BackProjectViews, which runs them
// on two threads: FilterProjection for every angle; then for each band of
// eight rows y, BuildSliceBand for every angle and WriteStackBand for
// every part. Each step needs the one before it done. Apart from that they
// are for the benchmark, which times them one by one.
#pragma once

enum {
    StackBands = 32,
    StackWriteParts = 128,  // two columns x each
};

// Builds band `band` of the slice of angle `angle` from its filtered
// projection and band band - 1 of the same slice.
void BuildSliceBand(int angle, int band);

// Writes band `band` of every slice to ProjectionStack for two columns x,
// and the sums of its cells to SumImage.
void WriteStackBand(int band, int part);
