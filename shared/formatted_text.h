// formatted_text.h - the text of a printf format and its arguments, as the
// console's output and the notices show it.
#pragma once

#include <cstdarg>
#include <vector>

// The text whole however long it is: in `small` when it fits, otherwise on
// the heap. Numbers are written in the C locale. An invalid format gives the
// empty text.
class FormattedText {
public:
    FormattedText(const char* format, va_list args);
    FormattedText(const FormattedText&) = delete;
    FormattedText& operator=(const FormattedText&) = delete;

    const char* text = small;
    int length = 0;

private:
    char small[256];
    std::vector<char> large;
};
