// input_files.h - the values of the run's two input files, read from files
// already open. The checks around them (what was chosen, whether it is a
// plain file, how large) and the words for a refusal are the caller's.
#pragma once

#include <cstdio>

// Reads the 131,220 values of a sinogram file from its start into
// RawSinogram; false when they cannot all be read, and RawSinogram is then
// as it was.
bool ReadSinogramValues(FILE* file);

enum class FilterTapsRead {
    Complete,    // 128 numbers
    NotANumber,  // text where a number should be, after `count` numbers
    TooFew,      // the file ended after `count` numbers
};

// Reads the first 128 numbers of a filter file into `taps` (128 values),
// with any white space between them and a decimal point whatever the
// process's locale; `count` gets how many were read.
FilterTapsRead ReadFilterTaps(FILE* file, double* taps, int* count);
