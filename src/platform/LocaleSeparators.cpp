#include "LocaleSeparators.h"

#include <QLocale>

#include <charconv>
#include <cmath>
#include <string>

namespace teleon::platform {

namespace {

bool IsAsciiDigit(QChar c) {
    return c.unicode() >= u'0' && c.unicode() <= u'9';
}

// Significant decimal digits that a double carries faithfully.
constexpr int kSignificantDigits = 15;

} // namespace

NumberSeparators ReadSystemSeparators() {
    const QLocale locale = QLocale::system();
    const QString decimal = locale.decimalPoint();
    const QString group = locale.groupSeparator();
    NumberSeparators seps;
    seps.decimal = decimal.isEmpty() ? QLatin1Char('.') : decimal.front();
    if (!group.isEmpty())
        seps.thousands = group.front();
    else
        seps.thousands = seps.decimal == QLatin1Char(',') ? QLatin1Char('.') : QLatin1Char(',');
    return seps;
}

std::optional<double> LocaleTextToDouble(const QString& text, QChar decimalSep, QChar thousandSep) {
    const qsizetype n = text.size();
    qsizetype i = 0;
    while (i < n && text[i].isSpace())
        ++i;

    bool negative = false;
    if (i < n && (text[i] == u'+' || text[i] == u'-' || text[i] == QChar(0x2212))) {
        negative = text[i] != u'+';
        ++i;
    }

    // The number rewritten in the C form that std::from_chars reads.
    std::string plain;
    int wholeDigits = 0;
    int fractionDigits = 0;
    int groupDigits = 0;  // digits since the last thousands separator
    bool grouped = false; // the whole part has thousands separators
    while (i < n) {
        const QChar c = text[i];
        if (IsAsciiDigit(c)) {
            plain += static_cast<char>(c.unicode());
            ++wholeDigits;
            ++groupDigits;
            ++i;
        } else if (c == thousandSep && c != decimalSep && i + 1 < n && IsAsciiDigit(text[i + 1])) {
            // Groups of three digits, the first of one to three.
            if (grouped ? groupDigits != 3 : (groupDigits < 1 || groupDigits > 3))
                return std::nullopt;
            grouped = true;
            groupDigits = 0;
            ++i;
        } else {
            break;
        }
    }
    if (grouped && groupDigits != 3)
        return std::nullopt;
    if (i < n && text[i] == decimalSep) {
        plain += '.';
        ++i;
        while (i < n && IsAsciiDigit(text[i])) {
            plain += static_cast<char>(text[i].unicode());
            ++fractionDigits;
            ++i;
        }
    }
    if (wholeDigits + fractionDigits == 0)
        return std::nullopt;

    if (i < n && (text[i] == u'e' || text[i] == u'E')) {
        plain += 'e';
        ++i;
        if (i < n && (text[i] == u'+' || text[i] == u'-' || text[i] == QChar(0x2212))) {
            plain += text[i] == u'+' ? '+' : '-';
            ++i;
        }
        int exponentDigits = 0;
        while (i < n && IsAsciiDigit(text[i])) {
            plain += static_cast<char>(text[i].unicode());
            ++exponentDigits;
            ++i;
        }
        if (exponentDigits == 0)
            return std::nullopt;
    }

    while (i < n && text[i].isSpace())
        ++i;
    if (i != n)
        return std::nullopt;

    double value = 0.0;
    const char* first = plain.data();
    const char* last = first + plain.size();
    const auto [end, ec] = std::from_chars(first, last, value, std::chars_format::general);
    if (ec != std::errc() || end != last || !std::isfinite(value))
        return std::nullopt;
    return negative ? -value : value;
}

QString LocaleFormatFixed(double value, const FixedPattern& pattern, QChar decimalSep) {
    if (!std::isfinite(value))
        return {};
    const int integerDigits = std::max(pattern.integerDigits, 0);
    const int decimalDigits = pattern.hasPoint ? std::max(pattern.decimalDigits, 0) : 0;

    // |value| as d.dddddddddddddde±x: 15 significant digits and a power of ten, written without
    // the C library's locale (which would put the user's decimal mark in).
    char buf[64];
    const auto res = std::to_chars(buf, buf + sizeof buf, std::fabs(value),
                                   std::chars_format::scientific, kSignificantDigits - 1);
    const std::string sci(buf, res.ptr);
    std::string digits;
    std::size_t pos = 0;
    for (; pos < sci.size() && sci[pos] != 'e'; ++pos) {
        if (sci[pos] >= '0' && sci[pos] <= '9')
            digits += sci[pos];
    }
    const int exponent = pos + 1 < sci.size() ? std::stoi(sci.substr(pos + 1)) : 0;

    // digits hold |value| with the decimal point after the first (exponent + 1) of them. Keep the
    // digits up to the last placeholder and round half away from zero on the next one.
    const int keep = exponent + 1 + decimalDigits;
    std::string scaled; // round(|value| × 10^decimalDigits) in decimal
    if (keep < 0) {
        scaled = "0";
    } else if (keep >= static_cast<int>(digits.size())) {
        scaled = digits + std::string(keep - digits.size(), '0');
    } else {
        scaled = digits.substr(0, keep);
        if (digits[keep] >= '5') {
            int k = static_cast<int>(scaled.size()) - 1;
            while (k >= 0 && scaled[k] == '9') {
                scaled[k] = '0';
                --k;
            }
            if (k >= 0)
                ++scaled[k];
            else
                scaled.insert(scaled.begin(), '1');
        }
        if (scaled.empty())
            scaled = "0";
    }

    if (static_cast<int>(scaled.size()) < decimalDigits + 1)
        scaled.insert(0, decimalDigits + 1 - scaled.size(), '0');
    std::string whole = scaled.substr(0, scaled.size() - decimalDigits);
    const std::string fraction = scaled.substr(scaled.size() - decimalDigits);
    const std::size_t firstNonZero = whole.find_first_not_of('0');
    whole = firstNonZero == std::string::npos ? std::string() : whole.substr(firstNonZero);
    if (static_cast<int>(whole.size()) < integerDigits)
        whole.insert(0, integerDigits - whole.size(), '0');

    const bool isZero = scaled.find_first_not_of('0') == std::string::npos;
    QString result;
    if (value < 0 && !isZero)
        result += QLatin1Char('-');
    result += QString::fromLatin1(whole);
    if (pattern.hasPoint) {
        result += decimalSep;
        result += QString::fromLatin1(fraction);
    }
    return result;
}

} // namespace teleon::platform
