// text_scan.cpp - scanf-style input typed into the console.
//
// TextScan records its format and destinations in FrameworkState and keeps
// the message queue going until the user ends a line with Enter. Characters
// reach InputChar from the console window procedure; Enter runs
// ParseInputLine there, which converts one token per conversion, echoes the
// line into the TextBuffer and releases the waiting TextScan. Tokens that no
// conversion used stay in InputLine and answer the next TextScan at once.
#include "console/text_scan.h"

#include <cerrno>
#include <cstdarg>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "base/c_locale.h"
#include "console/message_pump.h"
#include "console/text_print.h"
#include "platform/win32.h"
#include "shared/framework_state.h"

namespace {

bool IsSeparator(char c) { return c == ' ' || c == ','; }

// Skips spaces and commas.
const char* SkipSeparators(const char* p) {
    while (IsSeparator(*p)) ++p;
    return p;
}

// Skips one token (a run of bytes other than space, comma and zero).
const char* SkipToken(const char* p) {
    while (*p != 0 && !IsSeparator(*p)) ++p;
    return p;
}

// Decimal integer as the 32-bit conversion gives it: digits after the sign
// up to the first other byte, 0 without digits, and the nearest end of the
// 32-bit range for a value beyond it.
int32_t ToInt32(const char* token) {
    long value = strtol_l(token, nullptr, 10, CLocale());
    if (value > INT32_MAX) return INT32_MAX;
    if (value < INT32_MIN) return INT32_MIN;
    return static_cast<int32_t>(value);
}

double ToDouble(const char* token) { return strtod_l(token, nullptr, CLocale()); }

// Stores the converted token through `target` by the conversion letter
// (`longForm` for %l followed by `letter`). A null target (beyond the 40
// recorded destinations) takes nothing.
void StoreToken(const char* token, char letter, bool longForm, void* target) {
    if (target == nullptr) return;
    if (longForm) {
        if (letter == 'd') {
            *static_cast<int32_t*>(target) = ToInt32(token);
        } else {
            *static_cast<double*>(target) = ToDouble(token);
        }
        return;
    }
    switch (letter) {
        case 'c': *static_cast<char*>(target) = token[0]; break;
        case 'd': *static_cast<int32_t*>(target) = ToInt32(token); break;
        case 'f': *static_cast<float*>(target) = static_cast<float>(ToDouble(token)); break;
        case 's':
            // A token holds at most 160 bytes (the input line's limit), so a %s
            // destination receives at most 161 bytes with the terminator.
            strcpy(static_cast<char*>(target), token);
            break;
        default: break;  // not a conversion of ours: the token is used up all the same
    }
}

// 2 when the line ends with a double-byte character (code page 932), else 1.
// A trail byte can look like a lead byte, so the line is read from its start.
int LastCharacterBytes(const char* line, int length) {
    int last = 1;
    for (int i = 0; i < length; i += last) {
        last = IsDBCSLeadByteEx(932, static_cast<BYTE>(line[i])) && i + 1 < length ? 2 : 1;
    }
    return last;
}

}  // namespace

int TextScan(const char* format, ...) {
    FrameworkStateRecord& s = FrameworkState;
    strncpy(s.ScanFormat, format, ScanFormatBytes - 1);
    s.ScanFormat[ScanFormatBytes - 1] = 0;

    int count = 0;
    for (const char* p = s.ScanFormat; *p != 0; ++p) {
        if (*p == '%') ++count;
    }
    if (count > ScanTargetLimit) count = ScanTargetLimit;

    va_list args;
    va_start(args, format);
    for (int i = 0; i < count; ++i) s.ScanTargets[i] = va_arg(args, void*);
    va_end(args);
    s.ScanTargets[count] = nullptr;

    if (s.InputLength > 0) {
        // A rest of an earlier line answers at once, without echo.
        s.EchoInput = 0;
        ParseInputLine();
        return 0;
    }

    // Keep the windows alive until Enter: one message at a time is taken and
    // dispatched (a quit message is taken and dropped). With nothing queued
    // the thread sleeps until the next message instead of polling.
    s.InputWaiting = 1;
    while (s.InputWaiting != 0) {
        if (!PumpOneMessage()) WaitMessage();
    }
    return 0;
}

void InputChar(int code) {
    FrameworkStateRecord& s = FrameworkState;
    int byte = code & 0xFF;
    if (byte == 0 || byte >= 32) {
        // The line holds at most 160 bytes; further bytes are dropped until
        // a backspace makes room or Enter ends the line.
        if (s.InputLength < 0) s.InputLength = 0;
        if (s.InputLength >= TextLineLimit) return;
        s.InputLine[s.InputLength] = static_cast<char>(byte);
        ++s.InputLength;
        s.InputLine[s.InputLength] = 0;
    } else if (byte == VK_BACK || byte == VK_SHIFT) {  // the Shift key's code 16 erases too
        if (s.InputLength > 0) {
            s.InputLength -= LastCharacterBytes(s.InputLine, s.InputLength);
            s.InputLine[s.InputLength] = 0;
        }
    } else if (byte == VK_RETURN) {
        s.InputWaiting = 0;
        s.EchoInput = 1;
        ParseInputLine();
    }
}

void ParseInputLine() {
    FrameworkStateRecord& s = FrameworkState;
    // Never read past the buffer, whatever the line holds.
    s.InputLine[InputLineBytes - 1] = 0;

    // Phase 1: one token per conversion of the format.
    int used = 0;
    const char* in = s.InputLine;
    const char* fmt = s.ScanFormat;
    while (*fmt != 0) {
        in = SkipSeparators(in);
        char token[TextBufferLineBytes];
        size_t length = 0;
        while (in[length] != 0 && !IsSeparator(in[length]) && length < TextLineLimit) {
            token[length] = in[length];
            ++length;
        }
        token[length] = 0;
        in = SkipToken(in);

        fmt = strchr(fmt, '%');
        if (fmt == nullptr) break;  // text after the last conversion: no more conversions
        ++fmt;
        while (*fmt >= '0' && *fmt <= '9') ++fmt;
        bool longForm = false;
        char letter = *fmt;
        if (letter == 'l') {
            longForm = true;
            ++fmt;
            letter = *fmt;
        }
        // A conversion cut short by the end of the format stores nothing.
        if (letter != 0) {
            StoreToken(token, letter, longForm, used <= ScanTargetLimit ? s.ScanTargets[used] : nullptr);
            ++fmt;
        }
        ++used;
        if (*fmt == 0) break;
    }

    // Phase 2: skip the used tokens; the rest stays pending for the next
    // TextScan, and the line feed is printed once the line is used up.
    const char* rest = s.InputLine;
    for (int i = 0; i < used; ++i) {
        rest = SkipSeparators(rest);
        rest = SkipToken(rest);
        rest = SkipSeparators(rest);
    }
    rest = SkipSeparators(rest);
    if (*rest == 0) {
        if (s.EchoInput == 1) TextPrint("%s", s.InputLine);
        s.InputLine[0] = 0;
        s.InputLength = 0;
        TextPrint("\n");
    } else {
        char aside[InputLineBytes];
        strncpy(aside, rest, InputLineBytes - 1);
        aside[InputLineBytes - 1] = 0;
        if (s.EchoInput == 1) TextPrint("%s", s.InputLine);
        strcpy(s.InputLine, aside);
        s.InputLength = static_cast<int32_t>(strlen(aside));
    }
}
