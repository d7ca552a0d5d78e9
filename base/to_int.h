// to_int.h - the one conversion of computed doubles to integers used by the
// reconstruction's pictures: truncation toward zero, and -2147483648 for a
// value that is not a number or lies outside the 32-bit signed range (what
// the x86 conversion instruction gives), without undefined behaviour.
#pragma once

#include <cstdint>

inline int32_t TruncToInt32(double value) {
    // Inside (-2147483649, 2147483648) truncation fits; NaN fails both tests.
    if (value > -2147483649.0 && value < 2147483648.0) return static_cast<int32_t>(value);
    return INT32_MIN;
}

#if defined(__SSE2__)
#include <emmintrin.h>

// The same conversion for two doubles at once, the results in the two low
// lanes: the x86 packed conversion instruction, which truncates toward zero
// and gives -2147483648 for a value that is not a number or out of range,
// exactly as TruncToInt32 does for each value.
inline __m128i TruncToInt32x2(__m128d values) { return _mm_cvttpd_epi32(values); }
#endif
