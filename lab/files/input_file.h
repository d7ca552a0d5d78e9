// input_file.h - the one rule for every file that sinora-lab and its
// window read (pictures, DICOM slices, sinograms, .npy slices, filters):
//
//   - it is a plain file: a folder, FIFO, socket or device is refused
//     before anything is read from it, and opening it never waits (a FIFO
//     without a writer would wait for ever, /dev/zero never ends);
//   - a symbolic link on the way is followed only as Linux's
//     fs.protected_symlinks allows (path_walk.h), whatever the system's
//     setting;
//   - each reader reads at most what its format can hold, and checks what a
//     header states against the file's size before allocating for it.
//
// Every refusal is a LabError of one line: "cannot open PATH: REASON".
#pragma once

#include <string>

namespace lab {

class InputFile {
public:
    // Opens `path` under the rule; throws LabError.
    explicit InputFile(const std::string& path);
    ~InputFile();
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;

    const std::string& Path() const { return path_; }
    int Descriptor() const { return fd_; }
    // Its size when it was opened.
    long long Size() const { return size_; }
    // `count` bytes from `offset`, or fewer where the file ends; throws
    // LabError when a read fails.
    std::string Read(long long offset, size_t count) const;

private:
    std::string path_;
    int fd_ = -1;
    long long size_ = 0;
};

// The rule alone, for a library that opens the file by its name itself
// (GDCM, the program's filter reading): throws as InputFile does.
void RequireInputFile(const std::string& path);

}  // namespace lab
