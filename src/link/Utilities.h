// Utilities: the telescope's text forms for angles and times, and numbers written with "." as
// the decimal mark whatever the user's regional settings are.
//
// The telescope writes fixed-position text (positions count from 1):
//   HH:MM.T     05:34.5     hours, minutes and tenths (short format)
//   HH:MM:SS    05:34:30    hours, minutes, seconds (long format)
//   sDD*MM      +22*01      signed degrees, minutes (short)
//   sDD*MM'SS   -05*23'28   signed degrees, minutes, seconds (long)
//   DDD*MM      180*27      three-digit degrees (azimuth, short)
//   DDD*MM'SS   180*27'10   three-digit degrees (long)
//   [-]DDD*MM:SS -012*30:00 what the program writes for angles
// where "*" is the telescope's degree sign, byte 223 (QChar 0xDF, which toLatin1 turns back into
// that byte). The parsers read fields by position and ignore the degree sign and the separators,
// so "*", 0xDF, ":" or "'" all do.
//
// Everything here is a pure function of its arguments and of DecimalSep and ThousandSep.
#pragma once

#include "link/ProgramState.h"

#include <QChar>
#include <QString>

#include <stdexcept>

namespace teleon {

// The telescope's degree sign: byte 223.
inline constexpr QChar ScopeDegreeSign{char16_t(0xDF)};

// A text that is not a number (ParseNeutralNumber), or a number or pattern that cannot be
// formatted (FormatNeutralNumber, the scope formatters given NaN or infinity).
class NumberFormatError : public std::invalid_argument {
public:
    using std::invalid_argument::invalid_argument;
};

// Telescope text that does not have the telescope's form: too short for a field that the form
// needs, or a field without digits. The message quotes the text.
class ScopeTextError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Reads the user locale's decimal and thousands separators from the system into DecimalSep and
// ThousandSep (the first character of each). Called once at program start.
void ReadLocaleSeparators();

// Reads a number written with "." or "," as its decimal mark, in any locale: "60", "2.5" and
// "2,5" are 60, 2.5 and 2.5. Text that already holds DecimalSep is read as the locale writes
// numbers (so "1.234,5" in a "," locale is 1234.5). Blanks around the number and a leading sign
// are allowed. The text is left as it was.
// Throws NumberFormatError when the text is not a number.
double ParseNeutralNumber(const QString& text);

// Formats value with a pattern of "0" placeholders and an optional "." ("000", "00.0", "0.000"):
// the whole part is padded with zeros to the placeholders before the ".", the value is rounded
// half away from zero at the last placeholder, and the decimal mark is always ".".
// 60 with "000" is "060"; 2.5 with "00.0" is "02.5"; -2.25 with "0.0" is "-2.3".
// Throws NumberFormatError for any other pattern and for NaN or infinite values.
QString FormatNeutralNumber(double value, const QString& pattern);

// sDD*MM, sDD*MM'SS, DDD*MM, DDD*MM'SS or -DDD*MM:SS to degrees: "-05*23'28" is -5.391111...
// Throws ScopeTextError when a field is missing or has no digits.
double ParseScopeAngle(const QString& text);
// ParseScopeAngle in radians.
double ParseScopeAngleRad(const QString& text);

// HH:MM.T or HH:MM:SS to hours: "05:34.5" and "05:34:30" are 5.575. No sign.
// Throws ScopeTextError when a field is missing or has no digits.
double ParseScopeHours(const QString& text);
// ParseScopeHours × 15: degrees.
double ParseScopeHoursDeg(const QString& text);

// Hours to HH:MM:SS, seconds rounded half to even, no wrap at 24: 5.575 is "05:34:30",
// 23.9999 is "24:00:00". A negative value gets "-" in front of its absolute value's text.
// Throws NumberFormatError for NaN and infinities.
QString FormatScopeHours(double hours);
// FormatScopeHours of degrees / 15.
QString FormatScopeHoursDeg(double degrees);

// Degrees to DDD*MM:SS with the degree byte, seconds rounded half to even, "-" in front when
// negative: -12.5 is "-012*30:00", 45.25 is "045*15:00".
// Throws NumberFormatError for NaN and infinities.
QString FormatScopeAngle(double degrees);

} // namespace teleon
