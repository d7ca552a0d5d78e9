// TextPrint texts into the ring, then the TextBuffer save. The input is a
// page height (first byte) and texts separated by zero bytes, each printed
// with "%s". After every print the ring must hold what the wrap rules give
// (a line feed ends a line, a byte that finds the line at 160 characters
// starts the next one, a line that reaches 160 is ended by the text's end),
// newest 200 lines; the saved file must hold those lines, oldest first, each
// ended with CR LF.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <deque>
#include <string>

#include "shared/framework_state.h"
#include "console/text_print.h"
#include "console/text_save.h"
#include "tests/fuzz/fuzz_support.h"

namespace {

// The lines in use as the wrap rules give them, oldest first.
struct RingModel {
    std::deque<std::string> lines{std::string()};

    void EndLine() {
        lines.emplace_back();
        if (lines.size() > TextBufferLines) lines.pop_front();
    }
    void Print(const std::string& text) {
        for (char byte : text) {
            if (byte == '\n') {
                EndLine();
            } else {
                if (lines.back().size() >= TextLineLimit) EndLine();
                lines.back() += byte;
            }
        }
        if (lines.back().size() >= TextLineLimit) EndLine();
    }
};

std::string RingLine(int k) {
    const FrameworkStateRecord& s = FrameworkState;
    return s.TextBuffer[(s.OldestLine + k) % TextBufferLines];
}

void CheckRing(const RingModel& model) {
    FuzzCheckTextBuffer();
    const FrameworkStateRecord& s = FrameworkState;
    FuzzRequire(static_cast<size_t>(s.LineCount) == model.lines.size(), "LineCount differs from the wrap rules");
    for (int k = 0; k < s.LineCount; ++k) FuzzRequire(RingLine(k) == model.lines[k], "a line differs");
    FuzzRequire(s.ConsoleDirty == 1, "ConsoleDirty not raised");
}

void CheckSavedFile() {
    const FrameworkStateRecord& s = FrameworkState;
    std::string expected;
    for (int k = 0; k < s.LineCount; ++k) expected += RingLine(k) + "\r\n";
    FuzzRequire(WriteTextBufferFile(FuzzScratchPath().c_str()), "the TextBuffer save failed");
    std::string saved;
    FILE* file = fopen(FuzzScratchPath().c_str(), "rb");
    FuzzRequire(file != nullptr, "the saved file cannot be read");
    char chunk[4096];
    for (size_t n; (n = fread(chunk, 1, sizeof chunk, file)) > 0;) saved.append(chunk, n);
    fclose(file);
    FuzzRequire(saved == expected, "the saved file differs from the TextBuffer");
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    FuzzStartPlatform(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    FuzzResetConsole();
    FrameworkState.LinesPerPage = data[0];
    RingModel model;
    size_t start = 1;
    for (size_t k = 1; k <= size; ++k) {
        if (k < size && data[k] != 0) continue;
        const std::string text(reinterpret_cast<const char*>(data + start), k - start);
        const int length = TextPrint("%s", text.c_str());
        FuzzRequire(length == static_cast<int>(text.size()), "TextPrint returned another length");
        model.Print(text);
        CheckRing(model);
        start = k + 1;
    }
    CheckSavedFile();
    return 0;
}
