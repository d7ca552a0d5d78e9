// library_messages.cpp
#include "tools/lab/library_messages.h"

#include <cstdio>
#include <unistd.h>

namespace lab {

namespace {

std::string& Kept() {
    static std::string kept;
    return kept;
}

}  // namespace

StderrCapture::StderrCapture() {
    FILE* file = tmpfile();
    if (!file) return;
    fflush(stderr);
    saved_ = dup(STDERR_FILENO);
    if (saved_ < 0 || dup2(fileno(file), STDERR_FILENO) < 0) {
        if (saved_ >= 0) close(saved_);
        saved_ = -1;
        fclose(file);
        return;
    }
    file_ = file;
}

StderrCapture::~StderrCapture() {
    if (!file_) return;
    FILE* file = static_cast<FILE*>(file_);
    fflush(stderr);
    dup2(saved_, STDERR_FILENO);
    close(saved_);
    std::string text;
    char block[4096];
    rewind(file);
    size_t n;
    while ((n = fread(block, 1, sizeof block, file)) > 0) text.append(block, n);
    fclose(file);
    KeepLibraryMessage(text);
}

void KeepLibraryMessage(const std::string& text) {
    if (text.empty()) return;
    Kept() += text;
    if (Kept().back() != '\n') Kept() += '\n';
}

const std::string& LibraryMessages() { return Kept(); }

}  // namespace lab
