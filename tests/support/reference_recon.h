// reference_recon.h - the reconstruction phases written as the plain loop
// orders that define them, one statement for one step. They work on the same
// global arrays as the program's phases and are the oracle that the
// program's faster loop orders are compared with, in the tests and in the
// benchmark. Not part of the program.
#pragma once

void ReferenceFilterProjection(int angle);
void ReferenceBackProjectViews();
void ReferenceFillStackGaps(int angle);
// Sum, range, the two printed lines and the present, as the program does.
void ReferenceSumProjectionStack();
