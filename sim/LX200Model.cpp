#include "sim/LX200Model.h"

#include "sim/LX200Text.h"
#include "sim/SkyMath.h"

#include <QTimeZone>

#include <erfa.h>
#include <erfam.h>

#include <algorithm>
#include <cmath>

namespace teleon::sim {

// ---------------------------------------------------------------------------------------------
// Framing

QList<QByteArray> CommandFramer::push(const QByteArray& bytes) {
    QList<QByteArray> commands;
    for (const char c : bytes) {
        if (c == kAck) { // answered wherever it arrives; never part of a command's text
            commands.append(QByteArray(1, kAck));
        } else if (!inCommand_) {
            if (c == ':') {
                inCommand_ = true;
                text_.clear();
            }
            // Anything else outside a command ("#" included) is noise.
        } else if (c == '#') {
            commands.append(text_);
            inCommand_ = false;
            text_.clear();
        } else if (text_.size() >= kMaxCommandLength) {
            inCommand_ = false;
            text_.clear();
        } else {
            text_.append(c);
        }
    }
    return commands;
}

void CommandFramer::reset() {
    inCommand_ = false;
    text_.clear();
}

// ---------------------------------------------------------------------------------------------
// Construction, clock, settings

namespace {

constexpr qint64 kMsPerHour = 3'600'000;
constexpr int kBarLength = 16;
constexpr double kArrived = 1e-9;

const char* const kQualityCodes[] = {"SU", "EX", "VG", "GD", "FR", "PR", "VP"};
constexpr int kQualityCount = 7;

// What "LI" reports when a lookup or a find fails.
const QByteArray kTooLarge = "Too large a number";
const QByteArray kNoSuchObject = "No match in library";
const QByteArray kNothingFound = "No matching objects";

// Reference stars for high-precision go-to: bright stars of the STAR library.
constexpr double kReferenceStarFaintest = 3.0;
constexpr double kReferenceStarMinAltitude = 15.0;
constexpr double kReferenceStarNeedlessDegrees = 0.5;

int qualityIndex(const QByteArray& code) {
    for (int i = 0; i < kQualityCount; ++i)
        if (code == kQualityCodes[i])
            return i;
    return -1;
}

// The finder's type letters ("Sy"): G galaxies, P planetary nebulae, D diffuse nebulae,
// C globular clusters, O open clusters. Multiple stars and objects without a type are never
// found; an open cluster with nebula counts as both kinds.
bool typeIncluded(const QByteArray& typeCode, const QByteArray& types) {
    const auto on = [&](char letter) { return types.contains(letter); };
    if (typeCode == "GAL")
        return on('G');
    if (typeCode == "PNEB")
        return on('P');
    if (typeCode == "DNEB")
        return on('D');
    if (typeCode == "GLOB")
        return on('C');
    if (typeCode == "OPEN")
        return on('O');
    if (typeCode == "OPNB")
        return on('O') || on('D');
    return false;
}

Library deepSkyLibraryOf(int index) {
    static const Library libraries[] = {Library::Ngc, Library::Ic, Library::Ugc};
    return libraries[std::clamp(index, 0, 2)];
}

double separationDegrees(double ra1Hours, double dec1Degrees, double ra2Hours, double dec2Degrees) {
    return eraSeps(ra1Hours * 15.0 * ERFA_DD2R, dec1Degrees * ERFA_DD2R,
                   ra2Hours * 15.0 * ERFA_DD2R, dec2Degrees * ERFA_DD2R) *
           ERFA_DR2D;
}

// Hand-control speeds of the classic: guide 2x and centre 16x the sidereal rate, find about
// 1 degree a second; slew is the go-to speed.
constexpr double kSiderealDegPerSec = 360.0 / 86164.0905;
constexpr double kGuideDegPerSec = 2 * kSiderealDegPerSec;
constexpr double kCentreDegPerSec = 16 * kSiderealDegPerSec;
constexpr double kFindDegPerSec = 1.0;

enum Direction { North = 0, South = 1, East = 2, West = 3 };

QByteArray bar(double remaining, double initial) {
    int filled = 0;
    if (initial > kArrived && remaining > kArrived)
        filled = std::clamp(static_cast<int>(std::ceil(kBarLength * remaining / initial - 1e-9)), 1,
                            kBarLength);
    return QByteArray(filled, '\xFF') + QByteArray(kBarLength - filled, ' ');
}

QByteArray padded(const QByteArray& text, qsizetype length) {
    return text.leftJustified(length, ' ', true);
}

QByteArray oneDecimal(double value, int width) {
    return QByteArray::number(value, 'f', 1).rightJustified(width, ' ');
}

} // namespace

LX200Model::LX200Model()
    : clock_([] { return QDateTime::currentMSecsSinceEpoch(); }), catalogue_(Catalogue::builtIn()) {
    const char* const names[] = {"AAA", "BBB", "CCC", "DDD"};
    for (int i = 0; i < 4; ++i)
        sites_[i] = {names[i], 33.0 + 25.0 / 60.0, 111.0 + 50.0 / 60.0};
    const qint64 now = nowMs();
    localOffsetMs_ = -utcOffsetHours_ * kMsPerHour;
    lastAdvanceMs_ = now;
    // At power-on the telescope points at the meridian on the equator.
    raHours_ = siderealHoursAt(now);
    decDegrees_ = 0;
    targetRaHours_ = raHours_;
    targetDecDegrees_ = decDegrees_;
    goalRaHours_ = raHours_;
    goalDecDegrees_ = decDegrees_;
}

void LX200Model::setClock(Clock clock) {
    advance();
    const QDateTime local = localDateTime();
    clock_ = std::move(clock);
    lastAdvanceMs_ = nowMs();
    setLocalDateTime(local);
}

qint64 LX200Model::nowMs() const {
    return clock_();
}

void LX200Model::setMountMode(char mode) {
    advance();
    mountMode_ = mode;
}

void LX200Model::setScDelayMs(int ms) {
    scDelayMs_ = std::max(0, ms);
}

void LX200Model::setSlewSpeedDegPerSec(double degPerSec) {
    advance();
    if (degPerSec > 0)
        slewSpeedDegPerSec_ = degPerSec;
}

void LX200Model::setCatalogue(std::shared_ptr<const Catalogue> catalogue) {
    if (!catalogue)
        return;
    catalogue_ = std::move(catalogue);
    selected_ = nullptr;
    lookupFailure_.clear();
    findActive_ = false;
    findPosition_ = -1;
    referenceStar_ = nullptr;
    precisionStage_ = PrecisionStage::None;
}

void LX200Model::setReferenceDwellMs(int ms) {
    advance();
    referenceDwellMs_ = ms;
}

void LX200Model::pressHandboxGoTo() {
    advance();
    if (precisionStage_ != PrecisionStage::AtReference)
        return;
    precisionStage_ = PrecisionStage::ToObject;
    startSlew(targetRaHours_, targetDecDegrees_);
}

void LX200Model::refuseNext(const QByteArray& command, int count) {
    refusals_[command] = std::max(0, count);
}

void LX200Model::refuseNextSlew(char code) {
    forcedSlewCode_ = code;
}

// ---------------------------------------------------------------------------------------------
// The serial line

QByteArray LX200Model::feed(const QByteArray& bytes) {
    QByteArray out;
    for (const Reply& r : feedReplies(bytes))
        out += r.bytes;
    return out;
}

QList<Reply> LX200Model::feedReplies(const QByteArray& bytes) {
    queue_ += framer_.push(bytes);
    QList<Reply> out;
    processQueue(out);
    return out;
}

QList<Reply> LX200Model::takeDueReplies() {
    QList<Reply> out;
    if (busyUntilMs_ >= 0 && nowMs() >= busyUntilMs_) {
        out.append({QByteArray(), delayedOutput_});
        delayedOutput_.clear();
        busyUntilMs_ = -1;
        processQueue(out);
    }
    return out;
}

qint64 LX200Model::msUntilDue() const {
    if (busyUntilMs_ < 0)
        return -1;
    return std::max<qint64>(0, busyUntilMs_ - nowMs());
}

void LX200Model::resetInput() {
    framer_.reset();
}

void LX200Model::processQueue(QList<Reply>& out) {
    // While the telescope is busy (updating planetary data) commands wait their turn.
    while (!queue_.isEmpty() && busyUntilMs_ < 0) {
        const QByteArray command = queue_.takeFirst();
        out.append({command, dispatch(command)});
    }
}

const std::map<QByteArray, LX200Model::Handler>& LX200Model::handlers() {
    static const std::map<QByteArray, Handler> table = {
        // Position, target, time and site
        {"GR", &LX200Model::cmdGetRa},
        {"GD", &LX200Model::cmdGetDec},
        {"GA", &LX200Model::cmdGetAltitude},
        {"GZ", &LX200Model::cmdGetAzimuth},
        {"Gr", &LX200Model::cmdGetTargetRa},
        {"Gd", &LX200Model::cmdGetTargetDec},
        {"GS", &LX200Model::cmdGetSidereal},
        {"GL", &LX200Model::cmdGetLocalTime},
        {"GC", &LX200Model::cmdGetDate},
        {"GG", &LX200Model::cmdGetUtcOffset},
        {"Gt", &LX200Model::cmdGetLatitude},
        {"Gg", &LX200Model::cmdGetLongitude},
        {"GM", &LX200Model::cmdGetSiteName1},
        {"GN", &LX200Model::cmdGetSiteName2},
        {"GO", &LX200Model::cmdGetSiteName3},
        {"GP", &LX200Model::cmdGetSiteName4},
        {"GT", &LX200Model::cmdGetTracking},
        {"GF", &LX200Model::cmdGetFieldRadius},
        {"Gc", &LX200Model::cmdGetClockFormat},
        {"SL", &LX200Model::cmdSetLocalTime},
        {"SC", &LX200Model::cmdSetDate},
        {"Sr", &LX200Model::cmdSetTargetRa},
        {"Sd", &LX200Model::cmdSetTargetDec},
        {"St", &LX200Model::cmdSetLatitude},
        {"Sg", &LX200Model::cmdSetLongitude},
        {"SG", &LX200Model::cmdSetUtcOffset},
        {"SM", &LX200Model::cmdSetSiteName1},
        {"SN", &LX200Model::cmdSetSiteName2},
        {"SO", &LX200Model::cmdSetSiteName3},
        {"SP", &LX200Model::cmdSetSiteName4},
        {"W1", &LX200Model::cmdSelectSite1},
        {"W2", &LX200Model::cmdSelectSite2},
        {"W3", &LX200Model::cmdSelectSite3},
        {"W4", &LX200Model::cmdSelectSite4},
        // Settings
        {"U", &LX200Model::cmdToggleFormat},
        {"P", &LX200Model::cmdTogglePrecision},
        {"B+", &LX200Model::cmdReticleBrighter},
        {"B-", &LX200Model::cmdReticleDarker},
        {"B0", &LX200Model::cmdReticleBlink0},
        {"B1", &LX200Model::cmdReticleBlink1},
        {"B2", &LX200Model::cmdReticleBlink2},
        {"B3", &LX200Model::cmdReticleBlink3},
        // Motion
        {"MS", &LX200Model::cmdSlew},
        {"D", &LX200Model::cmdDistanceBars},
        {"Q", &LX200Model::cmdStopAll},
        {"Qn", &LX200Model::cmdStopNorth},
        {"Qs", &LX200Model::cmdStopSouth},
        {"Qe", &LX200Model::cmdStopEast},
        {"Qw", &LX200Model::cmdStopWest},
        {"Mn", &LX200Model::cmdMoveNorth},
        {"Ms", &LX200Model::cmdMoveSouth},
        {"Me", &LX200Model::cmdMoveEast},
        {"Mw", &LX200Model::cmdMoveWest},
        {"RS", &LX200Model::cmdRateSlew},
        {"RM", &LX200Model::cmdRateFind},
        {"RC", &LX200Model::cmdRateCentre},
        {"RG", &LX200Model::cmdRateGuide},
        {"CM", &LX200Model::cmdSync},
        // Focus and tracking
        {"F+", &LX200Model::cmdFocusOut},
        {"F-", &LX200Model::cmdFocusIn},
        {"FQ", &LX200Model::cmdFocusStop},
        {"FF", &LX200Model::cmdFocusFast},
        {"FS", &LX200Model::cmdFocusSlow},
        {"TQ", &LX200Model::cmdTrackSidereal},
        {"TM", &LX200Model::cmdTrackManual},
        {"T+", &LX200Model::cmdTrackFaster},
        {"T-", &LX200Model::cmdTrackSlower},
        {"ST", &LX200Model::cmdSetTracking},
        // Object library and finder
        {"Lf", &LX200Model::cmdFieldReport},
        {"LI", &LX200Model::cmdObjectInfo},
        {"LM", &LX200Model::cmdSelectMessier},
        {"LC", &LX200Model::cmdSelectDeepSky},
        {"LS", &LX200Model::cmdSelectStar},
        {"Lo", &LX200Model::cmdDeepSkyLibrary},
        {"Ls", &LX200Model::cmdStarLibrary},
        {"LF", &LX200Model::cmdFindFirst},
        {"LN", &LX200Model::cmdFindNext},
        {"LB", &LX200Model::cmdFindPrevious},
        {"SF", &LX200Model::cmdSetFieldRadius},
        {"Gy", &LX200Model::cmdGetTypes},
        {"Sy", &LX200Model::cmdSetTypes},
        {"Gq", &LX200Model::cmdGetQuality},
        {"Sq", &LX200Model::cmdStepQuality},
        {"Gh", &LX200Model::cmdGetHigherLimit},
        {"Sh", &LX200Model::cmdSetHigherLimit},
        {"Gb", &LX200Model::cmdGetBrighter},
        {"Sb", &LX200Model::cmdSetBrighter},
        {"Gf", &LX200Model::cmdGetFainter},
        {"Sf", &LX200Model::cmdSetFainter},
        {"Gl", &LX200Model::cmdGetSmaller},
        {"Sl", &LX200Model::cmdSetSmaller},
        {"Gs", &LX200Model::cmdGetLarger},
        {"Ss", &LX200Model::cmdSetLarger},
    };
    return table;
}

QByteArray LX200Model::dispatch(const QByteArray& command) {
    advance();
    if (command == QByteArray(1, CommandFramer::kAck))
        return QByteArray(1, mountMode_);

    const auto& table = handlers();
    QByteArray name = command.left(2);
    auto it = table.find(name);
    if (it == table.end()) {
        name = command.left(1);
        it = table.find(name);
    }
    if (it == table.end())
        return {}; // unknown commands go unanswered, as on the real unit

    if (auto refusal = refusals_.find(name); refusal != refusals_.end() && refusal->second > 0) {
        --refusal->second;
        return "0";
    }
    return (this->*(it->second))(command.mid(name.size()));
}

// ---------------------------------------------------------------------------------------------
// Time and motion

qint64 LX200Model::telescopeUtcMs(qint64 atMs) const {
    return atMs + localOffsetMs_ + utcOffsetHours_ * kMsPerHour;
}

double LX200Model::siderealHoursAt(qint64 atMs) const {
    return sim::localSiderealHours(telescopeUtcMs(atMs), current().longitudeWestDegrees);
}

double LX200Model::localSiderealHours() const {
    return siderealHoursAt(nowMs());
}

QDateTime LX200Model::localDateTime() const {
    return QDateTime::fromMSecsSinceEpoch(nowMs() + localOffsetMs_, QTimeZone::utc());
}

void LX200Model::setLocalDateTime(const QDateTime& local) {
    const QDateTime asUtc(local.date(), local.time(), QTimeZone::utc());
    localOffsetMs_ = asUtc.toMSecsSinceEpoch() - nowMs();
}

void LX200Model::setUtcOffsetHours(int hours) {
    utcOffsetHours_ = hours;
}

bool LX200Model::altAzAxes() const {
    return mountMode_ == 'A' || mountMode_ == 'L';
}

LX200Model::AxisPair LX200Model::toAxes(double raHours, double decDegrees, qint64 atMs) const {
    const double haHours = siderealHoursAt(atMs) - raHours;
    if (!altAzAxes())
        return {wrapSignedDegrees(haHours * 15.0), decDegrees};
    const Horizontal h = toHorizontal({haHours, decDegrees}, current().latitudeDegrees);
    return {h.azimuthDegrees, h.altitudeDegrees};
}

void LX200Model::fromAxes(const AxisPair& axes, qint64 atMs, double& raHours,
                          double& decDegrees) const {
    double haHours = axes.first / 15.0;
    decDegrees = axes.second;
    if (altAzAxes()) {
        const HourAngleDec e = toEquatorial({axes.first, axes.second}, current().latitudeDegrees);
        haHours = e.hourAngleHours;
        decDegrees = e.decDegrees;
    }
    raHours = wrapHours(siderealHoursAt(atMs) - haHours);
}

LX200Model::AxisPair LX200Model::remainingSlew(qint64 atMs) const {
    const AxisPair from = toAxes(raHours_, decDegrees_, atMs);
    const AxisPair to = toAxes(goalRaHours_, goalDecDegrees_, atMs);
    return {std::fabs(wrapSignedDegrees(to.first - from.first)),
            std::fabs(to.second - from.second)};
}

double LX200Model::rateDegPerSec() const {
    switch (motionRate_) {
    case MotionRate::Slew:
        return slewSpeedDegPerSec_;
    case MotionRate::Find:
        return kFindDegPerSec;
    case MotionRate::Centre:
        return kCentreDegPerSec;
    case MotionRate::Guide:
        return kGuideDegPerSec;
    }
    return kGuideDegPerSec;
}

void LX200Model::advance() {
    const qint64 now = nowMs();
    const qint64 elapsedMs = now - lastAdvanceMs_;
    if (elapsedMs <= 0) {
        lastAdvanceMs_ = now; // a clock set back (tests) restarts the integration
        return;
    }
    // In land mode the drive does not track: the tube stays fixed against the ground.
    if (mountMode_ == 'L')
        raHours_ = wrapHours(raHours_ + siderealHoursAt(now) - siderealHoursAt(lastAdvanceMs_));

    if (slewing_) {
        const double step = slewSpeedDegPerSec_ * static_cast<double>(elapsedMs) / 1000.0;
        const AxisPair from = toAxes(raHours_, decDegrees_, now);
        const AxisPair to = toAxes(goalRaHours_, goalDecDegrees_, now);
        const double d1 = wrapSignedDegrees(to.first - from.first);
        const double d2 = to.second - from.second;
        if (std::fabs(d1) <= step && std::fabs(d2) <= step) {
            raHours_ = goalRaHours_;
            decDegrees_ = goalDecDegrees_;
            slewing_ = false;
            slewArrived(now);
        } else {
            fromAxes({from.first + std::clamp(d1, -step, step),
                      from.second + std::clamp(d2, -step, step)},
                     now, raHours_, decDegrees_);
        }
    }

    const double move = rateDegPerSec() * static_cast<double>(elapsedMs) / 1000.0;
    if (moving_[North])
        decDegrees_ = std::min(90.0, decDegrees_ + move);
    if (moving_[South])
        decDegrees_ = std::max(-90.0, decDegrees_ - move);
    if (moving_[East])
        raHours_ = wrapHours(raHours_ + move / 15.0);
    if (moving_[West])
        raHours_ = wrapHours(raHours_ - move / 15.0);

    lastAdvanceMs_ = now;
    // The simulated observer centres the reference star and presses GO TO.
    if (precisionStage_ == PrecisionStage::AtReference && referenceDwellMs_ >= 0 &&
        now - referenceReachedMs_ >= referenceDwellMs_) {
        precisionStage_ = PrecisionStage::ToObject;
        startSlew(targetRaHours_, targetDecDegrees_);
    }
}

void LX200Model::startSlew(double raHours, double decDegrees) {
    goalRaHours_ = raHours;
    goalDecDegrees_ = decDegrees;
    moving_.fill(false);
    slewStartDistance_ = remainingSlew(nowMs());
    slewing_ = slewStartDistance_.first > kArrived || slewStartDistance_.second > kArrived;
    if (!slewing_) {
        raHours_ = goalRaHours_;
        decDegrees_ = goalDecDegrees_;
        slewArrived(nowMs());
    }
}

void LX200Model::slewArrived(qint64 atMs) {
    if (precisionStage_ == PrecisionStage::ToReference) {
        precisionStage_ = PrecisionStage::AtReference;
        referenceReachedMs_ = atMs;
    } else if (precisionStage_ == PrecisionStage::ToObject) {
        precisionStage_ = PrecisionStage::None;
        referenceStar_ = nullptr;
    }
}

LX200Model::PrecisionStage LX200Model::precisionStage() {
    advance();
    return precisionStage_;
}

double LX200Model::altitudeOf(double raHours, double decDegrees, qint64 atMs) const {
    return toHorizontal({siderealHoursAt(atMs) - raHours, decDegrees}, current().latitudeDegrees)
        .altitudeDegrees;
}

void LX200Model::objectPlace(const CatalogueObject& object, double& raHours,
                             double& decDegrees) const {
    if (object.body == SolarSystemBody::None) {
        raHours = object.raHours;
        decDegrees = object.decDegrees;
        return;
    }
    const BodyPosition p = bodyPosition(object.body, telescopeUtcMs(nowMs()));
    raHours = p.raHours;
    decDegrees = p.decDegrees;
}

double LX200Model::raHours() {
    advance();
    return raHours_;
}

double LX200Model::decDegrees() {
    advance();
    return decDegrees_;
}

void LX200Model::setPosition(double raHours, double decDegrees) {
    advance();
    slewing_ = false;
    precisionStage_ = PrecisionStage::None;
    referenceStar_ = nullptr;
    moving_.fill(false);
    raHours_ = wrapHours(raHours);
    decDegrees_ = std::clamp(decDegrees, -90.0, 90.0);
}

void LX200Model::setTarget(double raHours, double decDegrees) {
    targetRaHours_ = wrapHours(raHours);
    targetDecDegrees_ = std::clamp(decDegrees, -90.0, 90.0);
}

double LX200Model::altitudeDegrees() {
    advance();
    const double ha = siderealHoursAt(nowMs()) - raHours_;
    return toHorizontal({ha, decDegrees_}, current().latitudeDegrees).altitudeDegrees;
}

double LX200Model::azimuthDegrees() {
    advance();
    const double ha = siderealHoursAt(nowMs()) - raHours_;
    return toHorizontal({ha, decDegrees_}, current().latitudeDegrees).azimuthDegrees;
}

bool LX200Model::isSlewing() {
    advance();
    return slewing_;
}

bool LX200Model::isMoving() {
    advance();
    return slewing_ || std::any_of(moving_.begin(), moving_.end(), [](bool m) { return m; });
}

double LX200Model::trackingHz() const {
    return manualTracking_ ? manualTrackingHz_ : 60.1;
}

LX200Model::Site LX200Model::site(int number) const {
    return sites_[std::clamp(number, 1, 4) - 1];
}

void LX200Model::setSite(int number, const Site& site) {
    sites_[std::clamp(number, 1, 4) - 1] = site;
}

const CatalogueObject* LX200Model::selectedObject() const {
    return selected_;
}

// ---------------------------------------------------------------------------------------------
// Commands: position, target, time and site

QByteArray LX200Model::cmdGetRa(const QByteArray&) {
    return text::formatHours(raHours_, longFormat_) + '#';
}

QByteArray LX200Model::cmdGetDec(const QByteArray&) {
    return text::formatSignedDegrees(decDegrees_, longFormat_) + '#';
}

QByteArray LX200Model::cmdGetAltitude(const QByteArray&) {
    return text::formatSignedDegrees(altitudeDegrees(), longFormat_) + '#';
}

QByteArray LX200Model::cmdGetAzimuth(const QByteArray&) {
    // The telescope counts azimuth from south.
    return text::formatAzimuth(azimuthDegrees() + 180.0, longFormat_) + '#';
}

QByteArray LX200Model::cmdGetTargetRa(const QByteArray&) {
    return text::formatHours(targetRaHours_, longFormat_) + '#';
}

QByteArray LX200Model::cmdGetTargetDec(const QByteArray&) {
    return text::formatSignedDegrees(targetDecDegrees_, longFormat_) + '#';
}

QByteArray LX200Model::cmdGetSidereal(const QByteArray&) {
    return text::formatHours(localSiderealHours(), true) + '#';
}

QByteArray LX200Model::cmdGetLocalTime(const QByteArray&) {
    return text::formatTimeOfDay(localDateTime().time().msecsSinceStartOfDay() / 1000) + '#';
}

QByteArray LX200Model::cmdGetDate(const QByteArray&) {
    return text::formatDate(localDateTime().date()) + '#';
}

QByteArray LX200Model::cmdGetClockFormat(const QByteArray&) {
    return "24#"; // the classic keeps a 24-hour clock
}

QByteArray LX200Model::cmdGetUtcOffset(const QByteArray&) {
    return text::formatUtcOffset(utcOffsetHours_) + '#';
}

QByteArray LX200Model::cmdGetLatitude(const QByteArray&) {
    return text::formatLatitude(current().latitudeDegrees) + '#';
}

QByteArray LX200Model::cmdGetLongitude(const QByteArray&) {
    return text::formatLongitude(current().longitudeWestDegrees) + '#';
}

QByteArray LX200Model::siteName(int number) const {
    return sites_[number - 1].name + '#';
}

QByteArray LX200Model::cmdGetSiteName1(const QByteArray&) {
    return siteName(1);
}
QByteArray LX200Model::cmdGetSiteName2(const QByteArray&) {
    return siteName(2);
}
QByteArray LX200Model::cmdGetSiteName3(const QByteArray&) {
    return siteName(3);
}
QByteArray LX200Model::cmdGetSiteName4(const QByteArray&) {
    return siteName(4);
}

QByteArray LX200Model::setSiteName(int number, const QByteArray& args) {
    const QByteArray name = args.trimmed();
    if (name.isEmpty() || name.contains('#'))
        return "0";
    sites_[number - 1].name = name.left(15);
    return "1";
}

QByteArray LX200Model::cmdSetSiteName1(const QByteArray& a) {
    return setSiteName(1, a);
}
QByteArray LX200Model::cmdSetSiteName2(const QByteArray& a) {
    return setSiteName(2, a);
}
QByteArray LX200Model::cmdSetSiteName3(const QByteArray& a) {
    return setSiteName(3, a);
}
QByteArray LX200Model::cmdSetSiteName4(const QByteArray& a) {
    return setSiteName(4, a);
}

QByteArray LX200Model::selectSite(int number) {
    currentSite_ = number;
    return {};
}

QByteArray LX200Model::cmdSelectSite1(const QByteArray&) {
    return selectSite(1);
}
QByteArray LX200Model::cmdSelectSite2(const QByteArray&) {
    return selectSite(2);
}
QByteArray LX200Model::cmdSelectSite3(const QByteArray&) {
    return selectSite(3);
}
QByteArray LX200Model::cmdSelectSite4(const QByteArray&) {
    return selectSite(4);
}

QByteArray LX200Model::cmdSetLocalTime(const QByteArray& args) {
    const auto seconds = text::parseTimeOfDay(args);
    if (!seconds)
        return "0";
    const QDateTime now = localDateTime();
    setLocalDateTime(QDateTime(now.date(), QTime(0, 0).addSecs(*seconds), QTimeZone::utc()));
    return "1";
}

QByteArray LX200Model::cmdSetDate(const QByteArray& args) {
    const auto date = text::parseDate(args);
    if (!date)
        return "0";
    const QDateTime now = localDateTime();
    setLocalDateTime(QDateTime(*date, now.time(), QTimeZone::utc()));
    // The telescope recomputes its planetary positions; it is deaf meanwhile and reports
    // the end with a second (blank) text.
    busyUntilMs_ = nowMs() + scDelayMs_;
    delayedOutput_ = QByteArray(32, ' ') + '#';
    return "1Updating        planetary data#";
}

QByteArray LX200Model::cmdSetTargetRa(const QByteArray& args) {
    const auto hours = text::parseHours(args);
    if (!hours)
        return "0";
    targetRaHours_ = *hours;
    selected_ = nullptr; // the target is now plain coordinates
    lookupFailure_.clear();
    return "1";
}

QByteArray LX200Model::cmdSetTargetDec(const QByteArray& args) {
    const auto degrees = text::parseSignedDegrees(args, 90.0);
    if (!degrees)
        return "0";
    targetDecDegrees_ = *degrees;
    selected_ = nullptr;
    lookupFailure_.clear();
    return "1";
}

QByteArray LX200Model::cmdSetLatitude(const QByteArray& args) {
    const auto degrees = text::parseSignedDegrees(args, 90.0);
    if (!degrees)
        return "0";
    current().latitudeDegrees = *degrees;
    return "1";
}

QByteArray LX200Model::cmdSetLongitude(const QByteArray& args) {
    const auto degrees = text::parseLongitude(args);
    if (!degrees)
        return "0";
    current().longitudeWestDegrees = *degrees >= 360.0 ? 0.0 : *degrees;
    return "1";
}

QByteArray LX200Model::cmdSetUtcOffset(const QByteArray& args) {
    const auto hours = text::parseUtcOffset(args);
    if (!hours)
        return "0";
    utcOffsetHours_ = *hours; // the local time stays; the telescope's UTC moves
    return "1";
}

// ---------------------------------------------------------------------------------------------
// Commands: settings

QByteArray LX200Model::cmdToggleFormat(const QByteArray&) {
    longFormat_ = !longFormat_;
    return {};
}

QByteArray LX200Model::cmdTogglePrecision(const QByteArray&) {
    highPrecision_ = !highPrecision_;
    return highPrecision_ ? "HIGH PRECISION" : "LOW PRECISION";
}

QByteArray LX200Model::cmdReticleBrighter(const QByteArray&) {
    reticleLevel_ = std::min(9, reticleLevel_ + 1);
    return {};
}

QByteArray LX200Model::cmdReticleDarker(const QByteArray&) {
    reticleLevel_ = std::max(0, reticleLevel_ - 1);
    return {};
}

QByteArray LX200Model::setBlink(int level) {
    reticleBlink_ = level;
    return {};
}

QByteArray LX200Model::cmdReticleBlink0(const QByteArray&) {
    return setBlink(0);
}
QByteArray LX200Model::cmdReticleBlink1(const QByteArray&) {
    return setBlink(1);
}
QByteArray LX200Model::cmdReticleBlink2(const QByteArray&) {
    return setBlink(2);
}
QByteArray LX200Model::cmdReticleBlink3(const QByteArray&) {
    return setBlink(3);
}

// ---------------------------------------------------------------------------------------------
// Commands: motion

QByteArray LX200Model::cmdSlew(const QByteArray&) {
    if (forcedSlewCode_) {
        const char code = *forcedSlewCode_;
        forcedSlewCode_.reset();
        if (code == '1')
            return "1Object Below Horizon #";
        if (code == '2')
            return "2Object Below Higher#";
        if (code != '0')
            return QByteArray(1, code) + '#';
    }
    if (mountMode_ != 'L') {
        const double altitude = altitudeOf(targetRaHours_, targetDecDegrees_, nowMs());
        if (altitude < 0)
            return "1Object Below Horizon #";
        if (altitude < higherLimitDegrees_)
            return "2Object Below Higher#";
    }
    precisionStage_ = PrecisionStage::None;
    referenceStar_ = highPrecision_ ? chooseReferenceStar() : nullptr;
    if (referenceStar_) {
        precisionStage_ = PrecisionStage::ToReference;
        startSlew(referenceStar_->raHours, referenceStar_->decDegrees);
    } else {
        startSlew(targetRaHours_, targetDecDegrees_);
    }
    return "0";
}

const CatalogueObject* LX200Model::chooseReferenceStar() const {
    // The bright star nearest the target that stands well above the horizon.
    const CatalogueObject* best = nullptr;
    double bestDistance = 0;
    const qint64 now = nowMs();
    for (const Catalogue::Entry& e : catalogue_->entries(Library::Star)) {
        const CatalogueObject& o = *e.object;
        if (o.body != SolarSystemBody::None || !o.magnitude ||
            *o.magnitude > kReferenceStarFaintest ||
            altitudeOf(o.raHours, o.decDegrees, now) < kReferenceStarMinAltitude)
            continue;
        const double d =
            separationDegrees(o.raHours, o.decDegrees, targetRaHours_, targetDecDegrees_);
        if (!best || d < bestDistance) {
            best = &o;
            bestDistance = d;
        }
    }
    // A target that is itself a bright star needs no reference.
    return best && bestDistance > kReferenceStarNeedlessDegrees ? best : nullptr;
}

QByteArray LX200Model::cmdDistanceBars(const QByteArray&) {
    if (!slewing_)
        return "#";
    const AxisPair left = remainingSlew(nowMs());
    return bar(left.first, slewStartDistance_.first) + bar(left.second, slewStartDistance_.second) +
           '#';
}

QByteArray LX200Model::cmdStopAll(const QByteArray&) {
    slewing_ = false;
    precisionStage_ = PrecisionStage::None;
    referenceStar_ = nullptr;
    moving_.fill(false);
    return {};
}

QByteArray LX200Model::stopMove(int direction) {
    moving_[direction] = false;
    return {};
}

QByteArray LX200Model::cmdStopNorth(const QByteArray&) {
    return stopMove(North);
}
QByteArray LX200Model::cmdStopSouth(const QByteArray&) {
    return stopMove(South);
}
QByteArray LX200Model::cmdStopEast(const QByteArray&) {
    return stopMove(East);
}
QByteArray LX200Model::cmdStopWest(const QByteArray&) {
    return stopMove(West);
}

QByteArray LX200Model::startMove(int direction) {
    slewing_ = false;                                     // a direction key ends a go-to
    if (precisionStage_ != PrecisionStage::AtReference) { // centring the star is allowed
        precisionStage_ = PrecisionStage::None;
        referenceStar_ = nullptr;
    }
    moving_[direction] = true;
    return {};
}

QByteArray LX200Model::cmdMoveNorth(const QByteArray&) {
    return startMove(North);
}
QByteArray LX200Model::cmdMoveSouth(const QByteArray&) {
    return startMove(South);
}
QByteArray LX200Model::cmdMoveEast(const QByteArray&) {
    return startMove(East);
}
QByteArray LX200Model::cmdMoveWest(const QByteArray&) {
    return startMove(West);
}

QByteArray LX200Model::cmdRateSlew(const QByteArray&) {
    motionRate_ = MotionRate::Slew;
    return {};
}
QByteArray LX200Model::cmdRateFind(const QByteArray&) {
    motionRate_ = MotionRate::Find;
    return {};
}
QByteArray LX200Model::cmdRateCentre(const QByteArray&) {
    motionRate_ = MotionRate::Centre;
    return {};
}
QByteArray LX200Model::cmdRateGuide(const QByteArray&) {
    motionRate_ = MotionRate::Guide;
    return {};
}

QByteArray LX200Model::cmdSync(const QByteArray&) {
    slewing_ = false;
    raHours_ = targetRaHours_;
    decDegrees_ = targetDecDegrees_;
    if (!selected_)
        return "Coordinates     matched.        #";
    const CatalogueObject& o = *selected_;
    if (o.coordinatesOnly())
        return ' ' + o.name + " Coordinates Only#";
    QByteArray reply = ' ' + o.name;
    if (!o.qualityCode.isEmpty())
        reply += ' ' + o.qualityCode;
    if (!o.typeCode.isEmpty())
        reply += ' ' + o.typeCode;
    if (o.magnitude)
        reply += " MAG " + QByteArray::number(*o.magnitude, 'f', 1);
    if (o.sizeArcmin)
        reply += " SZ" + QByteArray::number(*o.sizeArcmin, 'f', 1) + '\'';
    return reply + '#';
}

// ---------------------------------------------------------------------------------------------
// Commands: focus and tracking

QByteArray LX200Model::cmdFocusOut(const QByteArray&) {
    focusDirection_ = 1;
    return {};
}
QByteArray LX200Model::cmdFocusIn(const QByteArray&) {
    focusDirection_ = -1;
    return {};
}
QByteArray LX200Model::cmdFocusStop(const QByteArray&) {
    focusDirection_ = 0;
    return {};
}
QByteArray LX200Model::cmdFocusFast(const QByteArray&) {
    fastFocus_ = true;
    return {};
}
QByteArray LX200Model::cmdFocusSlow(const QByteArray&) {
    fastFocus_ = false;
    return {};
}

QByteArray LX200Model::cmdGetTracking(const QByteArray&) {
    return QByteArray::number(trackingHz(), 'f', 1).rightJustified(4, '0') + '#';
}

QByteArray LX200Model::cmdTrackSidereal(const QByteArray&) {
    manualTracking_ = false;
    return {};
}
QByteArray LX200Model::cmdTrackManual(const QByteArray&) {
    manualTracking_ = true;
    return {};
}
QByteArray LX200Model::cmdTrackFaster(const QByteArray&) {
    manualTrackingHz_ = std::min(70.0, manualTrackingHz_ + 0.1);
    return {};
}
QByteArray LX200Model::cmdTrackSlower(const QByteArray&) {
    manualTrackingHz_ = std::max(50.0, manualTrackingHz_ - 0.1);
    return {};
}

QByteArray LX200Model::cmdSetTracking(const QByteArray& args) {
    const auto hz = text::parseNumber(args);
    if (!hz || *hz < 50.0 || *hz > 70.0)
        return "0";
    manualTrackingHz_ = std::round(*hz * 10.0) / 10.0;
    return "1";
}

// ---------------------------------------------------------------------------------------------
// Commands: object library and finder

QByteArray LX200Model::objectInformation() const {
    if (!lookupFailure_.isEmpty())
        return padded(lookupFailure_, kObjectInfoLength);
    if (!selected_)
        return padded("NGC0", kObjectInfoLength);
    // Positions counted from 1: name 1-8 (a ninth character, as in "SAO151881", takes the
    // blank at 9), quality 10-11, type 13-16, magnitude 20-23, size from 28; an object the
    // library knows only by position shows "Coordinates Only" from 17.
    const CatalogueObject& o = *selected_;
    const QByteArray head = o.name.size() > 8 ? o.name.left(9) : padded(o.name, 9);
    if (o.coordinatesOnly())
        return padded(head, 16) + "Coordinates Only";
    QByteArray text = head + padded(o.qualityCode, 2) + ' ' + padded(o.typeCode, 4);
    text += o.magnitude ? " MG" + oneDecimal(*o.magnitude, 4) : QByteArray(7, ' ');
    if (o.sizeArcmin && *o.sizeArcmin > 0) {
        const double size = *o.sizeArcmin;
        text += " SZ " +
                (size >= 10 ? QByteArray::number(qRound(size)) : QByteArray::number(size, 'f', 1)) +
                '\'';
    }
    return padded(text, kObjectInfoLength);
}

void LX200Model::selectObject(const CatalogueObject* object) {
    selected_ = object;
    lookupFailure_.clear();
    objectPlace(*object, targetRaHours_, targetDecDegrees_);
}

void LX200Model::select(Library library, const QByteArray& args) {
    const auto number = text::parseLeadingInteger(args);
    const CatalogueObject* object = number ? catalogue_->find(library, *number) : nullptr;
    if (object) {
        selectObject(object);
        return;
    }
    // The target stays where it was; "LI" tells what went wrong.
    selected_ = nullptr;
    const bool planet = library == Library::Star && number && *number > 900 && *number < 910;
    lookupFailure_ =
        number && *number > Catalogue::libraryEnd(library) && !planet ? kTooLarge : kNoSuchObject;
}

QByteArray LX200Model::cmdFieldReport(const QByteArray&) {
    // Characters 9-11 hold the number of library objects within the field radius ("SF") of
    // where the telescope points; each object counts once under all its numbers.
    int count = 0;
    for (const CatalogueObject* o : catalogue_->distinctObjects()) {
        double ra = 0, dec = 0;
        objectPlace(*o, ra, dec);
        if (separationDegrees(ra, dec, raHours_, decDegrees_) * 60.0 <= fieldRadiusArcmin_)
            ++count;
    }
    return padded("Objects:" + QByteArray::number(std::min(count, 999)).rightJustified(3, ' '),
                  kObjectInfoLength) +
           '#';
}

QByteArray LX200Model::cmdObjectInfo(const QByteArray&) {
    return objectInformation() + '#';
}

QByteArray LX200Model::cmdSelectMessier(const QByteArray& args) {
    select(Library::Messier, args);
    return {};
}

QByteArray LX200Model::cmdSelectDeepSky(const QByteArray& args) {
    select(deepSkyLibraryOf(deepSkyLibrary_), args);
    return {};
}

QByteArray LX200Model::cmdSelectStar(const QByteArray& args) {
    static const Library libraries[] = {Library::Star, Library::Sao, Library::Gcvs};
    select(libraries[starLibrary_], args);
    return {};
}

bool LX200Model::findMatches(const CatalogueObject& o, qint64 atMs) const {
    if (!typeIncluded(o.typeCode, types_))
        return false;
    const int quality = qualityIndex(o.qualityCode);
    if (quality < 0 || quality > qualityIndex_)
        return false;
    if (!o.magnitude || *o.magnitude < brighterLimit_ || *o.magnitude > fainterLimit_)
        return false;
    const double size = o.sizeArcmin.value_or(0.0);
    if (size < smallerLimitArcmin_ || size > largerLimitArcmin_)
        return false;
    double ra = 0, dec = 0;
    objectPlace(o, ra, dec);
    return altitudeOf(ra, dec, atMs) >= std::max(0, higherLimitDegrees_);
}

void LX200Model::stepFind(int direction) {
    // The finder walks the deep-sky library in the order of its numbers, both ways round.
    const QList<Catalogue::Entry> entries = catalogue_->entries(findLibrary_);
    const qsizetype n = entries.size();
    const qint64 now = nowMs();
    for (qsizetype k = 1; k <= n; ++k) {
        const qsizetype i =
            findPosition_ < 0 ? k - 1 : ((findPosition_ + direction * k) % n + n) % n;
        if (findMatches(*entries[i].object, now)) {
            findPosition_ = i;
            selectObject(entries[i].object);
            return;
        }
    }
    selected_ = nullptr;
    lookupFailure_ = kNothingFound;
}

QByteArray LX200Model::cmdFindFirst(const QByteArray&) {
    findLibrary_ = deepSkyLibraryOf(deepSkyLibrary_);
    findPosition_ = -1;
    findActive_ = true;
    stepFind(1);
    return {};
}

QByteArray LX200Model::cmdFindNext(const QByteArray&) {
    if (findActive_)
        stepFind(1);
    return {};
}

QByteArray LX200Model::cmdFindPrevious(const QByteArray&) {
    if (findActive_)
        stepFind(-1);
    return {};
}

QByteArray LX200Model::cmdDeepSkyLibrary(const QByteArray& args) {
    const auto n = text::parseLeadingInteger(args);
    if (!n || *n > 2)
        return "0";
    deepSkyLibrary_ = *n;
    return "1";
}

QByteArray LX200Model::cmdStarLibrary(const QByteArray& args) {
    const auto n = text::parseLeadingInteger(args);
    if (!n || *n > 2)
        return "0";
    starLibrary_ = *n;
    return "1";
}

QByteArray LX200Model::cmdSetFieldRadius(const QByteArray& args) {
    const auto n = text::parseLeadingInteger(args);
    if (!n || *n > 200)
        return "0";
    fieldRadiusArcmin_ = *n;
    return "1";
}

QByteArray LX200Model::cmdGetFieldRadius(const QByteArray&) {
    return QByteArray::number(fieldRadiusArcmin_).rightJustified(3, '0') + '#';
}

QByteArray LX200Model::cmdGetTypes(const QByteArray&) {
    return types_ + '#';
}

QByteArray LX200Model::cmdSetTypes(const QByteArray& args) {
    const QByteArray wanted = args.trimmed();
    if (wanted.isEmpty())
        return "0";
    QByteArray types = types_;
    for (const char c : wanted) {
        const qsizetype i = types.toUpper().indexOf(QByteArray(1, c).toUpper());
        if (i < 0)
            return "0";
        types[i] = c;
    }
    types_ = types;
    return "1";
}

QByteArray LX200Model::cmdGetQuality(const QByteArray&) {
    return QByteArray(kQualityCodes[qualityIndex_]) + '#';
}

QByteArray LX200Model::cmdStepQuality(const QByteArray&) {
    qualityIndex_ = (qualityIndex_ + 1) % kQualityCount;
    return {};
}

QByteArray LX200Model::cmdGetHigherLimit(const QByteArray&) {
    return QByteArray::number(higherLimitDegrees_).rightJustified(2, '0') + text::kDegreeSign + '#';
}

QByteArray LX200Model::cmdSetHigherLimit(const QByteArray& args) {
    const auto n = text::parseLeadingInteger(args);
    if (!n || *n > 90)
        return "0";
    higherLimitDegrees_ = *n;
    return "1";
}

QByteArray LX200Model::cmdGetBrighter(const QByteArray&) {
    return (brighterLimit_ < 0 ? "-" : "+") +
           QByteArray::number(std::fabs(brighterLimit_), 'f', 1).rightJustified(4, '0') + '#';
}

QByteArray LX200Model::cmdSetBrighter(const QByteArray& args) {
    const auto m = text::parseNumber(args);
    if (!m || *m < -5.5 || *m > 20.0)
        return "0";
    brighterLimit_ = *m;
    return "1";
}

QByteArray LX200Model::cmdGetFainter(const QByteArray&) {
    return (fainterLimit_ < 0 ? "-" : "+") +
           QByteArray::number(std::fabs(fainterLimit_), 'f', 1).rightJustified(4, '0') + '#';
}

QByteArray LX200Model::cmdSetFainter(const QByteArray& args) {
    const auto m = text::parseNumber(args);
    if (!m || *m < -5.5 || *m > 20.0)
        return "0";
    fainterLimit_ = *m;
    return "1";
}

QByteArray LX200Model::cmdGetSmaller(const QByteArray&) {
    return QByteArray::number(smallerLimitArcmin_).rightJustified(3, '0') + "'#";
}

QByteArray LX200Model::cmdSetSmaller(const QByteArray& args) {
    const auto n = text::parseLeadingInteger(args);
    if (!n || *n > 200)
        return "0";
    smallerLimitArcmin_ = *n;
    return "1";
}

QByteArray LX200Model::cmdGetLarger(const QByteArray&) {
    return QByteArray::number(largerLimitArcmin_).rightJustified(3, '0') + "'#";
}

QByteArray LX200Model::cmdSetLarger(const QByteArray& args) {
    const auto n = text::parseLeadingInteger(args);
    if (!n || *n > 200)
        return "0";
    largerLimitArcmin_ = *n;
    return "1";
}

} // namespace teleon::sim
