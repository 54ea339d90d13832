// celest32 on top of ERFA: see Celest32.h for units and conventions.
#include "astro/Celest32.h"

#include <erfa.h>
#include <erfam.h>

#include <QDate>
#include <QTime>
#include <QTimeZone>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <iterator>
#include <limits>
#include <mutex>
#include <numbers>

namespace teleon::celest32 {

namespace {

constexpr double kPi = std::numbers::pi;
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kMsPerDay = 86400000.0;
constexpr double kSecondsPerDay = 86400.0;

// JD of 1970-01-01 0h (the Unix epoch) as an MJD.
constexpr double kUnixEpochMjd = 2440587.5 - kMjdEpochJd;
// OLE date 0 (1899-12-30 0h) as an MJD.
constexpr double kOleEpochMjd = 2415018.5 - kMjdEpochJd;
// UTC begins 1960-01-01 0h (JD 2436934.5); before that TT comes from Delta T.
constexpr double kUtcStartMjd = 2436934.5 - kMjdEpochJd;
// First Gregorian day, 1582-10-15, as a Julian day number.
constexpr std::int64_t kFirstGregorianJdn = 2299161;
// The library's calendar works within this many days of MJD 0 (about ±2.7 million years).
constexpr double kMaxCalendarDays = 1e9;
// The OLE date range: 0100-01-01 … 9999-12-31.
constexpr double kOleMin = -657434.0;
constexpr double kOleEnd = 2958466.0;

std::mutex gClockMutex;
std::optional<QDateTime> gClockOverride;

std::int64_t FloorDiv(std::int64_t a, std::int64_t b) {
    std::int64_t q = a / b;
    if ((a % b != 0) && ((a < 0) != (b < 0)))
        --q;
    return q;
}

// Julian day number (the day whose noon is that JD) of a calendar date; month 1..12, day may lie
// outside the month and carries over. Gregorian from 1582-10-15 on, Julian before.
std::int64_t JdnFromCalendar(std::int64_t year, std::int64_t month, std::int64_t day) {
    const bool gregorian =
        year > 1582 || (year == 1582 && (month > 10 || (month == 10 && day >= 15)));
    const std::int64_t a = FloorDiv(14 - month, 12);
    const std::int64_t y = year + 4800 - a;
    const std::int64_t m = month + 12 * a - 3;
    std::int64_t jdn = day + FloorDiv(153 * m + 2, 5) + 365 * y + FloorDiv(y, 4);
    if (gregorian)
        jdn += -FloorDiv(y, 100) + FloorDiv(y, 400) - 32045;
    else
        jdn -= 32083;
    return jdn;
}

struct CalendarDate {
    std::int64_t year;
    int month;
    int day;
};

CalendarDate CalendarFromJdn(std::int64_t jdn) {
    std::int64_t b = 0;
    std::int64_t c = 0;
    if (jdn >= kFirstGregorianJdn) {
        const std::int64_t a = jdn + 32044;
        b = FloorDiv(4 * a + 3, 146097);
        c = a - FloorDiv(146097 * b, 4);
    } else {
        c = jdn + 32082;
    }
    const std::int64_t d = FloorDiv(4 * c + 3, 1461);
    const std::int64_t e = c - FloorDiv(1461 * d, 4);
    const std::int64_t m = FloorDiv(5 * e + 2, 153);
    CalendarDate date;
    date.day = static_cast<int>(e - FloorDiv(153 * m + 2, 5) + 1);
    date.month = static_cast<int>(m + 3 - 12 * FloorDiv(m, 10));
    date.year = 100 * b + d - 4800 + FloorDiv(m, 10);
    return date;
}

// MJD of 0h of a calendar date (month normalised into 1..12 with carry into the year).
double MjdOfDate(std::int64_t year, std::int64_t month, std::int64_t day) {
    const std::int64_t carry = FloorDiv(month - 1, 12);
    const std::int64_t jdn = JdnFromCalendar(year + carry, month - 12 * carry, day);
    return static_cast<double>(jdn - static_cast<std::int64_t>(kMjdEpochJd)) - 0.5;
}

bool CalendarUsable(double mjd) {
    return std::isfinite(mjd) && std::fabs(mjd) <= kMaxCalendarDays;
}

// Calendar date of the day containing mjd, and the fraction of that day.
CalendarDate DateOfMjd(double mjd, double* dayFraction) {
    const double whole = std::floor(mjd + 0.5);
    if (dayFraction)
        *dayFraction = (mjd + 0.5) - whole;
    return CalendarFromJdn(static_cast<std::int64_t>(whole) +
                           static_cast<std::int64_t>(kMjdEpochJd));
}

// OLE dates count the time of day forward from the whole-day part even for negative values;
// the "linear" day count used here is continuous: linear = days since 1899-12-30 0h.
double LinearFromOle(double ole) {
    if (!(ole < 0.0))
        return ole;
    const double whole = std::trunc(ole);
    return whole + (whole - ole);
}

double OleFromLinear(double linear) {
    if (!(linear < 0.0))
        return linear;
    const double day = std::floor(linear);
    const double fraction = linear - day;
    return fraction == 0.0 ? day : day - fraction;
}

// TT as a two-part Julian date for a UTC MJD. The MJD counts UTC days of 86400 s like the
// computer's clock (no 23:59:60), so TT = UTC + (TAI − UTC) + 32.184 s with TAI − UTC from ERFA's
// leap-second table for that moment. ERFA's status +1 ("dubious year": the table may be out of date
// from 2027 on) is only a warning and the last known TAI − UTC is used. Before 1960 (no UTC), and
// whenever ERFA refuses the date, TT = UT + Delta T.
void TtFromUtc(double mjd, double* tt1, double* tt2) {
    *tt1 = kMjdEpochJd;
    if (mjd >= kUtcStartMjd) {
        int year = 0;
        int month = 0;
        int day = 0;
        double dayFraction = 0.0;
        double taiMinusUtc = 0.0;
        if (eraJd2cal(kMjdEpochJd, mjd, &year, &month, &day, &dayFraction) == 0 &&
            eraDat(year, month, day, dayFraction, &taiMinusUtc) >= 0) {
            *tt2 = mjd + (taiMinusUtc + ERFA_TTMTAI) / kSecondsPerDay;
            return;
        }
    }
    *tt2 = mjd + deltat(mjd) / kSecondsPerDay;
}

// Greenwich apparent sidereal time (IAU 2006/2000A) in radians [0, 2π), UT1 = UTC.
double GastRad(double mjdUtc) {
    if (!std::isfinite(mjdUtc))
        return kNaN;
    double tt1 = 0.0;
    double tt2 = 0.0;
    TtFromUtc(mjdUtc, &tt1, &tt2);
    return eraGst06a(kMjdEpochJd, mjdUtc, tt1, tt2);
}

double RadiansToHours24(double radians) {
    double hours = eraAnp(radians) * 12.0 / kPi;
    range(&hours, 24.0);
    return hours;
}

// --- Refraction (Saemundsson, with Meeus' zenith correction) ---

constexpr double kRefractionLowestAltDeg = -1.9; // where h + 10.3 / (h + 5.11) is least
constexpr double kRefractionHighestAltDeg = 90.0;

double RefractionScale(double pressureHpa, double temperatureC) {
    if (!std::isfinite(pressureHpa) || !std::isfinite(temperatureC) || pressureHpa <= 0.0 ||
        temperatureC <= -273.0)
        return 0.0;
    return (pressureHpa / 1010.0) * (283.0 / (273.0 + temperatureC));
}

// Refraction in radians for a true altitude in radians, at 1010 hPa and 10 °C.
double StandardRefractionRad(double trueAltRad) {
    const double hDeg =
        std::clamp(trueAltRad * 180.0 / kPi, kRefractionLowestAltDeg, kRefractionHighestAltDeg);
    const double argDeg = hDeg + 10.3 / (hDeg + 5.11);
    const double arcmin = 1.02 / std::tan(argDeg * kPi / 180.0) + 0.0019279;
    return arcmin / 60.0 * kPi / 180.0;
}

} // namespace

// --- Equatorial / horizontal ---

void hadec_aa(double latRad, double haRad, double decRad, double* altRad, double* azRad) {
    double az = 0.0;
    double el = 0.0;
    eraHd2ae(haRad, decRad, latRad, &az, &el);
    range(&az, 2.0 * kPi); // ERFA can give 2π itself for −0 on the meridian
    if (altRad)
        *altRad = el;
    if (azRad)
        *azRad = az;
}

void aa_hadec(double latRad, double altRad, double azRad, double* haRad, double* decRad) {
    double ha = 0.0;
    double dec = 0.0;
    eraAe2hd(azRad, altRad, latRad, &ha, &dec);
    if (haRad)
        *haRad = ha;
    if (decRad)
        *decRad = dec;
}

// --- Sidereal time ---

double now_lst(double longitudeEastRad) {
    if (!std::isfinite(longitudeEastRad))
        return kNaN;
    return RadiansToHours24(GastRad(now_mjd()) + longitudeEastRad);
}

void utc_gst(double mjd0hUt, double utHours, double* gstHours) {
    if (!gstHours)
        return;
    const double gst = GastRad(mjd0hUt + utHours / 24.0);
    *gstHours = std::isfinite(gst) ? RadiansToHours24(gst) : kNaN;
}

// --- Clock ---

double now_mjd() {
    return kUnixEpochMjd + static_cast<double>(ClockNowUtc().toMSecsSinceEpoch()) / kMsPerDay;
}

void SetClockOverride(std::optional<QDateTime> utc) {
    std::lock_guard lock(gClockMutex);
    if (utc && utc->isValid())
        gClockOverride = utc->toUTC();
    else
        gClockOverride.reset();
}

QDateTime ClockNowUtc() {
    {
        std::lock_guard lock(gClockMutex);
        if (gClockOverride)
            return *gClockOverride;
    }
    return QDateTime::currentDateTimeUtc();
}

// --- Calendar ---

void cal_mjd(int month, double day, int year, double* mjd) {
    if (!mjd)
        return;
    if (!std::isfinite(day) || std::fabs(day) > kMaxCalendarDays) {
        *mjd = kNaN;
        return;
    }
    const double wholeDay = std::floor(day);
    *mjd = MjdOfDate(year, month, static_cast<std::int64_t>(wholeDay)) + (day - wholeDay);
}

void mjd_cal(double mjd, int* month, double* day, int* year) {
    int m = 0;
    double d = kNaN;
    int y = 0;
    if (CalendarUsable(mjd)) {
        double fraction = 0.0;
        const CalendarDate date = DateOfMjd(mjd, &fraction);
        m = date.month;
        d = date.day + fraction;
        y = static_cast<int>(date.year);
    }
    if (month)
        *month = m;
    if (day)
        *day = d;
    if (year)
        *year = y;
}

double mjd_day(double mjd) {
    return std::floor(mjd - 0.5) + 0.5;
}

double mjd_hr(double mjd) {
    return (mjd - mjd_day(mjd)) * 24.0;
}

void mjd_year(double mjd, double* year) {
    if (!year)
        return;
    if (!CalendarUsable(mjd)) {
        *year = kNaN;
        return;
    }
    const std::int64_t y = DateOfMjd(mjd, nullptr).year;
    const double start = MjdOfDate(y, 1, 1);
    const double next = MjdOfDate(y + 1, 1, 1);
    *year = static_cast<double>(y) + (mjd - start) / (next - start);
}

void year_mjd(double year, double* mjd) {
    if (!mjd)
        return;
    if (!std::isfinite(year) || std::fabs(year) > kMaxCalendarDays / 366.0) {
        *mjd = kNaN;
        return;
    }
    const double whole = std::floor(year);
    const auto y = static_cast<std::int64_t>(whole);
    const double start = MjdOfDate(y, 1, 1);
    const double next = MjdOfDate(y + 1, 1, 1);
    *mjd = start + (year - whole) * (next - start);
}

int mjd_dow(double mjd, int* dow) {
    if (!std::isfinite(mjd)) {
        if (dow)
            *dow = -1;
        return -1;
    }
    // MJD 0 (1899-12-31) was a Sunday.
    double day = std::fmod(std::floor(mjd + 0.5), 7.0);
    if (day < 0.0)
        day += 7.0;
    if (dow)
        *dow = static_cast<int>(day);
    return 0;
}

void mjd_dpm(double mjd, int* days) {
    if (!days)
        return;
    if (!CalendarUsable(mjd)) {
        *days = 0;
        return;
    }
    const CalendarDate date = DateOfMjd(mjd, nullptr);
    *days = static_cast<int>(MjdOfDate(date.year, date.month + 1, 1) -
                             MjdOfDate(date.year, date.month, 1));
}

// --- OLE dates ---

double vb_mjd(double oleDate) {
    return LinearFromOle(oleDate) + kOleEpochMjd;
}

double mjd_vb(double mjd) {
    return OleFromLinear(mjd - kOleEpochMjd);
}

double mdy_vb(const char* mmddyy) {
    if (!mmddyy)
        return 0.0;
    const char* p = mmddyy;
    while (*p == ' ' || *p == '\t')
        ++p;
    // Reads 1..maxDigits decimal digits.
    auto readNumber = [&p](int maxDigits, int minDigits, int* value) {
        int count = 0;
        int v = 0;
        while (count < maxDigits && std::isdigit(static_cast<unsigned char>(*p))) {
            v = v * 10 + (*p - '0');
            ++p;
            ++count;
        }
        *value = v;
        return count >= minDigits && !std::isdigit(static_cast<unsigned char>(*p));
    };
    int month = 0;
    int day = 0;
    int yy = 0;
    if (!readNumber(2, 1, &month) || *p++ != '/' || !readNumber(2, 1, &day) || *p++ != '/' ||
        !readNumber(2, 2, &yy))
        return 0.0;
    if (*p == '#')
        ++p;
    while (*p == ' ' || *p == '\t' || *p == '\r' || *p == '\n')
        ++p;
    if (*p != '\0')
        return 0.0;
    const int year = yy >= 92 ? 1900 + yy : 2000 + yy;
    const QDate date(year, month, day);
    if (!date.isValid())
        return 0.0;
    return static_cast<double>(QDate(1899, 12, 30).daysTo(date));
}

double OleFromDateTime(const QDateTime& wallClock) {
    if (!wallClock.isValid())
        return 0.0;
    const double days = static_cast<double>(QDate(1899, 12, 30).daysTo(wallClock.date()));
    const double linear = days + wallClock.time().msecsSinceStartOfDay() / kMsPerDay;
    return OleFromLinear(linear);
}

QDateTime DateTimeFromOle(double oleDate) {
    if (!std::isfinite(oleDate) || std::trunc(oleDate) < kOleMin || oleDate >= kOleEnd)
        return {};
    const auto totalMs =
        static_cast<std::int64_t>(std::llround(LinearFromOle(oleDate) * kMsPerDay));
    const std::int64_t msPerDay = static_cast<std::int64_t>(kMsPerDay);
    const std::int64_t day = FloorDiv(totalMs, msPerDay);
    const auto msOfDay = static_cast<int>(totalMs - day * msPerDay);
    const QDate date = QDate(1899, 12, 30).addDays(day);
    const QTime time = QTime::fromMSecsSinceStartOfDay(msOfDay);
    QDateTime local(date, time, Qt::LocalTime);
    if (local.isValid())
        return local;
    // The local zone skips this wall-clock time (the start of daylight-saving time): read it with
    // the offset in force a day earlier, which moves it forward by the gap (02:30 → 03:30).
    const QDateTime asUtc(date, time, Qt::UTC);
    const int offsetBeforeSeconds = asUtc.addDays(-1).toLocalTime().offsetFromUtc();
    return asUtc.addSecs(-offsetBeforeSeconds).toLocalTime();
}

// --- Small maths ---

void range(double* value, double r) {
    if (!value || !std::isfinite(*value) || !std::isfinite(r) || !(r > 0.0))
        return;
    double v = *value - r * std::floor(*value / r);
    if (v < 0.0)
        v += r;
    if (v >= r)
        v = 0.0; // a hair below a multiple of r that rounds up to r
    *value = v;
}

// --- Refraction ---

void refract(double pressureHpa, double temperatureC, double trueAltRad, double* apparentAltRad) {
    if (!apparentAltRad)
        return;
    const double scale = RefractionScale(pressureHpa, temperatureC);
    *apparentAltRad =
        scale == 0.0 ? trueAltRad : trueAltRad + scale * StandardRefractionRad(trueAltRad);
}

void unrefract(double pressureHpa, double temperatureC, double apparentAltRad, double* trueAltRad) {
    if (!trueAltRad)
        return;
    const double scale = RefractionScale(pressureHpa, temperatureC);
    if (scale == 0.0 || !std::isfinite(apparentAltRad)) {
        *trueAltRad = apparentAltRad;
        return;
    }
    // The refraction is largest at the lowest altitude and never negative, so the true altitude
    // lies in [apparent − largest refraction, apparent]. Bisection on t + R(t) − apparent, which
    // is increasing, finds it to the last bits.
    const double largest = scale * StandardRefractionRad(kRefractionLowestAltDeg * kPi / 180.0);
    double low = apparentAltRad - largest;
    double high = apparentAltRad;
    for (int i = 0; i < 200 && high - low > 0.0; ++i) {
        const double mid = 0.5 * (low + high);
        if (mid <= low || mid >= high)
            break;
        if (mid + scale * StandardRefractionRad(mid) < apparentAltRad)
            low = mid;
        else
            high = mid;
    }
    *trueAltRad = 0.5 * (low + high);
}

// --- Earth orientation ---

double deltat(double mjd) {
    // Polynomial expressions for Delta T by F. Espenak and J. Meeus, "Five Millennium Canon of
    // Solar Eclipses: -1999 to +3000" (NASA/TP-2006-214141), as published on NASA's eclipse web
    // site ("Polynomial Expressions for Delta T"), with Espenak's 2014 revision for the years
    // after 2005 (eclipsewise.com, "Polynomial Expressions for Delta T", 2014). Here y is the
    // exact fractional year rather than the middle of the month. No correction for the lunar
    // secular acceleration is applied.
    double y = 0.0;
    mjd_year(mjd, &y);
    if (!std::isfinite(y))
        return kNaN;
    auto poly = [](double x, std::initializer_list<double> c) {
        double sum = 0.0;
        for (auto it = std::rbegin(c); it != std::rend(c); ++it)
            sum = sum * x + *it;
        return sum;
    };
    auto longTerm = [](double year) {
        const double u = (year - 1820.0) / 100.0;
        return -20.0 + 32.0 * u * u;
    };
    if (y < -500.0)
        return longTerm(y);
    if (y < 500.0)
        return poly(y / 100.0, {10583.6, -1014.41, 33.78311, -5.952053, -0.1798452, 0.022174192,
                                0.0090316521});
    if (y < 1600.0)
        return poly((y - 1000.0) / 100.0,
                    {1574.2, -556.01, 71.23472, 0.319781, -0.8503463, -0.005050998, 0.0083572073});
    if (y < 1700.0)
        return poly(y - 1600.0, {120.0, -0.9808, -0.01532, 1.0 / 7129.0});
    if (y < 1800.0)
        return poly(y - 1700.0, {8.83, 0.1603, -0.0059285, 0.00013336, -1.0 / 1174000.0});
    if (y < 1860.0)
        return poly(y - 1800.0, {13.72, -0.332447, 0.0068612, 0.0041116, -0.00037436, 0.0000121272,
                                 -0.0000001699, 0.000000000875});
    if (y < 1900.0)
        return poly(y - 1860.0,
                    {7.62, 0.5737, -0.251754, 0.01680668, -0.0004473624, 1.0 / 233174.0});
    if (y < 1920.0)
        return poly(y - 1900.0, {-2.79, 1.494119, -0.0598939, 0.0061966, -0.000197});
    if (y < 1941.0)
        return poly(y - 1920.0, {21.20, 0.84493, -0.076100, 0.0020936});
    if (y < 1961.0)
        return poly(y - 1950.0, {29.07, 0.407, -1.0 / 233.0, 1.0 / 2547.0});
    if (y < 1986.0)
        return poly(y - 1975.0, {45.45, 1.067, -1.0 / 260.0, -1.0 / 718.0});
    if (y < 2005.0)
        return poly(y - 2000.0, {63.86, 0.3345, -0.060374, 0.0017275, 0.000651814, 0.00002373599});
    if (y < 2015.0)
        return poly(y - 2005.0, {64.69, 0.2930});
    if (y < 3000.0)
        return poly(y - 2015.0, {67.62, 0.3645, 0.0039755});
    return longTerm(y);
}

void obliquity(double mjd, double* epsRad) {
    if (!epsRad)
        return;
    if (!std::isfinite(mjd)) {
        *epsRad = kNaN;
        return;
    }
    double tt1 = 0.0;
    double tt2 = 0.0;
    TtFromUtc(mjd, &tt1, &tt2);
    *epsRad = eraObl06(tt1, tt2);
}

void nutation(double mjd, double* dEpsRad, double* dPsiRad) {
    double dpsi = kNaN;
    double deps = kNaN;
    if (std::isfinite(mjd)) {
        double tt1 = 0.0;
        double tt2 = 0.0;
        TtFromUtc(mjd, &tt1, &tt2);
        eraNut06a(tt1, tt2, &dpsi, &deps);
    }
    if (dEpsRad)
        *dEpsRad = deps;
    if (dPsiRad)
        *dPsiRad = dpsi;
}

// --- Time zone ---

int utc_offs() {
    const QDateTime now = ClockNowUtc();
    const QTimeZone zone = QTimeZone::systemTimeZone();
    const int offsetEastSeconds =
        zone.isValid() ? zone.offsetFromUtc(now) : now.toLocalTime().offsetFromUtc();
    return -offsetEastSeconds;
}

int tz_name(char* buf, int bufSize) {
    const QDateTime now = ClockNowUtc();
    const QTimeZone zone = QTimeZone::systemTimeZone();
    QByteArray name;
    bool daylight = false;
    if (zone.isValid()) {
        name = zone.id();
        if (name.isEmpty())
            name = zone.abbreviation(now).toUtf8();
        daylight = zone.isDaylightTime(now);
    } else {
        const QDateTime local = now.toLocalTime();
        name = local.timeZoneAbbreviation().toUtf8();
        daylight = local.isDaylightTime();
    }
    if (buf && bufSize > 0) {
        const auto n = std::min<qsizetype>(name.size(), bufSize - 1);
        std::memcpy(buf, name.constData(), static_cast<std::size_t>(n));
        buf[n] = '\0';
    }
    return daylight ? 1 : 0;
}

} // namespace teleon::celest32
