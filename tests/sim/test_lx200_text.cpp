// The simulator's text forms: what the telescope writes for angles, times and dates, and which
// texts it accepts from a client. Golden values follow the handbox's fixed-position forms. In
// the strings "\337" is the degree sign, byte 223 (octal, so that digits may follow it).
#include "sim/LX200Text.h"

#include <gtest/gtest.h>

namespace teleon::sim::text {
namespace {

struct FormatRow {
    QByteArray (*format)(double, bool);
    double value;
    bool longFormat;
    const char* expected;
};

class Format : public ::testing::TestWithParam<FormatRow> {};
TEST_P(Format, Writes) {
    const FormatRow& row = GetParam();
    EXPECT_EQ(row.format(row.value, row.longFormat), QByteArray(row.expected)) << row.expected;
}
INSTANTIATE_TEST_SUITE_P(
    Rows, Format,
    ::testing::Values(
        FormatRow{formatHours, 5.575, true, "05:34:30"},
        FormatRow{formatHours, 5.575, false, "05:34.5"},
        FormatRow{formatHours, 23.99999, true, "23:59:59"}, // truncated
        FormatRow{formatHours, 23.99999, false, "23:59.9"},
        FormatRow{formatHours, 24.0, true, "00:00:00"},
        FormatRow{formatHours, -1.0, true, "23:00:00"},
        FormatRow{formatSignedDegrees, -(5 + 23.0 / 60 + 28.0 / 3600), true, "-05\33723'28"},
        FormatRow{formatSignedDegrees, -(5 + 23.0 / 60 + 28.0 / 3600), false, "-05\33723"},
        FormatRow{formatSignedDegrees, 22 + 1.0 / 60, false, "+22\33701"},
        FormatRow{formatSignedDegrees, 90.0, true, "+90\33700'00"},
        FormatRow{formatSignedDegrees, -0.5, false, "-00\33730"},
        FormatRow{formatAzimuth, 180 + 27.0 / 60 + 10.0 / 3600, true, "180\33727'10"},
        FormatRow{formatAzimuth, 180 + 27.0 / 60, false, "180\33727"},
        FormatRow{formatAzimuth, 370.0, false, "010\33700"},
        FormatRow{formatAzimuth, -90.0, true, "270\33700'00"}));

struct ParseRow {
    std::optional<double> (*parse)(const QByteArray&);
    const char* text;
    std::optional<double> expected;
};

std::optional<double> dec(const QByteArray& text) {
    return parseSignedDegrees(text, 90.0);
}

class Parse : public ::testing::TestWithParam<ParseRow> {};
TEST_P(Parse, Reads) {
    const auto got = GetParam().parse(GetParam().text);
    ASSERT_EQ(got.has_value(), GetParam().expected.has_value()) << GetParam().text;
    if (got) {
        EXPECT_NEAR(*got, *GetParam().expected, 1e-9) << GetParam().text;
    }
}
INSTANTIATE_TEST_SUITE_P(
    Rows, Parse,
    ::testing::Values(
        ParseRow{parseHours, "05:34:30", 5.575}, ParseRow{parseHours, " 05:34:30", 5.575},
        ParseRow{parseHours, "05:34.5", 5.575},
        ParseRow{parseHours, "23:59:59", 23 + 59 / 60.0 + 59 / 3600.0},
        // A client's rounding carried up to midnight (23:59:59.6 written with whole seconds).
        ParseRow{parseHours, "24:00:00", 0.0}, ParseRow{parseHours, "24:00:01", std::nullopt},
        ParseRow{parseHours, "24:00.0", std::nullopt},
        ParseRow{parseHours, "25:00:00", std::nullopt},
        ParseRow{parseHours, "12:60:00", std::nullopt},
        ParseRow{parseHours, "12:00:60", std::nullopt}, ParseRow{parseHours, "12:00", std::nullopt},
        ParseRow{parseHours, "1:00:00", std::nullopt},
        ParseRow{parseHours, "ab:cd:ef", std::nullopt},
        ParseRow{parseHours, "12:00:00x", std::nullopt}, ParseRow{parseHours, "", std::nullopt},
        ParseRow{dec, "+45*15:00", 45.25}, ParseRow{dec, "-05\33723'28", -5.391111111111},
        ParseRow{dec, "+22*01", 22 + 1 / 60.0},
        ParseRow{dec, "-012\33730:00", -12.5}, // the three-digit form clients write
        ParseRow{dec, "045\33715:00", 45.25}, ParseRow{dec, "33\33725", 33 + 25 / 60.0},
        ParseRow{dec, "-0\33730", -0.5},
        ParseRow{dec, "+89\33759'59\"", 89 + 59 / 60.0 + 59 / 3600.0}, // with a seconds mark
        ParseRow{dec, "+89\33759'59\"\"", std::nullopt}, ParseRow{dec, "00:00:00", 0.0},
        ParseRow{dec, "+90*00:00", 90.0}, ParseRow{dec, "-90*00", -90.0},
        ParseRow{dec, "+90*00:01", std::nullopt}, ParseRow{dec, "+91*00", std::nullopt},
        ParseRow{dec, "+45*60", std::nullopt}, ParseRow{dec, "+45*10:60", std::nullopt},
        ParseRow{dec, "+45*1", std::nullopt}, ParseRow{dec, "+4515", std::nullopt},
        ParseRow{dec, "abc", std::nullopt}, ParseRow{dec, "", std::nullopt},
        ParseRow{parseLongitude, "111\33750", 111 + 50 / 60.0},
        ParseRow{parseLongitude, "348\33730", 348.5},
        ParseRow{parseLongitude, "361\33700", std::nullopt},
        ParseRow{parseLongitude, "-10\33700", std::nullopt}));

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
