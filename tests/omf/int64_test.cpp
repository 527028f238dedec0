// The 64-bit helpers: wrapping arithmetic, narrowing with overflow reports,
// text conversion and division.
#include "omf/omf_int64.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>

namespace {

TEST(Int64Helpers, SumsDifferencesAndProductsWrapWithoutErrors) {
    omfInt64 value = 10;
    EXPECT_EQ(omfsSumInt64(5, &value), 0);
    EXPECT_EQ(value, 15);
    EXPECT_EQ(omfsSubInt64fromInt64(20, &value), 0);
    EXPECT_EQ(value, -5);
    EXPECT_EQ(omfsIncInt64(0xFFFFFFFFu, &value), 0);
    EXPECT_EQ(value, 0xFFFFFFFFll - 5);
    value = std::numeric_limits<omfInt64>::max();
    EXPECT_EQ(omfsSumInt64(1, &value), 0);
    EXPECT_EQ(value, std::numeric_limits<omfInt64>::min());
    omfInt64 product = 0;
    EXPECT_EQ(omfsScaleInt64(-3, 1ll << 40, &product), 0);
    EXPECT_EQ(product, -(3ll << 40));
}

TEST(Int64Helpers, NullOutputsAreError177) {
    EXPECT_EQ(omfsSumInt64(1, nullptr), 177);
    EXPECT_EQ(omfsSubInt64fromInt64(1, nullptr), 177);
    EXPECT_EQ(omfsTruncInt64toUInt32(1, nullptr), 177);
    EXPECT_EQ(omfsNarrowInt64toInt32(1, nullptr), 177);
    omfUInt32 high = 0;
    EXPECT_EQ(omfsSplitInt64(1, &high, nullptr), 177);
    omfInt64 quotient = 0;
    EXPECT_EQ(omfsDivInt64(1, 1, &quotient, nullptr), 177);
    EXPECT_EQ(omfsInt64ToText(1, 10, 8, nullptr), 177);
}

TEST(Int64Helpers, TruncationReportsValuesBeyondThirtyTwoUnsignedBits) {
    omfUInt32 result = 0;
    EXPECT_EQ(omfsTruncInt64toUInt32(0xFFFFFFFFll, &result), 0);
    EXPECT_EQ(result, 0xFFFFFFFFu);
    EXPECT_EQ(omfsTruncInt64toUInt32(0x100000002ll, &result), 171);
    EXPECT_EQ(result, 2u); // the low 32 bits are stored all the same
    EXPECT_EQ(omfsTruncInt64toUInt32(-1, &result), 171);
}

TEST(Int64Helpers, NarrowingReportsEveryOutOfRangeValue) {
    omfInt32 result = 0;
    EXPECT_EQ(omfsNarrowInt64toInt32(-2147483648ll, &result), 0);
    EXPECT_EQ(result, std::numeric_limits<omfInt32>::min());
    EXPECT_EQ(omfsNarrowInt64toInt32(2147483647ll, &result), 0);
    // 2^31 has its low 31 bits clear; it still does not fit.
    EXPECT_EQ(omfsNarrowInt64toInt32(2147483648ll, &result), 171);
    EXPECT_EQ(omfsNarrowInt64toInt32(1ll << 40, &result), 171);
}

TEST(Int64Helpers, JoinAndSplitAreInverse) {
    omfInt64 value = 0;
    EXPECT_EQ(omfsJoinInt64(0x12345678u, 0x9ABCDEF0u, &value), 0);
    EXPECT_EQ(value, 0x123456789ABCDEF0ll);
    omfUInt32 high = 0, low = 0;
    EXPECT_EQ(omfsSplitInt64(-2, &high, &low), 0);
    EXPECT_EQ(high, 0xFFFFFFFFu);
    EXPECT_EQ(low, 0xFFFFFFFEu);
    EXPECT_EQ(omfsMaskInt64(0xFF, &value), 0);
    EXPECT_EQ(value, 0xF0);
}

TEST(Int64Helpers, TextConversionWritesDigitsSignAndZero) {
    char text[32];
    EXPECT_EQ(omfsInt64ToText(0, 10, sizeof text, text), 0);
    EXPECT_STREQ(text, "0");
    EXPECT_EQ(omfsInt64ToText(-1234567890123ll, 10, sizeof text, text), 0);
    EXPECT_STREQ(text, "-1234567890123");
    EXPECT_EQ(omfsInt64ToText(10, 2, sizeof text, text), 0);
    EXPECT_STREQ(text, "1010");
    EXPECT_EQ(omfsInt64ToText(std::numeric_limits<omfInt64>::min(), 10, sizeof text, text), 0);
    EXPECT_STREQ(text, "-9223372036854775808");
}

TEST(Int64Helpers, TextThatDoesNotFitBecomesErrCutToTheBuffer) {
    char text[8];
    EXPECT_EQ(omfsInt64ToText(1234567, 10, 8, text), 0); // 7 digits and the NUL fit
    EXPECT_STREQ(text, "1234567");
    EXPECT_EQ(omfsInt64ToText(12345678, 10, 8, text), 0);
    EXPECT_STREQ(text, "*err*");
    EXPECT_EQ(omfsInt64ToText(12345678, 10, 4, text), 0);
    EXPECT_STREQ(text, "*er");
}

TEST(Int64Helpers, DivisionGivesQuotientAndRemainderAndRefusesZero) {
    omfInt64 quotient = 0, remainder = 0;
    EXPECT_EQ(omfsDivInt64(-7, 2, &quotient, &remainder), 0);
    EXPECT_EQ(quotient, -3);
    EXPECT_EQ(remainder, -1);
    EXPECT_EQ(omfsDivInt64(5, 0, &quotient, &remainder), 178);
}

} // namespace
