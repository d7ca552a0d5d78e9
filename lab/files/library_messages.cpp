// library_messages.cpp
#include "lab/files/library_messages.h"

#include <unistd.h>

#include <mutex>

namespace lab {

namespace {

struct Kept {
    std::mutex lock;
    std::string text;
};

Kept& TheKept() {
    static Kept kept;
    return kept;
}

// Standard error as it was, while a capture runs; set and cleared by the
// capture alone, before and after the threads that use it.
FILE* toolStderr = nullptr;

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
    const int tool = dup(saved_);
    toolStderr = tool >= 0 ? fdopen(tool, "w") : nullptr;
    if (toolStderr) setvbuf(toolStderr, nullptr, _IONBF, 0);
}

StderrCapture::~StderrCapture() {
    if (!file_) return;
    if (toolStderr) fclose(toolStderr);
    toolStderr = nullptr;
    fflush(stderr);
    dup2(saved_, STDERR_FILENO);
    close(saved_);
    std::string text;
    char block[4096];
    rewind(file_);
    size_t n;
    while ((n = fread(block, 1, sizeof block, file_)) > 0) text.append(block, n);
    fclose(file_);
    KeepLibraryMessage(text);
}

FILE* ToolStderr() { return toolStderr ? toolStderr : stderr; }

void KeepLibraryMessage(const std::string& text) {
    if (text.empty()) return;
    Kept& kept = TheKept();
    const std::lock_guard<std::mutex> hold(kept.lock);
    kept.text += text;
    if (kept.text.back() != '\n') kept.text += '\n';
}

std::string LibraryMessages() {
    Kept& kept = TheKept();
    const std::lock_guard<std::mutex> hold(kept.lock);
    return kept.text;
}

}  // namespace lab
