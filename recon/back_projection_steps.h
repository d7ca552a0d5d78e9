// back_projection_steps.h - the steps of BackProjectViews, which runs them
// on two threads: FilterProjection for every angle; BuildSlice for the
// angles of the first group of four; then, for each group, WriteStackLines
// for every part together with BuildSlice for the angles of the next group;
// once more WriteStackLines after the last group. Apart from that they are
// for the benchmark, which times them one by one.
#pragma once

enum {
    GroupAngles = 4,
    StackGroups = 45,      // 180 angles
    StackWriteParts = 32,  // eight columns x each
};

// Builds the slice of angle `angle` as codes from its filtered projection;
// the slices of the eleven angles before it stay at hand.
void BuildSlice(int angle);

// After group `group` (0..45; 45: after the last) is built: writes to
// ProjectionStack the stack lines the group completes, for eight columns x,
// and adds their values to the sums of their cells in SumImage.
void WriteStackLines(int group, int part);
