// library_messages.h - what the libraries the tool reads with print on their
// own (libpng, libjpeg, libtiff, OpenJPEG, GDCM, Qt's notices), even when
// they succeed. The tool's report is one line of its own per failure: these
// lines are kept aside, and shown only on request (--verbose).
#pragma once

#include <string>

namespace lab {

// While one lives, standard error (the descriptor, so that C libraries are
// caught too, and child processes inherit it) goes to a temporary file; its
// text is kept when the capture ends.
class StderrCapture {
public:
    StderrCapture();
    ~StderrCapture();
    StderrCapture(const StderrCapture&) = delete;
    StderrCapture& operator=(const StderrCapture&) = delete;

private:
    int saved_ = -1;
    void* file_ = nullptr;
};

void KeepLibraryMessage(const std::string& text);
// Everything kept so far, line by line.
const std::string& LibraryMessages();

}  // namespace lab
