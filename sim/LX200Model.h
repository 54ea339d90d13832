// A model of an LX-200 classic telescope: the command processor behind its serial port.
// No I/O: bytes go in through feed(), reply bytes come out. Time (the telescope's clock, slews,
// hand motion, the pause after a date change) comes from a clock that tests can replace.
#pragma once

#include "sim/Catalogue.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>

#include <array>
#include <functional>
#include <map>
#include <memory>
#include <optional>

namespace teleon::sim {

// Splits the incoming byte stream into commands the way the telescope's input routine does:
// a command is the text between ":" and the next "#"; the acknowledge byte 6 stands alone and
// is answered wherever it arrives; bytes outside a command are line noise and dropped.
class CommandFramer {
public:
    static constexpr char kAck = '\x06';
    static constexpr qsizetype kMaxCommandLength = 40; // longer text is noise: dropped

    // The commands completed by these bytes: their text without ":" and "#", or "\x06".
    QList<QByteArray> push(const QByteArray& bytes);
    // Forgets a half-received command.
    void reset();

private:
    bool inCommand_ = false;
    QByteArray text_;
};

// One command and what the telescope answered to it.
struct Reply {
    QByteArray command; // the command text ("GR", "Sr 12:34:56", "\x06"); empty for the later
                        // part of an answer (the second text after "SC")
    QByteArray bytes;   // the answer, possibly empty
};

enum class MotionRate { Slew, Find, Centre, Guide }; // "RS", "RM", "RC", "RG"

class LX200Model {
public:
    // Milliseconds since 1970-01-01T00:00Z.
    using Clock = std::function<qint64()>;

    static constexpr int kDefaultScDelayMs = 5000;
    static constexpr double kDefaultSlewDegPerSec = 4.0;
    static constexpr int kObjectInfoLength = 32; // "LI" answers this many characters and "#"

    LX200Model();

    // The clock for everything that moves with time; by default the computer's clock.
    // Replacing it re-bases the telescope's clock so that its local time does not jump.
    void setClock(Clock clock);
    qint64 nowMs() const;

    // ---- The serial line ----
    // Takes incoming bytes and returns the answers to every command they complete.
    QByteArray feed(const QByteArray& bytes);
    // As feed(), one Reply per command (commands without an answer included).
    QList<Reply> feedReplies(const QByteArray& bytes);
    // Output that has come due by now: the second text after "SC", then the answers to
    // commands that arrived while the telescope was busy updating its planetary data.
    QList<Reply> takeDueReplies();
    // Milliseconds until takeDueReplies() has something, 0 when it has now, -1 when nothing
    // is pending.
    qint64 msUntilDue() const;
    // Forgets a half-received command (line noise, the cable plugged back in).
    void resetInput();

    // ---- Fault injection ----
    // The next count commands named command ("Sr", "SL", "St", ...) answer "0" and change
    // nothing.
    void refuseNext(const QByteArray& command, int count = 1);
    // The next "MS" answers code, then a message and "#", instead of slewing. Code '1' gives
    // "Object Below Horizon ", '2' "Object Below Higher", anything else no message.
    void refuseNextSlew(char code);

    // ---- Simulation settings ----
    // 'A' alt-azimuth, 'P' polar, 'G' German equatorial, 'L' land: the acknowledge answer.
    void setMountMode(char mode);
    char mountMode() const { return mountMode_; }
    // Pause between the two texts that follow an accepted "SC" (a real unit takes about 5 s).
    void setScDelayMs(int ms);
    // Go-to speed of each axis; also the "RS" hand speed. Tests use a large value.
    void setSlewSpeedDegPerSec(double degPerSec);
    double slewSpeedDegPerSec() const { return slewSpeedDegPerSec_; }
    void setCatalogue(std::shared_ptr<const Catalogue> catalogue);
    // High-precision go-to: the telescope first slews to a bright reference star near the
    // target and waits there for the observer to centre it and press GO TO on the handbox.
    // The simulated observer does so this long after arrival (default 3000 ms); -1 waits for
    // pressHandboxGoTo().
    void setReferenceDwellMs(int ms);
    // The handbox's GO TO key: ends the wait at the reference star.
    void pressHandboxGoTo();

    // ---- State, as the telescope holds it ----
    // Pointing, in the telescope's equatorial coordinates (epoch as the catalogue's).
    double raHours();
    double decDegrees();
    void setPosition(double raHours, double decDegrees); // stops any motion
    double targetRaHours() const { return targetRaHours_; }
    double targetDecDegrees() const { return targetDecDegrees_; }
    void setTarget(double raHours, double decDegrees);
    // Horizontal coordinates of the pointing (azimuth from north through east).
    double altitudeDegrees();
    double azimuthDegrees();
    bool isSlewing();
    bool isMoving(); // slewing or moving by hand
    enum class PrecisionStage { None, ToReference, AtReference, ToObject };
    PrecisionStage precisionStage();
    // The reference star of the high-precision go-to under way, or nullptr.
    const CatalogueObject* referenceStar() const { return referenceStar_; }

    bool longFormat() const { return longFormat_; }
    bool highPrecision() const { return highPrecision_; }
    int reticleLevel() const { return reticleLevel_; }
    int reticleBlink() const { return reticleBlink_; }
    MotionRate motionRate() const { return motionRate_; }
    int focusDirection() const { return focusDirection_; } // -1 in ("F-"), 0 stopped, +1 out
    bool fastFocus() const { return fastFocus_; }
    double trackingHz() const;

    struct Site {
        QByteArray name;
        double latitudeDegrees = 0;      // positive north
        double longitudeWestDegrees = 0; // 0 up to 360
    };
    int currentSite() const { return currentSite_; } // 1-4 ("W1".."W4")
    Site site(int number) const;                     // 1-4
    void setSite(int number, const Site& site);
    int utcOffsetHours() const { return utcOffsetHours_; } // added to local time gives UTC
    void setUtcOffsetHours(int hours);
    // The telescope's clock: its local date and time (a QDateTime in UTC whose fields are the
    // local wall time; setLocalDateTime reads only the date and time fields), and the local
    // sidereal time of the current site in hours.
    QDateTime localDateTime() const;
    void setLocalDateTime(const QDateTime& local);
    double localSiderealHours() const;

    // The selected library object, or nullptr ("LI" answers "NGC0" padded, or the failure).
    const CatalogueObject* selectedObject() const;
    // What "LI" answers, without the "#": 32 characters.
    QByteArray objectInformation() const;
    // Where a library object stands now: its catalogue place, or a planet's for the date.
    void objectPlace(const CatalogueObject& object, double& raHours, double& decDegrees) const;
    int deepSkyLibrary() const { return deepSkyLibrary_; } // "Lo": 0 NGC, 1 IC, 2 UGC
    int starLibrary() const { return starLibrary_; }       // "Ls": 0 STAR, 1 SAO, 2 GCVS
    int fieldRadiusArcmin() const { return fieldRadiusArcmin_; }

private:
    using Handler = QByteArray (LX200Model::*)(const QByteArray& args);
    static const std::map<QByteArray, Handler>& handlers();

    void processQueue(QList<Reply>& out);
    QByteArray dispatch(const QByteArray& command);

    // Moves the pointing on to the present moment.
    void advance();
    struct AxisPair {
        double first;  // hour angle (equatorial mounts) or azimuth (alt-azimuth), degrees
        double second; // declination or altitude, degrees
    };
    bool altAzAxes() const;
    AxisPair toAxes(double raHours, double decDegrees, qint64 atMs) const;
    void fromAxes(const AxisPair& axes, qint64 atMs, double& raHours, double& decDegrees) const;
    AxisPair remainingSlew(qint64 atMs) const;
    qint64 telescopeUtcMs(qint64 atMs) const;
    double siderealHoursAt(qint64 atMs) const;
    Site& current() { return sites_[currentSite_ - 1]; }
    const Site& current() const { return sites_[currentSite_ - 1]; }
    double rateDegPerSec() const;
    void select(Library library, const QByteArray& args);
    void selectObject(const CatalogueObject* object);
    void startSlew(double raHours, double decDegrees);
    void slewArrived(qint64 atMs);
    const CatalogueObject* chooseReferenceStar() const;
    double altitudeOf(double raHours, double decDegrees, qint64 atMs) const;
    bool findMatches(const CatalogueObject& object, qint64 atMs) const;
    void stepFind(int direction);
    static QByteArray boolReply(bool accepted) { return accepted ? "1" : "0"; }

    // Command handlers (one per command; the name is the command's letters).
    QByteArray cmdGetRa(const QByteArray&);
    QByteArray cmdGetDec(const QByteArray&);
    QByteArray cmdGetAltitude(const QByteArray&);
    QByteArray cmdGetAzimuth(const QByteArray&);
    QByteArray cmdGetTargetRa(const QByteArray&);
    QByteArray cmdGetTargetDec(const QByteArray&);
    QByteArray cmdGetSidereal(const QByteArray&);
    QByteArray cmdGetLocalTime(const QByteArray&);
    QByteArray cmdGetDate(const QByteArray&);
    QByteArray cmdGetClockFormat(const QByteArray&);
    QByteArray cmdGetUtcOffset(const QByteArray&);
    QByteArray cmdGetLatitude(const QByteArray&);
    QByteArray cmdGetLongitude(const QByteArray&);
    QByteArray cmdGetSiteName1(const QByteArray&);
    QByteArray cmdGetSiteName2(const QByteArray&);
    QByteArray cmdGetSiteName3(const QByteArray&);
    QByteArray cmdGetSiteName4(const QByteArray&);
    QByteArray cmdGetTracking(const QByteArray&);
    QByteArray cmdGetFieldRadius(const QByteArray&);
    QByteArray cmdToggleFormat(const QByteArray&);
    QByteArray cmdTogglePrecision(const QByteArray&);
    QByteArray cmdReticleBrighter(const QByteArray&);
    QByteArray cmdReticleDarker(const QByteArray&);
    QByteArray cmdReticleBlink0(const QByteArray&);
    QByteArray cmdReticleBlink1(const QByteArray&);
    QByteArray cmdReticleBlink2(const QByteArray&);
    QByteArray cmdReticleBlink3(const QByteArray&);
    QByteArray cmdSetLocalTime(const QByteArray&);
    QByteArray cmdSetDate(const QByteArray&);
    QByteArray cmdSetTargetRa(const QByteArray&);
    QByteArray cmdSetTargetDec(const QByteArray&);
    QByteArray cmdSetLatitude(const QByteArray&);
    QByteArray cmdSetLongitude(const QByteArray&);
    QByteArray cmdSetUtcOffset(const QByteArray&);
    QByteArray cmdSetSiteName1(const QByteArray&);
    QByteArray cmdSetSiteName2(const QByteArray&);
    QByteArray cmdSetSiteName3(const QByteArray&);
    QByteArray cmdSetSiteName4(const QByteArray&);
    QByteArray cmdSelectSite1(const QByteArray&);
    QByteArray cmdSelectSite2(const QByteArray&);
    QByteArray cmdSelectSite3(const QByteArray&);
    QByteArray cmdSelectSite4(const QByteArray&);
    QByteArray cmdSlew(const QByteArray&);
    QByteArray cmdDistanceBars(const QByteArray&);
    QByteArray cmdStopAll(const QByteArray&);
    QByteArray cmdStopNorth(const QByteArray&);
    QByteArray cmdStopSouth(const QByteArray&);
    QByteArray cmdStopEast(const QByteArray&);
    QByteArray cmdStopWest(const QByteArray&);
    QByteArray cmdMoveNorth(const QByteArray&);
    QByteArray cmdMoveSouth(const QByteArray&);
    QByteArray cmdMoveEast(const QByteArray&);
    QByteArray cmdMoveWest(const QByteArray&);
    QByteArray cmdRateSlew(const QByteArray&);
    QByteArray cmdRateFind(const QByteArray&);
    QByteArray cmdRateCentre(const QByteArray&);
    QByteArray cmdRateGuide(const QByteArray&);
    QByteArray cmdSync(const QByteArray&);
    QByteArray cmdFocusOut(const QByteArray&);
    QByteArray cmdFocusIn(const QByteArray&);
    QByteArray cmdFocusStop(const QByteArray&);
    QByteArray cmdFocusFast(const QByteArray&);
    QByteArray cmdFocusSlow(const QByteArray&);
    QByteArray cmdTrackSidereal(const QByteArray&);
    QByteArray cmdTrackManual(const QByteArray&);
    QByteArray cmdTrackFaster(const QByteArray&);
    QByteArray cmdTrackSlower(const QByteArray&);
    QByteArray cmdSetTracking(const QByteArray&);
    QByteArray cmdFieldReport(const QByteArray&);
    QByteArray cmdObjectInfo(const QByteArray&);
    QByteArray cmdSelectMessier(const QByteArray&);
    QByteArray cmdSelectDeepSky(const QByteArray&);
    QByteArray cmdSelectStar(const QByteArray&);
    QByteArray cmdDeepSkyLibrary(const QByteArray&);
    QByteArray cmdStarLibrary(const QByteArray&);
    QByteArray cmdSetFieldRadius(const QByteArray&);
    QByteArray cmdGetTypes(const QByteArray&);
    QByteArray cmdSetTypes(const QByteArray&);
    QByteArray cmdGetQuality(const QByteArray&);
    QByteArray cmdStepQuality(const QByteArray&);
    QByteArray cmdGetHigherLimit(const QByteArray&);
    QByteArray cmdSetHigherLimit(const QByteArray&);
    QByteArray cmdGetBrighter(const QByteArray&);
    QByteArray cmdSetBrighter(const QByteArray&);
    QByteArray cmdGetFainter(const QByteArray&);
    QByteArray cmdSetFainter(const QByteArray&);
    QByteArray cmdGetSmaller(const QByteArray&);
    QByteArray cmdSetSmaller(const QByteArray&);
    QByteArray cmdGetLarger(const QByteArray&);
    QByteArray cmdSetLarger(const QByteArray&);
    QByteArray cmdFindFirst(const QByteArray&);
    QByteArray cmdFindNext(const QByteArray&);
    QByteArray cmdFindPrevious(const QByteArray&);

    QByteArray siteName(int number) const;
    QByteArray setSiteName(int number, const QByteArray& args);
    QByteArray selectSite(int number);
    QByteArray startMove(int direction);
    QByteArray stopMove(int direction);
    QByteArray setBlink(int level);

    Clock clock_;
    CommandFramer framer_;
    QList<QByteArray> queue_; // commands waiting while the telescope is busy
    qint64 busyUntilMs_ = -1; // -1: not busy
    QByteArray delayedOutput_;
    int scDelayMs_ = kDefaultScDelayMs;
    std::map<QByteArray, int> refusals_;
    std::optional<char> forcedSlewCode_;

    char mountMode_ = 'A';
    bool longFormat_ = false;
    bool highPrecision_ = false;
    int reticleLevel_ = 5; // 0 (dark) to 9
    int reticleBlink_ = 0; // 0 steady to 3
    MotionRate motionRate_ = MotionRate::Slew;
    int focusDirection_ = 0;
    bool fastFocus_ = false;
    bool manualTracking_ = false;
    double manualTrackingHz_ = 60.1;

    std::array<Site, 4> sites_;
    int currentSite_ = 1;
    int utcOffsetHours_ = 7;
    qint64 localOffsetMs_ = 0; // telescope local time = clock + this

    // Pointing and motion.
    double raHours_ = 0;
    double decDegrees_ = 0;
    double targetRaHours_ = 0;
    double targetDecDegrees_ = 0;
    qint64 lastAdvanceMs_ = 0;
    bool slewing_ = false;
    double goalRaHours_ = 0; // where the running slew goes (the target, or a reference star)
    double goalDecDegrees_ = 0;
    AxisPair slewStartDistance_{0, 0};
    PrecisionStage precisionStage_ = PrecisionStage::None;
    const CatalogueObject* referenceStar_ = nullptr;
    qint64 referenceReachedMs_ = 0;
    int referenceDwellMs_ = 3000;
    std::array<bool, 4> moving_{}; // north, south, east, west
    double slewSpeedDegPerSec_ = kDefaultSlewDegPerSec;

    // Object library and finder settings.
    std::shared_ptr<const Catalogue> catalogue_;
    const CatalogueObject* selected_ = nullptr;
    QByteArray lookupFailure_; // what "LI" reports after a failed lookup or find
    Library findLibrary_ = Library::Ngc;
    qsizetype findPosition_ = -1; // index into the walked library's entries
    bool findActive_ = false;
    int deepSkyLibrary_ = 0;
    int starLibrary_ = 0;
    int fieldRadiusArcmin_ = 15;
    QByteArray types_ = "GPDCO"; // upper case: included in finds
    int qualityIndex_ = 6;       // index into SU EX VG GD FR PR VP
    int higherLimitDegrees_ = 0;
    double brighterLimit_ = -5.5;
    double fainterLimit_ = 20.0;
    int smallerLimitArcmin_ = 0;
    int largerLimitArcmin_ = 200;
};

} // namespace teleon::sim
