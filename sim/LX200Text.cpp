#include "sim/LX200Text.h"

#include <cmath>

namespace teleon::sim::text {
namespace {

// A small allowance so that values parsed from text format back to the same text despite
// binary fractions (5.575 h is 20069.99999... s).
constexpr double kEpsilon = 1e-7;

QByteArray twoDigits(int value) {
    return QByteArray::number(value).rightJustified(2, '0');
}

QByteArray threeDigits(int value) {
    return QByteArray::number(value).rightJustified(3, '0');
}

double wrap(double value, double range) {
    double r = std::fmod(value, range);
    if (r < 0)
        r += range;
    return r;
}

// Whole units, minutes and seconds of a non-negative value, truncated.
struct Sexagesimal {
    int whole;
    int minutes;
    int seconds;
    int tenthsOfMinute; // minutes * 10 + tenths, for the short hour form
};

Sexagesimal split(double value) {
    const auto totalSeconds = static_cast<long long>(std::floor(value * 3600.0 + kEpsilon));
    const auto totalTenths = static_cast<long long>(std::floor(value * 600.0 + kEpsilon));
    Sexagesimal s{};
    s.whole = static_cast<int>(totalSeconds / 3600);
    s.minutes = static_cast<int>((totalSeconds / 60) % 60);
    s.seconds = static_cast<int>(totalSeconds % 60);
    s.tenthsOfMinute = static_cast<int>(totalTenths % 600);
    return s;
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// A cursor over command arguments.
class Reader {
public:
    explicit Reader(const QByteArray& text) : text_(text.trimmed()) {}

    bool atEnd() const { return pos_ >= text_.size(); }
    char peek() const { return atEnd() ? '\0' : text_.at(pos_); }
    void skip() { ++pos_; }

    // Exactly n digits.
    std::optional<int> digits(int n) {
        int value = 0;
        for (int i = 0; i < n; ++i) {
            if (!isDigit(peek()))
                return std::nullopt;
            value = value * 10 + (peek() - '0');
            skip();
        }
        return value;
    }

    // Between minCount and maxCount digits.
    std::optional<int> digitRun(int minCount, int maxCount) {
        int value = 0;
        int count = 0;
        while (count < maxCount && isDigit(peek())) {
            value = value * 10 + (peek() - '0');
            skip();
            ++count;
        }
        if (count < minCount)
            return std::nullopt;
        return value;
    }

    // One separator character (anything but a digit or the end).
    bool separator() {
        if (atEnd() || isDigit(peek()))
            return false;
        skip();
        return true;
    }

private:
    QByteArray text_;
    qsizetype pos_ = 0;
};

// Degrees (1-3 digits), separator, minutes, optionally separator and seconds; unsigned.
std::optional<double> parseDegreesBody(Reader& r) {
    const auto degrees = r.digitRun(1, 3);
    if (!degrees || !r.separator())
        return std::nullopt;
    const auto minutes = r.digits(2);
    if (!minutes || *minutes > 59)
        return std::nullopt;
    int seconds = 0;
    if (!r.atEnd()) {
        if (!r.separator())
            return std::nullopt;
        const auto s = r.digits(2);
        if (!s || *s > 59)
            return std::nullopt;
        seconds = *s;
        // A seconds mark after the seconds (+89ß59'59"): the telescope reads its texts by
        // position and ignores it.
        if (r.peek() == '"')
            r.skip();
    }
    if (!r.atEnd())
        return std::nullopt;
    return *degrees + *minutes / 60.0 + seconds / 3600.0;
}

} // namespace

QByteArray formatHours(double hours, bool longFormat) {
    const Sexagesimal s = split(wrap(hours, 24.0));
    const int hh = s.whole % 24;
    if (longFormat)
        return twoDigits(hh) + ':' + twoDigits(s.minutes) + ':' + twoDigits(s.seconds);
    return twoDigits(hh) + ':' + twoDigits(s.tenthsOfMinute / 10) + '.' +
           QByteArray::number(s.tenthsOfMinute % 10);
}

QByteArray formatSignedDegrees(double degrees, bool longFormat) {
    const char sign = degrees < 0 ? '-' : '+';
    const Sexagesimal s = split(std::fabs(degrees));
    QByteArray out = sign + twoDigits(s.whole) + kDegreeSign + twoDigits(s.minutes);
    if (longFormat)
        out += '\'' + twoDigits(s.seconds);
    return out;
}

QByteArray formatAzimuth(double degrees, bool longFormat) {
    const Sexagesimal s = split(wrap(degrees, 360.0));
    QByteArray out = threeDigits(s.whole % 360) + kDegreeSign + twoDigits(s.minutes);
    if (longFormat)
        out += '\'' + twoDigits(s.seconds);
    return out;
}

QByteArray formatLatitude(double degrees) {
    const char sign = degrees < 0 ? '-' : '+';
    const Sexagesimal s = split(std::fabs(degrees));
    return sign + twoDigits(s.whole) + kDegreeSign + twoDigits(s.minutes);
}

QByteArray formatLongitude(double degreesWest) {
    const Sexagesimal s = split(wrap(degreesWest, 360.0));
    return threeDigits(s.whole % 360) + kDegreeSign + twoDigits(s.minutes);
}

QByteArray formatTimeOfDay(int secondsOfDay) {
    const int s = ((secondsOfDay % 86400) + 86400) % 86400;
    return twoDigits(s / 3600) + ':' + twoDigits(s / 60 % 60) + ':' + twoDigits(s % 60);
}

QByteArray formatDate(const QDate& date) {
    return twoDigits(date.month()) + '/' + twoDigits(date.day()) + '/' +
           twoDigits(date.year() % 100);
}

QByteArray formatUtcOffset(int hours) {
    return (hours < 0 ? '-' : '+') + twoDigits(std::abs(hours));
}

std::optional<double> parseHours(const QByteArray& text) {
    Reader r(text);
    const auto hh = r.digits(2);
    if (!hh || *hh > 24 || !r.separator())
        return std::nullopt;
    const auto mm = r.digits(2);
    if (!mm || *mm > 59)
        return std::nullopt;
    if (r.peek() == '.') { // short form HH:MM.T
        r.skip();
        const auto tenths = r.digits(1);
        if (!tenths || !r.atEnd() || *hh == 24)
            return std::nullopt;
        return *hh + (*mm + *tenths / 10.0) / 60.0;
    }
    if (!r.separator())
        return std::nullopt;
    const auto ss = r.digits(2);
    if (!ss || *ss > 59 || !r.atEnd())
        return std::nullopt;
    if (*hh == 24) // only midnight carried up
        return *mm == 0 && *ss == 0 ? std::optional<double>(0.0) : std::nullopt;
    return *hh + *mm / 60.0 + *ss / 3600.0;
}

std::optional<double> parseSignedDegrees(const QByteArray& text, double limitDegrees) {
    Reader r(text);
    double sign = 1.0;
    if (r.peek() == '-' || r.peek() == '+') {
        sign = r.peek() == '-' ? -1.0 : 1.0;
        r.skip();
    }
    const auto value = parseDegreesBody(r);
    if (!value || *value > limitDegrees + kEpsilon)
        return std::nullopt;
    return sign * *value;
}

std::optional<double> parseLongitude(const QByteArray& text) {
    Reader r(text);
    const auto value = parseDegreesBody(r);
    if (!value || *value > 360.0 + kEpsilon)
        return std::nullopt;
    return *value;
}

std::optional<int> parseTimeOfDay(const QByteArray& text) {
    Reader r(text);
    const auto hh = r.digits(2);
    if (!hh || *hh > 23 || !r.separator())
        return std::nullopt;
    const auto mm = r.digits(2);
    if (!mm || *mm > 59 || !r.separator())
        return std::nullopt;
    const auto ss = r.digits(2);
    if (!ss || *ss > 59 || !r.atEnd())
        return std::nullopt;
    return *hh * 3600 + *mm * 60 + *ss;
}

std::optional<QDate> parseDate(const QByteArray& text) {
    Reader r(text);
    const auto mm = r.digits(2);
    if (!mm || r.peek() != '/')
        return std::nullopt;
    r.skip();
    const auto dd = r.digits(2);
    if (!dd || r.peek() != '/')
        return std::nullopt;
    r.skip();
    const auto yy = r.digits(2);
    if (!yy || !r.atEnd())
        return std::nullopt;
    const int year = *yy < 50 ? 2000 + *yy : 1900 + *yy;
    const QDate date(year, *mm, *dd);
    if (!date.isValid())
        return std::nullopt;
    return date;
}

std::optional<int> parseUtcOffset(const QByteArray& text) {
    Reader r(text);
    int sign = 1;
    if (r.peek() == '-' || r.peek() == '+') {
        sign = r.peek() == '-' ? -1 : 1;
        r.skip();
    }
    const auto hh = r.digitRun(1, 2);
    if (!hh || *hh > 24 || !r.atEnd())
        return std::nullopt;
    return sign * *hh;
}

std::optional<double> parseNumber(const QByteArray& text) {
    bool ok = false;
    const double value = text.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

std::optional<int> parseLeadingInteger(const QByteArray& text) {
    Reader r(text);
    return r.digitRun(1, 9);
}

} // namespace teleon::sim::text
