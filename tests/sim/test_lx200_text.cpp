// The simulator's text forms: what the telescope writes for angles, times and dates, and which
// texts it accepts from a client. Golden values follow the handbox's fixed-position forms; the
// degree sign is the byte 223.
#include "sim/LX200Text.h"

#include <gtest/gtest.h>

namespace teleon::sim::text {
namespace {

struct FormatRow {
    double value;
    bool longFormat;
    const char* expected;
};

class FormatHours : public ::testing::TestWithParam<FormatRow> {};
TEST_P(FormatHours, Writes) {
    EXPECT_EQ(formatHours(GetParam().value, GetParam().longFormat),
              QByteArray(GetParam().expected));
}
INSTANTIATE_TEST_SUITE_P(
    Rows, FormatHours,
    ::testing::Values(FormatRow{5.575, true, "05:34:30"}, FormatRow{5.575, false, "05:34.5"},
                      FormatRow{0.0, true, "00:00:00"}, FormatRow{23.99999, true, "23:59:59"},
                      FormatRow{23.99999, false, "23:59.9"}, FormatRow{24.0, true, "00:00:00"},
                      FormatRow{-1.0, true, "23:00:00"},
                      FormatRow{12.5 + 59.99 / 3600, true, "12:30:59"}));

class FormatSigned : public ::testing::TestWithParam<FormatRow> {};
TEST_P(FormatSigned, Writes) {
    EXPECT_EQ(formatSignedDegrees(GetParam().value, GetParam().longFormat),
              QByteArray(GetParam().expected));
}
INSTANTIATE_TEST_SUITE_P(Rows, FormatSigned,
                         ::testing::Values(FormatRow{-(5 + 23.0 / 60 + 28.0 / 3600), true,
                                                     "-05\xDF"
                                                     "23'28"},
                                           FormatRow{-(5 + 23.0 / 60 + 28.0 / 3600), false,
                                                     "-05\xDF"
                                                     "23"},
                                           FormatRow{22 + 1.0 / 60, false,
                                                     "+22\xDF"
                                                     "01"},
                                           FormatRow{0.0, true,
                                                     "+00\xDF"
                                                     "00'00"},
                                           FormatRow{90.0, true,
                                                     "+90\xDF"
                                                     "00'00"},
                                           FormatRow{-0.5, false,
                                                     "-00\xDF"
                                                     "30"}));

class FormatAzimuth : public ::testing::TestWithParam<FormatRow> {};
TEST_P(FormatAzimuth, Writes) {
    EXPECT_EQ(formatAzimuth(GetParam().value, GetParam().longFormat),
              QByteArray(GetParam().expected));
}
INSTANTIATE_TEST_SUITE_P(Rows, FormatAzimuth,
                         ::testing::Values(FormatRow{180 + 27.0 / 60 + 10.0 / 3600, true,
                                                     "180\xDF"
                                                     "27'10"},
                                           FormatRow{180 + 27.0 / 60, false,
                                                     "180\xDF"
                                                     "27"},
                                           FormatRow{370.0, false,
                                                     "010\xDF"
                                                     "00"},
                                           FormatRow{-90.0, true,
                                                     "270\xDF"
                                                     "00'00"}));

TEST(LX200Text, SiteTimeAndDateForms) {
    EXPECT_EQ(formatLatitude(33 + 25.0 / 60), QByteArray("+33\xDF"
                                                         "25"));
    EXPECT_EQ(formatLatitude(-(33 + 25.0 / 60)), QByteArray("-33\xDF"
                                                            "25"));
    EXPECT_EQ(formatLongitude(111 + 50.0 / 60), QByteArray("111\xDF"
                                                           "50"));
    EXPECT_EQ(formatLongitude(348.5), QByteArray("348\xDF"
                                                 "30"));
    EXPECT_EQ(formatTimeOfDay(21 * 3600 + 5 * 60 + 9), QByteArray("21:05:09"));
    EXPECT_EQ(formatDate(QDate(1999, 3, 5)), QByteArray("03/05/99"));
    EXPECT_EQ(formatDate(QDate(2001, 3, 5)), QByteArray("03/05/01"));
    EXPECT_EQ(formatUtcOffset(7), QByteArray("+07"));
    EXPECT_EQ(formatUtcOffset(-5), QByteArray("-05"));
}

struct ParseRow {
    const char* text;
    std::optional<double> expected;
};

class ParseHours : public ::testing::TestWithParam<ParseRow> {};
TEST_P(ParseHours, Reads) {
    const auto got = parseHours(GetParam().text);
    ASSERT_EQ(got.has_value(), GetParam().expected.has_value()) << GetParam().text;
    if (got) {
        EXPECT_NEAR(*got, *GetParam().expected, 1e-9);
    }
}
INSTANTIATE_TEST_SUITE_P(
    Rows, ParseHours,
    ::testing::Values(ParseRow{"05:34:30", 5.575}, ParseRow{" 05:34:30", 5.575},
                      ParseRow{"05:34.5", 5.575},
                      ParseRow{"23:59:59", 23 + 59 / 60.0 + 59 / 3600.0},
                      ParseRow{"25:00:00", std::nullopt}, ParseRow{"24:00:00", std::nullopt},
                      ParseRow{"12:60:00", std::nullopt}, ParseRow{"12:00:60", std::nullopt},
                      ParseRow{"12:00", std::nullopt}, ParseRow{"1:00:00", std::nullopt},
                      ParseRow{"ab:cd:ef", std::nullopt}, ParseRow{"12:00:00x", std::nullopt},
                      ParseRow{"", std::nullopt}));

class ParseDec : public ::testing::TestWithParam<ParseRow> {};
TEST_P(ParseDec, Reads) {
    const auto got = parseSignedDegrees(GetParam().text, 90.0);
    ASSERT_EQ(got.has_value(), GetParam().expected.has_value()) << GetParam().text;
    if (got) {
        EXPECT_NEAR(*got, *GetParam().expected, 1e-9);
    }
}
INSTANTIATE_TEST_SUITE_P(
    Rows, ParseDec,
    ::testing::Values(ParseRow{"+45*15:00", 45.25},
                      ParseRow{"-05\xDF"
                               "23:28",
                               -5.391111111111},
                      ParseRow{"-05\xDF"
                               "23'28",
                               -5.391111111111},
                      ParseRow{"+22*01", 22 + 1 / 60.0},
                      ParseRow{"-012\xDF"
                               "30:00",
                               -12.5}, // the three-digit form clients write
                      ParseRow{"045\xDF"
                               "15:00",
                               45.25},
                      ParseRow{"+89\xDF"
                               "59'59\"",
                               89 + 59 / 60.0 + 59 / 3600.0}, // with a seconds mark
                      ParseRow{"+89\xDF"
                               "59'59\"\"",
                               std::nullopt},
                      ParseRow{"00:00:00", 0.0}, ParseRow{"+90*00:00", 90.0},
                      ParseRow{"-90*00", -90.0}, ParseRow{"+90*00:01", std::nullopt},
                      ParseRow{"+91*00", std::nullopt}, ParseRow{"+45*60", std::nullopt},
                      ParseRow{"+45*10:60", std::nullopt}, ParseRow{"+45*1", std::nullopt},
                      ParseRow{"+4515", std::nullopt}, ParseRow{"abc", std::nullopt},
                      ParseRow{"", std::nullopt}));

TEST(LX200Text, ParsesSiteValues) {
    EXPECT_NEAR(*parseSignedDegrees("33\xDF"
                                    "25",
                                    90),
                33 + 25 / 60.0, 1e-9);
    EXPECT_NEAR(*parseSignedDegrees("-0\xDF"
                                    "30",
                                    90),
                -0.5, 1e-9);
    EXPECT_NEAR(*parseLongitude("111\xDF"
                                "50"),
                111 + 50 / 60.0, 1e-9);
    EXPECT_NEAR(*parseLongitude("348\xDF"
                                "30"),
                348.5, 1e-9);
    EXPECT_FALSE(parseLongitude("361\xDF"
                                "00"));
    EXPECT_FALSE(parseLongitude("-10\xDF"
                                "00"));
    EXPECT_EQ(parseUtcOffset("+07"), 7);
    EXPECT_EQ(parseUtcOffset("-05"), -5);
    EXPECT_EQ(parseUtcOffset("07"), 7);
    EXPECT_FALSE(parseUtcOffset("+25"));
    EXPECT_FALSE(parseUtcOffset("+7a"));
}

TEST(LX200Text, ParsesTimeAndDate) {
    EXPECT_EQ(parseTimeOfDay("21:05:09"), 21 * 3600 + 5 * 60 + 9);
    EXPECT_FALSE(parseTimeOfDay("24:00:00"));
    EXPECT_FALSE(parseTimeOfDay("12:34"));
    EXPECT_EQ(parseDate("03/05/99"), QDate(1999, 3, 5));
    EXPECT_EQ(parseDate("03/05/01"), QDate(2001, 3, 5));
    EXPECT_EQ(parseDate("02/29/24"), QDate(2024, 2, 29));
    EXPECT_FALSE(parseDate("02/29/23"));
    EXPECT_FALSE(parseDate("13/01/24"));
    EXPECT_FALSE(parseDate("00/10/24"));
    EXPECT_FALSE(parseDate("04/31/24"));
    EXPECT_FALSE(parseDate("3/5/99"));
    EXPECT_FALSE(parseDate("03-05-99"));
}

} // namespace
} // namespace teleon::sim::text
