// entry.cpp - the program's main(): reads the command line (--help,
// --version, or a file to open), starts the Qt application through the layer
// and hands over to the program's WinMain, as Windows would: the file's
// path, unquoted, is WinMain's command line.
#include <string>

#include "platform/platform.h"

int main(int argc, char** argv) {
    std::string fileToOpen;
    const int status = PlatformCommandLine(argc, argv, fileToOpen);
    if (status >= 0) return status;
    PlatformInit(&argc, argv);
    return WinMain(nullptr, nullptr, fileToOpen.data(), SW_SHOWNORMAL);
}
