// The _gcvt-style number text of the captions.
#include <string>

#include <gtest/gtest.h>

#include "recon/gcvt_format.h"
#include "recon/compute/recon_data.h"

namespace {

std::string Gcvt(double value, int digits) {
    char buffer[GcvtBufferBytes];
    return FormatGcvt(value, digits, buffer);
}

TEST(GcvtFormatTest, WholeAnglesEndInAPoint) {
    for (int a = 0; a < AngleCount; ++a) {
        EXPECT_EQ(Gcvt(a, 5), std::to_string(a) + ".") << a;
    }
    EXPECT_EQ(Gcvt(4.0, 5), "4.");
    EXPECT_EQ(Gcvt(179.0, 5), "179.");
    EXPECT_EQ(Gcvt(-4.0, 5), "-4.");
    EXPECT_EQ(Gcvt(9999.0, 5), "9999.");
}

TEST(GcvtFormatTest, FixedAndExponentForms) {
    EXPECT_EQ(Gcvt(0.5, 5), "0.5");
    EXPECT_EQ(Gcvt(0.1, 5), "0.1");
    EXPECT_EQ(Gcvt(1.5, 5), "1.5");
    EXPECT_EQ(Gcvt(3.14159265, 5), "3.1416");
    EXPECT_EQ(Gcvt(-12.25, 5), "-12.25");
    // All digits before the point: no point at all.
    EXPECT_EQ(Gcvt(12345.0, 5), "12345");
    // Exponent beyond the digits, or below -1: exponent form, three digits.
    EXPECT_EQ(Gcvt(123456.0, 5), "1.2346e+005");
    EXPECT_EQ(Gcvt(100000.0, 5), "1.e+005");
    EXPECT_EQ(Gcvt(0.05, 5), "5.e-002");
    EXPECT_EQ(Gcvt(0.0123456, 5), "1.2346e-002");
    EXPECT_EQ(Gcvt(1.5e300, 5), "1.5e+300");

    EXPECT_EQ(Gcvt(-1234567890.123, 12), "-1234567890.12");
    EXPECT_EQ(Gcvt(-12345678901.23, 12), "-12345678901.2");
    EXPECT_EQ(Gcvt(-123456789012.3, 12), "-123456789012");
    EXPECT_EQ(Gcvt(-1234567890123.0, 12), "-1.23456789012e+012");
    EXPECT_EQ(Gcvt(-0.123456789012, 12), "-0.123456789012");
    EXPECT_EQ(Gcvt(-0.0123456789012, 12), "-1.23456789012e-002");
}

}  // namespace
