// headless_run.cpp - the input files opened without the window layer, and
// the computing steps in the order the run takes them.
#include "recon/headless_run.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "recon/computing_steps.h"
#include "recon/input_files.h"
#include "recon/recon_data.h"

namespace {

// Opens a plain file for reading without waiting on a pipe or a device;
// null with `result` saying why otherwise.
FILE* OpenPlainFile(const char* path, InputFileResult& result) {
    const int fd = open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        result.error = InputFileError::CannotOpen;
        result.systemError = errno;
        return nullptr;
    }
    struct stat info;
    if (fstat(fd, &info) != 0) {
        result.error = InputFileError::CannotOpen;
        result.systemError = errno;
        close(fd);
        return nullptr;
    }
    if (!S_ISREG(info.st_mode)) {
        result.error = S_ISDIR(info.st_mode) ? InputFileError::Folder : InputFileError::NotPlainFile;
        close(fd);
        return nullptr;
    }
    result.bytes = static_cast<long long>(info.st_size);
    FILE* file = fdopen(fd, "r");
    if (!file) {
        result.error = InputFileError::CannotOpen;
        result.systemError = errno;
        close(fd);
    }
    return file;
}

}  // namespace

InputFileResult LoadSinogramFile(const char* path) {
    InputFileResult result;
    FILE* file = OpenPlainFile(path, result);
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

InputFileResult LoadFilterFile(const char* path) {
    InputFileResult result;
    FILE* file = OpenPlainFile(path, result);
    if (!file) return result;
    double taps[KernelTaps];
    switch (ReadFilterTaps(file, taps, &result.numbers)) {
        case FilterTapsRead::Complete: memcpy(FilterKernel, taps, sizeof taps); break;
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
