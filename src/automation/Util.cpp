#include "automation/Util.h"

#include "astro/Celest32.h"
#include "automation/ComErrors.h"
#include "automation/ScriptHost.h"
#include "link/Utilities.h"
#include "platform/EventLoop.h"
#include "platform/Prompts.h"
#include "selection/ObjectCodes.h"

#include <QDateTime>

#include <algorithm>
#include <cmath>
#include <memory>

namespace teleon {

namespace {

constexpr double JdOffset = celest32::kMjdEpochJd; // JD of the library's day 0
constexpr double DegToRadFactor = 0.0174532925199433;
constexpr double RadToDegFactor = 57.2957795130823;

double mjdOf(double jd) {
    return jd - JdOffset;
}

// A value that is formatted as text must be a number.
double finite(double value) {
    if (!std::isfinite(value))
        RaiseComError(ValueOutOfRangeError);
    return value;
}

const QString Title = QStringLiteral("LX-200 Vantor");

double oleNow() {
    return celest32::OleFromDateTime(celest32::ClockNowUtc().toLocalTime());
}

// Lets the event loop run until the OLE date end (local time) has come.
void waitUntilOle(double end) {
    finite(end);
    for (double now = oleNow(); now < end; now = oleNow()) {
        const double ms = std::min((end - now) * 86400000.0, 250.0);
        platform::RunEventLoopFor(std::max(1, int(std::ceil(ms))));
    }
}

QString wholeText(double value) {
    return QString::number(value, 'f', 0);
}

} // namespace

Util::Util(QObject* parent) : QObject(parent) {}

double Util::PI() const {
    return 3.14159265358979;
}

qint16 Util::SysUTCOffset() const {
    return qint16(std::nearbyint(celest32::utc_offs() / 3600.0));
}

QString Util::SysTimeZoneName() const {
    char buffer[64] = {};
    celest32::tz_name(buffer, int(sizeof buffer));
    return QString::fromLocal8Bit(buffer); // up to the first NUL
}

double Util::SysUTCDate() const {
    const double localNow = celest32::OleFromDateTime(celest32::ClockNowUtc().toLocalTime());
    return localNow + SysUTCOffset() / 24.0;
}

double Util::SysJulianDate() const {
    return celest32::now_mjd() + JdOffset;
}

double Util::RangeValue(double x, double r) {
    // range() brings negative values up as well; adding r in a loop first would never end for
    // a range that is not positive, or one too small to change x.
    celest32::range(&x, r);
    return x;
}

double Util::DMS_Degrees(const QString& s) {
    return Member(this, [&] {
        // The blanks that Degrees_DMS writes after the degree and minute marks when the degree
        // part has three characters.
        QString text = s;
        if (text.size() >= 5 && text[4] == u' ')
            text.remove(4, 1);
        if (text.size() > 7 && text[7] == u' ')
            text.remove(7, 1);
        return ParseScopeAngle(text);
    });
}

double Util::HMS_Hours(const QString& s) {
    return Member(this, [&] { return ParseScopeHours(s); });
}

QString Util::Degrees_DMS(double d) {
    return Member(this, [&] {
        const bool negative = finite(d) < 0;
        d = std::fabs(d);
        const double wholeDegrees = std::floor(d);
        QString degrees = wholeText(wholeDegrees);
        d = (d - wholeDegrees) * 60.0;
        const double wholeMinutes = std::floor(d);
        QString minutes = wholeText(wholeMinutes);
        d = (d - wholeMinutes) * 60.0;
        QString seconds = wholeText(std::nearbyint(d)); // halves to even
        if (seconds == u"60") {
            seconds = QStringLiteral("00");
            minutes = QStringLiteral("%1").arg(wholeMinutes + 1, 2, 'f', 0, QLatin1Char('0'));
            if (minutes == u"60") {
                minutes = QStringLiteral("00");
                degrees = QStringLiteral("%1").arg(wholeDegrees + 1, 3, 'f', 0, QLatin1Char('0'));
            }
        }
        return (negative ? QStringLiteral("-") : QString()) + degrees + QStringLiteral("\u00B0 ") +
               minutes + QStringLiteral("' ") + seconds + u'"';
    });
}

QString Util::Degrees_ScopeDMS(double d) {
    return Member(this, [&] { return FormatScopeAngle(finite(d)); });
}

QString Util::Hours_HMS(double d) {
    return Member(this, [&] { return FormatScopeHours(finite(d)); });
}

QString Util::Degrees_HMS(double d) {
    return Hours_HMS(d / 15.0);
}

double Util::Degrees_Radians(double d) {
    return d * DegToRadFactor;
}

double Util::Radians_Degrees(double r) {
    return r * RadToDegFactor;
}

QString Util::DecodeObjectType(const QString& s) {
    return ::teleon::DecodeObjectType(s);
}

QString Util::DecodeObjectQuality(const QString& s) {
    return DecodeQuality(s);
}

double Util::HourAngle(double dST, double dRA) {
    double h = (dRA - dST) * 15.0;
    if (h > 180.0)
        h -= 360.0;
    else if (h < -180.0)
        h += 360.0;
    return h;
}

double Util::Calendar_Julian(qint32 y, qint32 m, double d) {
    double mjd = 0;
    celest32::cal_mjd(m, d, y, &mjd);
    return mjd + JdOffset;
}

double Util::Julian_Day(double j) {
    return celest32::mjd_day(mjdOf(j)) + JdOffset;
}

double Util::Julian_FracYear(double j) {
    double year = 0;
    celest32::mjd_year(mjdOf(j), &year);
    return year;
}

double Util::FracYear_Julian(double y) {
    double mjd = 0;
    celest32::year_mjd(y, &mjd);
    return mjd + JdOffset;
}

qint32 Util::Julian_DayOfWeek(double j) {
    return Member(this, [&] {
        int dow = -1;
        if (celest32::mjd_dow(mjdOf(j), &dow) == -1)
            RaiseComError(DayOfWeekError);
        return qint32(dow);
    });
}

qint32 Util::Julian_DaysInMonth(double j) {
    int days = 0;
    celest32::mjd_dpm(mjdOf(j), &days);
    return days;
}

double Util::Julian_Date(double j) {
    return celest32::mjd_vb(mjdOf(j));
}

double Util::Date_Julian(double d) {
    return celest32::vb_mjd(d) + JdOffset;
}

double Util::Julian_TJD(double j) {
    return j + DeltaT(j) / 86400.0;
}

double Util::TJD_Julian(double j) {
    return j - DeltaT(j) / 86400.0;
}

double Util::ApplyRefraction(double ta, double pr, double tr) {
    double apparent = 0;
    celest32::refract(pr, tr, ta * DegToRadFactor, &apparent);
    return apparent * RadToDegFactor;
}

double Util::RemoveRefraction(double aa, double pr, double tr) {
    double trueAlt = 0;
    celest32::unrefract(pr, tr, aa * DegToRadFactor, &trueAlt);
    return trueAlt * RadToDegFactor;
}

double Util::Date_GMST(double d) {
    return Julian_GMST(celest32::vb_mjd(d) + JdOffset);
}

double Util::Julian_GMST(double j) {
    const double mjd = mjdOf(j);
    double gst = 0;
    celest32::utc_gst(celest32::mjd_day(mjd), celest32::mjd_hr(mjd), &gst);
    return gst;
}

double Util::NowLST(double lng) {
    return celest32::now_lst(lng * DegToRadFactor);
}

double Util::DeltaT(double j) {
    return celest32::deltat(mjdOf(j));
}

double Util::Obliquity(double j) {
    double eps = 0;
    celest32::obliquity(mjdOf(j), &eps);
    return eps * RadToDegFactor;
}

double Util::NutationInLongitude(double j) {
    double dEps = 0, dPsi = 0;
    celest32::nutation(mjdOf(j), &dEps, &dPsi);
    return dPsi * RadToDegFactor;
}

double Util::NutationInObliquity(double j) {
    double dEps = 0, dPsi = 0;
    celest32::nutation(mjdOf(j), &dEps, &dPsi);
    return dEps * RadToDegFactor;
}

CoordinateTransform* Util::NewCT(double Latitude, double LAST) {
    auto* ct = new CoordinateTransform;
    ct->Init(Latitude, LAST); // a new object always takes it
    return ct;
}

CoordinateTransform* Util::NewCTHereAndNow() {
    return Member(this, [&] {
        auto ct = std::make_unique<CoordinateTransform>();
        ct->initHereAndNow();
        return ct.release();
    });
}

Console* Util::console() {
    if (!console_)
        console_ = new teleon::Console(this);
    return console_;
}

bool Util::ScriptActive() const {
    return Member(this, [] { return LoadScriptHost().ScriptRunning(); });
}

QString Util::ScriptLanguage() const {
    return Member(this, [] { return LoadScriptHost().ScriptLanguage(); });
}

void Util::setScriptLanguage(const QString& language) {
    Member(this, [&] { LoadScriptHost().SetScriptLanguage(language); });
}

void Util::LoadScript(const QString& fn) {
    Member(this, [&] { LoadScriptHost().LoadScriptFile(fn, true); });
}

void Util::RunScript() {
    Member(this, [] { LoadScriptHost().RunMain(true); });
}

void Util::AlertScript() {
    Member(this, [] { LoadScriptHost().RunAlert(true); });
}

void Util::Yield() {
    platform::DoEvents();
}

void Util::WaitForMilliseconds(qint32 td) {
    const std::int64_t start = platform::TickMs();
    for (std::int64_t left = td; left > 0; left = td - (platform::TickMs() - start))
        platform::RunEventLoopFor(int(std::min<std::int64_t>(left, 250)));
}

void Util::WaitFor(double t) {
    Member(this, [&] { waitUntilOle(oleNow() + finite(t)); });
}

void Util::WaitUntil(double d) {
    Member(this, [&] { waitUntilOle(d); });
}

void Util::alert(const QString& msg) {
    platform::prompts().MsgBox(msg, platform::MsgIcon::Exclamation, platform::MsgButtons::OK,
                               Title);
}

bool Util::confirm(const QString& msg) {
    return platform::prompts().MsgBox(msg, platform::MsgIcon::Question,
                                      platform::MsgButtons::OKCancel,
                                      Title) == platform::MsgAnswer::OK;
}

QString Util::prompt(const QString& msg, const QString& def) {
    return platform::prompts().InputBox(msg, Title, def).value_or(QString());
}

} // namespace teleon
