// entry.cpp - the program's main(): starts the Qt application through the
// layer and hands over to the program's WinMain, as Windows would.
#include <string>

#include "platform/platform.h"

int main(int argc, char** argv) {
    PlatformInit(&argc, argv);
    std::string commandLine;
    for (int i = 1; i < argc; ++i) {
        if (i > 1) commandLine += ' ';
        commandLine += argv[i];
    }
    return WinMain(nullptr, nullptr, commandLine.data(), SW_SHOWNORMAL);
}
