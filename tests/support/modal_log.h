// modal_log.h - what the tests read of the platform's log of modal dialogs.
#pragma once

#include <string>

#include "platform/platform.h"

// The modal log entries from `first` on, each followed by a newline.
inline std::string ModalLogSince(int first) {
    std::string joined;
    for (int i = first; i < PlatformModalLogCount(); ++i) {
        joined += PlatformModalLogEntry(i);
        joined += '\n';
    }
    return joined;
}
