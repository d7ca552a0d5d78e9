// entry.cpp - the program's main(): reads the command line (which only
// knows --help and --version), starts the Qt application through the layer
// and hands over to the program's WinMain, as Windows would.
#include "platform/platform.h"

int main(int argc, char** argv) {
    const int status = PlatformCommandLine(argc, argv);
    if (status >= 0) return status;
    PlatformInit(&argc, argv);
    char noArguments[] = "";
    return WinMain(nullptr, nullptr, noArguments, SW_SHOWNORMAL);
}
