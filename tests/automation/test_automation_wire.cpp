// Scope, IPlanetarium and the automation start-up against the simulated telescope: the exact
// commands heard, the errors a caller receives, and a telescope that refuses, garbles or goes
// silent.
#include "AutomationFixture.h"
#include "automation/AutomationStartup.h"
#include "automation/IPlanetarium.h"
#include "automation/Scope.h"
#include "astro/Celest32.h"
#include "platform/CallErrors.h"
#include "selection/frmFind.h"

#include <QAction>
#include <QCheckBox>
#include <QPushButton>
#include <QTimer>

#include <cmath>
#include <functional>
#include <limits>
#include <ostream>

void PrintTo(const QByteArray& bytes, std::ostream* os) {
    *os << '"' << bytes.toStdString() << '"';
}

namespace teleon {
namespace {

using Commands = QList<QByteArray>;
constexpr double NaN = std::numeric_limits<double>::quiet_NaN();
const QString General = QStringLiteral("General");

// The error a member handed to its caller; number 0 when there was none.
platform::CallError errorOf(const std::function<void()>& call) {
    platform::CallErrorTrap trap;
    call();
    return trap.failed() ? *trap.error() : platform::CallError{};
}

class AutomationTest : public test::AutomationFixture {
protected:
    void TearDown() override {
        SetMainWindowFactory(nullptr);
        AutomationFixture::TearDown();
    }
    // The first count commands heard since the last look.
    Commands heardFirst(qsizetype count) { return heard().mid(0, count); }
    void expectError(const std::function<void()>& call, int number, const QString& text) {
        const platform::CallError e = errorOf(call);
        EXPECT_EQ(e.number, number);
        EXPECT_EQ(e.message, text);
    }
    void expectOnlyMessage(const QString& text, platform::MsgIcon icon) {
        ASSERT_EQ(prompts.messages.size(), 1u);
        EXPECT_EQ(prompts.messages[0].text, text);
        EXPECT_EQ(prompts.messages[0].icon, icon);
        EXPECT_EQ(prompts.messages[0].title, QStringLiteral("LX-200 Vantor"));
        prompts.messages.clear();
    }

    Scope scope;
};

const QString OutOfRange = QStringLiteral("Value out of range");

// ---- start-up ----

TEST_F(AutomationTest, StartupMakesTheWindowMinimisedShowsItAndConnectsOnce) {
    SetMainWindowFactory([this] {
        window = std::make_unique<frmMain>(true);
        return window.get();
    });
    bool minimisedWhileWaiting = false;
    bool nestedReturnedConnected = false;
    // A second client's first call arrives while the start-up waits for the window.
    QTimer::singleShot(300, [&] {
        minimisedWhileWaiting = window && window->isMinimized() && !window->isVisible();
        AutomationStartup();
        nestedReturnedConnected = ScopeConnected;
    });
    AutomationStartup();
    ASSERT_TRUE(window);
    EXPECT_TRUE(minimisedWhileWaiting);
    EXPECT_TRUE(nestedReturnedConnected);
    EXPECT_TRUE(StartupDone);
    EXPECT_TRUE(window->isVisible());
    EXPECT_FALSE(window->isMinimized());
    EXPECT_TRUE(ScopeConnected);
    EXPECT_TRUE(window->tmr1S()->isActive());
    EXPECT_EQ(window->controlItem(0)->text(), QStringLiteral("&Disconnect"));
    EXPECT_EQ(sim.receivedCommands().count(QByteArray("\x06")), 1); // one handshake
    EXPECT_TRUE(prompts.messages.empty());
    EXPECT_FALSE(prompts.busy);

    // Later calls find everything up and send nothing.
    window->tmr1S()->stop();
    sim.clearLog();
    AutomationStartup();
    EXPECT_TRUE(heard().isEmpty());
}

TEST_F(AutomationTest, StartupWithoutATelescopeSaysNothing) {
    sim.stopAnswering(true);
    window = std::make_unique<frmMain>();
    window->Form_Load();
    window->tmrStart_Timer();
    AutomationStartup();
    EXPECT_FALSE(ScopeConnected);
    EXPECT_TRUE(prompts.messages.empty());
    EXPECT_EQ(window->controlItem(0)->text(), QStringLiteral("&Connect"));
}

// ---- the lost link ----

TEST_F(AutomationTest, LostLinkReachesScopeCallersButNotPlanetariumDrivers) {
    connect();
    IPlanetarium planetarium;
    sim.stopAnswering(true);
    {
        platform::CallErrorTrap trap;
        EXPECT_EQ(planetarium.GetRA(), 0); // after the reply limit
        EXPECT_EQ(planetarium.Slew(180, 10), -1);
        EXPECT_FALSE(planetarium.SyncToPos(180, 10));
        EXPECT_FALSE(planetarium.SetLoc(33, 111, 420));
        EXPECT_FALSE(trap.failed());
    }
    EXPECT_TRUE(prompts.messages.empty());
    expectError([&] { scope.RightAscension(); }, 32767,
                QStringLiteral("Lost communications with telescope"));
    expectError([&] { scope.setFilterAllowGalaxies(false); }, 32767,
                QStringLiteral("Lost communications with telescope"));
    EXPECT_TRUE(prompts.messages.empty());
}

// ---- selecting objects ----

TEST_F(AutomationTest, SelectObjectChoosesCatalogueLookupAndExpectedName) {
    connect();
    struct Row {
        const char* name;
        Commands commands; // heard before the display's refresh
        int error;
        const char* description;
    };
    const Row rows[] = {
        {"m 31", {"Lo 0", "LM 31", "LI"}, 0, ""},
        {"moon", {"Ls 0", "LS 903", "LI"}, 0, ""},
        {"ic 127", {"Lo 1", "LC 127", "LI"}, 0, ""},
        {"Polaris", {"Ls 0", "LS 19", "LI"}, 0, ""},
        {"Nosuchstar", {}, 1024, "NOSUCHSTAR: not a registered alignment star"},
        {"M ", {}, 1024, "M : no catalog number"},
        {"SAO   ", {}, 1024, "SAO   : no catalog number"},
        {"ngc 1#:Q", {}, 1024, "NGC 1#:Q: not a catalog number"},
        {"M 999", {"Lo 0", "LM 999", "LI"}, 1024, "M 999:Too large a number"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        bool selected = false;
        const platform::CallError e = errorOf([&] { selected = scope.SelectObject(row.name); });
        EXPECT_EQ(e.number, row.error);
        EXPECT_EQ(e.message, QString::fromLatin1(row.description));
        EXPECT_EQ(selected, row.error == 0);
        EXPECT_EQ(heardFirst(row.commands.size()), row.commands);
    }
    EXPECT_EQ(DeepSkyCatalog, 0); // M 999 chose NGC after ic 127 chose IC
    EXPECT_EQ(StarCatalog, 0);
}

// ---- settings through the main window's controls ----

TEST_F(AutomationTest, SettersSendThroughTheControlsOrRefuse) {
    connect();
    struct Row {
        const char* what;
        std::function<void()> set;
        Commands commands;
        int error;
    };
    const Commands reticle3{"B-", "B-", "B-", "B-", "B-", "B-", "B-",
                            "B-", "B-", "B-", "B+", "B+", "B+"};
    const Row rows[] = {
        {"TrackFreq 60.1", [&] { scope.setTrackFreq(60.1); }, {"TQ"}, 0},
        {"TrackFreq 59.5", [&] { scope.setTrackFreq(59.5); }, {"TM", "ST 59.5"}, 0},
        {"TrackFreq refused", [&] { scope.setTrackFreq(75); }, {"TM", "ST 75.0", "TQ"}, 1028},
        {"TrackFreq NaN", [&] { scope.setTrackFreq(NaN); }, {}, 1028},
        {"ReticleBrightness 10", [&] { scope.setReticleBrightness(10); }, {}, 1028},
        {"ReticleBrightness 3", [&] { scope.setReticleBrightness(3); }, reticle3, 0},
        {"ReticleBlink 4", [&] { scope.setReticleBlink(4); }, {}, 1028},
        {"ReticleBlink 2", [&] { scope.setReticleBlink(2); }, {"B2"}, 0},
        {"SlewSpeed 2", [&] { scope.setSlewSpeed(2); }, {"RC"}, 0},
        {"SlewSpeed 9 is the slider's end", [&] { scope.setSlewSpeed(9); }, {"RG"}, 0},
        {"FastFocus", [&] { scope.setFastFocus(true); }, {"FF"}, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        EXPECT_EQ(errorOf(row.set).number, row.error);
        EXPECT_EQ(heard(), row.commands);
    }
    EXPECT_EQ(TrackFrequency, 60.1); // put back by the refusal
    EXPECT_EQ(scope.ReticleBrightness(), 3);
    EXPECT_EQ(scope.ReticleBlink(), 2);
    EXPECT_EQ(scope.SlewSpeed(), 3);
    EXPECT_TRUE(scope.FastFocus());
}

// ---- site and clock ----

TEST_F(AutomationTest, SiteIsSentInTheTelescopesSense) {
    connect();
    const QByteArray deg("\xDF");
    EXPECT_TRUE(scope.SetLocation(33.5, -111.5, 7));
    EXPECT_EQ(heardFirst(5),
              (Commands{"W4", "St 033" + deg + "30", "Sg 111" + deg + "30", "SG 07", "SP ZZZ"}));
    EXPECT_DOUBLE_EQ(scope.Longitude(), -111.5);
    heard();
    scope.setUTCOffset(-3); // keeps the latitude and longitude just read
    EXPECT_EQ(heardFirst(7), (Commands{"Gt", "Gg", "W4", "St 033" + deg + "30",
                                       "Sg 111" + deg + "30", "SG -03", "SP ZZZ"}));
    EXPECT_TRUE(scope.SetLocation(-10, 180, 0));
    EXPECT_EQ(heardFirst(3).last(), "Sg 180" + deg + "00");
    EXPECT_DOUBLE_EQ(scope.Longitude(), 180); // never -180
    heard();
    EXPECT_TRUE(scope.SetLocation(-10, 20, 0));
    EXPECT_EQ(heardFirst(3).last(), "Sg 340" + deg + "00");
    EXPECT_DOUBLE_EQ(scope.Longitude(), 20);
    EXPECT_DOUBLE_EQ(scope.Latitude(), -10);
    heard();

    sim.refuseNext("St");
    expectError([&] { scope.SetLocation(1, 2, 3); }, 1026,
                QStringLiteral("Illegal Lat or Long format"));
    EXPECT_EQ(heard(), (Commands{"W4", "St 001" + deg + "00"}));
    sim.refuseNext("SP");
    expectError([&] { scope.setLatitude(5); }, 1025, QStringLiteral("Illegal site name ZZZ"));
    EXPECT_EQ(heard().size(), 7);
    for (const auto& bad : std::initializer_list<std::function<void()>>{
             [&] { scope.SetLocation(NaN, 0, 0); }, [&] { scope.setLongitude(1e300); },
             [&] { scope.SetLocation(0, 0, 1000); }}) {
        expectError(bad, 1028, OutOfRange);
        EXPECT_TRUE(heard().isEmpty());
    }
}

TEST_F(AutomationTest, ClockReadsAndSetsInUniversalTime) {
    connect();
    sim.withModel([](sim::LX200Model& m) {
        m.setUtcOffsetHours(7); // 05:00 local is 12:00 UTC
        m.setLocalDateTime(QDateTime(QDate(2000, 1, 1), QTime(5, 0, 0), Qt::UTC));
    });
    EXPECT_NEAR(scope.JulianDate(), 2451545.0, 1e-4);
    EXPECT_EQ(scope.UTCOffset(), 7);
    heard();
    const double utcNoon = celest32::OleFromDateTime(QDateTime(QDate(2024, 3, 5), QTime(12, 0)));
    scope.setUTCDate(utcNoon);
    EXPECT_EQ(heardFirst(4), (Commands{"GG", "SL 05:00:00", "GC", "SC 03/05/24"}));
    EXPECT_NEAR(scope.LocalDate(), utcNoon - 7.0 / 24.0, 1e-4);
    heard();
    // A date the telescope's two-digit years would take for another century is not sent.
    expectError([&] { scope.setLocalDate(utcNoon + 365.25 * 80); }, 1028, OutOfRange);
    expectError([&] { scope.setJulianDate(NaN); }, 1028, OutOfRange);
    EXPECT_TRUE(heard().isEmpty());
    sim.refuseNext("SL");
    expectError([&] { scope.setLocalDate(utcNoon); }, 1028, OutOfRange);
}

// ---- the object finder ----

TEST_F(AutomationTest, FindStepsOnlyWhileTheFinderHasAResult) {
    connect();
    bool stepped = true;
    EXPECT_EQ(errorOf([&] { stepped = scope.FindNextObject(); }).number, 0);
    EXPECT_FALSE(stepped);
    EXPECT_FALSE(scope.FindPreviousObject());
    EXPECT_TRUE(heard().isEmpty()); // the finder is not even loaded for it
    ASSERT_TRUE(scope.FindFirstObject());
    const Commands first = heard();
    ASSERT_GE(first.size(), 9);
    EXPECT_EQ(first.mid(0, 9), (Commands{"Gy", "Gq", "Gh", "Gb", "Gf", "Gl", "Gs", "LF", "LI"}));
    frmFind* finder = window->Finder();
    EXPECT_FALSE(finder->isVisible());
    EXPECT_FALSE(finder->cmdFind->isEnabled());
    EXPECT_TRUE(scope.FindNextObject());
    EXPECT_TRUE(scope.FindPreviousObject());
    EXPECT_EQ(heard(), (Commands{"LN", "LB"}));
}

TEST_F(AutomationTest, FilterSettersWorkTheFinderAndReadItBack) {
    connect();
    window->LoadFinder();
    heard();
    const Commands readBack{"Gy", "Gq", "Gh", "Gb", "Gf", "Gl", "Gs"};
    scope.setFilterAllowGalaxies(false);
    EXPECT_EQ(heard(), (Commands{"Sy gPDCO"} + readBack));
    EXPECT_FALSE(scope.FilterAllowGalaxies());
    EXPECT_FALSE(window->Finder()->chkGAL->isChecked());
    heard();

    expectError([&] { scope.setFilterMinQuality(QStringLiteral("xx")); }, 1029,
                QStringLiteral("Illegal filter quality string"));
    EXPECT_TRUE(heard().isEmpty());
    scope.setFilterMinQuality(QStringLiteral("su")); // from VP, one step round
    EXPECT_EQ(heard(), (Commands{"Gq", "Sq", "Gq"} + readBack));
    EXPECT_EQ(scope.FilterMinQuality(), QStringLiteral("SU"));
    heard();
    // A telescope that never reports the code: one round of steps, then the error.
    sim.garbleNext(8);
    expectError([&] { scope.setFilterMinQuality(QStringLiteral("VG")); }, 1028, OutOfRange);
    const Commands cycle = heard();
    EXPECT_EQ(cycle.count("Sq"), 7);
    EXPECT_EQ(cycle.size(), 15);

    scope.setFilterMaxSize(60);
    EXPECT_EQ(heardFirst(2), (Commands{"Ss 60", "Gy"}));
    EXPECT_EQ(scope.FilterMaxSize(), 60);
    heard();
    // A refusal stops before the filters are read back.
    sim.refuseNext("Sh");
    expectError([&] { scope.setMinElevation(1000); }, 1028, OutOfRange);
    EXPECT_EQ(heard(), Commands{"Sh 1000"});
    expectError([&] { scope.setFilterFaintMagnitude(NaN); }, 1028, OutOfRange);
    EXPECT_TRUE(heard().isEmpty());
    scope.setFilterBrightMagnitude(-1.5);
    EXPECT_EQ(heardFirst(1), Commands{"Sb -001.5"});
    EXPECT_DOUBLE_EQ(scope.FilterBrightMagnitude(), -1.5);
}

// ---- commands and coordinates ----

TEST_F(AutomationTest, CommandsThatWouldBreakTheFrameAreRefused) {
    connect();
    EXPECT_EQ(scope.CommandString(QStringLiteral("GG")), QStringLiteral("+07"));
    EXPECT_TRUE(scope.CommandBool(QStringLiteral("Sh 10")));
    scope.CommandBlind(QStringLiteral("RG"));
    EXPECT_EQ(heard(), (Commands{"GG", "Sh 10", "RG"}));
    for (const QString& bad : {QString(), QStringLiteral("RG#:Q"), QStringLiteral("G\nR"),
                               QString(256, u'G'), QStringLiteral("R\u20ACG")}) {
        expectError([&] { scope.CommandString(bad); }, 1028, OutOfRange);
        expectError([&] { scope.CommandBool(bad); }, 1028, OutOfRange);
        expectError([&] { scope.CommandBlind(bad); }, 1028, OutOfRange);
    }
    EXPECT_TRUE(heard().isEmpty());
}

TEST_F(AutomationTest, TargetCoordinatesAndSlews) {
    connect();
    // A refused coordinate is an error, not a slew to the old target.
    sim.refuseNext("Sr");
    bool slewed = true;
    expectError([&] { slewed = scope.SlewToPosition(5.5, 20); }, 1028, OutOfRange);
    EXPECT_FALSE(slewed);
    EXPECT_EQ(heard(), Commands{"Sr 05:30:00"});
    for (const auto& bad : std::initializer_list<std::function<void()>>{
             [&] { scope.setObjectRightAscension(24); }, [&] { scope.setObjectDeclination(NaN); },
             [&] { scope.SlewByOffset(NaN, 1); }, [&] { scope.SlewByOffset(11, 0); }}) {
        expectError(bad, 1028, OutOfRange);
        EXPECT_TRUE(heard().isEmpty());
    }
    // A slew whose answer cannot be read did not happen.
    sim.refuseNextSlew('x');
    EXPECT_FALSE(scope.SlewToCurrentObject());
    // Refusals reach a Scope caller as 1120, a planetarium driver as a message and -1.
    sim.refuseNextSlew('1');
    expectError([&] { scope.SlewToCurrentObject(); }, 1120,
                QStringLiteral("The selected coordinates are below the horizon."));
    heard();
    IPlanetarium planetarium;
    sim.refuseNextSlew('2');
    EXPECT_EQ(planetarium.Slew(180, -30), -1);
    EXPECT_EQ(heardFirst(1), Commands{"Sr 12:00:00"});
    expectOnlyMessage(
        QStringLiteral("The selected coordinates are below the current minimum elevation setting."),
        platform::MsgIcon::Critical);
}

// ---- the planetarium drivers' site and sync ----

TEST_F(AutomationTest, PlanetariumSetsTheSiteAndSyncs) {
    connect();
    IPlanetarium planetarium;
    const QByteArray deg("\xDF");
    EXPECT_TRUE(planetarium.SetLoc(33.5, 111.5, 420)); // longitude + west, offset in minutes
    EXPECT_EQ(heardFirst(5),
              (Commands{"W4", "St 033" + deg + "30", "Sg 111" + deg + "30", "SG 07", "SP ZZZ"}));
    expectOnlyMessage(QStringLiteral("Site change complete."), platform::MsgIcon::Information);
    sim.refuseNext("Sg");
    EXPECT_FALSE(planetarium.SetLoc(33.5, 111.5, -300));
    expectOnlyMessage(QStringLiteral("Illegal Lat or Long from planetarium program"),
                      platform::MsgIcon::Critical);
    heard();
    EXPECT_FALSE(planetarium.SetLoc(NaN, 111.5, 0));
    expectOnlyMessage(QStringLiteral("Illegal Lat or Long from planetarium program"),
                      platform::MsgIcon::Critical);
    EXPECT_TRUE(heard().isEmpty());

    EXPECT_TRUE(planetarium.SyncToPos(90, 45));
    EXPECT_EQ(heard().count("CM"), 1);
    sim.refuseNext("Sd");
    EXPECT_FALSE(planetarium.SyncToPos(90, 45)); // not synced to the old target
    expectOnlyMessage(OutOfRange, platform::MsgIcon::Critical);
    EXPECT_EQ(heard().count("CM"), 0);
    EXPECT_TRUE(prompts.messages.empty());
}

} // namespace
} // namespace teleon
