// formatted_text.cpp - printf formatting in the C locale, of any length.
#include "shared/formatted_text.h"

#include <cstdio>

#include "base/c_locale.h"

FormattedText::FormattedText(const char* format, va_list args) {
    const CLocaleScope numbersInC;
    va_list again;
    va_copy(again, args);
    length = vsnprintf(small, sizeof small, format, args);
    if (length < 0) {
        length = 0;
        small[0] = 0;
    } else if (static_cast<size_t>(length) >= sizeof small) {
        large.resize(static_cast<size_t>(length) + 1);
        vsnprintf(large.data(), large.size(), format, again);
        text = large.data();
    }
    va_end(again);
}
