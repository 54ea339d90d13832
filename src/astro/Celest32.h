// celest32: date and sidereal-time arithmetic, the equatorial/horizontal transform, refraction,
// Delta T, obliquity, nutation and the computer's clock and time zone.
//
// Conventions for every function below:
// - MJD here is the library's own day number: MJD = JD − 2415020.0 (day 0 is 1899-12-31 12:00).
//   It is NOT the usual modified Julian date (JD − 2400000.5). Whole MJD values fall at noon, so
//   midnights are at x.5.
// - Unless stated otherwise MJDs are UTC, counted in days of 86400 s like the computer's clock
//   (there is no 23:59:60). UT1 is taken equal to UTC (DUT1 = 0; |DUT1| < 0.9 s, so sidereal
//   times can be off by up to 0.9 s of time, 13.5 arc-seconds). TT is UTC plus ERFA's leap
//   seconds plus 32.184 s from 1960 on (the table's "dubious year" warning from 2027 on is
//   ignored: the last known leap-second count is kept), and UT plus deltat before 1960.
// - Angles are radians. Sidereal times, hour-angle-like times of day and UT are hours.
// - Azimuth is measured from north through east (0 north, π/2 east). Latitude is + north.
//   Longitude is + east. Hour angle is + west of the meridian.
// - Calendar dates are Gregorian from 1582-10-15 on and Julian before that (astronomical year
//   numbering: year 0 is 1 BC). Dates 1582-10-05 … 1582-10-14 do not exist.
// - OLE dates are OLE Automation dates: days since 1899-12-30 00:00 with no time zone (wall-clock
//   values). For negative values the whole part is the day and the fractional part the time of
//   that day counted forward: −1.25 is 1899-12-29 06:00, and −0.5 means the same as +0.5.
// - Out arguments are pointers; a null out pointer is skipped, never dereferenced.
// - Non-finite inputs give NaN results (or the documented failure value); nothing throws.
#pragma once

#include <QDateTime>
#include <optional>

namespace teleon::celest32 {

// The Julian date of MJD 0.
inline constexpr double kMjdEpochJd = 2415020.0;

// --- Equatorial / horizontal ---------------------------------------------------------------

// Horizontal from equatorial (geometric; no refraction). latRad: site latitude; haRad: hour angle
// (+ west, any range); decRad: declination. Out altRad in [−π/2, π/2]; azRad from north through
// east in [0, 2π).
void hadec_aa(double latRad, double haRad, double decRad, double* altRad, double* azRad);

// Equatorial from horizontal, the inverse of hadec_aa. azRad from north through east (any range).
// Out haRad in (−π, π] (+ west); decRad in [−π/2, π/2].
void aa_hadec(double latRad, double altRad, double azRad, double* haRad, double* decRad);

// --- Sidereal time ----------------------------------------------------------------------------

// Local apparent sidereal time now (IAU 2006/2000A), in hours [0, 24), for a site at
// longitudeEastRad (+ east, radians). "Now" is the computer's clock (or the clock override).
double now_lst(double longitudeEastRad);

// Greenwich apparent sidereal time (IAU 2006/2000A, the same as now_lst at longitude 0), hours
// [0, 24), of the instant mjd0hUt + utHours / 24. mjd0hUt is normally the MJD of 0h UT (x.5,
// see mjd_day) and utHours the UT hours since then (mjd_hr); any split of the instant works.
void utc_gst(double mjd0hUt, double utHours, double* gstHours);

// --- Clock --------------------------------------------------------------------------------------

// MJD of the computer's clock (or the clock override), UTC.
double now_mjd();

// Pins "now" for now_mjd, now_lst, utc_offs and tz_name (tests only); std::nullopt restores the
// real clock, and so does an invalid QDateTime. The value is taken as an instant (converted to
// UTC).
void SetClockOverride(std::optional<QDateTime> utc);

// The instant that the functions above take as "now", in UTC.
QDateTime ClockNowUtc();

// --- Calendar -----------------------------------------------------------------------------------

// MJD of the calendar date month/day/year; day may carry a fraction of a day (day 1.5 is the 1st
// at 12:00). Months outside 1..12 and days beyond the month carry over (month 13 of 2000 is
// January 2001, day 0 is the last day of the previous month).
void cal_mjd(int month, double day, int year, double* mjd);

// Inverse of cal_mjd: month 1..12, day (with the fraction of the day) and year of an MJD.
// Non-finite or |mjd| > 1e9 gives month 0, day NaN, year 0.
void mjd_cal(double mjd, int* month, double* day, int* year);

// MJD of the midnight (0h) at or before mjd.
double mjd_day(double mjd);

// Hours since that midnight, in [0, 24).
double mjd_hr(double mjd);

// Fractional year: the calendar year plus the elapsed fraction of it (mid-2000 ≈ 2000.5).
void mjd_year(double mjd, double* year);

// Inverse of mjd_year.
void year_mjd(double year, double* mjd);

// Day of the week of the day containing mjd: *dow = 0 Sunday … 6 Saturday. Returns 0 on success
// and −1 on failure (non-finite mjd), *dow then being −1 too.
int mjd_dow(double mjd, int* dow);

// Days in the calendar month containing mjd (28..31; 21 for October 1582). 0 on bad input.
void mjd_dpm(double mjd, int* days);

// --- OLE dates ----------------------------------------------------------------------------------

// MJD of the instant given as an OLE date (the date's clock is kept: no zone is applied).
double vb_mjd(double oleDate);

// OLE date of the instant mjd (inverse of vb_mjd).
double mjd_vb(double mjd);

// OLE date (at 0h) of the telescope's date reply "MM/DD/YY", zero-terminated. Years 92..99 are
// 1992..1999 and 00..91 are 2000..2091. Months and days may also have one digit; a trailing "#"
// and blanks around the text are allowed. Anything else (null, empty, non-digits, month not
// 1..12, day not in the month, extra text) returns 0 (the OLE date 1899-12-30).
double mdy_vb(const char* mmddyy);

// OLE date of a wall-clock date and time, taken as shown (the QDateTime's zone is ignored: OLE
// dates are zone-less). Resolution 1 ms. An invalid QDateTime gives 0.
double OleFromDateTime(const QDateTime& wallClock);

// The wall-clock date and time of an OLE date as a Qt::LocalTime QDateTime, rounded to the
// millisecond. Values outside the OLE range [−657434, 2958466) (years 100..9999) or non-finite
// give an invalid QDateTime. Dates use Qt's proleptic Gregorian calendar. A wall-clock time that
// the local zone skips (the start of daylight-saving time) comes out moved forward by the gap
// (02:30 → 03:30). In a repeated hour the date and time are kept and Qt picks the offset.
QDateTime DateTimeFromOle(double oleDate);

// --- Small maths --------------------------------------------------------------------------------

// Brings *value into [0, r) by adding or subtracting whole multiples of r. r must be positive and
// finite; otherwise *value is left unchanged.
void range(double* value, double r);

// --- Refraction ---------------------------------------------------------------------------------

// Apparent (refracted) altitude of an object at true altitude trueAltRad, for the air pressure
// pressureHpa (hPa = millibar) and temperature temperatureC (°C) at the observer. Saemundsson's
// formula (Sky & Telescope 72, 70, 1986, in the form of Meeus, Astronomical Algorithms, eq. 16.4
// with the zenith correction), scaled by (P / 1010) × 283 / (273 + T); it stays accurate to about
// 0.1' down to the horizon. Below −1.9° true altitude (where the formula turns over) the
// refraction of −1.9° is used. Pressure ≤ 0 or temperature ≤ −273 °C means no refraction.
void refract(double pressureHpa, double temperatureC, double trueAltRad, double* apparentAltRad);

// True altitude of an object seen at apparentAltRad: the exact inverse of refract (to well under
// 1 milli-arc-second), same units.
void unrefract(double pressureHpa, double temperatureC, double apparentAltRad, double* trueAltRad);

// --- Earth orientation -------------------------------------------------------------------------

// Delta T = TT − UT1 in seconds at UTC mjd, from the polynomial expressions of Espenak and Meeus
// (valid −1999 … +3000, with Espenak's 2014 revision after 2005).
double deltat(double mjd);

// Mean obliquity of the ecliptic (IAU 2006) at UTC mjd, radians.
void obliquity(double mjd, double* epsRad);

// Nutation (IAU 2000A, adjusted to IAU 2006) at UTC mjd: in obliquity and in longitude, radians.
void nutation(double mjd, double* dEpsRad, double* dPsiRad);

// --- Time zone
// ------------------------------------------------------------------------------------

// UTC − local time of the computer's time zone now, in seconds (+ west; daylight-saving time
// included when in effect): 25200 in Arizona, −7200 in Berlin in summer.
int utc_offs();

// Writes the system time zone's IANA name (e.g. "America/Phoenix", "Europe/Berlin"; or the
// abbreviation such as "MST" when the system gives no name) into buf, zero-terminated and cut to
// bufSize − 1 bytes (nothing is written when buf is null or bufSize < 1). Returns nonzero when
// daylight-saving time is in effect now, 0 otherwise.
int tz_name(char* buf, int bufSize);

} // namespace teleon::celest32
