// The main window's conversation with the telescope, checked on the wire: the status rota,
// the initialisation of a freshly connected telescope, the saved settings and each hand control.
#include "console/Registry.h"
#include "console/SiteRecord.h"
#include "console/frmMain.h"
#include "link/Channel.h"
#include "link/ProgramState.h"
#include "platform/EventLoop.h"
#include "platform/Prompts.h"
#include "sim/SimServer.h"
#include "support/TestSupport.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace teleon {
namespace {

using Commands = QList<QByteArray>;
const QString General = QStringLiteral("General");

class ConsoleWireTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetProgramState();
        ResetConfigRoot();
        platform::setPrompts(&prompts);
        sim.start();
        sim.setSlewSpeedDegPerSec(90.0);
        // The telescope's site #4 carries the id of the stored Mesa site.
        sim.withModel([](sim::LX200Model& m) {
            m.setSite(4, {"AAA", 33.0 + 25.0 / 60.0, 111.0 + 50.0 / 60.0});
        });
        PutConfig(General, QStringLiteral("ComPort"), sim.devicePath());
        SetReplyTimeoutMs(500);
    }
    void TearDown() override {
        window.reset();
        platform::setPrompts(nullptr);
        SetReplyTimeoutMs(20000);
        ResetConfigRoot();
    }

    frmMain& connected() {
        window = std::make_unique<frmMain>();
        window->Form_Load();
        window->tmrStart_Timer();
        window->mnuControlItem_Click(0);
        EXPECT_TRUE(ScopeConnected);
        window->tmr1S()->stop(); // ticks are driven by hand here
        sim.clearLog();
        return *window;
    }
    // Everything the telescope heard from a step that ends with `last` (the simulator hears on
    // its own thread).
    Commands heardThrough(const QByteArray& last) {
        EXPECT_TRUE(sim.waitForCommand(last, 2000)) << last.constData();
        return sim.receivedCommands();
    }
    Commands tickCommands(frmMain& w) {
        sim.clearLog();
        w.tmr1S_Timer();
        sim.waitForCommands(1, 500);
        platform::RunEventLoopFor(20);
        return sim.receivedCommands();
    }

    test::TempConfigHome home;
    platform::ScriptedPrompts prompts;
    sim::SimServer sim;
    std::unique_ptr<frmMain> window;
};

// ---- the status rota ----

TEST_F(ConsoleWireTest, RotaReadsEachCoordinateAtItsCount) {
    frmMain& w = connected();
    QMap<int, Commands> at;
    for (int tick = 1; tick <= 60; ++tick) {
        const Commands c = tickCommands(w);
        if (tick == 4 || tick == 29 || tick == 60)
            at[tick % 60] = c;
        ASSERT_TRUE(ScopeConnected) << "tick " << tick;
    }
    EXPECT_EQ(at[0], (Commands{"GD", "GZ", "GL", "GS"}));
    EXPECT_EQ(at[4], (Commands{"GA", "GL", "GS"}));
    EXPECT_EQ(at[29], (Commands{"GR", "Lf", "GA", "GL", "GS"}));
    ScopeMoving = true; // every coordinate every second, and no time
    EXPECT_EQ(tickCommands(w), (Commands{"GD", "GR", "Lf", "GZ", "GA"}));
    ScopeMoving = false;
}

TEST_F(ConsoleWireTest, UtcDisplayCrossesMidnight) {
    frmMain& w = connected();
    sim.withModel([](sim::LX200Model& m) {
        m.setUtcOffsetHours(7);
        m.setLocalDateTime(QDateTime(QDate(2026, 3, 5), QTime(20, 0, 0), Qt::UTC));
    });
    w.rbgTimeType_Click(1);
    EXPECT_EQ(w.lblTimeType->text(), QStringLiteral("UTC:"));
    EXPECT_TRUE(w.lblLocTime->text().startsWith(QStringLiteral("03h 00m 0")))
        << w.lblLocTime->text().toStdString();
    EXPECT_EQ(w.lblLocDate->text(), QLocale().toString(QDate(2026, 3, 6), QLocale::ShortFormat));
    EXPECT_EQ(GetConfig(General, QStringLiteral("TimeFormat")), QStringLiteral("1"));
}

TEST_F(ConsoleWireTest, JulianDateCountsInUniversalTime) {
    frmMain& w = connected();
    sim.withModel([](sim::LX200Model& m) {
        m.setUtcOffsetHours(7); // 05:00 local is 12:00 UTC
        m.setLocalDateTime(QDateTime(QDate(2000, 1, 1), QTime(5, 0, 0), Qt::UTC));
    });
    w.rbgTimeType_Click(2);
    // JD 2451545.0 is 2000-01-01 12:00 UTC; the seconds run on while the test reads.
    EXPECT_TRUE(w.lblLocTime->text().startsWith(QStringLiteral("2451545.000")))
        << w.lblLocTime->text().toStdString();
    EXPECT_TRUE(w.lblLocDate->text().isEmpty());
}

TEST_F(ConsoleWireTest, UnreadableTimeIsAnErrorNotMidnight) {
    frmMain& w = connected();
    for (int format : {0, 1}) {
        SCOPED_TRACE(format);
        w.rbgTimeType_Click(format);
        sim.garbleNext(1); // the "GL" reply
        w.lblLocTime->setText(QStringLiteral("before"));
        EXPECT_THROW(w.UpdateSelectedTime(true), std::exception);
        EXPECT_EQ(w.lblLocTime->text(), QStringLiteral("before"));
    }
}

// ---- initialisation ----

TEST_F(ConsoleWireTest, InitSystemSendsTheStoredState) {
    frmMain& w = connected();
    w.InitSystem();
    const Commands c = heardThrough("SG +07");
    // The seeded store: filter GPDCO down to VP, catalogues 0/0, slew rate 1 (find), reticle 0
    // steady, an 8-inch f/10 with a 26 mm eyepiece (field radius 20.28'), slow focus.
    const QByteArray degree("\xDF");
    Commands expected = {"Qn", "Qs", "Qe", "Qw", "GZ", "TQ", "FS", "SyGPDCO", "Gq"};
    int stepIndex = c.indexOf("Gq");
    ASSERT_GE(stepIndex, 0);
    while (stepIndex + 1 < c.size() && c[stepIndex + 1] == "Sq") {
        expected += Commands{"Sq", "Gq"};
        stepIndex += 2;
    }
    expected += Commands{"Sh00", "Sb-02.0", "Sf+18.0", "Sl000", "Ss200", "Lo 0", "Ls 0", "RM"};
    expected += Commands(10, "B-");
    expected += Commands{
        "B0", "SF 020", "W4", "GP", "St 33" + degree + "25", "Sg 111" + degree + "50", "SG +07"};
    EXPECT_EQ(c, expected);
    EXPECT_EQ(FieldRadius, 20.28);
    EXPECT_EQ(TrackFrequency, 60.1);
    EXPECT_FALSE(w.chkHiPrec->isEnabled());
    EXPECT_FALSE(FastFocus);
    sim.withModel([](sim::LX200Model& m) { EXPECT_EQ(m.fieldRadiusArcmin(), 20); });
}

TEST_F(ConsoleWireTest, InitSystemEdgesOfTheStore) {
    PutConfig(QStringLiteral("Filter"), QStringLiteral("Types"), QString());
    PutConfig(QStringLiteral("Optics"), QStringLiteral("Radius"), QStringLiteral("2,5"));
    PutConfig(QStringLiteral("Catalogs"), QStringLiteral("Deep Sky"), QString());
    frmMain& w = connected();
    w.InitSystem();
    const Commands c = heardThrough("SG +07");
    EXPECT_FALSE(c.contains("Gq")) << "no filter stored: no filter command";
    EXPECT_FALSE(c.contains("SyGPDCO"));
    EXPECT_TRUE(c.contains("SF 002")) << "2,5 reads as 2.5 and rounds to even";
    EXPECT_FALSE(c.contains("Lo 0"));
    EXPECT_EQ(FieldRadius, 2.5);
}

TEST_F(ConsoleWireTest, InitSystemSendsEverySiteWithTheId) {
    DeleteConfig(QStringLiteral("Sites"), QStringLiteral("Greenwich, England"));
    PutConfig(QStringLiteral("Sites"), QStringLiteral("Munich again"),
              QStringLiteral("AAA N  48° 08' E 011° 30' -01"));
    frmMain& w = connected();
    w.InitSystem();
    const Commands c = heardThrough("SG -01");
    const QByteArray degree("\xDF");
    EXPECT_TRUE(c.contains("Sg 111" + degree + "50"));
    EXPECT_TRUE(c.contains("Sg 348" + degree + "30")) << "11 30 E is 348 30 west";
    EXPECT_LT(c.indexOf("SG +07"), c.indexOf("SG -01")) << "in the store's order";
}

TEST_F(ConsoleWireTest, UnreachableQualityStopsAfterOneCycleAndSaysSo) {
    PutConfig(QStringLiteral("Filter"), QStringLiteral("MinQual"), QStringLiteral("XX"));
    frmMain& w = connected();
    w.InitSystem();
    const Commands c = heardThrough("SG +07");
    EXPECT_EQ(c.count("Sq"), 7);
    EXPECT_TRUE(w.lblStatus->text().contains(QStringLiteral("XX")));
}

TEST_F(ConsoleWireTest, RefusedFieldRadiusIsReportedAndInitGoesOn) {
    frmMain& w = connected();
    sim.refuseNext("SF");
    w.InitSystem();
    heardThrough("SG +07");
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_EQ(prompts.messages[0].text, QStringLiteral("Failed to set the FIELD radius."));
    EXPECT_EQ(prompts.messages[0].buttons, platform::MsgButtons::OKCancel);
}

TEST_F(ConsoleWireTest, NoStoredSiteOpensTheSiteEditor) {
    const auto sites = EnumConfigSection(QStringLiteral("Sites"));
    ASSERT_TRUE(sites);
    for (const ConfigValue& site : *sites)
        DeleteConfig(QStringLiteral("Sites"), site.first);
    QStringList editors;
    QTimer closer; // closes the editor as soon as it is up
    QObject::connect(&closer, &QTimer::timeout, [&] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            editors << modal->objectName();
            modal->close();
        }
    });
    closer.start(20);
    connected(); // the connect runs the initialisation
    ASSERT_GE(prompts.messages.size(), 1u);
    EXPECT_EQ(prompts.messages[0].text,
              QStringLiteral("You need to enter and save at least one observing site. We will "
                             "open this dialog now."));
    EXPECT_EQ(prompts.messages[0].icon, platform::MsgIcon::Information);
    EXPECT_EQ(editors, QStringList{QStringLiteral("frmSite")});
    EXPECT_TRUE(ScopeConnected);
}

TEST_F(ConsoleWireTest, BadStoredNumberIsAClearError) {
    PutConfig(General, QStringLiteral("UpLimit"), QStringLiteral("high"));
    window = std::make_unique<frmMain>();
    window->Form_Load();
    window->tmrStart_Timer();
    window->mnuControlItem_Click(0);
    ASSERT_FALSE(prompts.messages.empty());
    EXPECT_TRUE(prompts.messages.back().text.contains(QStringLiteral("UpLimit")));
    EXPECT_FALSE(prompts.busy);
}

TEST(SiteRecord, FieldsByPosition) {
    const QString deg(QChar(0xDF));
    const struct {
        const char* record;
        QString lat, lon;
    } rows[] = {
        {"AAD S  33\u00B0 52' E 151\u00B0 13' -10", "-33" + deg + "52", "208" + deg + "47"},
        {"AAF S  00\u00B0 30' W 000\u00B0 00' +00", "-0" + deg + "30", "0" + deg + "00"},
    };
    for (const auto& row : rows) {
        const auto args = SiteCommandsFor(QString::fromUtf8(row.record));
        ASSERT_TRUE(args) << row.record;
        EXPECT_EQ(args->latitude, row.lat) << row.record;
        EXPECT_EQ(args->longitude, row.lon) << row.record;
    }
    EXPECT_FALSE(SiteCommandsFor(QString::fromUtf8("AAA N  3x\u00B0 25' W 111\u00B0 50' +07")));
}

// ---- settings save ----

TEST_F(ConsoleWireTest, SaveSystemStoresTheWindowSettings) {
    frmMain& w = connected();
    w.sldRate->setValue(3);
    w.sldRetBrt->setValue(4);
    w.sldRetBlink->setValue(2);
    w.rbgFocus[0]->click();
    DeepSkyCatalog = 2;
    StarCatalog = 1;
    w.SaveSystem();
    const QString catalogs = QStringLiteral("Catalogs");
    EXPECT_EQ(GetConfig(catalogs, QStringLiteral("Deep Sky")), QStringLiteral("2"));
    EXPECT_EQ(GetConfig(catalogs, QStringLiteral("Star")), QStringLiteral("1"));
    EXPECT_EQ(GetConfig(General, QStringLiteral("SlewRate")), QStringLiteral("3"));
    EXPECT_EQ(GetConfig(General, QStringLiteral("ReticleBriteness")), QStringLiteral("4"));
    EXPECT_EQ(GetConfig(General, QStringLiteral("ReticleBlink")), QStringLiteral("2"));
    EXPECT_EQ(GetConfig(General, QStringLiteral("FocusFast")), QStringLiteral("True"));
    EXPECT_EQ(GetConfig(General, QStringLiteral("HiPrec")), QStringLiteral("0"));
    EXPECT_EQ(GetConfig(General, QStringLiteral("NightVision")), QStringLiteral("0"));
}

// ---- hand controls ----

TEST_F(ConsoleWireTest, DirectionButtonStopsTwiceAndPausesAtFastSpeeds) {
    frmMain& w = connected();
    for (int rate : {0, 2}) {
        w.sldRate->setValue(rate); // the stored speed is 1: each of these is a change
        heardThrough(rate == 0 ? "RS" : "RC");
        sim.clearLog();
        QTest::mousePress(w.btnNorth, Qt::LeftButton);
        EXPECT_TRUE(ScopeMoving);
        EXPECT_FALSE(w.btnSouth->isEnabled());
        const std::int64_t t0 = platform::TickMs();
        QTest::mouseRelease(w.btnNorth, Qt::LeftButton);
        const std::int64_t held = platform::TickMs() - t0;
        EXPECT_FALSE(ScopeMoving);
        EXPECT_TRUE(w.btnSouth->isEnabled());
        const Commands c = heardThrough("LI");
        ASSERT_GE(c.size(), 3);
        EXPECT_EQ(c.mid(0, 3), (Commands{"Mn", "Qn", "Qn"})) << rate;
        if (rate == 0)
            EXPECT_GE(held, 1000) << "slew and find speeds pause before the opposite button";
        else
            EXPECT_LT(held, 900) << "centre and guide speeds do not pause";
    }
}

TEST_F(ConsoleWireTest, ArrowKeysActAsDirectionButtons) {
    frmMain& w = connected();
    w.sldRate->setValue(3);
    heardThrough("RG");
    sim.clearLog();
    QTest::keyPress(&w, Qt::Key_Left);
    QTest::keyPress(&w, Qt::Key_Left, Qt::NoModifier, -1); // a held key repeats: ignored
    QTest::keyRelease(&w, Qt::Key_Left);
    EXPECT_EQ(heardThrough("LI").mid(0, 3), (Commands{"Me", "Qe", "Qe"}));
    // Wherever the focus is: a slider or an option would otherwise take the key for itself.
    for (QWidget* focus : std::initializer_list<QWidget*>{w.sldRetBlink, w.rbgTimeType[1]}) {
        sim.clearLog();
        const int blink = w.sldRetBlink->value();
        const bool utc = w.rbgTimeType[1]->isChecked();
        QTest::keyPress(focus, Qt::Key_Up);
        QTest::keyRelease(focus, Qt::Key_Up);
        EXPECT_EQ(heardThrough("LI").mid(0, 3), (Commands{"Mn", "Qn", "Qn"}))
            << focus->objectName().toStdString();
        EXPECT_EQ(w.sldRetBlink->value(), blink);
        EXPECT_EQ(w.rbgTimeType[1]->isChecked(), utc);
    }
}

TEST_F(ConsoleWireTest, SlidersAndFocusSendTheirCommands) {
    frmMain& w = connected();
    w.sldRate->setValue(0);
    w.sldRate->setValue(2);
    w.sldRetBlink->setValue(3);
    w.rbgFocus[0]->click();
    w.rbgFocus[1]->click();
    // A drag through 1 and 2 sends the telescope only the value it ends on.
    w.sldRetBrt->setSliderDown(true);
    for (int position : {1, 2, 3})
        w.sldRetBrt->setSliderPosition(position);
    w.sldRetBrt->setSliderDown(false);
    Commands c = heardThrough("B+");
    sim.waitForReceived(sim.receivedBytes().size() + 10, 300);
    c = sim.receivedCommands();
    Commands expected = {"RS", "RC", "B3", "FF", "FS"};
    for (int i = 0; i < 10; ++i)
        expected << "B-";
    expected << "B+"
             << "B+"
             << "B+";
    EXPECT_EQ(c, expected);
    EXPECT_EQ(SlewRateIndex, 2);
    EXPECT_EQ(ReticleBlinkIndex, 3);
    EXPECT_EQ(ReticleLevel, 3);

    sim.clearLog();
    QTest::mousePress(w.cmdFocusIn, Qt::LeftButton);
    EXPECT_FALSE(w.cmdFocusOut->isEnabled());
    const std::int64_t t0 = platform::TickMs();
    QTest::mouseRelease(w.cmdFocusIn, Qt::LeftButton);
    EXPECT_GE(platform::TickMs() - t0, 1000);
    EXPECT_TRUE(w.cmdFocusOut->isEnabled());
    EXPECT_EQ(heardThrough("FQ"), (Commands{"F-", "FQ"}));
}

TEST_F(ConsoleWireTest, SyncAsksFirst) {
    frmMain& w = connected();
    prompts.answers = {platform::MsgAnswer::No, platform::MsgAnswer::Yes};
    w.cmdSync_Click();
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_EQ(prompts.messages[0].text,
              QStringLiteral("This will force the scope's coordinates to match  the target "
                             "coordinates. Your target object should now be  centered as "
                             "accurately as possible. Are you sure?"));
    EXPECT_EQ(prompts.messages[0].icon, platform::MsgIcon::Question);
    EXPECT_FALSE(sim.waitForCommand("CM", 200));
    w.cmdSync_Click();
    EXPECT_TRUE(sim.waitForCommand("CM", 2000));
    EXPECT_EQ(prompts.messages.size(), 2u) << "a successful sync shows no message";
}

TEST_F(ConsoleWireTest, DeltaMoveShiftsHalfAFieldAndSlews) {
    frmMain& w = connected();
    // On the meridian at +20: well above the horizon of the simulator's site.
    sim.withModel([](sim::LX200Model& m) { m.setPosition(m.localSiderealHours(), 20.0); });
    sim.clearLog();
    FieldHeight = 60.0; // arc-minutes: half a field north is 0.5 degree
    w.btnDeltaNorth->click();
    // The click returns when the slew is over: its last poll of the bars found them empty.
    const Commands c = heardThrough("D");
    for (const auto& m : prompts.messages)
        ADD_FAILURE() << m.text.toStdString();
    ASSERT_GE(c.size(), 4) << c.join(' ').toStdString();
    EXPECT_EQ(c[0], QByteArray("GR"));
    EXPECT_EQ(c[1], QByteArray("GD"));
    QByteArray raReply;
    for (const auto& r : sim.sentReplies())
        if (r.command == "GR" && raReply.isEmpty())
            raReply = r.bytes.chopped(1);
    EXPECT_EQ(c[2], "Sr " + raReply) << "no shift east: the same right ascension";
    EXPECT_EQ(c[3], QByteArray("Sd +020\xDF"
                               "30:00")
                        .replace("+", ""));
    EXPECT_TRUE(c.contains("MS"));
    EXPECT_TRUE(w.btnDeltaNorth->isEnabled());
    EXPECT_TRUE(w.cmdGoTo->isEnabled());
}

} // namespace
} // namespace teleon
