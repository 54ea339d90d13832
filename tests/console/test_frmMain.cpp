// The main window's life against the simulated telescope: start-up, connect and disconnect from
// the Control menu, the lost link and its reconnect, and shutdown with the home question.
#include "console/Registry.h"
#include "console/frmMain.h"
#include "link/Channel.h"
#include "link/ProgramState.h"
#include "link/ScopeIntfc.h"
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
#include <QTimer>
#include <gtest/gtest.h>

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
    EXPECT_EQ(w.controlItem(0)->text(), QStringLiteral("&Connect"));
    EXPECT_EQ(w.lblTimeType->text(), QStringLiteral("Local:"));
    EXPECT_FALSE(StartupDone);
    w.tmrStart_Timer();
    EXPECT_TRUE(w.controlMenu()->isEnabled());
    EXPECT_TRUE(StartupDone);
    EXPECT_FALSE(w.tmrStart()->isActive());
    EXPECT_FALSE(prompts.busy);
    EXPECT_FALSE(ScopeConnected) << "the program does not connect by itself";
}

TEST_F(MainWindowTest, MissingPortSettingIsWrittenBackAsOne) {
    PutConfig(QStringLiteral("General"), QStringLiteral("ComPort"), QString());
    frmMain w;
    w.Form_Load();
    EXPECT_EQ(GetConfig(QStringLiteral("General"), QStringLiteral("ComPort")), QStringLiteral("1"));
    EXPECT_EQ(CommPort().devicePath, QStringLiteral("/dev/ttyS0"));
}

TEST_F(MainWindowTest, StoredTimeFormatSelectsDisplay) {
    PutConfig(QStringLiteral("General"), QStringLiteral("TimeFormat"), QStringLiteral("2"));
    frmMain w;
    w.Form_Load();
    EXPECT_EQ(TimeFormat, 2);
    EXPECT_EQ(w.lblTimeType->text(), QStringLiteral("Julian:"));
    EXPECT_TRUE(w.rbgTimeType[2]->isChecked());
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

TEST_F(MainWindowTest, ShutdownOfPolarTelescopeWithoutHome) {
    sim.setMountMode('P');
    frmMain& w = connected();
    prompts.answers = {MsgAnswer::No};
    w.Form_Unload();
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_FALSE(heardUntil("U").contains("MS"));
}

TEST_F(MainWindowTest, ShutdownWithDeadLinkStillCloses) {
    frmMain& w = connected();
    sim.stopAnswering(true);
    w.Form_Unload();
    EXPECT_FALSE(com1().isOpen());
    EXPECT_FALSE(prompts.busy);
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
