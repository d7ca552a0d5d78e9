// gcvt_format.cpp - _gcvt-style formatting with a count of significant
// digits. The choice between the two notations follows the decimal exponent
// of the value itself (before rounding to the requested digits):
//   exponent below -1 or above digits - 1: d.ddddde+XXX (three exponent digits
//       at least, as the Windows run-time writes them);
//   otherwise: fixed notation with digits - (exponent + 1) fraction digits;
//       no decimal point when that count is 0.
// Then trailing zeros of the fraction are removed; the point stays.
#include "recon/gcvt_format.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "base/c_locale.h"

namespace {

// Removes the zeros at the end of the fraction (before any exponent) and
// keeps the decimal point.
void DropTrailingZeros(char* text) {
    char* point = strchr(text, '.');
    if (!point) return;
    char* exponent = strchr(point, 'e');
    char* end = exponent ? exponent : point + strlen(point);
    char* last = end - 1;
    while (last > point && *last == '0') --last;
    memmove(last + 1, end, strlen(end) + 1);
}

}  // namespace

char* FormatGcvt(double value, int digits, char* buffer) {
    if (digits < 1) digits = 1;
    if (digits > 17) digits = 17;

    if (std::isnan(value)) {
        strcpy(buffer, std::signbit(value) ? "-1.#IND" : "1.#QNAN");
        return buffer;
    }
    if (std::isinf(value)) {
        strcpy(buffer, value < 0 ? "-1.#INF" : "1.#INF");
        return buffer;
    }

    // Written with a decimal point whatever the process's locale.
    const CLocaleScope numbersInC;

    // The decimal exponent of the value as written with 17 significant digits.
    int exponent = 0;
    if (value != 0.0) {
        char probe[40];
        snprintf(probe, sizeof probe, "%.16e", value);
        exponent = atoi(strchr(probe, 'e') + 1);
    }

    if (exponent < -1 || exponent > digits - 1) {
        char text[40];
        snprintf(text, sizeof text, "%.*e", digits - 1, value);
        // The C library writes at least two exponent digits; widen to three.
        char* e = strchr(text, 'e');
        const char sign = e[1];
        const int magnitude = atoi(e + 2);
        snprintf(e, sizeof text - static_cast<size_t>(e - text), "e%c%03d", sign, magnitude);
        strcpy(buffer, text);
    } else {
        snprintf(buffer, GcvtBufferBytes, "%.*f", digits - (exponent + 1), value);
    }
    DropTrailingZeros(buffer);
    return buffer;
}
