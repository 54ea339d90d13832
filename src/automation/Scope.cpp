#include "automation/Scope.h"

#include "astro/Celest32.h"
#include "automation/ComErrors.h"
#include "console/Registry.h"
#include "console/frmMain.h"
#include "link/Channel.h"
#include "link/ProgramState.h"
#include "link/ScopeIntfc.h"
#include "link/SlewEngine.h"
#include "link/Utilities.h"
#include "selection/frmFind.h"
#include "setup/SiteFormat.h"
#include "voice/AgentCtrl.h"

#include <QCheckBox>
#include <QDateTime>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSlider>

#include <cmath>
#include <stdexcept>

namespace teleon {

namespace {

constexpr double JdOffset = celest32::kMjdEpochJd;
constexpr int LongestCommand = 255;
constexpr int QualityCodeCount = 7;

frmMain& window() {
    frmMain* w = frmMain::Instance();
    if (!w)
        throw std::runtime_error("The telescope program's main window is not open.");
    return *w;
}

[[noreturn]] void outOfRange() {
    RaiseComError(ValueOutOfRangeError);
}

// A number the telescope is to be given: finite and within ±limit.
double checked(double value, double limit) {
    if (!std::isfinite(value) || std::fabs(value) > limit)
        outOfRange();
    return value;
}

// A bare command for the channel: it frames it itself, so "#" or a control character would
// end the frame early or send the telescope junk, and an empty one is no command at all (the
// telescope would leave it unanswered and the link would be taken for lost).
const QString& checkedCommand(const QString& s) {
    if (s.isEmpty() || s.size() > LongestCommand)
        outOfRange();
    for (const QChar c : s)
        if (c == u'#' || c.unicode() < 0x20 || c.unicode() == 0x7F || c.unicode() > 0xFF)
            outOfRange();
    return s;
}

// VB's Val of the first count characters: a whole number at the start, 0 when there is none.
int leadingNumber(const QString& text, int count) {
    const QString head = text.left(count).trimmed();
    qsizetype end = 0;
    if (end < head.size() && (head[end] == u'-' || head[end] == u'+'))
        ++end;
    while (end < head.size() && head[end].isDigit())
        ++end;
    return head.left(end).toInt();
}

// Moves a slider without its signal; true when the value changed (the slider's bounds apply).
bool moveQuietly(QSlider* slider, int value) {
    const int old = slider->value();
    const QSignalBlocker block(slider);
    slider->setValue(value);
    return slider->value() != old;
}

void updateScopeCoords() {
    if (Hooks().UpdateScopeCoords)
        Hooks().UpdateScopeCoords();
}

void updateWhatsVis() {
    if (Hooks().UpdateWhatsVis)
        Hooks().UpdateWhatsVis();
}

// The first step of every finder filter change: the finder loaded, its search ended.
frmFind& finderForChange() {
    frmFind* finder = window().LoadFinder();
    finder->ResetFindUI();
    return *finder;
}

void typeFilter(frmFind::ObjectKind kind, bool allow) {
    frmFind& finder = finderForChange();
    finder.SetTypeIncluded(kind, allow);
    finder.UpdateObjFilters();
}

void limitFilter(const LxCommand& command, qint32 value, bool clearsFitFov) {
    frmFind& finder = finderForChange();
    if (clearsFitFov)
        finder.SetFitFOV(false);
    if (!SendCommandBool(command, u' ' + QString::number(value)))
        outOfRange();
    finder.UpdateObjFilters();
}

void magnitudeFilter(const LxCommand& command, double magnitude) {
    checked(magnitude, 999.9);
    frmFind& finder = finderForChange();
    if (!SendCommandBool(command, u' ' + FormatNeutralNumber(magnitude, QStringLiteral("000.0"))))
        outOfRange();
    finder.UpdateObjFilters();
}

// The telescope's local (or, with its offset, universal) date and time as an OLE date.
double clockDate(bool utc) {
    const double time = ParseScopeHours(SendCommandString(lx::GetLocalTime)) / 24.0;
    const QString dateText = SendCommandString(lx::GetDate);
    const double date = celest32::mdy_vb(dateText.toLatin1().constData());
    if (date == 0) // no date the telescope can hold
        throw ScopeTextError(QStringLiteral("The telescope's date \"%1\" cannot be read.")
                                 .arg(dateText)
                                 .toStdString());
    double result = date + time;
    if (utc)
        result += ParseNeutralNumber(SendCommandString(lx::GetUtcOffset)) / 24.0;
    return result;
}

qint16 utcOffset() {
    return qint16(qRound(ParseNeutralNumber(SendCommandString(lx::GetUtcOffset))));
}

// Sets the telescope's clock to a local date and time. Its calendar runs from 1992 to 2091
// ("MM/DD/YY"): a date outside would be taken for another century.
void setClock(double localOleDate) {
    static const double first = celest32::OleFromDateTime(QDateTime(QDate(1992, 1, 1), QTime()));
    static const double end = celest32::OleFromDateTime(QDateTime(QDate(2092, 1, 1), QTime()));
    if (!std::isfinite(localOleDate) || localOleDate < first || localOleDate >= end)
        outOfRange();
    if (!SetScopeClock(localOleDate, false))
        outOfRange();
}

double latitude() {
    return ParseScopeAngle(SendCommandString(lx::GetLatitude));
}

double longitude() {
    // In (-180, 180]: 180 degrees west is +180, and 0 is never -0.
    double east = -ParseScopeAngle(SendCommandString(lx::GetLongitude)) + 0.0;
    if (east <= -180.0)
        east += 360.0;
    return east;
}

bool setLocation(double lat, double lng, int offsetHours) {
    checked(lat, 90.0);
    checked(lng, 360.0);
    if (offsetHours < -24 || offsetHours > 24)
        outOfRange();
    lng = -lng; // the telescope counts west
    if (lng < 0)
        lng += 360.0;
    SendCommandBlind(lx::SelectSite4);
    if (!SendCommandBool(lx::SetLatitude, FormatSiteCoordinate(lat)) ||
        !SendCommandBool(lx::SetLongitude, FormatSiteCoordinate(lng)) ||
        !SendCommandBool(lx::SetUtcOffset, FormatNeutralNumber(offsetHours, QStringLiteral("00"))))
        RaiseComError(IllegalLatLongError);
    if (!SendCommandBool(lx::SetSite4Name, QStringLiteral("ZZZ")))
        RaiseComError(IllegalSiteNameError);
    updateScopeCoords();
    updateWhatsVis();
    return true;
}

// A refused coordinate is an error: a slew or sync that followed would use the old target.
void sendObjectRightAscension(double hours) {
    if (!std::isfinite(hours) || hours < 0 || hours >= 24.0)
        outOfRange();
    QString text = FormatScopeHours(hours);
    if (text.startsWith(u"24")) // within half a second of 24h
        text.replace(0, 2, QStringLiteral("00"));
    if (!SendCommandBool(lx::SetTargetRA, text))
        outOfRange();
    updateScopeCoords();
}

void sendObjectDeclination(double degrees) {
    if (!SendCommandBool(lx::SetTargetDec, FormatScopeAngle(checked(degrees, 90.0))))
        outOfRange();
    updateScopeCoords();
}

bool slewToCurrentObject() {
    const bool finished = SlewToTarget(true, true);
    updateWhatsVis();
    updateScopeCoords();
    // A slew the user stopped counts as done; one whose start could not be read does not.
    return finished || SlewAborted;
}

struct Selection {
    QString catalogue; // "Lo 0" ...
    QString lookup;    // "LM 31" ...
    QString expected;  // what "LI" must begin with
};

Selection selectionFor(const QString& u) {
    static const char* const planets[] = {"MERCURY", "VENUS",  "MOON",    "MARS", "JUPITER",
                                          "SATURN",  "URANUS", "NEPTUNE", "PLUTO"};
    for (int i = 0; i < 9; ++i)
        if (u == QLatin1String(planets[i]))
            return {QStringLiteral("Ls 0"), QStringLiteral("LS %1").arg(901 + i),
                    i == 2 ? QStringLiteral("THE MOON") : u};
    struct Row {
        const char* prefix;
        const char* catalogue;
        const char* lookup;
        const char* name;
    };
    static const Row rows[] = {
        {"M ", "Lo 0", "LM ", "M"},      {"NGC ", "Lo 0", "LC ", "NGC"},
        {"CNGC ", "Lo 0", "LC ", "NGC"}, {"IC ", "Lo 1", "LC ", "IC"},
        {"UGC ", "Lo 2", "LC ", "UGC"},  {"STAR ", "Ls 0", "LS ", "STAR"},
        {"SAO ", "Ls 1", "LS ", "SAO"},  {"GCVS ", "Ls 2", "LS ", "GCVS"},
    };
    for (const Row& row : rows) {
        const QLatin1String prefix(row.prefix);
        if (!u.startsWith(prefix))
            continue;
        const QString k = u.mid(prefix.size());
        if (k.trimmed().isEmpty())
            throw AutomationError(SelectObjectError, u + QStringLiteral(": no catalog number"));
        for (const QChar c : k)
            if (c == u'#' || c.unicode() < 0x20 || c.unicode() > 0xFF)
                throw AutomationError(SelectObjectError,
                                      u + QStringLiteral(": not a catalog number"));
        return {QLatin1String(row.catalogue), QLatin1String(row.lookup) + k,
                QLatin1String(row.name) + k};
    }
    const QString k = GetConfig(QStringLiteral("Align Stars"), u);
    if (k.isEmpty())
        throw AutomationError(SelectObjectError,
                              u + QStringLiteral(": not a registered alignment star"));
    return {QStringLiteral("Ls 0"), QStringLiteral("LS ") + k, QStringLiteral("STAR") + k};
}

} // namespace

Scope::Scope(QObject* parent) : QObject(parent) {}

// ---- hand controls and settings ----

qint16 Scope::SlewSpeed() const {
    return Member(this, [] { return qint16(window().sldRate->value()); });
}

void Scope::setSlewSpeed(qint16 value) {
    Member(this, [&] {
        frmMain& w = window();
        if (moveQuietly(w.sldRate, value))
            w.sldRate_Change();
    });
}

double Scope::FOVWidth() const {
    return RectField ? FieldWidth / 60.0 : 0.0;
}

double Scope::FOVHeight() const {
    return RectField ? FieldHeight / 60.0 : 0.0;
}

double Scope::FOVMagnification() const {
    return FieldMagnification;
}

double Scope::FOVRadius() const {
    return RectField ? 0.0 : FieldRadius / 60.0;
}

double Scope::TrackFreq() {
    return Member(this, [] {
        TrackFrequency = ParseNeutralNumber(SendCommandString(lx::GetTrackFrequency));
        return TrackFrequency;
    });
}

void Scope::setTrackFreq(double hz) {
    Member(this, [&] {
        checked(hz, 99.9); // the telescope takes "00.0"
        if (hz == 60.1) {
            SendCommandBlind(lx::TrackSidereal);
            TrackFrequency = 60.1;
            return;
        }
        SendCommandBlind(lx::TrackManual);
        if (!SendCommandBool(lx::SetTrackFrequency,
                             FormatNeutralNumber(hz, QStringLiteral("00.0")))) {
            SendCommandBlind(lx::TrackSidereal);
            TrackFrequency = 60.1;
            outOfRange();
        }
        TrackFrequency = hz;
    });
}

qint16 Scope::ReticleBrightness() const {
    return qint16(ReticleLevel);
}

void Scope::setReticleBrightness(qint16 level) {
    Member(this, [&] {
        if (level < 0 || level > 9)
            outOfRange();
        frmMain& w = window();
        if (moveQuietly(w.sldRetBrt, level))
            w.sldRetBrt_Change();
    });
}

qint16 Scope::ReticleBlink() const {
    return qint16(ReticleBlinkIndex);
}

void Scope::setReticleBlink(qint16 rate) {
    Member(this, [&] {
        if (rate < 0 || rate > 3)
            outOfRange();
        frmMain& w = window();
        if (moveQuietly(w.sldRetBlink, rate))
            w.sldRetBlink_Change();
    });
}

bool Scope::FastFocus() const {
    return ::teleon::FastFocus;
}

void Scope::setFastFocus(bool fast) {
    Member(this, [&] {
        frmMain& w = window();
        const int index = fast ? 0 : 1;
        w.rbgFocus[std::size_t(index)]->setChecked(true);
        w.rbgFocus_Click(index);
    });
}

bool Scope::HiPrecisionMode() const {
    return HighPrecisionPointing;
}

void Scope::setHiPrecisionMode(bool on) {
    Member(this, [&] {
        frmMain& w = window();
        if (w.chkHiPrec->isChecked() == on)
            return;
        w.chkHiPrec->setChecked(on);
        w.chkHiPrec_Click();
    });
}

bool Scope::PolarAlignmentMode() const {
    return AlignmentMode == u"P";
}

// ---- position and time ----

double Scope::RightAscension() {
    return Member(this, [] { return ParseScopeHours(SendCommandString(lx::GetRA)); });
}

double Scope::Declination() {
    return Member(this, [] { return ParseScopeAngle(SendCommandString(lx::GetDec)); });
}

double Scope::Azimuth() {
    return Member(this, [] {
        double az = ParseScopeAngle(SendCommandString(lx::GetAzimuth)) + 180.0; // from south
        if (az >= 360.0)
            az -= 360.0;
        return az;
    });
}

double Scope::Elevation() {
    return Member(this, [] { return ParseScopeAngle(SendCommandString(lx::GetAltitude)); });
}

QString Scope::SecondaryName() const {
    return EyepieceName;
}

double Scope::SiderealTime() {
    return Member(this,
                  [] { return ParseScopeHours(SendCommandString(lx::GetSiderealTime)) / 24.0; });
}

double Scope::UTCDate() {
    return Member(this, [] { return clockDate(true); });
}

void Scope::setUTCDate(double oleDate) {
    Member(this, [&] { setClock(checked(oleDate, 1e7) - utcOffset() / 24.0); });
}

qint16 Scope::UTCOffset() {
    return Member(this, [] { return utcOffset(); });
}

void Scope::setUTCOffset(qint16 hours) {
    Member(this, [&] {
        const double lat = latitude(); // read in this order: Gt, Gg
        setLocation(lat, longitude(), hours);
    });
}

double Scope::LocalDate() {
    return Member(this, [] { return clockDate(false); });
}

void Scope::setLocalDate(double oleDate) {
    Member(this, [&] { setClock(oleDate); });
}

double Scope::JulianDate() {
    return Member(this, [] { return celest32::vb_mjd(clockDate(true)) + JdOffset; });
}

void Scope::setJulianDate(double jd) {
    Member(this, [&] {
        const double utc = celest32::mjd_vb(checked(jd, 1e8) - JdOffset);
        setClock(utc - utcOffset() / 24.0);
    });
}

double Scope::Latitude() {
    return Member(this, [] { return latitude(); });
}

void Scope::setLatitude(double degrees) {
    Member(this, [&] {
        checked(degrees, 90.0);
        const double lng = longitude(); // read in this order: Gg, GG
        setLocation(degrees, lng, utcOffset());
    });
}

double Scope::Longitude() {
    return Member(this, [] { return longitude(); });
}

void Scope::setLongitude(double degrees) {
    Member(this, [&] {
        checked(degrees, 360.0);
        const double lat = latitude(); // read in this order: Gt, GG
        setLocation(lat, degrees, utcOffset());
    });
}

double Scope::ObjectRightAscension() {
    return Member(this, [] { return ParseScopeHours(SendCommandString(lx::GetTargetRA)); });
}

void Scope::setObjectRightAscension(double hours) {
    Member(this, [&] { sendObjectRightAscension(hours); });
}

double Scope::ObjectDeclination() {
    return Member(this, [] { return ParseScopeAngle(SendCommandString(lx::GetTargetDec)); });
}

void Scope::setObjectDeclination(double degrees) {
    Member(this, [&] { sendObjectDeclination(degrees); });
}

QString Scope::ObjectInformation() {
    return Member(this, [] { return SendCommandString(lx::GetObjectInfo); });
}

// ---- finder filters ----

#define TELEON_TYPE_FILTER(Name, letter, kind)                                                     \
    bool Scope::Name() {                                                                           \
        return Member(this, [] {                                                                   \
            return SendCommandString(lx::GetFilterTypes).contains(QLatin1Char(letter));            \
        });                                                                                        \
    }                                                                                              \
    void Scope::set##Name(bool allow) {                                                            \
        Member(this, [&] { typeFilter(frmFind::ObjectKind::kind, allow); });                       \
    }

TELEON_TYPE_FILTER(FilterAllowGalaxies, 'G', Galaxies)
TELEON_TYPE_FILTER(FilterAllowPlanetaryNebulae, 'P', PlanetaryNebulae)
TELEON_TYPE_FILTER(FilterAllowDiffuseNebulae, 'D', DiffuseNebulae)
TELEON_TYPE_FILTER(FilterAllowGlobularClusters, 'C', GlobularClusters)
TELEON_TYPE_FILTER(FilterAllowOpenClusters, 'O', OpenClusters)
#undef TELEON_TYPE_FILTER

QString Scope::FilterMinQuality() {
    return Member(this, [] { return SendCommandString(lx::GetMinQuality); });
}

void Scope::setFilterMinQuality(const QString& code) {
    Member(this, [&] {
        frmFind& finder = finderForChange();
        const QString q = code.toUpper();
        static const QStringList codes{
            QStringLiteral("VP"), QStringLiteral("PR"), QStringLiteral("FR"), QStringLiteral("GD"),
            QStringLiteral("VG"), QStringLiteral("EX"), QStringLiteral("SU")};
        if (!codes.contains(q))
            RaiseComError(IllegalFilterQualityError);
        // "Sq" steps round the seven codes: one full round meets every code the telescope has.
        for (int steps = 0; SendCommandString(lx::GetMinQuality) != q; ++steps) {
            if (steps == QualityCodeCount)
                outOfRange();
            SendCommandBlind(lx::StepMinQuality);
        }
        finder.UpdateObjFilters();
    });
}

qint32 Scope::MinElevation() {
    return Member(this,
                  [] { return qint32(leadingNumber(SendCommandString(lx::GetMinElevation), 2)); });
}

void Scope::setMinElevation(qint32 degrees) {
    Member(this, [&] { limitFilter(lx::SetMinElevation, degrees, false); });
}

QString Scope::Name() const {
    return ScopeName;
}

double Scope::FilterFaintMagnitude() {
    return Member(this, [] { return ParseNeutralNumber(SendCommandString(lx::GetFaintMag)); });
}

void Scope::setFilterFaintMagnitude(double magnitude) {
    Member(this, [&] { magnitudeFilter(lx::SetFaintMag, magnitude); });
}

double Scope::FilterBrightMagnitude() {
    return Member(this, [] { return ParseNeutralNumber(SendCommandString(lx::GetBrightMag)); });
}

void Scope::setFilterBrightMagnitude(double magnitude) {
    Member(this, [&] { magnitudeFilter(lx::SetBrightMag, magnitude); });
}

qint32 Scope::FilterMaxSize() {
    return Member(this, [] { return qint32(leadingNumber(SendCommandString(lx::GetMaxSize), 3)); });
}

void Scope::setFilterMaxSize(qint32 arcmin) {
    Member(this, [&] { limitFilter(lx::SetMaxSize, arcmin, true); });
}

qint32 Scope::FilterMinSize() {
    return Member(this, [] { return qint32(leadingNumber(SendCommandString(lx::GetMinSize), 3)); });
}

void Scope::setFilterMinSize(qint32 arcmin) {
    Member(this, [&] { limitFilter(lx::SetMinSize, arcmin, true); });
}

// ---- methods ----

bool Scope::SelectObject(const QString& s) {
    return Member(this, [&] {
        const QString u = s.toUpper();
        const Selection selection = selectionFor(u);
        if (selection.catalogue.startsWith(u"Lo"))
            DeepSkyCatalog = selection.catalogue.back().digitValue();
        else
            StarCatalog = selection.catalogue.back().digitValue();
        SendCommandBool(selection.catalogue); // the reply does not matter
        SendCommandBlind(selection.lookup);
        const QString info = SendCommandString(lx::GetObjectInfo).trimmed();
        if (!info.startsWith(selection.expected))
            throw AutomationError(SelectObjectError, u + u':' + info);
        updateScopeCoords();
        return true;
    });
}

bool Scope::SlewToCurrentObject() {
    return Member(this, [] { return slewToCurrentObject(); });
}

bool Scope::SlewToPosition(double dRA, double dDec) {
    return Member(this, [&] {
        sendObjectRightAscension(dRA);
        sendObjectDeclination(dDec);
        return slewToCurrentObject();
    });
}

bool Scope::SlewByOffset(double ns, double ew) {
    return Member(this, [&] {
        if (!std::isfinite(ns) || !std::isfinite(ew) || !ShiftTarget(ns, ew, false))
            outOfRange();
        return slewToCurrentObject();
    });
}

bool Scope::FindFirstObject() {
    return Member(this, [] {
        frmFind& finder = finderForChange();
        {
            const BusyGuard busy;
            SendCommandBlind(lx::FindFirst);
            WaitMs(500);
        }
        if (SendCommandString(lx::GetObjectInfo).left(11) == u"No matching") {
            finder.ResetFindUI();
            return false;
        }
        finder.ShowCurObject();
        finder.cmdPrev->setEnabled(true);
        finder.cmdNext->setEnabled(true);
        finder.cmdGoTo->setEnabled(true);
        finder.cmdFind->setEnabled(false);
        return true;
    });
}

namespace {
// Steps the running search when the finder's button for it is enabled.
bool findStep(QPushButton* frmFind::*button, const LxCommand& command) {
    frmMain* w = frmMain::Instance();
    frmFind* finder = w ? w->Finder() : nullptr;
    if (!finder || !(finder->*button)->isEnabled())
        return false;
    SendCommandBlind(command);
    return true;
}
} // namespace

bool Scope::FindNextObject() {
    return Member(this, [] { return findStep(&frmFind::cmdNext, lx::FindNext); });
}

bool Scope::FindPreviousObject() {
    return Member(this, [] { return findStep(&frmFind::cmdPrev, lx::FindPrevious); });
}

bool Scope::SetClockFromPC() {
    return Member(this, [] {
        double now = celest32::OleFromDateTime(celest32::ClockNowUtc().toLocalTime());
        return SetScopeClock(now, false);
    });
}

bool Scope::SetLocation(double dLat, double dLong, qint16 iUTCOffset) {
    return Member(this, [&] { return setLocation(dLat, dLong, iUTCOffset); });
}

bool Scope::SyncPosition() {
    return Member(this, [] {
        if (SendCommandString(lx::Sync).isEmpty())
            return false;
        frmMain* w = frmMain::Instance();
        if (w && w->agent() && w->agent()->Active())
            w->agent()->Speak(QStringLiteral("Scope sinked to current ob-ject"));
        else if (Hooks().Beep)
            Hooks().Beep();
        updateScopeCoords();
        return true;
    });
}

QString Scope::CommandString(const QString& s) {
    return Member(this, [&] { return SendCommandString(checkedCommand(s)); });
}

bool Scope::CommandBool(const QString& s) {
    return Member(this, [&] { return SendCommandBool(checkedCommand(s)); });
}

void Scope::CommandBlind(const QString& s) {
    Member(this, [&] { SendCommandBlind(checkedCommand(s)); });
}

} // namespace teleon
