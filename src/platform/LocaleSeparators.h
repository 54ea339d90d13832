// The user's regional number settings, and the locale's number conversions built on them.
//
// The program reads the decimal and thousands separators once at start; the conversions below
// take the separators as arguments, so the telescope-link code never asks the system itself and
// its results depend only on the separators it was given.
#pragma once

#include <QChar>
#include <QString>

#include <optional>

namespace teleon::platform {

struct NumberSeparators {
    QChar decimal;   // first character of the locale's decimal separator
    QChar thousands; // first character of the locale's thousands (group) separator
};

// Asks the system for the user locale (LC_ALL, LC_NUMERIC, LANG) and returns the first
// character of its decimal and thousands separators. A locale that has no thousands separator
// gets "," (or "." when "," is its decimal separator).
NumberSeparators ReadSystemSeparators();

// The locale's number conversion: reads text written with the given separators.
// Accepted: blanks around the number, one leading "+" or "-" (U+2212 too), the whole part's digits
// (optionally in groups of three split by the thousands separator: "12,345,678"), one decimal
// separator, digits, and an exponent ("e" or "E", optional sign, digits). At least one digit
// before or after the decimal separator.
// Returns nothing for any other text and for numbers too large for a double.
std::optional<double> LocaleTextToDouble(const QString& text, QChar decimalSep, QChar thousandSep);

// A fixed-point number pattern: integerDigits "0" placeholders, then, when hasPoint, a decimal
// point and decimalDigits "0" placeholders ("000.0" is {3, true, 1}).
struct FixedPattern {
    int integerDigits = 0;
    bool hasPoint = false;
    int decimalDigits = 0;
};

// The locale's number formatting: value rounded half away from zero at the last placeholder,
// whole part padded with zeros to at least integerDigits digits, decimalSep as the decimal point,
// "-" in front of a negative value unless it rounds to zero, no thousands separators.
// Rounding works on the value's first 15 significant decimal digits, the precision a double
// carries, so 2.25 gives 2.3 and 1.005 gives 1.01 with one or two decimals.
// Returns an empty text for NaN and infinities.
QString LocaleFormatFixed(double value, const FixedPattern& pattern, QChar decimalSep);

} // namespace teleon::platform
