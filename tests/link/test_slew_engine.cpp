// The slew engine against the simulated telescope: the tilt of the target by mount mode and the
// tilt-up limit, the telescope's refusal codes as messages and as automation errors, a complete
// slew with its progress, an abort, the high-precision path, a link lost during the wait, and
// the target shifts with their limits.
#include "link/AutomationError.h"
#include "link/Channel.h"
#include "link/Commands.h"
#include "link/ProgramState.h"
#include "link/ScopeIntfc.h"
#include "link/SlewEngine.h"
#include "platform/EventLoop.h"
#include "platform/Prompts.h"
#include "sim/SimServer.h"

#include <QElapsedTimer>
#include <QRegularExpression>
#include <QTimer>
#include "support/SimTraffic.h"
#include <gtest/gtest.h>

#include <cmath>
#include <ctime>

namespace teleon {
namespace {

using Commands = QList<QByteArray>;
using platform::MsgIcon;

const QString Title = QStringLiteral("LX-200 Vantor");
const QString TiltMessage = QStringLiteral(
    "The coordinates are above the configured scope tilt-up limit (see Preferences...).");

double threadCpuMs() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1000.0 + double(t.tv_nsec) / 1e6;
}

class SlewEngineTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetProgramState();
        platform::setPrompts(&prompts);
        Hooks() = LinkHooks{};
        Hooks().SwitchToStandby = [this] { ++standbyCalls; };
        Hooks().ShowSlewProgress = [this] {
            ++shows;
            timerActiveDuringSlew = statusTimer.isActive();
            busyDuringSlew = prompts.busy;
        };
        Hooks().SetSlewBars = [this](const QString& bars) {
            slewBars << bars;
            movingDuringSlew = ScopeMoving;
            if (onBars)
                onBars();
        };
        Hooks().HideSlewProgress = [this] { ++hides; };
        Hooks().SetFinderBars = [this](const QString& bars) { finderBars << bars; };
        Hooks().Beep = [this] {
            ++beeps;
            beepAtMs = clock.elapsed();
        };
        statusTimer.setInterval(60000);
        statusTimer.start();
        SetStatusTimer(&statusTimer);
        sim.start();
        sim.setSlewSpeedDegPerSec(4.0);
        ASSERT_TRUE(test::ConnectTo(sim, 2000));
        ASSERT_EQ(AlignmentMode, QStringLiteral("A"));
        sim.withModel([this](sim::LX200Model& m) {
            const auto site = m.site(m.currentSite());
            latitudeDegrees = site.latitudeDegrees;
            lstHours = m.localSiderealHours();
        });
        sim.clearLog();
        clock.start();
    }
    void TearDown() override {
        sim.stopAnswering(false);
        sim.withModel([](sim::LX200Model& m) { m.setPosition(m.raHours(), m.decDegrees()); });
        com1().close();
        SetStatusTimer(nullptr);
        platform::setPrompts(nullptr);
        SetReplyTimeoutMs(20000);
        Hooks() = LinkHooks{};
        ResetProgramState();
    }

    // Everything the telescope heard since the last call (or clearLog).
    Commands heard() {
        Commands commands = sim.receivedCommands();
        sim.clearLog();
        return commands;
    }
    void setTarget(double raHours, double decDegrees) {
        sim.withModel([&](sim::LX200Model& m) { m.setTarget(raHours, decDegrees); });
    }
    void setPosition(double raHours, double decDegrees) {
        sim.withModel([&](sim::LX200Model& m) { m.setPosition(raHours, decDegrees); });
    }
    // The telescope's own altitude of a place, found by pointing it there for a moment.
    double scopeAltitudeOf(double raHours, double decDegrees) {
        double alt = 0;
        sim.withModel([&](sim::LX200Model& m) {
            const double ra = m.raHours(), dec = m.decDegrees();
            m.setPosition(raHours, decDegrees);
            alt = m.altitudeDegrees();
            m.setPosition(ra, dec);
        });
        return alt;
    }
    // Right ascension whose hour angle is haHours now.
    double raAtHourAngle(double haHours) const { return std::fmod(lstHours - haHours + 48, 24); }
    // The next slew is refused with code 1 so that a test can see "MS" sent without slewing.
    void expectSlewStarted(bool raiseErrors = false) {
        sim.refuseNextSlew('1');
        if (raiseErrors)
            EXPECT_THROW(SlewToTarget(false, true), AutomationError);
        else
            EXPECT_FALSE(SlewToTarget(false, false));
        prompts.messages.clear();
    }
    void expectOneMessage(const QString& text, MsgIcon icon) {
        ASSERT_EQ(prompts.messages.size(), 1u);
        EXPECT_EQ(prompts.messages[0].text, text);
        EXPECT_EQ(prompts.messages[0].icon, icon);
        EXPECT_EQ(prompts.messages[0].title, Title);
        prompts.messages.clear();
    }
    // The state every ended slew leaves, whatever its end.
    void expectSlewStateRestored() {
        EXPECT_FALSE(ScopeMoving);
        EXPECT_FALSE(prompts.busy);
        EXPECT_TRUE(statusTimer.isActive());
    }
    // A target high in the sky, with the telescope pointing 12 degrees of declination away, so
    // that a slew takes about 3 s at 4 degrees a second.
    void prepareThreeSecondSlew() {
        const double ra = raAtHourAngle(1.0), dec = latitudeDegrees - 20.0;
        setTarget(ra, dec);
        setPosition(ra, dec - 12.0);
        sim.clearLog();
    }

    sim::SimServer sim;
    platform::ScriptedPrompts prompts;
    QTimer statusTimer;
    QElapsedTimer clock;
    double latitudeDegrees = 0, lstHours = 0;
    int standbyCalls = 0, shows = 0, hides = 0, beeps = 0;
    qint64 beepAtMs = -1;
    QStringList slewBars, finderBars;
    std::function<void()> onBars;
    bool timerActiveDuringSlew = true, busyDuringSlew = false, movingDuringSlew = false;
};

// ---- tilt ----

TEST_F(SlewEngineTest, AltAzimuthTiltIsTheTargetsAltitudeFromSiteAndTarget) {
    // Six hours west at declination 60 the altitude is well below the declination, so a limit
    // between the two tells altitude from declination; east of the meridian and low, a wrong
    // sign of longitude or hour angle would move it by tens of degrees.
    for (const auto& [ha, dec] : {std::pair{6.0, 60.0}, {-3.0, 10.0}, {0.5, 10.0}, {9.0, 10.0}}) {
        SCOPED_TRACE(ha);
        const double ra = raAtHourAngle(ha);
        setTarget(ra, dec);
        const double alt = scopeAltitudeOf(ra, dec);
        sim.clearLog();
        TiltUpLimit = alt + 0.1;
        expectSlewStarted();
        EXPECT_EQ(heard(), (Commands{"Gg", "Gt", "Gr", "Gd", "MS"}));
        TiltUpLimit = alt - 0.1;
        prompts.cursorChanges.clear();
        EXPECT_FALSE(SlewToTarget(true, false));
        EXPECT_EQ(heard(), (Commands{"Gg", "Gt", "Gr", "Gd"})); // nothing moved
        expectOneMessage(TiltMessage, MsgIcon::Critical);
        EXPECT_EQ(shows, 0);
        EXPECT_TRUE(prompts.cursorChanges.empty());
        EXPECT_TRUE(statusTimer.isActive());
    }
}

TEST_F(SlewEngineTest, PolarModeComparesTheDeclinationOnly) {
    AlignmentMode = QStringLiteral("P");
    const double ra = raAtHourAngle(6.0);
    setTarget(ra, 45.0); // altitude far below 45 here, declination exactly 45
    sim.clearLog();

    TiltUpLimit = 45.0; // exactly at the limit: allowed
    expectSlewStarted();
    EXPECT_EQ(heard(), (Commands{"Gd", "MS"}));

    TiltUpLimit = 44.99;
    EXPECT_FALSE(SlewToTarget(true, false));
    EXPECT_EQ(heard(), (Commands{"Gd"}));
    expectOneMessage(TiltMessage, MsgIcon::Critical);

    setTarget(ra, -30.0);
    TiltUpLimit = 5.0;
    sim.clearLog();
    expectSlewStarted();
    EXPECT_EQ(heard(), (Commands{"Gd", "MS"}));

    setTarget(ra, 89.0);
    TiltUpLimit = 0.0; // no limit
    sim.clearLog();
    expectSlewStarted();
    EXPECT_EQ(heard(), (Commands{"Gd", "MS"}));
}

TEST_F(SlewEngineTest, LostLinkWhileReadingTheTargetReachesTheCaller) {
    SetReplyTimeoutMs(300);
    sim.stopAnswering(true);
    EXPECT_THROW(SlewToTarget(true, false), LostLinkError);
    EXPECT_EQ(shows, 0);
    EXPECT_FALSE(ScopeMoving);
    EXPECT_EQ(standbyCalls, 1);
}

// ---- the telescope's refusals ----

struct RefusalRow {
    char code;
    const char* text;
};

TEST_F(SlewEngineTest, EachRefusalCodeHasItsMessage) {
    const RefusalRow rows[] = {
        {'1', "The selected coordinates are below the horizon."},
        {'2', "The selected coordinates are below the current minimum elevation setting."},
        {'7', "The selected coordinates failed for some unknown reason."},
        {'9', "The selected coordinates failed for some unknown reason."},
    };
    setTarget(raAtHourAngle(1.0), latitudeDegrees);
    for (const RefusalRow& row : rows) {
        SCOPED_TRACE(row.code);
        shows = hides = 0;
        sim.clearLog();
        sim.refuseNextSlew(row.code);
        EXPECT_FALSE(SlewToTarget(true, false));
        expectOneMessage(QString::fromLatin1(row.text), MsgIcon::Critical);
        EXPECT_EQ(shows, 1);
        EXPECT_EQ(hides, 1);
        EXPECT_EQ(beeps, 0);
        expectSlewStateRestored();
        EXPECT_FALSE(heard().contains("D"));
        // The refusal's message was read to its "#": the next reply is clean.
        EXPECT_TRUE(QRegularExpression(QStringLiteral("^\\d\\d:\\d\\d"))
                        .match(SendCommandString(lx::GetRA))
                        .hasMatch());
    }
}

TEST_F(SlewEngineTest, RefusalsRaisedAsAutomationErrors) {
    const RefusalRow rows[] = {
        {'t', "Coordinates above configured OTA tilt-up limit"}, // refused before "MS"
        {'1', "The selected coordinates are below the horizon."},
        {'2', "The selected coordinates are below the current minimum elevation setting."},
        {'7', "The selected coordinates failed for some unknown reason."},
    };
    AlignmentMode = QStringLiteral("P");
    setTarget(raAtHourAngle(1.0), 50.0);
    for (const RefusalRow& row : rows) {
        SCOPED_TRACE(row.code);
        TiltUpLimit = row.code == 't' ? 40.0 : 0.0;
        if (row.code != 't')
            sim.refuseNextSlew(row.code);
        try {
            SlewToTarget(true, true);
            ADD_FAILURE() << "no error raised";
        } catch (const AutomationError& e) {
            EXPECT_EQ(e.code(), 1120);
            EXPECT_EQ(e.number(), 0x80040000L + 1120);
            EXPECT_EQ(e.description(), QString::fromLatin1(row.text));
            EXPECT_EQ(e.source(), Title);
        }
        EXPECT_TRUE(prompts.messages.empty());
        expectSlewStateRestored();
    }
}

TEST_F(SlewEngineTest, UnreadableResultCodeEndsQuietly) {
    setTarget(raAtHourAngle(1.0), latitudeDegrees);
    sim.refuseNextSlew('x');
    EXPECT_FALSE(SlewToTarget(true, false));
    EXPECT_TRUE(prompts.messages.empty());
    EXPECT_EQ(hides, shows);
    expectSlewStateRestored();
}

TEST_F(SlewEngineTest, TelescopeRefusesATargetBelowTheHorizon) {
    setTarget(raAtHourAngle(12.0), -latitudeDegrees - 20.0); // well below the horizon
    EXPECT_FALSE(SlewToTarget(false, false));
    expectOneMessage(QStringLiteral("The selected coordinates are below the horizon."),
                     MsgIcon::Critical);
}

// ---- a complete slew ----

TEST_F(SlewEngineTest, CompleteSlewPollsBarsBeepsAndIdlesBetweenPolls) {
    prepareThreeSecondSlew();
    Hooks().SetFinderBars = [this](const QString& bars) {
        finderBars << bars;
        throw std::runtime_error("the finder is not loaded"); // ignored by the engine
    };

    const double cpu0 = threadCpuMs();
    clock.restart();
    const bool ok = SlewToTarget(true, false);
    const qint64 elapsedMs = clock.elapsed();
    const double cpuMs = threadCpuMs() - cpu0;

    EXPECT_TRUE(ok);
    const Commands commands = heard();
    ASSERT_GE(commands.size(), 7);
    EXPECT_EQ(commands.mid(0, 5), (Commands{"Gg", "Gt", "Gr", "Gd", "MS"}));
    for (const QByteArray& c : commands.mid(5))
        EXPECT_EQ(c, QByteArray("D"));
    // About 3 s of slew polled every 200 ms plus the exchange.
    const int polls = int(commands.size()) - 5;
    EXPECT_GE(polls, 8);
    EXPECT_LE(polls, 25);
    ASSERT_EQ(slewBars.size(), polls);
    EXPECT_EQ(finderBars, slewBars);
    EXPECT_EQ(slewBars.first().size(), 32);
    EXPECT_FALSE(slewBars.first().trimmed().isEmpty());
    EXPECT_TRUE(slewBars.last().trimmed().isEmpty());
    EXPECT_EQ(shows, 1);
    EXPECT_EQ(hides, 1);
    EXPECT_EQ(beeps, 1);
    EXPECT_GE(beepAtMs, 4000 + 200 * (polls - 1));
    EXPECT_TRUE(prompts.messages.empty());
    EXPECT_FALSE(timerActiveDuringSlew);
    EXPECT_TRUE(busyDuringSlew);
    EXPECT_TRUE(movingDuringSlew);
    expectSlewStateRestored();

    // The UI thread sleeps between polls: at most 1 % of a core over the slew, the 4 s pause
    // left out of the time it is spread over.
    EXPECT_LE(cpuMs, 0.01 * double(elapsedMs - 4000));
}

TEST_F(SlewEngineTest, AbortDuringTheWaitStillPausesAndBeeps) {
    prepareThreeSecondSlew();
    QTimer::singleShot(500, [] { HaltSlew(); }); // served by the wait's event loop
    clock.restart();
    EXPECT_FALSE(SlewToTarget(true, false));
    const qint64 elapsedMs = clock.elapsed();
    const Commands commands = heard();
    const qsizetype q = commands.indexOf("Q");
    ASSERT_GE(q, 0);
    EXPECT_LE(commands.size() - q - 1, 1); // at most one more "D" after the halt
    EXPECT_GE(elapsedMs, 500 + 4000);
    EXPECT_LT(elapsedMs, 3000 + 4000); // did not wait for the slew's end
    EXPECT_EQ(beeps, 1);
    EXPECT_EQ(hides, 1);
    EXPECT_TRUE(SlewAborted);
    bool slewing = true;
    sim.withModel([&](sim::LX200Model& m) { slewing = m.isSlewing(); });
    EXPECT_FALSE(slewing);
    expectSlewStateRestored();
}

TEST_F(SlewEngineTest, HighPrecisionPathWaitsForTheUserOnly) {
    HighPrecisionPointing = true;
    prepareThreeSecondSlew();
    SlewAborted = true; // a halt of an earlier slew is no abort of this one
    clock.restart();
    EXPECT_TRUE(SlewToTarget(true, false));
    EXPECT_LT(clock.elapsed(), 4000);
    expectOneMessage(QStringLiteral("Scope is in Hi Precision mode. Use the handbox to sync on the "
                                    "reference star then complete the slew to the final object."
                                    "\r\n\r\nClick OK when the slew is complete."),
                     MsgIcon::Information);
    EXPECT_FALSE(heard().contains("D"));
    EXPECT_EQ(shows, 0);
    EXPECT_EQ(beeps, 0);
    expectSlewStateRestored();
}

TEST_F(SlewEngineTest, LostLinkDuringTheWaitIsPassedOnWithTheStateRestored) {
    prepareThreeSecondSlew();
    SetReplyTimeoutMs(300);
    onBars = [this] { sim.stopAnswering(true); };
    EXPECT_THROW(SlewToTarget(true, false), LostLinkError);
    EXPECT_EQ(slewBars.size(), 1);
    EXPECT_TRUE(prompts.messages.empty());
    EXPECT_EQ(standbyCalls, 1);
    EXPECT_FALSE(ScopeConnected);
    EXPECT_EQ(hides, shows);
    EXPECT_EQ(beeps, 0);
    expectSlewStateRestored();
}

// ---- shifts ----

class ShiftTargetTest : public SlewEngineTest {
protected:
    double targetRa() {
        double ra = 0;
        sim.withModel([&](sim::LX200Model& m) { ra = m.targetRaHours(); });
        return ra;
    }
    double targetDec() {
        double dec = 0;
        sim.withModel([&](sim::LX200Model& m) { dec = m.targetDecDegrees(); });
        return dec;
    }
};

TEST_F(ShiftTargetTest, RightAscensionWrapsBothWays) {
    struct Row {
        double raHours, decDegrees, north, east, wantRaHours, wantDecDegrees;
    } rows[] = {
        {23.0 + 58.0 / 60, 0.0, 0.0, 1.0, 2.0 / 60, 0.0},  // past 360: to the start
        {2.0 / 60, 0.0, 0.0, -1.0, 23.0 + 58.0 / 60, 0.0}, // below 0: to the end
        {23.0 + 58.0 / 60, 0.0, 0.0, 0.5, 0.0, 0.0},       // exactly 360 is 0
        {24.0 - 6.0 / 3600, 0.0, 0.0, 0.024, 0.0, 0.0},    // 0.24 s short of 360: 00:00:00
        {6.0, 58.0, 4.0, 1.0, 6.0 + 8.0 / 60, 62.0},       // cos of the mean declination 60
        {6.0, -58.0, -4.0, -1.0, 6.0 - 8.0 / 60, -62.0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << row.raHours << " " << row.east);
        setPosition(row.raHours, row.decDegrees);
        sim.clearLog();
        EXPECT_TRUE(ShiftTarget(row.north, row.east, true));
        const Commands commands = heard();
        ASSERT_EQ(commands.size(), 4);
        EXPECT_EQ(commands[0], QByteArray("GR"));
        EXPECT_EQ(commands[1], QByteArray("GD"));
        EXPECT_TRUE(commands[2].startsWith("Sr "));
        EXPECT_FALSE(commands[2].startsWith("Sr 24")) << "the telescope has no 24h";
        EXPECT_TRUE(commands[3].startsWith("Sd "));
        double ra = targetRa();
        if (row.wantRaHours < 0.5 && ra > 23.5)
            ra -= 24.0;
        EXPECT_NEAR(ra, row.wantRaHours, 1.0 / 3600);
        EXPECT_NEAR(targetDec(), row.wantDecDegrees, 1.0 / 60);
        EXPECT_TRUE(prompts.messages.empty());
    }
}

TEST_F(ShiftTargetTest, DeclinationEightyIsTheLimit) {
    struct Row {
        double decDegrees, north;
        bool accepted;
    } rows[] = {
        {75.0, 5.0, true},     {75.0, 5.01, false}, {-75.0, -5.0, true},
        {-75.0, -5.01, false}, {85.0, -5.0, true}, // from beyond the limit back to it
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << row.decDegrees << " " << row.north);
        setPosition(3.0, row.decDegrees);
        sim.clearLog();
        EXPECT_EQ(ShiftTarget(row.north, 0.0, true), row.accepted);
        const Commands commands = heard();
        if (row.accepted) {
            EXPECT_EQ(commands.size(), 4);
            EXPECT_NEAR(targetDec(), row.decDegrees + row.north, 1.0 / 60);
            EXPECT_TRUE(prompts.messages.empty());
        } else {
            EXPECT_EQ(commands, (Commands{"GR", "GD"}));
            expectOneMessage(QStringLiteral("Too close to celestial pole for shift calculations"),
                             MsgIcon::Exclamation);
        }
    }
}

TEST_F(ShiftTargetTest, ShiftsOverTenDegreesAreRefusedWhateverTheirSign) {
    setPosition(3.0, 0.0);
    sim.clearLog();
    const std::pair<double, double> tooBig[] = {{10.01, 0},  {-10.01, 0}, {0, 10.01},
                                                {0, -10.01}, {-20, 0},    {0, -20}};
    for (const auto& [north, east] : tooBig) {
        SCOPED_TRACE(testing::Message() << north << " " << east);
        EXPECT_FALSE(ShiftTarget(north, east, true));
        expectOneMessage(QStringLiteral("Shift value too big, must be 10 degrees or less."),
                         MsgIcon::Exclamation);
        EXPECT_FALSE(ShiftTarget(north, east, false));
        EXPECT_TRUE(prompts.messages.empty());
        EXPECT_TRUE(heard().isEmpty()); // nothing read, nothing sent
    }
    for (const auto& [north, east] :
         {std::pair{10.0, 0.0}, {-10.0, 0.0}, {0.0, 10.0}, {0.0, -10.0}}) {
        SCOPED_TRACE(testing::Message() << north << " " << east);
        EXPECT_TRUE(ShiftTarget(north, east, true));
        EXPECT_EQ(heard().size(), 4);
    }
}

TEST_F(ShiftTargetTest, RefusedCoordinatesAreBad) {
    setPosition(3.0, 10.0);
    for (const char* refused : {"Sr", "Sd"}) {
        SCOPED_TRACE(refused);
        sim.clearLog();
        sim.refuseNext(refused);
        EXPECT_FALSE(ShiftTarget(1.0, 1.0, true));
        expectOneMessage(QStringLiteral("The shifted coordinates were bad"), MsgIcon::Exclamation);
        const Commands commands = heard();
        EXPECT_EQ(commands.size(), QByteArray(refused) == "Sr" ? 3 : 4);
        EXPECT_TRUE(commands.last().startsWith(refused));

        sim.refuseNext(refused);
        EXPECT_FALSE(ShiftTarget(1.0, 1.0, false));
        EXPECT_TRUE(prompts.messages.empty());
        heard();
    }
}

} // namespace
} // namespace teleon
