#include "Utilities.h"

#include "platform/LocaleSeparators.h"

#include <charconv>
#include <cmath>
#include <optional>
#include <string>

namespace teleon {

namespace {

// The value of pi the program uses everywhere.
constexpr double kPi = 3.14159265358979;

// Longest piece of a bad text quoted in an error message.
constexpr qsizetype kQuoteMax = 40;

QString Quote(const QString& text) {
    QString shown = text.size() > kQuoteMax ? text.left(kQuoteMax) + QStringLiteral("...") : text;
    return QLatin1Char('"') + shown + QLatin1Char('"');
}

[[noreturn]] void ThrowScopeText(const QString& text, const QString& problem) {
    throw ScopeTextError(
        QStringLiteral("Unreadable telescope text %1: %2").arg(Quote(text), problem).toStdString());
}

bool IsAsciiDigit(QChar c) {
    return c.unicode() >= u'0' && c.unicode() <= u'9';
}

// Reads the whole number at the start of the field at 1-based positions first .. first+length-1:
// blanks, then digits; what follows the digits inside the field is not examined. The field must
// lie within the text and hold a digit.
double ReadField(const QString& text, qsizetype first, qsizetype length, const char* name) {
    const qsizetype begin = first - 1;
    const qsizetype end = begin + length;
    const QString where =
        QStringLiteral("%1 at characters %2-%3").arg(QLatin1String(name)).arg(first).arg(end);
    if (end > text.size())
        ThrowScopeText(text, QStringLiteral("too short for the ") + where);
    qsizetype i = begin;
    while (i < end && text[i] == u' ')
        ++i;
    if (i == end || !IsAsciiDigit(text[i]))
        ThrowScopeText(text, QStringLiteral("no digits in the ") + where);
    double value = 0.0;
    for (; i < end && IsAsciiDigit(text[i]); ++i)
        value = value * 10.0 + (text[i].unicode() - u'0');
    return value;
}

// Reads the decimal number ("." as decimal mark) at the start of the text from the 1-based
// position first to its end: blanks, digits, optionally "." and digits. Needs one digit.
double ReadDecimalTail(const QString& text, qsizetype first, const char* name) {
    const QString where =
        QStringLiteral("%1 from character %2").arg(QLatin1String(name)).arg(first);
    const qsizetype n = text.size();
    qsizetype i = first - 1;
    if (i >= n)
        ThrowScopeText(text, QStringLiteral("too short for the ") + where);
    while (i < n && text[i] == u' ')
        ++i;
    std::string plain; // the number in the C form that std::from_chars reads
    int digits = 0;
    for (; i < n && IsAsciiDigit(text[i]); ++i, ++digits)
        plain += static_cast<char>(text[i].unicode());
    if (i < n && text[i] == u'.') {
        plain += '.';
        for (++i; i < n && IsAsciiDigit(text[i]); ++i, ++digits)
            plain += static_cast<char>(text[i].unicode());
    }
    if (digits == 0)
        ThrowScopeText(text, QStringLiteral("no digits in the ") + where);
    double value = 0.0;
    const std::from_chars_result read =
        std::from_chars(plain.data(), plain.data() + plain.size(), value, std::chars_format::fixed);
    if (read.ec != std::errc() || !std::isfinite(value))
        ThrowScopeText(text, QStringLiteral("out of range: the ") + where);
    return value;
}

// Rounds seconds to the nearest whole number, halves to the even neighbour. The value is first
// rounded to a microsecond so that a half which arithmetic left at 29.4999999... still counts as
// a half.
double RoundSecondsHalfEven(double seconds) {
    const double q = std::round(seconds * 1e6) / 1e6;
    const double whole = std::floor(q);
    const double fraction = q - whole;
    if (fraction > 0.5)
        return whole + 1.0;
    if (fraction < 0.5)
        return whole;
    return std::fmod(whole, 2.0) == 0.0 ? whole : whole + 1.0;
}

// A whole, non-negative number with at least width digits.
QString Digits(double wholeNumber, int width) {
    return QString::number(wholeNumber, 'f', 0).rightJustified(width, QLatin1Char('0'));
}

struct Sexagesimal {
    double whole;
    double minutes;
    double seconds;
};

// Splits a non-negative value into its whole part, whole minutes and rounded seconds, carrying a
// rounded 60 seconds into the minutes and then 60 minutes into the whole part.
Sexagesimal Split(double value) {
    Sexagesimal s;
    s.whole = std::trunc(value);
    double r = (value - s.whole) * 60.0;
    s.minutes = std::trunc(r);
    r = (r - s.minutes) * 60.0;
    s.seconds = RoundSecondsHalfEven(r);
    if (s.seconds >= 60.0) {
        s.seconds = 0.0;
        s.minutes += 1.0;
        if (s.minutes >= 60.0) {
            s.minutes = 0.0;
            s.whole += 1.0;
        }
    }
    return s;
}

void RequireFinite(double value, const char* function) {
    if (!std::isfinite(value))
        throw NumberFormatError(std::string(function) + ": cannot format " +
                                QString::number(value).toStdString());
}

double LocaleNumber(const QString& text, const QString& original) {
    const std::optional<double> value = platform::LocaleTextToDouble(text, DecimalSep, ThousandSep);
    if (!value)
        throw NumberFormatError(
            QStringLiteral("Not a number: %1").arg(Quote(original)).toStdString());
    return *value;
}

} // namespace

void ReadLocaleSeparators() {
    const platform::NumberSeparators seps = platform::ReadSystemSeparators();
    DecimalSep = seps.decimal;
    ThousandSep = seps.thousands;
}

double ParseNeutralNumber(const QString& text) {
    if (text.contains(DecimalSep))
        return LocaleNumber(text, text);
    qsizetype mark = text.indexOf(QLatin1Char('.'));
    if (mark < 0)
        mark = text.indexOf(QLatin1Char(','));
    if (mark < 0)
        return LocaleNumber(text, text);
    QString local = text;
    local[mark] = DecimalSep;
    return LocaleNumber(local, text);
}

QString FormatNeutralNumber(double value, const QString& pattern) {
    platform::FixedPattern fixed;
    qsizetype i = 0;
    const qsizetype n = pattern.size();
    for (; i < n && pattern[i] == u'0'; ++i)
        ++fixed.integerDigits;
    if (i < n && pattern[i] == u'.') {
        fixed.hasPoint = true;
        for (++i; i < n && pattern[i] == u'0'; ++i)
            ++fixed.decimalDigits;
    }
    if (n == 0 || i != n)
        throw NumberFormatError(
            QStringLiteral("Unsupported number pattern %1").arg(Quote(pattern)).toStdString());
    RequireFinite(value, "FormatNeutralNumber");

    QString result = platform::LocaleFormatFixed(value, fixed, DecimalSep);
    if (DecimalSep != QLatin1Char('.')) {
        const qsizetype sep = result.indexOf(DecimalSep);
        if (sep >= 0)
            result[sep] = QLatin1Char('.');
    }
    return result;
}

double ParseScopeAngle(const QString& text) {
    if (text.isEmpty())
        ThrowScopeText(text, QStringLiteral("empty"));
    double sign = 1.0;
    qsizetype degreesFirst = 1;
    qsizetype degreesLength = 3;
    qsizetype shift = 0; // 1 when a sign stands before three-digit degrees (-DDD*MM:SS)
    if (text[0] == u'-' || text[0] == u'+') {
        sign = text[0] == u'-' ? -1.0 : 1.0;
        degreesFirst = 2;
        degreesLength = 2;
        if (text.size() >= 4 && IsAsciiDigit(text[3])) {
            degreesLength = 3;
            shift = 1;
        }
    }
    const double degrees = ReadField(text, degreesFirst, degreesLength, "degrees");
    const double minutes = ReadField(text, 5 + shift, 2, "minutes");
    const double seconds = text.size() > 6 + shift ? ReadField(text, 8 + shift, 2, "seconds") : 0.0;
    return sign * (degrees + minutes / 60.0 + seconds / 3600.0);
}

double ParseScopeAngleRad(const QString& text) {
    return ParseScopeAngle(text) / 360.0 * 2.0 * kPi;
}

double ParseScopeHours(const QString& text) {
    if (text.isEmpty())
        ThrowScopeText(text, QStringLiteral("empty"));
    const double hours = ReadField(text, 1, 2, "hours");
    if (text.size() < 8)
        return hours + ReadDecimalTail(text, 4, "minutes") / 60.0;
    const double minutes = ReadField(text, 4, 2, "minutes");
    const double seconds = ReadField(text, 7, 2, "seconds");
    return hours + minutes / 60.0 + seconds / 3600.0;
}

double ParseScopeHoursDeg(const QString& text) {
    return ParseScopeHours(text) * 15.0;
}

QString FormatScopeHours(double hours) {
    RequireFinite(hours, "FormatScopeHours");
    const Sexagesimal s = Split(std::fabs(hours));
    QString result = hours < 0 ? QStringLiteral("-") : QString();
    result += Digits(s.whole, 2) + QLatin1Char(':') + Digits(s.minutes, 2) + QLatin1Char(':') +
              Digits(s.seconds, 2);
    return result;
}

QString FormatScopeHoursDeg(double degrees) {
    RequireFinite(degrees, "FormatScopeHoursDeg");
    return FormatScopeHours(degrees / 15.0);
}

QString FormatScopeAngle(double degrees) {
    RequireFinite(degrees, "FormatScopeAngle");
    const Sexagesimal s = Split(std::fabs(degrees));
    QString result = degrees < 0 ? QStringLiteral("-") : QString();
    result += Digits(s.whole, 3) + ScopeDegreeSign + Digits(s.minutes, 2) + QLatin1Char(':') +
              Digits(s.seconds, 2);
    return result;
}

} // namespace teleon
