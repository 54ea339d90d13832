// The main window's life against the simulated telescope: start-up, connect and disconnect from
// the Control menu, the lost link and its reconnect, and shutdown with the home question.
#include "console/Registry.h"
#include "console/frmMain.h"
#include "link/Channel.h"
#include "link/ProgramState.h"
#include "link/ScopeIntfc.h"
#include "link/SlewEngine.h"
#include "platform/EventLoop.h"
#include "platform/Prompts.h"
#include "sim/SimServer.h"
#include "support/TestSupport.h"
#include "voice/AgentCtrl.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <array>
#include <functional>

namespace teleon {
namespace {

using platform::MsgAnswer;
using platform::MsgIcon;

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetProgramState();
        ResetConfigRoot();
        platform::setPrompts(&prompts);
        sim.start();
        sim.setSlewSpeedDegPerSec(90.0);
        PutConfig(QStringLiteral("General"), QStringLiteral("ComPort"), sim.devicePath());
        SetReplyTimeoutMs(500);
    }
    void TearDown() override {
        window.reset();
        platform::setPrompts(nullptr);
        SetReplyTimeoutMs(20000);
        ResetConfigRoot();
    }

    // Loaded and started, as the program entry leaves it.
    frmMain& started() {
        window = std::make_unique<frmMain>();
        window->Form_Load();
        window->tmrStart_Timer();
        QObject::connect(window->agent(), &AgentCtrl::spoke,
                         [this](const QString& text) { spoken << text; });
        return *window;
    }
    frmMain& connected() {
        frmMain& w = started();
        w.mnuControlItem_Click(0);
        EXPECT_TRUE(ScopeConnected);
        sim.clearLog();
        return w;
    }
    // The simulator hears on its own thread: wait for the command that ends the operation.
    QList<QByteArray> heardUntil(const QByteArray& last) {
        sim.waitForCommand(last, 2000);
        return sim.receivedCommands();
    }

    // Runs action once, from the event loop, as soon as the telescope has heard command.
    void whenHeard(const QByteArray& command, std::function<void()> action) {
        auto* poll = new QTimer(window.get());
        QObject::connect(poll, &QTimer::timeout, [this, poll, command, action] {
            if (sim.receivedCommands().contains(command)) {
                poll->stop();
                action();
            }
        });
        poll->start(20);
    }

    test::TempConfigHome home;
    platform::ScriptedPrompts prompts;
    sim::SimServer sim;
    std::unique_ptr<frmMain> window;
    QStringList spoken;
};

TEST_F(MainWindowTest, LoadKeepsMenuOffUntilStartTimer) {
    frmMain w;
    w.Form_Load();
    EXPECT_FALSE(w.controlMenu()->isEnabled());
    EXPECT_FALSE(w.cmdGoTo->isEnabled());
    EXPECT_FALSE(w.btnNorth->isEnabled());
    EXPECT_FALSE(StartupDone);
    w.tmrStart_Timer();
    EXPECT_TRUE(w.controlMenu()->isEnabled());
    EXPECT_TRUE(StartupDone);
    EXPECT_FALSE(w.tmrStart()->isActive());
    EXPECT_FALSE(prompts.busy);
    EXPECT_FALSE(ScopeConnected) << "the program does not connect by itself";
}

TEST_F(MainWindowTest, LoadReadsPortAndTimeFormat) {
    PutConfig(QStringLiteral("General"), QStringLiteral("ComPort"), QString());
    PutConfig(QStringLiteral("General"), QStringLiteral("TimeFormat"), QStringLiteral("2"));
    frmMain w;
    w.Form_Load();
    EXPECT_EQ(GetConfig(QStringLiteral("General"), QStringLiteral("ComPort")), QStringLiteral("1"))
        << "a missing port is written back as 1";
    EXPECT_EQ(CommPort().devicePath, QStringLiteral("/dev/ttyS0"));
    EXPECT_EQ(TimeFormat, 2);
    EXPECT_EQ(w.lblTimeType->text(), QStringLiteral("Julian:"));
}

TEST_F(MainWindowTest, ConnectFromMenuInitialisesAndStartsPolling) {
    frmMain& w = started();
    w.mnuControlItem_Click(0);
    EXPECT_TRUE(ScopeConnected);
    EXPECT_EQ(AlignmentMode, QStringLiteral("A"));
    EXPECT_EQ(w.controlItem(0)->text(), QStringLiteral("&Disconnect"));
    EXPECT_TRUE(w.tmr1S()->isActive());
    EXPECT_EQ(w.tmr1S()->interval(), 1000);
    EXPECT_TRUE(w.cmdGoTo->isEnabled());
    EXPECT_TRUE(w.btnNorth->isEnabled());
    EXPECT_FALSE(w.chkHiPrec->isEnabled()) << "high precision is for polar mounts";
    EXPECT_FALSE(w.lblRA->text().isEmpty());
    EXPECT_FALSE(w.lblLocTime->text().isEmpty());
    EXPECT_TRUE(w.controlMenu()->isEnabled());
    EXPECT_FALSE(prompts.busy);
    EXPECT_TRUE(spoken.contains(QStringLiteral("scope is connected.")));
    sim.withModel([](sim::LX200Model& m) { EXPECT_TRUE(m.longFormat()); });
}

TEST_F(MainWindowTest, FailedConnectFromMenuShowsMessageAndStaysDisconnected) {
    frmMain& w = started();
    sim.stopAnswering(true);
    w.mnuControlItem_Click(0);
    EXPECT_FALSE(ScopeConnected);
    EXPECT_EQ(w.controlItem(0)->text(), QStringLiteral("&Connect"));
    EXPECT_FALSE(w.tmr1S()->isActive());
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_TRUE(prompts.messages[0].text.startsWith(QStringLiteral("Scope failed to respond")));
    EXPECT_TRUE(w.controlMenu()->isEnabled());
    EXPECT_FALSE(prompts.busy);
}

TEST_F(MainWindowTest, DisconnectLeavesShortFormatAndClosesPort) {
    frmMain& w = connected();
    w.mnuControlItem_Click(0);
    EXPECT_FALSE(ScopeConnected);
    EXPECT_FALSE(com1().isOpen());
    EXPECT_FALSE(w.tmr1S()->isActive());
    EXPECT_EQ(w.controlItem(0)->text(), QStringLiteral("&Connect"));
    EXPECT_FALSE(w.cmdGoTo->isEnabled());
    EXPECT_TRUE(w.lblRA->text().isEmpty());
    const auto commands = heardUntil("U");
    ASSERT_GE(commands.size(), 2);
    EXPECT_EQ(commands.mid(commands.size() - 2), (QList<QByteArray>{"GZ", "U"}));
    sim.withModel([](sim::LX200Model& m) { EXPECT_FALSE(m.longFormat()); });
    EXPECT_TRUE(spoken.contains(QStringLiteral("disconnecting scope.")));
}

TEST_F(MainWindowTest, LostLinkDuringTickGoesToStandbyAndReconnects) {
    frmMain& w = connected();
    sim.stopAnswering(true);
    w.tmr1S_Timer();
    EXPECT_FALSE(ScopeConnected);
    EXPECT_EQ(w.controlItem(0)->text(), QStringLiteral("&Connect"));
    EXPECT_TRUE(w.tmr1S()->isActive()) << "the timer keeps running to reconnect";
    EXPECT_EQ(w.tmr1S()->interval(), 5000);
    EXPECT_FALSE(w.cmdGoTo->isEnabled());
    EXPECT_TRUE(spoken.contains(QStringLiteral("Scope has disappeared. Bye for now.")));
    EXPECT_TRUE(prompts.messages.empty()) << "standby is quiet";

    w.tmr1S_Timer(); // still silent: the reconnect fails quietly
    EXPECT_FALSE(ScopeConnected);
    EXPECT_TRUE(prompts.messages.empty());

    sim.stopAnswering(false);
    w.tmr1S_Timer();
    EXPECT_TRUE(ScopeConnected);
    EXPECT_EQ(w.controlItem(0)->text(), QStringLiteral("&Disconnect"));
    EXPECT_EQ(w.tmr1S()->interval(), 1000);
    EXPECT_TRUE(w.cmdGoTo->isEnabled());
    EXPECT_EQ(w.lblStatus->text(), QStringLiteral("scope is connected."))
        << "the standby sentence does not outlive the reconnect";
}

TEST_F(MainWindowTest, AnUnpluggedAdapterIsOpenedAgainWhenItComesBack) {
    QTemporaryDir folder;
    sim::SimServer::Options options;
    options.linkPath = folder.filePath(QStringLiteral("ttyUSB0"));
    sim::SimServer adapter(options);
    adapter.start();
    PutConfig(QStringLiteral("General"), QStringLiteral("ComPort"), adapter.devicePath());
    frmMain& w = connected();
    adapter.unplug();
    w.tmr1S_Timer(); // the next tick finds the device gone
    EXPECT_FALSE(ScopeConnected);
    EXPECT_FALSE(com1().isOpen()) << "the dead descriptor is let go";
    EXPECT_TRUE(w.tmr1S()->isActive());
    EXPECT_EQ(w.tmr1S()->interval(), 5000);
    w.tmr1S_Timer(); // standby: nothing to open yet, quietly
    EXPECT_FALSE(ScopeConnected);
    adapter.plugIn();
    w.tmr1S_Timer(); // the device is back at its name: connected without a click
    EXPECT_TRUE(ScopeConnected);
    EXPECT_EQ(w.controlItem(0)->text(), QStringLiteral("&Disconnect"));
    EXPECT_TRUE(prompts.messages.empty());
    w.Form_Unload();
}

TEST_F(MainWindowTest, NoExchangeWaitsAgainAfterTheLinkIsLost) {
    frmMain& w = connected();
    w.sldRate->setValue(3); // guide speed: no pause after the release
    QTest::mousePress(w.btnNorth, Qt::LeftButton);
    sim.waitForCommand("Mn", 2000);
    sim.stopAnswering(true);
    sim.clearLog();
    const std::int64_t t0 = platform::TickMs();
    QTest::mouseRelease(w.btnNorth, Qt::LeftButton);
    EXPECT_LT(platform::TickMs() - t0, 2 * 500) << "one reply limit, not one per exchange";
    EXPECT_EQ(heardUntil("Lf"), (QList<QByteArray>{"Qn", "Qn", "Lf"}));
    EXPECT_FALSE(ScopeConnected);
    EXPECT_TRUE(prompts.messages.empty());
    // Until a connect succeeds, the controls ask nothing.
    sim.clearLog();
    EXPECT_THROW(w.cmdTimeSync_Click(), LostLinkError);
    EXPECT_THROW(w.DeltaMove(10, 0), LostLinkError);
    EXPECT_FALSE(sim.waitForCommands(1, 100));
}

TEST_F(MainWindowTest, ShutdownOfAltAzTelescopeAsksNothing) {
    frmMain& w = connected();
    w.Form_Unload();
    EXPECT_TRUE(prompts.messages.empty());
    EXPECT_FALSE(com1().isOpen());
    EXPECT_FALSE(w.tmr1S()->isActive());
    EXPECT_EQ(heardUntil("U").last(), QByteArray("U"));
    sim.withModel([](sim::LX200Model& m) { EXPECT_FALSE(m.longFormat()); });
    EXPECT_FALSE(prompts.busy);
}

TEST_F(MainWindowTest, ShutdownOfPolarTelescopeOffersHome) {
    sim.setMountMode('P');
    frmMain& w = connected();
    prompts.answers = {MsgAnswer::Yes};
    w.Form_Unload();
    ASSERT_EQ(prompts.messages.size(), 2u);
    EXPECT_EQ(prompts.messages[0].text,
              QStringLiteral("Do you want the scope repositioned to the \"home\" position?"));
    EXPECT_EQ(prompts.messages[0].icon, MsgIcon::Question);
    EXPECT_EQ(prompts.messages[0].buttons, platform::MsgButtons::YesNo);
    EXPECT_EQ(prompts.messages[1].text,
              QStringLiteral("The scope is now at home position and it's motion has been "
                             "stopped.You can power down the scope now."));
    EXPECT_EQ(prompts.messages[1].icon, MsgIcon::Information);
    const auto commands = heardUntil("Me");
    ASSERT_GE(commands.size(), 6);
    EXPECT_EQ(commands[0], QByteArray("GS"));
    EXPECT_TRUE(commands[1].startsWith("Sr ")) << commands[1].constData();
    EXPECT_EQ(commands[2], QByteArray("Sd 00:00:00"));
    EXPECT_EQ(commands[3], QByteArray("Gd")) << "a polar mount's tilt is the declination";
    EXPECT_EQ(commands[4], QByteArray("MS"));
    EXPECT_TRUE(commands.contains("RG"));
    EXPECT_TRUE(commands.contains("Me"));
    EXPECT_FALSE(com1().isOpen());
}

TEST_F(MainWindowTest, ShutdownWithDeadLinkStillCloses) {
    frmMain& w = connected();
    sim.stopAnswering(true);
    w.Form_Unload();
    EXPECT_FALSE(com1().isOpen());
    EXPECT_FALSE(prompts.busy);
}

TEST_F(MainWindowTest, FailedHomeSlewIsReportedAndTheDriveIsNotStopped) {
    struct Row {
        const char* what;
        std::function<void()> fault;
    } rows[] = {
        {"refused", [this] { sim.refuseNextSlew('2'); }},
        {"halted", [this] { whenHeard("D", [] { HaltSlew(); }); }},
        {"lost", [this] { whenHeard("D", [this] { sim.stopAnswering(true); }); }},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        sim.stopAnswering(false);
        sim.setMountMode('P');
        sim.setSlewSpeedDegPerSec(2.0);
        sim.withModel([](sim::LX200Model& m) {
            m.setPosition(m.localSiderealHours() - 3.0, 60.0); // far from home
        });
        frmMain& w = connected();
        prompts.messages.clear();
        prompts.answers = {MsgAnswer::Yes};
        row.fault();
        w.Form_Unload();
        const auto commands = sim.receivedCommands();
        EXPECT_TRUE(commands.contains("MS"));
        EXPECT_FALSE(commands.contains("RG"));
        EXPECT_FALSE(commands.contains("Me"));
        ASSERT_GE(prompts.messages.size(), 2u);
        EXPECT_TRUE(prompts.messages.back().text.startsWith(
            QStringLiteral("The scope did not reach its home position")));
        EXPECT_EQ(prompts.messages.back().icon, MsgIcon::Exclamation);
        EXPECT_FALSE(com1().isOpen());
        window.reset();
    }
}

TEST_F(MainWindowTest, DisconnectDuringASlewSticks) {
    frmMain& w = connected();
    sim.setSlewSpeedDegPerSec(2.0);
    sim.withModel([](sim::LX200Model& m) { m.setPosition(m.localSiderealHours(), 20.0); });
    FieldHeight = 600.0; // half a field north is five degrees: a slew of seconds
    QTimer::singleShot(500, [&] { w.mnuControlItem_Click(0); });
    w.btnDeltaNorth->click();
    EXPECT_FALSE(ScopeConnected);
    EXPECT_FALSE(com1().isOpen());
    EXPECT_EQ(w.controlItem(0)->text(), QStringLiteral("&Connect"));
    EXPECT_FALSE(w.tmr1S()->isActive()) << "the slew's end must not restart the status timer";
    platform::RunEventLoopFor(1500);
    EXPECT_FALSE(ScopeConnected) << "no tick reconnects what the user disconnected";
    EXPECT_TRUE(prompts.messages.empty());
}

TEST_F(MainWindowTest, DisconnectAndShutdownCloseTheWizardBeforeTheFinderSaves) {
    for (bool shutdown : {false, true}) {
        SCOPED_TRACE(shutdown ? "shutdown" : "disconnect");
        frmMain& w = connected();
        const QString minElev = GetConfig(QStringLiteral("Filter"), QStringLiteral("MinElev"));
        w.cmdSearch_Click();
        w.cmdAlign_Click(); // its star choice sets the telescope's minimum elevation to 30
        EXPECT_TRUE(SendCommandString(lx::GetMinElevation).startsWith(QStringLiteral("30")));
        if (shutdown)
            w.Form_Unload();
        else
            w.mnuControlItem_Click(0);
        EXPECT_EQ(GetConfig(QStringLiteral("Filter"), QStringLiteral("MinElev")).left(2),
                  minElev.left(2));
        window.reset();
    }
}

TEST_F(MainWindowTest, ASessionSavesOnlyTheSettingsItLoaded) {
    const QString general = QStringLiteral("General"), catalogs = QStringLiteral("Catalogs");
    const QList<std::array<QString, 3>> stored = {
        {general, "SlewRate", "3"},
        {general, "FocusFast", "True"},
        {general, "ReticleBriteness", "5"},
        {general, "ReticleBlink", "2"},
        {general, "HiPrec", "1"},
        {catalogs, "Deep Sky", "1"},
        {catalogs, "Star", "2"},
    };
    for (const auto& [section, key, value] : stored)
        PutConfig(section, key, value);
    const auto expectKept = [&](const char* when) {
        for (const auto& [section, key, value] : stored)
            EXPECT_EQ(GetConfig(section, key), value) << when << ": " << key.toStdString();
    };

    started().mnuControlItem_Click(7); // Exit without connecting
    expectKept("never connected");
    window.reset();

    connected().mnuControlItem_Click(0); // an alt-az session has no high precision to save
    expectKept("alt-az session");
    window.reset();

    // The link lost half-way through the first initialisation (during its long-format wait).
    frmMain& w = started();
    QTimer::singleShot(200, [this] { sim.stopAnswering(true); });
    w.mnuControlItem_Click(0);
    EXPECT_FALSE(ScopeConnected);
    w.mnuControlItem_Click(7);
    expectKept("link lost in initialisation");
    window.reset();

    // What the user changes is saved, at shutdown too.
    sim.stopAnswering(false);
    connected().sldRate->setValue(0);
    window->mnuControlItem_Click(7);
    EXPECT_EQ(GetConfig(general, QStringLiteral("SlewRate")), QStringLiteral("0"));
}

TEST_F(MainWindowTest, NightVisionTurnsRedAndShutdownRestoresColours) {
    const QPalette day = QApplication::palette();
    frmMain& w = started();
    w.chkNightVision->setChecked(true);
    w.chkNightVision_Click();
    EXPECT_NE(QApplication::palette().color(QPalette::Window), day.color(QPalette::Window));
    EXPECT_EQ(QApplication::palette().color(QPalette::WindowText).green(), 0);
    w.Form_Unload();
    EXPECT_EQ(QApplication::palette(), day);
}

} // namespace
} // namespace teleon
