// The text forms in which the LX-200 classic writes and reads angles, times and dates.
// Pure functions: the telescope's side of the conversation, written from the handbox manual's
// fixed-position forms. The degree sign the telescope writes is the byte 223.
#pragma once

#include <QByteArray>
#include <QDate>

#include <optional>

namespace teleon::sim::text {

inline constexpr char kDegreeSign = '\xDF';

// Right ascension (or any hour value, taken modulo 24): "HH:MM:SS" long, "HH:MM.T" short.
// Fields are truncated, as the telescope's display does.
QByteArray formatHours(double hours, bool longFormat);
// Declination or altitude: "sDD<223>MM'SS" long, "sDD<223>MM" short (sign always written).
QByteArray formatSignedDegrees(double degrees, bool longFormat);
// Azimuth: "DDD<223>MM'SS" long, "DDD<223>MM" short, taken modulo 360.
QByteArray formatAzimuth(double degrees, bool longFormat);
// Site latitude "sDD<223>MM" and longitude "DDD<223>MM" (degrees west, 0 up to 360).
QByteArray formatLatitude(double degrees);
QByteArray formatLongitude(double degreesWest);
// Time of day "HH:MM:SS" from seconds after midnight (0 up to 86400).
QByteArray formatTimeOfDay(int secondsOfDay);
// Date "MM/DD/YY".
QByteArray formatDate(const QDate& date);
// UTC offset "sHH" (hours added to local time to get UTC).
QByteArray formatUtcOffset(int hours);

// The parsers accept what the telescope accepts and return nothing for anything else, so the
// command can answer "0". Leading blanks are skipped; the field separators are not examined
// (the degree sign may be the byte 223, "*", ":" or any other non-digit).

// "HH:MM:SS" or "HH:MM.T": hours 0-23, minutes and seconds 0-59. "24:00:00" is 0 hours: a
// client that rounds the seconds and carries them up writes it for the last half second of the
// day.
std::optional<double> parseHours(const QByteArray& text);
// Optional sign, one to three digits of degrees, separator, two digits of minutes and
// optionally a separator and two digits of seconds; the result must lie within ±limitDegrees.
std::optional<double> parseSignedDegrees(const QByteArray& text, double limitDegrees);
// As parseSignedDegrees without a sign: 0 up to and including 360 degrees west.
std::optional<double> parseLongitude(const QByteArray& text);
// "HH:MM:SS", 24-hour clock; the seconds after midnight.
std::optional<int> parseTimeOfDay(const QByteArray& text);
// "MM/DD/YY"; two-digit years 00-49 are 2000-2049, 50-99 are 1950-1999.
std::optional<QDate> parseDate(const QByteArray& text);
// "sHH" or "HH", -24 to +24.
std::optional<int> parseUtcOffset(const QByteArray& text);
// A decimal number ("57.9", "+05.5", "-1"); nothing when the text is not one.
std::optional<double> parseNumber(const QByteArray& text);
// The leading run of digits as an integer ("030'" gives 30); nothing without digits.
std::optional<int> parseLeadingInteger(const QByteArray& text);

} // namespace teleon::sim::text
