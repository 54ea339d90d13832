// The simulator's text forms: what the telescope writes for angles, times and dates, and which
// texts it accepts from a client. Golden values follow the handbox's fixed-position forms. In
// the strings "\337" is the degree sign, byte 223 (octal, so that digits may follow it).
#include "sim/LX200Text.h"

#include <gtest/gtest.h>

namespace teleon::sim::text {
namespace {

// Seconds and tenths of minutes are truncated, not rounded.
TEST(LX200Text, Formats) {
    const double m42 = -(5 + 23.0 / 60 + 28.0 / 3600);
    const struct {
        QByteArray (*format)(double, bool);
        double value;
        bool longFormat;
        const char* expected;
    } rows[] = {{formatHours, 5.575, true, "05:34:30"},
                {formatHours, 5.575, false, "05:34.5"},
                {formatHours, 23.99999, true, "23:59:59"},
                {formatHours, 23.99999, false, "23:59.9"},
                {formatHours, 24.0, true, "00:00:00"},
                {formatHours, -1.0, true, "23:00:00"},
                {formatSignedDegrees, m42, true, "-05\33723'28"},
                {formatSignedDegrees, m42, false, "-05\33723"},
                {formatSignedDegrees, 22 + 1.0 / 60, false, "+22\33701"},
                {formatSignedDegrees, 90.0, true, "+90\33700'00"},
                {formatSignedDegrees, -0.5, false, "-00\33730"},
                {formatAzimuth, 180 + 27.0 / 60 + 10.0 / 3600, true, "180\33727'10"},
                {formatAzimuth, 180 + 27.0 / 60, false, "180\33727"},
                {formatAzimuth, 370.0, false, "010\33700"},
                {formatAzimuth, -90.0, true, "270\33700'00"}};
    for (const auto& row : rows)
        EXPECT_EQ(row.format(row.value, row.longFormat), QByteArray(row.expected)) << row.expected;
}

std::optional<double> dec(const QByteArray& text) {
    return parseSignedDegrees(text, 90.0);
}

// "24:00:00" is a client's rounding carried up to midnight (23:59:59.6 in whole seconds);
// "-012*30:00" is the three-digit form clients write, "+89*59'59\"" has a seconds mark.
TEST(LX200Text, ParsesAnglesAndHours) {
    const struct {
        std::optional<double> (*parse)(const QByteArray&);
        const char* text;
        double expected;
    } accepted[] = {{parseHours, "05:34:30", 5.575},
                    {parseHours, " 05:34:30", 5.575},
                    {parseHours, "05:34.5", 5.575},
                    {parseHours, "23:59:59", 23 + 59 / 60.0 + 59 / 3600.0},
                    {parseHours, "24:00:00", 0.0},
                    {dec, "+45*15:00", 45.25},
                    {dec, "-05\33723'28", -5.391111111111},
                    {dec, "+22*01", 22 + 1 / 60.0},
                    {dec, "-012\33730:00", -12.5},
                    {dec, "045\33715:00", 45.25},
                    {dec, "33\33725", 33 + 25 / 60.0},
                    {dec, "-0\33730", -0.5},
                    {dec, "+89\33759'59\"", 89 + 59 / 60.0 + 59 / 3600.0},
                    {dec, "00:00:00", 0.0},
                    {dec, "+90*00:00", 90.0},
                    {dec, "-90*00", -90.0},
                    {parseLongitude, "111\33750", 111 + 50 / 60.0},
                    {parseLongitude, "348\33730", 348.5}};
    for (const auto& row : accepted) {
        const auto got = row.parse(row.text);
        ASSERT_TRUE(got) << row.text;
        EXPECT_NEAR(*got, row.expected, 1e-9) << row.text;
    }
    for (const char* bad : {"24:00:01", "24:00.0", "25:00:00", "12:60:00", "12:00:60", "12:00",
                            "1:00:00", "ab:cd:ef", "12:00:00x", ""})
        EXPECT_FALSE(parseHours(bad)) << bad;
    for (const char* bad : {"+89\33759'59\"\"", "+90*00:01", "+91*00", "+45*60", "+45*10:60",
                            "+45*1", "+4515", "abc", ""})
        EXPECT_FALSE(dec(bad)) << bad;
    for (const char* bad : {"361\33700", "-10\33700"})
        EXPECT_FALSE(parseLongitude(bad)) << bad;
}

TEST(LX200Text, ParsesOffsetTimeAndDate) {
    EXPECT_EQ(parseUtcOffset("+07"), 7);
    EXPECT_EQ(parseUtcOffset("-05"), -5);
    EXPECT_EQ(parseUtcOffset("07"), 7);
    EXPECT_FALSE(parseUtcOffset("+25"));
    EXPECT_FALSE(parseUtcOffset("+7a"));
    EXPECT_EQ(parseTimeOfDay("21:05:09"), 21 * 3600 + 5 * 60 + 9);
    EXPECT_FALSE(parseTimeOfDay("24:00:00"));
    EXPECT_FALSE(parseTimeOfDay("12:34"));
    EXPECT_EQ(parseDate("03/05/99"), QDate(1999, 3, 5));
    EXPECT_EQ(parseDate("03/05/01"), QDate(2001, 3, 5));
    EXPECT_EQ(parseDate("02/29/24"), QDate(2024, 2, 29));
    for (const char* bad : {"02/29/23", "13/01/24", "00/10/24", "04/31/24", "3/5/99", "03-05-99"})
        EXPECT_FALSE(parseDate(bad)) << bad;
}

} // namespace
} // namespace teleon::sim::text
