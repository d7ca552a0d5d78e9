// ordered_arithmetic.h - addition and multiplication of doubles with the
// operands in a fixed order. When both operands are not numbers, the
// processor's result is the first operand (made quiet), so the order decides
// which payload and sign a NaN result carries; the compiler, however, may
// swap the operands of + and *. Where values that are not numbers are data
// (sinogram files may hold them), the reconstruction adds and multiplies
// through these, so that a + b always gives a's NaN, whatever loop order or
// optimisation computes it.
#pragma once

inline double AddInOrder(double first, double second) {
#if defined(__SSE2__) && defined(__GNUC__)
    __asm__("addsd %1, %0" : "+x"(first) : "x"(second));
    return first;
#else
    return first + second;
#endif
}

inline double MulInOrder(double first, double second) {
#if defined(__SSE2__) && defined(__GNUC__)
    __asm__("mulsd %1, %0" : "+x"(first) : "x"(second));
    return first;
#else
    return first * second;
#endif
}

// The same in the VEX encoding, for code compiled for AVX: there an SSE
// instruction that follows AVX instructions which leave the upper halves of
// the registers in use makes the processor save and restore that state
// every time, which costs tens of cycles per addition.
#if defined(__SSE2__) && defined(__GNUC__)
inline double AddInOrderVex(double first, double second) {
    double sum;
    __asm__("vaddsd %2, %1, %0" : "=x"(sum) : "x"(first), "x"(second));
    return sum;
}

inline double MulInOrderVex(double first, double second) {
    double product;
    __asm__("vmulsd %2, %1, %0" : "=x"(product) : "x"(first), "x"(second));
    return product;
}

#include <emmintrin.h>

// sum + tap x bins for two neighbouring bins side by side: the tap is the
// first factor and the running sum the first addend in both lanes, as
// MulInOrder and AddInOrder give them one by one.
inline __m128d AddProductInOrder(__m128d sum, __m128d tap, __m128d bins) {
    __asm__("mulpd %1, %0" : "+x"(tap) : "x"(bins));
    __asm__("addpd %1, %0" : "+x"(sum) : "x"(tap));
    return sum;
}
#endif
