// message_notice.cpp - notices in a message box owned by the console.
#include "shared/message_notice.h"

#include <cstdarg>

#include "platform/win32.h"
#include "shared/formatted_text.h"
#include "shared/framework_state.h"

void MessageNotice(const char* format, ...) {
    va_list args;
    va_start(args, format);
    const FormattedText formatted(format, args);
    va_end(args);

    // The framework's own name as the caption, spelt as it always was: not a typo to correct.
    MessageBoxA(FrameworkState.ConsoleWindow, formatted.text, "Kelvane Message", MB_OK | MB_ICONINFORMATION);
}
