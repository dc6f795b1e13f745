#include "persist/ini/numbers.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <limits>

namespace kavtra {
namespace {

TEST(NumericReading, TakesTheNumberAtTheStartOfTheText) {
    EXPECT_EQ(numericReading("250"), 250);
    EXPECT_EQ(numericReading(" 250 "), 250);
    EXPECT_EQ(numericReading("150.5"), 150.5);
    EXPECT_EQ(numericReading("-60"), -60);
    EXPECT_EQ(numericReading("+7"), 7);
    EXPECT_EQ(numericReading(".5"), 0.5);
    EXPECT_EQ(numericReading("5."), 5);
    EXPECT_EQ(numericReading("1.5e3"), 1500);
    EXPECT_EQ(numericReading("25E-1"), 2.5);
    EXPECT_EQ(numericReading("1e+2"), 100);
}

TEST(NumericReading, SkipsBlanksTabsAndLineFeedsAnywhere) {
    EXPECT_EQ(numericReading("1 2 3"), 123);
    EXPECT_EQ(numericReading("\t- 1\n5 . 2 5"), -15.25);
    EXPECT_EQ(numericReading("1 e 2"), 100);
    // A carriage return is not skipped: it ends the number.
    EXPECT_EQ(numericReading("1\r2"), 1);
}

TEST(NumericReading, StopsAtTheFirstOtherCharacterAndGivesZeroWithoutANumber) {
    EXPECT_EQ(numericReading("12abc"), 12);
    EXPECT_EQ(numericReading("1,5"), 1);
    EXPECT_EQ(numericReading("1.2.3"), 1.2);
    EXPECT_EQ(numericReading("3e"), 3);
    EXPECT_EQ(numericReading("3e+"), 3);
    EXPECT_EQ(numericReading("--3"), 0);
    EXPECT_EQ(numericReading("abc"), 0);
    EXPECT_EQ(numericReading(""), 0);
    EXPECT_EQ(numericReading("."), 0);
    EXPECT_EQ(numericReading("-"), 0);
    EXPECT_EQ(numericReading("inf"), 0);
    EXPECT_EQ(numericReading("nan"), 0);
}

TEST(NumericReading, ReadsHexadecimalAndOctalAfterAnAmpersand) {
    EXPECT_EQ(numericReading("&H1F"), 31);
    EXPECT_EQ(numericReading("&hff"), 255);
    EXPECT_EQ(numericReading("&HFFFF"), 65535);
    EXPECT_EQ(numericReading("& H 1 0"), 16);
    EXPECT_EQ(numericReading("&H1G"), 1);
    EXPECT_EQ(numericReading("&O17"), 15);
    EXPECT_EQ(numericReading("&o78"), 7);
    EXPECT_EQ(numericReading("&H"), 0);
    EXPECT_EQ(numericReading("&17"), 0);
    EXPECT_EQ(numericReading("-&H1F"), 0);
}

TEST(NumericReading, NumbersBeyondADoubleReadAsTheLargestOneOrZero) {
    EXPECT_EQ(numericReading("1e400"), DBL_MAX);
    EXPECT_EQ(numericReading("-1e400"), -DBL_MAX);
    EXPECT_EQ(numericReading(std::string(400, '9')), DBL_MAX);
    EXPECT_EQ(numericReading("1e-400"), 0);
    EXPECT_EQ(numericReading("0.000001e-999999999999"), 0);
    EXPECT_EQ(numericReading("0e999999"), 0);
    EXPECT_EQ(numericReading("&H" + std::string(300, 'F')), DBL_MAX);
}

TEST(WholeNumber16, RequiresTheWholeTextToBeAWholeNumberInRange) {
    EXPECT_EQ(wholeNumber16("3"), 3);
    EXPECT_EQ(wholeNumber16("  2\t"), 2);
    EXPECT_EQ(wholeNumber16("-7"), -7);
    EXPECT_EQ(wholeNumber16("+1"), 1);
    EXPECT_EQ(wholeNumber16("007"), 7);
    EXPECT_EQ(wholeNumber16("32767"), 32767);
    EXPECT_EQ(wholeNumber16("-32768"), -32768);
    for (const char* text : {"", " ", "abc", "3abc", "1 2", "1.5", "3.0", "1e2", "&H1", "32768", "-32769",
                             "99999999999999999999", "-", "+"}) {
        EXPECT_EQ(wholeNumber16(text), std::nullopt) << '"' << text << '"';
    }
}

TEST(Rounding, GoesToTheNearestWholeNumberWithHalvesToTheEvenNeighbour) {
    EXPECT_EQ(roundToInt32(150.5), 150);
    EXPECT_EQ(roundToInt32(151.5), 152);
    EXPECT_EQ(roundToInt32(250.5), 250);
    EXPECT_EQ(roundToInt32(0.5), 0);
    EXPECT_EQ(roundToInt32(-0.5), 0);
    EXPECT_EQ(roundToInt32(-1.5), -2);
    EXPECT_EQ(roundToInt32(-2.5), -2);
    EXPECT_EQ(roundToInt32(2.4999), 2);
    EXPECT_EQ(roundToInt32(2.5001), 3);
    EXPECT_EQ(roundToInt16(-60.4), -60);
    EXPECT_EQ(roundToInt16(6200), 6200);
}

TEST(Rounding, ValuesBeyondTheTypeStopAtItsLimitsInsteadOfWrapping) {
    EXPECT_EQ(roundToInt16(32767.4), 32767);
    EXPECT_EQ(roundToInt16(40000), 32767);
    EXPECT_EQ(roundToInt16(-40000), -32768);
    EXPECT_EQ(roundToInt32(3e9), std::numeric_limits<std::int32_t>::max());
    EXPECT_EQ(roundToInt32(-3e9), std::numeric_limits<std::int32_t>::min());
    EXPECT_EQ(roundToInt32(DBL_MAX), std::numeric_limits<std::int32_t>::max());
    EXPECT_EQ(roundToInt32(std::numeric_limits<double>::infinity()), std::numeric_limits<std::int32_t>::max());
    EXPECT_EQ(roundToInt32(std::numeric_limits<double>::quiet_NaN()), 0);
}

TEST(WrittenForm, IsTheSinglePrecisionDecimalTextWithoutALeadingBlank) {
    EXPECT_EQ(writtenForm(1000), "1000");
    EXPECT_EQ(writtenForm(-60), "-60");
    EXPECT_EQ(writtenForm(0), "0");
    EXPECT_EQ(writtenForm(-0.0f), "0");
    EXPECT_EQ(writtenForm(1234.5f), "1234.5");
    EXPECT_EQ(writtenForm(0.1f), "0.1");
    EXPECT_EQ(writtenForm(100000), "100000");
    EXPECT_EQ(writtenForm(1234567), "1234567");
    EXPECT_EQ(writtenForm(16777216), "1.677722e+07");
    // Whatever is written reads back as the same single-precision value
    // within the seven digits that are written.
    for (const float v : {1000.0f, -60.0f, 9300.0f, 0.1f, 1234.5f, 16777216.0f}) {
        EXPECT_FLOAT_EQ(static_cast<float>(numericReading(writtenForm(v))), v) << v;
    }
}

}  // namespace
}  // namespace kavtra
