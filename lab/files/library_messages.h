// library_messages.h - what the libraries the tool reads with print on their
// own (libpng, libjpeg, libtiff, OpenJPEG, GDCM, Qt's notices), even when
// they succeed. The tool's report is one line of its own per failure: these
// lines are kept aside, and shown only on request (--verbose).
#pragma once

#include <cstdio>
#include <string>

namespace lab {

// While one lives, standard error (the descriptor: the picture libraries
// write there directly) goes to a temporary file, whose text is kept when
// it ends. Descriptor 2 is the whole process's: sinora-lab's main() holds
// one for the whole command, made before any other thread; the window, the
// tests and the readers never make one.
class StderrCapture {
public:
    StderrCapture();
    ~StderrCapture();
    StderrCapture(const StderrCapture&) = delete;
    StderrCapture& operator=(const StderrCapture&) = delete;

private:
    int saved_ = -1;
    FILE* file_ = nullptr;
};

// Where the tool's own lines (progress) go: standard error as it was before
// a capture.
FILE* ToolStderr();

// Any thread may keep a message (the DICOM reader's, Qt's notices).
void KeepLibraryMessage(const std::string& text);
// Everything kept so far, line by line.
std::string LibraryMessages();

}  // namespace lab
