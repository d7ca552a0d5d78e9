// output_files.h - the outputs of one command, written all or none.
//
// A command names its inputs and claims its outputs before any work, so that
// a wrong path fails at once; it then stages each output's bytes and commits
// them together at the end. Staging a regular file (or a name not yet taken)
// writes a temporary file in its folder, named ".sinora-lab-" and a random
// part (so that any name the folder allows can be an output); commit writes
// the character devices and FIFOs directly, as any Unix tool does, and then
// puts every temporary file in place: each one exchanges places with the
// file it replaces (renameat2 with RENAME_EXCHANGE, or where the file system
// has no exchange the old file renamed aside first), and the old files are
// removed only when every one has been replaced; when one cannot be, those
// already replaced are put back. A failure before commit, or an OutputFiles
// destroyed without one, removes the temporaries and leaves every target as
// it was; so does SIGINT, SIGTERM or SIGHUP (signal_cleanup.h), and during a
// commit such a signal waits until it is done.
//
// A symbolic link is followed to the file it names only as Linux's
// fs.protected_symlinks allows (path_walk.h): never one in a sticky folder
// that everyone may write to (/tmp) that belongs to neither the caller nor
// the folder's owner. A replaced file keeps its permissions, without a
// set-user-ID or set-group-ID bit; a new one gets what the umask gives.
//
// Every method reports a failure by throwing LabError with one line naming
// the path and the reason. The system calls go through file_calls.h.
#pragma once

#include <memory>
#include <string>
#include <vector>

class QImage;

namespace lab {

class OutputFiles {
public:
    OutputFiles();
    ~OutputFiles();
    OutputFiles(const OutputFiles&) = delete;
    OutputFiles& operator=(const OutputFiles&) = delete;

    // An input file of the command: no output may be the same file (under
    // any name: device and inode are compared). An empty path is an option
    // not given and is ignored.
    void AddInput(const std::string& path);
    // An output: refused when its folder is missing, it is a folder or
    // another kind of special file than a character device or FIFO, or it
    // is the same file as an input or another output. Empty: ignored.
    void Claim(const std::string& path);

    // The whole content of a claimed output.
    void Stage(const std::string& path, const std::string& bytes);
    // PNG whatever the name's extension.
    void StagePng(const std::string& path, const QImage& image);

    // Puts every staged output in place.
    void Commit();

private:
    struct Output;
    std::vector<std::string> inputs_;
    std::vector<std::unique_ptr<Output>> outputs_;
    Output& Find(const std::string& path);
    int PutInPlace(Output& output);
    std::string TakeBack(size_t failed);
};

// 729 x 180 values as the sinogram file holds them: little-endian doubles
// in file order. Throws LabError, and so writes nothing, for values that
// LineIntegralProblem refuses (option_bounds.h): never a NaN or an infinity.
std::string SinogramFileBytes(const std::vector<double>& values);

}  // namespace lab
