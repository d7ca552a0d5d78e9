// command_line.cpp - the program's command line, read before any window
// exists: a file to open, or a question answered without a window.
//
// Implements: PlatformCommandLine.
//
// Supported behaviour:
// - "--help": what the program is, where its work folder, sample data,
//   companion tools and manual are, and how it meets Wayland; printed on
//   standard output, status 0, no display needed.
// - "--version": "sinora <version>", status 0.
// - FILE, or "--" FILE for a name that begins with '-': the file the first
//   open dialog shows, made absolute against the current folder (it need not
//   exist: the dialog refuses a missing file when it is confirmed).
// - Anything else: one line on standard error, status 2.
// The installed paths are found relative to the running program, so that
// they are right for any install prefix.
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include <dirent.h>
#include <sys/stat.h>

#include "platform/os_calls.h"
#include "platform/platform.h"

namespace {

// The folder of the running program (bin/ when installed).
std::string ProgramFolder() {
    char path[PATH_MAX];
    ssize_t n = PlatformOsCalls.readlink("/proc/self/exe", path, sizeof path - 1);
    if (n <= 0) return ".";
    path[n] = 0;
    std::string folder(path);
    size_t slash = folder.rfind('/');
    return slash == std::string::npos ? "." : folder.substr(0, slash);
}

// "<folder>/../share/x" without the "bin/.." detour when the folder has a
// parent.
std::string BesideProgram(const std::string& folder, const char* relative) {
    std::string path = folder;
    const char* rest = relative;
    while (strncmp(rest, "../", 3) == 0) {
        size_t slash = path.rfind('/');
        if (slash == std::string::npos || slash == 0) return folder + "/" + relative;
        path.erase(slash);
        rest += 3;
    }
    return path + "/" + rest;
}

// The companion programs installed beside this one: sinora-*, sorted.
std::vector<std::string> CompanionTools(const std::string& folder) {
    std::vector<std::string> tools;
    if (DIR* dir = PlatformOsCalls.opendir(folder.c_str())) {
        while (dirent* entry = PlatformOsCalls.readdir(dir)) {
            std::string name = entry->d_name;
            if (name.rfind("sinora-", 0) != 0) continue;
            std::string path = folder + "/" + name;
            struct stat info;
            if (PlatformOsCalls.stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
                PlatformOsCalls.access(path.c_str(), X_OK) == 0) {
                tools.push_back(name);
            }
        }
        PlatformOsCalls.closedir(dir);
    }
    std::sort(tools.begin(), tools.end());
    return tools;
}

void PrintHelp() {
    const std::string folder = ProgramFolder();
    const char* home = getenv("HOME");
    std::string workFolder = std::string(home && *home ? home : "~") + "/Sinora";
    // A relative HOME lies below the current folder, as sinora-session takes it.
    std::error_code error;
    if (home && *home && *home != '/') workFolder = std::filesystem::absolute(workFolder, error).string();
    std::string tools;
    std::string manuals = "man sinora";
    for (const std::string& tool : CompanionTools(folder)) {
        tools += (tools.empty() ? "" : ", ") + tool;
        manuals += ", man " + tool;
    }
    printf(
        "Usage: sinora [--help | --version | [--] FILE]\n"
        "\n"
        "Sinora lets you carry out and watch computed-tomography reconstruction step\n"
        "by step: load a sinogram, choose simple or filtered back projection, and\n"
        "watch the sinogram, the filter, every view's back projection and the summed\n"
        "slice in the \"Images\" window while you answer in the console window.\n"
        "Given a FILE, the first open dialog shows it: Return loads it.\n"
        "\n"
        "Work folder: started from the desktop menu or with sinora-session, Sinora\n"
        "runs in %s, created on the first start with copies of the sample\n"
        "data from %s (a file already there is never\n"
        "replaced). The file dialogs open in the folder Sinora runs in: started as\n"
        "plain 'sinora', in the current folder.\n"
        "\n"
        "Companion tools in %s: %s\n"
        "Manual: %s; documents in %s\n"
        "\n"
        "Display: Sinora needs an X11 display. Under a Wayland session it runs\n"
        "through XWayland (the X11 platform), because it places its windows itself.\n",
        workFolder.c_str(), BesideProgram(folder, SINORA_DATA_FROM_BIN).c_str(), folder.c_str(),
        tools.empty() ? "none" : tools.c_str(), manuals.c_str(), BesideProgram(folder, SINORA_DOC_FROM_BIN).c_str());
}

}  // namespace

int PlatformCommandLine(int argc, char** argv, std::string& fileToOpen) {
    fileToOpen.clear();
    if (argc <= 1) return -1;
    const std::string first = argv[1];
    if (argc == 2 && first == "--help") {
        PrintHelp();
        return fflush(stdout) == 0 ? 0 : 1;
    }
    if (argc == 2 && first == "--version") {
        printf("sinora %s\n", SINORA_VERSION);
        return fflush(stdout) == 0 ? 0 : 1;
    }
    // One file, or "--" and one file.
    const int fileIndex = first == "--" ? 2 : 1;
    const bool option = first != "--" && first[0] == '-';
    if (!option && argc == fileIndex + 1 && argv[fileIndex][0] != 0) {
        std::error_code error;
        const std::filesystem::path absolute = std::filesystem::absolute(argv[fileIndex], error);
        fileToOpen = error ? argv[fileIndex] : absolute.lexically_normal().string();
        if (fileToOpen.size() < PATH_MAX) return -1;
        fprintf(stderr, "sinora: the file's path is too long: %zu bytes; the limit is %d bytes\n", fileToOpen.size(),
                PATH_MAX - 1);
        fileToOpen.clear();
        return 2;
    }
    const char* unexpected = option || argc <= fileIndex ? argv[1] : argv[std::min(fileIndex + 1, argc - 1)];
    fprintf(stderr, "sinora: unexpected argument '%s' (Sinora takes at most one file to open; see sinora --help)\n",
            unexpected);
    return 2;
}
