// headless_run.h - the reconstruction without windows, for other programs:
// the program's own reading and computing steps, given what the file
// dialogs and the method prompt would give them. The results are the
// program's, bit for bit: SumImage (element (x, y) at x * RowStride + y, x to
// the right, y upward), ProjectionStack, StackMax, SumMax/SumMin,
// SinogramMax/SinogramMin (recon_data.h).
//
//     #include "recon/compute/headless_run.h"
//     #include "recon/compute/recon_data.h"
//     #include "recon/compute/reconstruction_session.h"
//
//     const ReconstructionSession session;  // the arrays, until it ends
//     InputFileResult read = LoadSinogramFile(sinogramPath);
//     if (read.error != InputFileError::None) return Fail(read);
//     if (filterPath) {   // null: simple back projection
//         read = ReadFilterFile(filterPath, FilterKernel);
//         if (read.error != InputFileError::None) return Fail(read);
//     }
//     RunReconstructionSteps(filterPath ? Method::Filtered : Method::Simple);
//     double centre = SumImage[128 * RowStride + 128];
//
// The data are the program's global arrays: one reconstruction at a time
// in a process, and nothing else may touch the arrays while it runs (the
// back projection uses one more thread of its own), so a program with
// threads holds a ReconstructionSession meanwhile, or has the session
// reconstruct values in memory (reconstruction_session.h). A run takes a
// fraction of a second and cannot be interrupted.
#pragma once

// Why an input file was refused; a refusal leaves what the file would fill
// as it was.
enum class InputFileError {
    None,
    CannotOpen,  // missing or not readable: systemError tells why
    Folder,
    NotPlainFile,   // a named pipe, a socket, a device: never read from
    TooShort,       // a sinogram file smaller than 1,049,760 bytes (`bytes`)
    CannotRead,     // a read failed (systemError) or the file shrank
    NotANumber,     // a filter file with text after `numbers` numbers
    TooFewNumbers,  // a filter file with only `numbers` numbers
};

struct InputFileResult {
    InputFileError error = InputFileError::None;
    int systemError = 0;  // errno of CannotOpen and CannotRead
    long long bytes = 0;  // size of the file
    int numbers = 0;      // numbers read from a filter file
};

// A sinogram file (729 x 180 little-endian doubles; bytes after them are
// ignored) into RawSinogram.
InputFileResult LoadSinogramFile(const char* path);
// The first 128 numbers of a real-space filter file into `taps` (128
// values; FilterKernel, or an array of the caller's).
InputFileResult ReadFilterFile(const char* path, double* taps);

enum class Method { Simple, Filtered };

// What the run does between reading its files and showing its pictures:
// sets MethodAnswer as the method prompt would ('1' or '2'), rebins
// RawSinogram, finds its range, filters (Filtered: with FilterKernel) and
// back-projects every angle into ProjectionStack and SumImage, and finds the
// sum's range.
void RunReconstructionSteps(Method method);
