// recon_test_support.h - small helpers shared by the reconstruction tests:
// a scratch folder, sinogram files, the console's latest lines and the log
// of modal dialogs.
#pragma once

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "shared/framework_state.h"
#include "platform/platform.h"

namespace recon_test {

// A folder of its own for one test program run, removed when it ends.
inline const std::string& ScratchFolder() {
    static char made[] = "/tmp/sinora_recon_XXXXXX";  // outlives every exit handler
    static const std::string folder = [] {
        if (!mkdtemp(made)) abort();
        atexit([] {
            std::error_code ignored;
            std::filesystem::remove_all(made, ignored);
        });
        return std::string(made);
    }();
    return folder;
}

inline std::string ScratchPath(const std::string& name) { return ScratchFolder() + "/" + name; }

inline void WriteBytes(const std::string& path, const void* bytes, size_t count) {
    FILE* file = fopen(path.c_str(), "wb");
    if (!file) abort();
    if (count) fwrite(bytes, 1, count, file);
    fclose(file);
}

// A sinogram file of 729 x 180 values in file order (channel-major).
inline void WriteSinogram(const std::string& path, const std::vector<double>& values) {
    WriteBytes(path, values.data(), values.size() * sizeof(double));
}

// The console line `back` lines above the current (unfinished) one.
inline std::string ConsoleLine(int back) {
    const FrameworkStateRecord& s = FrameworkState;
    return s.TextBuffer[(s.CurrentLine - back + TextBufferLines * 2) % TextBufferLines];
}

// Modal dialogs logged from index `first` on.
inline std::vector<std::string> ModalsSince(int first) {
    std::vector<std::string> entries;
    for (int k = first; k < PlatformModalLogCount(); ++k) entries.push_back(PlatformModalLogEntry(k));
    return entries;
}

// Leaves a pending input rest, as if the user had typed `answer` ahead:
// the next TextScan takes it at once.
inline void TypeAhead(const std::string& answer) {
    FrameworkStateRecord& s = FrameworkState;
    snprintf(s.InputLine, sizeof s.InputLine, "%s", answer.c_str());
    s.InputLength = static_cast<int32_t>(answer.size());
}

}  // namespace recon_test
