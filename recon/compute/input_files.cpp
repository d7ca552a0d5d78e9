// input_files.cpp - reading the sinogram's doubles and the filter's numbers.
#include "recon/compute/input_files.h"

#include <cstring>

#include "base/c_locale.h"
#include "recon/compute/recon_data.h"
#include "recon/compute/work_area.h"

bool ReadSinogramValues(FILE* file) {
    // The file is read into the stack's storage first and copied into
    // RawSinogram only when complete. Little-endian doubles, value k for
    // channel k / 180 and angle k mod 180: the file's order is RawSinogram's
    // own. The file may have shrunk since it was measured, or the device failed.
    const bool complete =
        fseek(file, 0, SEEK_SET) == 0 && fread(SinogramFileBuffer(), sizeof(double), SinogramFileValues, file) ==
                                             static_cast<size_t>(SinogramFileValues);
    if (complete) memcpy(RawSinogram, SinogramFileBuffer(), sizeof RawSinogram);
    return complete;
}

FilterTapsRead ReadFilterTaps(FILE* file, double* taps, int* count) {
    // The blank and the line end of the format each skip any run of white
    // space.
    const CLocaleScope numbersInC;
    int result = 1;
    *count = 0;
    while (*count < KernelTaps) {
        result = fscanf(file, "%lf \n", &taps[*count]);
        if (result != 1) break;
        ++*count;
    }
    if (*count == KernelTaps) return FilterTapsRead::Complete;
    return result == 0 ? FilterTapsRead::NotANumber : FilterTapsRead::TooFew;
}
