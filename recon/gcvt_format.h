// gcvt_format.h - a number as text with a given count of significant digits,
// in the manner of the Windows run-time's _gcvt, which the replay captions
// use: fixed notation while the exponent fits the digits, exponent form
// otherwise, trailing zeros of the fraction dropped but the decimal point of
// a fraction kept, so 4.0 with 5 digits is "4." and 179.0 is "179.".
#pragma once

enum { GcvtBufferBytes = 32 };

// Writes the text of `value` with `digits` significant digits (1..17; other
// counts are brought into that range) into `buffer` (GcvtBufferBytes bytes)
// and returns `buffer`.
char* FormatGcvt(double value, int digits, char* buffer);
