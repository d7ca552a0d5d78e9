// headless_run.cpp - the input files opened without the window layer
// (base/plain_file.h), and the computing steps in the order the run takes
// them.
#include "recon/compute/headless_run.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "base/plain_file.h"
#include "recon/compute/computing_steps.h"
#include "recon/compute/input_files.h"
#include "recon/compute/recon_data.h"

namespace {

// The file opened by OpenPlainFile; null with `result` saying why otherwise.
FILE* OpenInputFile(const char* path, InputFileResult& result) {
    const PlainFileOpening opening = OpenPlainFile(path);
    switch (opening.kind) {
        case PlainFileKind::Plain: result.bytes = opening.bytes; break;
        case PlainFileKind::Folder: result.error = InputFileError::Folder; break;
        case PlainFileKind::NotPlain: result.error = InputFileError::NotPlainFile; break;
        case PlainFileKind::CannotOpen:
            result.error = InputFileError::CannotOpen;
            result.systemError = opening.systemError;
            break;
    }
    return opening.file;
}

}  // namespace

InputFileResult LoadSinogramFile(const char* path) {
    InputFileResult result;
    FILE* file = OpenInputFile(path, result);
    if (!file) return result;
    if (result.bytes < SinogramFileBytes) {
        result.error = InputFileError::TooShort;
    } else {
        errno = 0;
        if (!ReadSinogramValues(file)) {
            result.error = InputFileError::CannotRead;
            result.systemError = errno;
        }
    }
    fclose(file);
    return result;
}

InputFileResult ReadFilterFile(const char* path, double* taps) {
    InputFileResult result;
    FILE* file = OpenInputFile(path, result);
    if (!file) return result;
    double read[KernelTaps];
    switch (ReadFilterTaps(file, read, &result.numbers)) {
        case FilterTapsRead::Complete: memcpy(taps, read, sizeof read); break;
        case FilterTapsRead::NotANumber: result.error = InputFileError::NotANumber; break;
        case FilterTapsRead::TooFew: result.error = InputFileError::TooFewNumbers; break;
    }
    fclose(file);
    return result;
}

void RunReconstructionSteps(Method method) {
    MethodAnswer = method == Method::Simple ? '1' : '2';
    RebinSinogram();
    FindSinogramExtremes();
    BackProjectViews();
    FindSumExtremes();
}
