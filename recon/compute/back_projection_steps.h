// back_projection_steps.h - the steps of BackProjectViews, which runs them
// on two threads, one for each half of the slices (the columns x = 0..127
// and 128..255): for each angle FilterProjection (one of the two), then
// ScatterHalf and FillHalf, and after each group of four angles
// WriteStackLines for the parts of that half; once more WriteStackLines
// after the last group (RunBackProjectionSteps). Apart from that they are
// for the benchmark, which times them one by one.
#pragma once

enum {
    GroupAngles = 4,
    StackGroups = 45,      // 180 angles
    StackWriteParts = 32,  // eight columns x each, the first sixteen in half 0
};

// The scatter of one half of the slice of angle `angle`, as codes, from its
// filtered projection; the slices of the eleven angles before it stay at
// hand. Half 0's neighbour pass needs half 1 scattered.
void ScatterHalf(int angle, int half);

// The neighbour pass of one half; half 1's needs half 0's done.
void FillHalf(int angle, int half);

// Both halves, one after the other.
void BuildSlice(int angle);

// Every filtering, scatter, pass and writing of the slices
// (back_projection_schedule.cpp).
void RunBackProjectionSteps();

// After group `group` (0..45; 45: after the last) is built: writes to
// ProjectionStack the stack lines the group completes, for eight columns x,
// and adds their values to the sums of their cells in SumImage.
void WriteStackLines(int group, int part);
