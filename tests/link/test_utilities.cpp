// The telescope's text forms and the locale-neutral numbers.
//
// Golden rows come from the telescope's documented forms and from values worked out by hand
// (degrees + minutes / 60 + seconds / 3600); round trips come on top of them.
#include "link/Utilities.h"
#include "platform/LocaleSeparators.h"

#include <QByteArray>
#include <QLocale>

#include <gtest/gtest.h>

#include <clocale>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>

namespace teleon {
namespace {

const QChar kDeg = QChar(0xDF); // the telescope's degree sign as the program holds it

// Builds a telescope text; "*" stands for the degree byte.
QString Scope(const char* text) {
    QString s = QString::fromLatin1(text);
    s.replace(QLatin1Char('*'), kDeg);
    return s;
}

// Restores the separators a test changed.
class SeparatorGuard {
public:
    SeparatorGuard() : decimal_(DecimalSep), thousands_(ThousandSep) {}
    ~SeparatorGuard() {
        DecimalSep = decimal_;
        ThousandSep = thousands_;
    }

private:
    QChar decimal_;
    QChar thousands_;
};

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

// ---------------------------------------------------------------- ParseScopeAngle

struct AngleRow {
    const char* text; // "*" is the degree byte unless the row tests "*" itself
    bool literal;     // use the text as it is (no "*" replacement)
    double degrees;
};

class ParseScopeAngleRows : public testing::TestWithParam<AngleRow> {};

TEST_P(ParseScopeAngleRows, ReadsDegrees) {
    const AngleRow& row = GetParam();
    const QString text = row.literal ? QString::fromUtf8(row.text) : Scope(row.text);
    EXPECT_NEAR(ParseScopeAngle(text), row.degrees, 1e-12) << row.text;
}

INSTANTIATE_TEST_SUITE_P(
    TelescopeForms, ParseScopeAngleRows,
    testing::Values(
        // The forms the telescope sends.
        AngleRow{"-05*23'28", false, -(5 + 23 / 60.0 + 28 / 3600.0)}, // -5.391111...
        AngleRow{"+22*01", false, 22 + 1 / 60.0},                     // 22.016666...
        AngleRow{"180*27", false, 180.45},
        AngleRow{"180*27'10", false, 180 + 27 / 60.0 + 10 / 3600.0},
        AngleRow{"+89*59'59", false, 89 + 59 / 60.0 + 59 / 3600.0},
        AngleRow{"-89*59'59", false, -(89 + 59 / 60.0 + 59 / 3600.0)},
        AngleRow{"+00*00", false, 0.0}, AngleRow{"000*00'00", false, 0.0},
        AngleRow{"359*59'59", false, 359 + 59 / 60.0 + 59 / 3600.0},
        // A negative angle under one degree: the sign covers minutes and seconds too.
        AngleRow{"-00*30'00", false, -0.5}, AngleRow{"-00*00'01", false, -1 / 3600.0},
        // The degree sign and separators are not examined.
        AngleRow{"-05*23'28", true, -(5 + 23 / 60.0 + 28 / 3600.0)},
        AngleRow{"-05*23:28", true, -(5 + 23 / 60.0 + 28 / 3600.0)},
        AngleRow{"-05\xC3\x9F"
                 "23:28",
                 true, -(5 + 23 / 60.0 + 28 / 3600.0)}, // UTF-8 for U+00DF
        AngleRow{"-05 23 28", true, -(5 + 23 / 60.0 + 28 / 3600.0)},
        AngleRow{"180#27#10", true, 180 + 27 / 60.0 + 10 / 3600.0},
        // What the program itself writes, signed three-digit degrees.
        AngleRow{"-012*30:00", false, -12.5}, AngleRow{"045*15:00", false, 45.25},
        AngleRow{"-123*45:36", false, -(123 + 45 / 60.0 + 36 / 3600.0)},
        AngleRow{"-012*30", false, -12.5},
        AngleRow{"+122*30", false, 122.5}, // a signed three-digit longitude
        // Site replies with "x00x" appended to read as zero seconds.
        AngleRow{"-05*23x00x", false, -(5 + 23 / 60.0)}, AngleRow{"122*30x00x", false, 122.5},
        AngleRow{"+122*30x00x", false, 122.5}, AngleRow{"-075*05x00x", false, -(75 + 5 / 60.0)},
        // Text after the seconds is not examined.
        AngleRow{"+22*01'05#", false, 22 + 1 / 60.0 + 5 / 3600.0},
        // Blanks before a field's digits, and text after them within the field, as in
        // "12° 3' 0\"" (whole degrees, unpadded minutes).
        AngleRow{"12\xC2\xB0 3' 0\"", true, 12.05},
        AngleRow{"-12\xC2\xB0"
                 "3' 0\"",
                 true, -12.05}));

class ParseScopeAngleErrors : public testing::TestWithParam<const char*> {};

TEST_P(ParseScopeAngleErrors, ThrowsScopeTextError) {
    const QString text = Scope(GetParam());
    EXPECT_THROW(ParseScopeAngle(text), ScopeTextError) << GetParam();
    EXPECT_THROW(ParseScopeAngleRad(text), ScopeTextError) << GetParam();
}

INSTANTIATE_TEST_SUITE_P(Malformed, ParseScopeAngleErrors,
                         testing::Values("", "-", "+", "+2", "+22", "+22*", "+22*0", "180*2", "-0",
                                         "abc*de", "+ab*01", "+22*ab", "-05*23'", "-05*23'2",
                                         "-05*23'xx", "-012*3", "***", "       ", "+-5*23'28",
                                         "--05*23"));

TEST(ParseScopeAngleRad, IsDegreesTimesTwoPiOver360) {
    // The program's pi is 3.14159265358979.
    EXPECT_DOUBLE_EQ(ParseScopeAngleRad(Scope("180*00")), 3.14159265358979);
    EXPECT_DOUBLE_EQ(ParseScopeAngleRad(Scope("-090*00:00")), -3.14159265358979 / 2);
    EXPECT_NEAR(ParseScopeAngleRad(Scope("-05*23'28")), -0.0940926392297, 1e-12);
}

// ---------------------------------------------------------------- ParseScopeHours

struct HoursRow {
    const char* text;
    double hours;
};

class ParseScopeHoursRows : public testing::TestWithParam<HoursRow> {};

TEST_P(ParseScopeHoursRows, ReadsHours) {
    const HoursRow& row = GetParam();
    EXPECT_NEAR(ParseScopeHours(QString::fromLatin1(row.text)), row.hours, 1e-12) << row.text;
    EXPECT_NEAR(ParseScopeHoursDeg(QString::fromLatin1(row.text)), row.hours * 15, 1e-11)
        << row.text;
}

INSTANTIATE_TEST_SUITE_P(
    TelescopeForms, ParseScopeHoursRows,
    testing::Values(HoursRow{"05:34.5", 5.575}, HoursRow{"05:34:30", 5.575},
                    HoursRow{"00:00.0", 0.0}, HoursRow{"00:00:00", 0.0},
                    HoursRow{"23:59.9", 23 + 59.9 / 60},
                    HoursRow{"23:59:59", 23 + 59 / 60.0 + 59 / 3600.0},
                    HoursRow{"12:00", 12.0}, // short form without tenths
                    HoursRow{"12:07.", 12 + 7 / 60.0},
                    HoursRow{"05 34 30", 5.575},  // separators are not examined
                    HoursRow{"05h34m30s", 5.575}, // nor what follows the seconds
                    HoursRow{"05:34:30#", 5.575}, HoursRow{"24:00:00", 24.0}, // no wrap
                    HoursRow{"05: 4.5", 5 + 4.5 / 60})); // blank before the digits

class ParseScopeHoursErrors : public testing::TestWithParam<const char*> {};

TEST_P(ParseScopeHoursErrors, ThrowsScopeTextError) {
    EXPECT_THROW(ParseScopeHours(QString::fromLatin1(GetParam())), ScopeTextError) << GetParam();
    EXPECT_THROW(ParseScopeHoursDeg(QString::fromLatin1(GetParam())), ScopeTextError) << GetParam();
}

INSTANTIATE_TEST_SUITE_P(Malformed, ParseScopeHoursErrors,
                         testing::Values("", "0", "05", "05:", "05:.", "05:ab", "xx:34:30",
                                         "-5:34:30", "05:ab:30", "05:34:xx", "  :34.5", "05:-4.5"));

// ---------------------------------------------------------------- FormatScopeHours

struct FormatRow {
    double value;
    const char* text; // "*" is the degree byte
};

class FormatScopeHoursRows : public testing::TestWithParam<FormatRow> {};

TEST_P(FormatScopeHoursRows, WritesLongFormat) {
    EXPECT_EQ(FormatScopeHours(GetParam().value), QString::fromLatin1(GetParam().text))
        << GetParam().value;
}

INSTANTIATE_TEST_SUITE_P(
    Golden, FormatScopeHoursRows,
    testing::Values(
        FormatRow{5.575, "05:34:30"}, FormatRow{0.0, "00:00:00"}, FormatRow{12.5, "12:30:00"},
        FormatRow{1.0 / 3600, "00:00:01"}, FormatRow{23 + 59 / 60.0 + 59 / 3600.0, "23:59:59"},
        // 59.64 seconds round to 60 and carry twice; no wrap at 24.
        FormatRow{23.9999, "24:00:00"}, FormatRow{24.5, "24:30:00"},
        FormatRow{99.99999, "100:00:00"},
        // One carry only: seconds into minutes.
        FormatRow{5 + 34 / 60.0 + 59.7 / 3600, "05:35:00"},
        // Seconds with a half round to the even neighbour.
        FormatRow{5 + 34 / 60.0 + 29.5 / 3600, "05:34:30"},
        FormatRow{5 + 34 / 60.0 + 30.5 / 3600, "05:34:30"}, FormatRow{1 + 0.5 / 3600, "01:00:00"},
        FormatRow{1 + 1.5 / 3600, "01:00:02"}, FormatRow{1 + 2.5 / 3600, "01:00:02"},
        FormatRow{1 + 59 / 60.0 + 58.5 / 3600, "01:59:58"},
        FormatRow{1 + 59 / 60.0 + 59.5 / 3600, "02:00:00"},
        FormatRow{1 + 29.4999 / 3600, "01:00:29"}, FormatRow{1 + 29.5001 / 3600, "01:00:30"},
        // A negative time keeps its sign in front.
        FormatRow{-1.5, "-01:30:00"}));

TEST(FormatScopeHoursDeg, IsHoursOfDegreesOver15) {
    EXPECT_EQ(FormatScopeHoursDeg(83.625), QStringLiteral("05:34:30"));
    EXPECT_EQ(FormatScopeHoursDeg(0.0), QStringLiteral("00:00:00"));
    EXPECT_EQ(FormatScopeHoursDeg(359.9996), QStringLiteral("24:00:00"));
    EXPECT_EQ(FormatScopeHoursDeg(187.5), QStringLiteral("12:30:00"));
}

// ---------------------------------------------------------------- FormatScopeAngle

class FormatScopeAngleRows : public testing::TestWithParam<FormatRow> {};

TEST_P(FormatScopeAngleRows, WritesDegreesMinutesSeconds) {
    EXPECT_EQ(FormatScopeAngle(GetParam().value), Scope(GetParam().text)) << GetParam().value;
}

INSTANTIATE_TEST_SUITE_P(
    Golden, FormatScopeAngleRows,
    testing::Values(
        FormatRow{-12.5, "-012*30:00"}, FormatRow{45.25, "045*15:00"},
        FormatRow{0.999999, "001*00:00"}, FormatRow{0.0, "000*00:00"},
        FormatRow{180.45, "180*27:00"}, FormatRow{-(5 + 23 / 60.0 + 28 / 3600.0), "-005*23:28"},
        FormatRow{89.999, "089*59:56"}, FormatRow{90.0, "090*00:00"},
        FormatRow{359.99999, "360*00:00"}, FormatRow{-0.5, "-000*30:00"},
        FormatRow{1000.5, "1000*30:00"}, FormatRow{10 + 29.5 / 3600, "010*00:30"},
        FormatRow{10 + 30.5 / 3600, "010*00:30"}, FormatRow{-(10 + 30.5 / 3600), "-010*00:30"},
        FormatRow{10 + 0.5 / 3600, "010*00:00"}, FormatRow{10 + 1.5 / 3600, "010*00:02"},
        FormatRow{10 + 59.5 / 3600, "010*01:00"},
        FormatRow{10 + 59 / 60.0 + 59.5 / 3600, "011*00:00"}));

TEST(FormatScopeText, NonFiniteValuesThrow) {
    for (double bad : {kNaN, kInf, -kInf}) {
        EXPECT_THROW(FormatScopeAngle(bad), NumberFormatError);
        EXPECT_THROW(FormatScopeHours(bad), NumberFormatError);
        EXPECT_THROW(FormatScopeHoursDeg(bad), NumberFormatError);
    }
}

// ---------------------------------------------------------------- ParseNeutralNumber

struct Separators {
    char16_t decimal;
    char16_t thousands;
    const char* name;
};

const Separators kSeparatorSets[] = {
    {u'.', u',', "dot_comma"},        // English
    {u',', u'.', "comma_dot"},        // German
    {u',', u'\u202F', "comma_nnbsp"}, // French (narrow no-break space)
    {u'.', u'\u2019', "dot_quote"},   // Swiss German (right single quotation mark)
    {u',', u'\u00A0', "comma_nbsp"},  // no-break space
};

struct NeutralRow {
    const char* text;
    double value;
};

// Rows that read the same in every locale.
const NeutralRow kNeutralRows[] = {
    {"2.5", 2.5},         {"2,5", 2.5},       {"60", 60.0},       {"60.1", 60.1},
    {"57,9", 57.9},       {"-02.0", -2.0},    {"+05.5", 5.5},     {"-5,5", -5.5},
    {" 57.9 ", 57.9},     {"0.000", 0.0},     {"0", 0.0},         {"007", 7.0},
    {".5", 0.5},          {"5.", 5.0},        {"1e3", 1000.0},    {"2.5E-1", 0.25},
    {"123.456", 123.456}, {"-0.001", -0.001}, {"\t12.5\n", 12.5}, {"\u22122.5", -2.5},
};

// Texts that are not numbers in any locale.
const char* const kNotNumbers[] = {
    "",     " ",   "abc",  "2.5.1", "2,5,1", "1,2.3,4", "60.1#", "--1",  "-",
    ".",    ",",   "1e",   "1e+",   "e5",    "nan",     "inf",   "0x10", "1e999",
    "2 .5", "+-2", "2.5-", "12a",   "#",     "\x01",    "1..2",  "1,,2",
};

class NeutralNumbers : public testing::TestWithParam<Separators> {
protected:
    void SetUp() override {
        DecimalSep = QChar(GetParam().decimal);
        ThousandSep = QChar(GetParam().thousands);
    }
    SeparatorGuard guard_;
};

TEST_P(NeutralNumbers, ReadTheSameInEveryLocale) {
    for (const NeutralRow& row : kNeutralRows) {
        QString text = QString::fromUtf8(row.text);
        const QString before = text;
        EXPECT_DOUBLE_EQ(ParseNeutralNumber(text), row.value) << row.text;
        EXPECT_EQ(text, before) << "the caller's text is left as it was";
    }
}

TEST_P(NeutralNumbers, RejectNonNumbers) {
    for (const char* bad : kNotNumbers)
        EXPECT_THROW(ParseNeutralNumber(QString::fromUtf8(bad)), NumberFormatError) << bad;
}

TEST_P(NeutralNumbers, FormatWithADotInEveryLocale) {
    EXPECT_EQ(FormatNeutralNumber(2.5, QStringLiteral("00.0")), QStringLiteral("02.5"));
    EXPECT_EQ(FormatNeutralNumber(60, QStringLiteral("000")), QStringLiteral("060"));
    EXPECT_EQ(FormatNeutralNumber(57.9, QStringLiteral("00.0")), QStringLiteral("57.9"));
    EXPECT_EQ(FormatNeutralNumber(-2.5, QStringLiteral("000.0")), QStringLiteral("-002.5"));
    EXPECT_EQ(FormatNeutralNumber(12345.6789, QStringLiteral("0.000")),
              QStringLiteral("12345.679")); // no thousands separators
}

INSTANTIATE_TEST_SUITE_P(Separators, NeutralNumbers, testing::ValuesIn(kSeparatorSets));

// Rows where the locale's own reading (text holding DecimalSep) decides.
TEST(ParseNeutralNumber, TextWithTheLocaleMarkReadsAsTheLocaleWrites) {
    SeparatorGuard guard;
    DecimalSep = QLatin1Char('.');
    ThousandSep = QLatin1Char(',');
    EXPECT_DOUBLE_EQ(ParseNeutralNumber(QStringLiteral("1,234.5")), 1234.5);
    EXPECT_DOUBLE_EQ(ParseNeutralNumber(QStringLiteral("1,234")), 1.234); // "," becomes the mark
    EXPECT_THROW(ParseNeutralNumber(QStringLiteral("1.234,5")), NumberFormatError);

    DecimalSep = QLatin1Char(',');
    ThousandSep = QLatin1Char('.');
    EXPECT_DOUBLE_EQ(ParseNeutralNumber(QStringLiteral("1.234,5")), 1234.5);
    EXPECT_DOUBLE_EQ(ParseNeutralNumber(QStringLiteral("1.234")), 1.234); // "." becomes the mark
    EXPECT_THROW(ParseNeutralNumber(QStringLiteral("1,234.5")), NumberFormatError);

    DecimalSep = QLatin1Char(',');
    ThousandSep = QChar(0x202F);
    EXPECT_DOUBLE_EQ(ParseNeutralNumber(QStringLiteral(u"1\u202F234,5")), 1234.5);
}

// ---------------------------------------------------------------- FormatNeutralNumber

struct PatternRow {
    double value;
    const char* pattern;
    const char* text;
};

class FormatNeutralNumberRows : public testing::TestWithParam<PatternRow> {};

TEST_P(FormatNeutralNumberRows, FormatsInEveryLocale) {
    const PatternRow& row = GetParam();
    SeparatorGuard guard;
    for (const Separators& seps : kSeparatorSets) {
        DecimalSep = QChar(seps.decimal);
        ThousandSep = QChar(seps.thousands);
        EXPECT_EQ(FormatNeutralNumber(row.value, QString::fromLatin1(row.pattern)),
                  QString::fromLatin1(row.text))
            << row.value << " with " << row.pattern << " in " << seps.name;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Golden, FormatNeutralNumberRows,
    testing::Values(
        // The program's patterns.
        PatternRow{60, "000", "060"}, PatternRow{2.5, "00.0", "02.5"},
        PatternRow{57.9, "00.0", "57.9"}, PatternRow{60.1, "00.0", "60.1"},
        PatternRow{60.0, "00.0", "60.0"}, PatternRow{5.5, "000.0", "005.5"},
        PatternRow{-2.5, "000.0", "-002.5"}, PatternRow{60, "0.000", "60.000"},
        PatternRow{12.3456, "0.000", "12.346"}, PatternRow{0.0005, "0.000", "0.001"},
        PatternRow{0.00049, "0.000", "0.000"},
        // Half away from zero at the last placeholder, on the decimal value.
        PatternRow{2.25, "0.0", "2.3"}, PatternRow{-2.25, "0.0", "-2.3"},
        PatternRow{0.125, "0.00", "0.13"}, PatternRow{1.005, "0.00", "1.01"},
        PatternRow{2.675, "0.00", "2.68"}, PatternRow{0.1 + 0.2, "0.0", "0.3"},
        PatternRow{1.15 - 1.0, "0.0", "0.2"}, PatternRow{2.5, "000", "003"},
        PatternRow{3.5, "0", "4"}, PatternRow{-3.5, "0", "-4"}, PatternRow{2.4999, "0", "2"},
        PatternRow{9.96, "0.0", "10.0"}, PatternRow{999.95, "000.0", "1000.0"},
        PatternRow{60.1 + 0.1, "00.0", "60.2"}, PatternRow{60.1 - 0.1 - 0.1, "00.0", "59.9"},
        // More digits than placeholders.
        PatternRow{1234.5, "00", "1235"}, PatternRow{1e20, "0", "100000000000000000000"},
        PatternRow{123456789012345678.0, "0", "123456789012346000"},
        // Zero and values rounding to zero carry no sign.
        PatternRow{0.0, "000", "000"}, PatternRow{-0.0, "000", "000"},
        PatternRow{-0.04, "0.0", "0.0"}, PatternRow{1e-20, "0.00", "0.00"},
        // Other patterns of the same kind.
        PatternRow{0.5, ".0", ".5"}, PatternRow{2.5, ".0", "2.5"}, PatternRow{3.14, "0.", "3."},
        PatternRow{0.0, ".00", ".00"}, PatternRow{7, "00000", "00007"},
        PatternRow{0.1 + 0.2, "0.00000000000000000", "0.30000000000000000"}));

TEST(FormatNeutralNumber, RejectsOtherPatternsAndNonFiniteValues) {
    for (const char* pattern : {"", "#", "0,0", "00.0.0", "0.0x", " 0", "0e0", "#,##0", "0.#"})
        EXPECT_THROW(FormatNeutralNumber(1.0, QString::fromLatin1(pattern)), NumberFormatError)
            << pattern;
    for (double bad : {kNaN, kInf, -kInf})
        EXPECT_THROW(FormatNeutralNumber(bad, QStringLiteral("0.0")), NumberFormatError);
}

// ---------------------------------------------------------------- the system locale

// The test is registered twice: under C.UTF-8 and under de_DE.UTF-8, with the decimal mark each
// must yield in TELEON_TEST_DECIMAL_SEP. A missing de_DE.UTF-8 locale fails here.
TEST(SystemLocale, ReadLocaleSeparatorsTakesTheUserLocale) {
    const QString expected = qEnvironmentVariable("TELEON_TEST_DECIMAL_SEP");
    ASSERT_EQ(expected.size(), 1) << "run through ctest: TELEON_TEST_DECIMAL_SEP names the "
                                     "decimal mark the locale in LC_ALL must have";
    // The C library accepted the locale (QCoreApplication set it from the environment), so it
    // is installed on this machine.
    const char* lcAll = std::getenv("LC_ALL");
    const char* active = std::setlocale(LC_NUMERIC, nullptr);
    ASSERT_NE(active, nullptr);
    ASSERT_STREQ(active, lcAll) << "locale " << (lcAll ? lcAll : "(none)")
                                << " is not installed; generate it with locale-gen";
    EXPECT_EQ(QString::fromLatin1(std::localeconv()->decimal_point), expected);

    SeparatorGuard guard;
    DecimalSep = QLatin1Char('?');
    ThousandSep = QLatin1Char('?');
    ReadLocaleSeparators();
    EXPECT_EQ(QString(DecimalSep), expected);
    EXPECT_EQ(DecimalSep, QLocale::system().decimalPoint().front());
    EXPECT_EQ(ThousandSep, QLocale::system().groupSeparator().front());
    EXPECT_NE(DecimalSep, ThousandSep);
    if (expected == QLatin1String(",")) {
        EXPECT_EQ(ThousandSep, QLatin1Char('.'));
    }
}

// The examples that hold "in every locale", in the real user locale of this run.
TEST(SystemLocale, NeutralNumbersHoldInTheUserLocale) {
    SeparatorGuard guard;
    ReadLocaleSeparators();
    EXPECT_DOUBLE_EQ(ParseNeutralNumber(QStringLiteral("2,5")), 2.5);
    EXPECT_DOUBLE_EQ(ParseNeutralNumber(QStringLiteral("2.5")), 2.5);
    EXPECT_DOUBLE_EQ(ParseNeutralNumber(QStringLiteral("60")), 60.0);
    EXPECT_DOUBLE_EQ(ParseNeutralNumber(QStringLiteral("-02.0")), -2.0);
    EXPECT_THROW(ParseNeutralNumber(QStringLiteral("abc")), NumberFormatError);
    EXPECT_EQ(FormatNeutralNumber(2.5, QStringLiteral("00.0")), QStringLiteral("02.5"));
    EXPECT_EQ(FormatNeutralNumber(57.9, QStringLiteral("00.0")), QStringLiteral("57.9"));
    EXPECT_EQ(FormatNeutralNumber(60, QStringLiteral("000")), QStringLiteral("060"));
    EXPECT_EQ(FormatNeutralNumber(0.125, QStringLiteral("0.000")), QStringLiteral("0.125"));
    EXPECT_EQ(FormatNeutralNumber(-12.75, QStringLiteral("000.0")), QStringLiteral("-012.8"));
    // The telescope forms do not depend on the locale.
    EXPECT_EQ(FormatScopeHours(5.575), QStringLiteral("05:34:30"));
    EXPECT_NEAR(ParseScopeHours(QStringLiteral("05:34.5")), 5.575, 1e-12);
}

} // namespace
} // namespace teleon
