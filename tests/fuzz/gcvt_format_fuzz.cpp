// The _gcvt-style formatter on any double and digit count: the text must
// fit the 32-byte buffer (a heap block of exactly that size), and for a
// finite value read back as a number it must lie within half a unit of the
// last significant digit kept (plus the half unit of the double it is read
// back into).
#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "recon/gcvt_format.h"
#include "tests/fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 9) return 0;
    double value;
    memcpy(&value, data, sizeof value);
    const int digits = static_cast<int8_t>(data[8]);
    const std::unique_ptr<char[]> buffer(new char[GcvtBufferBytes]);
    FormatGcvt(value, digits, buffer.get());
    const size_t length = strnlen(buffer.get(), GcvtBufferBytes);
    FuzzRequire(length < GcvtBufferBytes, "the text is not terminated within 32 bytes");
    if (!std::isfinite(value)) return 0;

    const int kept = digits < 1 ? 1 : digits > 17 ? 17 : digits;
    char* end = nullptr;
    const double back = strtod(buffer.get(), &end);
    FuzzRequire(end == buffer.get() + length, "the text is not one number");
    if (value == 0.0) {
        FuzzRequire(back == 0.0, "zero reads back as another number");
        return 0;
    }
    const long double magnitude = std::fabs(static_cast<long double>(value));
    // The decimal exponent; where the logarithm and the 17-digit text
    // disagree (a value just below a power of ten) the larger one is taken,
    // which only widens the allowance.
    char probe[40];
    snprintf(probe, sizeof probe, "%.16e", value);
    const int exponent = std::max(static_cast<int>(std::floor(std::log10(magnitude))), atoi(strchr(probe, 'e') + 1));
    const long double unit = std::pow(10.0L, exponent - kept + 1);
    const long double slack = std::fabs(std::nextafter(back, 0.0) - back) + 1e-4L * unit;
    FuzzRequire(std::fabs(static_cast<long double>(back) - value) <= unit / 2 + slack,
                "the text is further from the value than its last digit allows");
    return 0;
}
