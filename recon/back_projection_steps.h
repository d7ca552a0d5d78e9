// back_projection_steps.h - the steps of BackProjectViews, which runs them
// on two threads: FilterProjection for every angle; then for each group of
// four angles, BuildSlice for each of its angles and WriteStackLines for
// every part; once more WriteStackLines after the last group. Each step needs
// the one before it done. Apart from that they are for the benchmark, which
// times them one by one.
#pragma once

enum {
    GroupAngles = 4,
    StackGroups = 45,       // 180 angles
    StackWriteParts = 32,   // eight columns x each
};

// Builds the slice of angle `angle` as codes from its filtered projection;
// the slices of the seven angles before it stay at hand.
void BuildSlice(int angle);

// After group `group` (0..45; 45: after the last) is built: writes to
// ProjectionStack the stack lines the group completes, for eight columns x,
// and adds their values to the sums of their cells in SumImage.
void WriteStackLines(int group, int part);
