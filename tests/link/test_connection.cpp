// Connection and telescope settings against the simulated telescope on a real pty: the bytes on
// the wire, the handshake in every mount mode, and each failure message.
#include "astro/Celest32.h"
#include "link/Channel.h"
#include "link/ProgramState.h"
#include "link/ScopeIntfc.h"
#include "platform/EventLoop.h"
#include "platform/Prompts.h"
#include "sim/SimServer.h"
#include "support/PtyPeer.h"

#include <QDateTime>
#include <QScopeGuard>
#include <QTimer>
#include <gtest/gtest.h>

#include <chrono>
#include <ctime>
#include <functional>
#include <thread>

namespace teleon {
namespace {

using platform::MsgIcon;
using Commands = QList<QByteArray>;

class ConnectionTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetProgramState();
        platform::setPrompts(&prompts);
        sim.start();
        sim.setScDelayMs(50);
        com1().close();
        SetCommPort({sim.devicePath(), 0, QStringLiteral("COM3")});
        SetReplyTimeoutMs(400);
        Hooks() = LinkHooks{};
        Hooks().SwitchToStandby = [this] { ++standbyCalls; };
        Hooks().ShowTimeAlert = [this](const QString& text) { alerts << text; };
        Hooks().UpdateSelectedTime = [this](bool) { ++refreshes; };
    }
    void TearDown() override {
        com1().close();
        platform::setPrompts(nullptr);
        SetReplyTimeoutMs(20000);
        Hooks() = LinkHooks{};
        SetStatusTimer(nullptr);
    }

    bool connect(bool showMessages = true) {
        int port = 0;
        return ConnectScope(port, showMessages);
    }
    // Connected, with the log emptied: what a test sees is only its own traffic.
    void connectQuietly() {
        ASSERT_TRUE(connect());
        sim.clearLog();
    }
    // The simulator logs on its own thread: wait until it has heard `count` commands.
    Commands heard(qsizetype count) {
        sim.waitForCommands(count, 2000);
        return sim.receivedCommands();
    }

    sim::SimServer sim;
    platform::ScriptedPrompts prompts;
    int standbyCalls = 0;
    int refreshes = 0;
    QStringList alerts;
};

// ---- handshake ----

TEST_F(ConnectionTest, HandshakeSetsModeForEachMountLetter) {
    struct Row {
        char answer;
        bool connects;
        const char* mode;
    } rows[] = {{'A', true, "A"}, {'P', true, "P"}, {'G', true, "P"}, {'L', false, "L"}};
    for (const Row& row : rows) {
        com1().close();
        sim.setMountMode(row.answer);
        sim.clearLog();
        prompts.messages.clear();
        EXPECT_EQ(connect(), row.connects) << row.answer;
        EXPECT_EQ(ScopeConnected, row.connects) << row.answer;
        EXPECT_EQ(AlignmentMode, QString::fromLatin1(row.mode)) << row.answer;
        EXPECT_EQ(sim.receivedBytes(), QByteArray("\x06")) << "only the acknowledge byte is sent";
        EXPECT_EQ(com1().isOpen(), row.connects) << "land mode closes the port";
        EXPECT_EQ(prompts.messages.size(), row.connects ? 0u : 1u);
    }
}

TEST_F(ConnectionTest, RefusedHandshakesSayWhy) {
    struct Row {
        const char* what;
        std::function<void()> fault;
        QString port;
        const char* message;
    } rows[] = {
        {"land", [&] { sim.setMountMode('L'); }, "COM3",
         "Alignment mode is LAND. Change it to Alt-Az or Polar."},
        {"modem", [&] { sim.echoMode(true); }, "COM3",
         "Something other than an LX-200 (a modem?) appears to be connected to COM3."},
        {"numbered port", [&] { sim.echoMode(true); }, "COM2",
         "Something other than an LX-200 (a modem?) appears to be connected to COM2."},
        {"garbage", [&] { sim.garbleNext(1); }, "COM3",
         "Something other than an LX-200 (a modem?) appears to be connected to COM3."},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        sim.setMountMode('A');
        sim.echoMode(false);
        row.fault();
        prompts.messages.clear();
        com1().close();
        SetCommPort({sim.devicePath(), row.port == u"COM2" ? 2 : 0, row.port});
        EXPECT_FALSE(connect());
        EXPECT_FALSE(ScopeConnected);
        EXPECT_FALSE(com1().isOpen()) << "the port is closed again";
        ASSERT_EQ(prompts.messages.size(), 1u);
        EXPECT_EQ(prompts.messages[0].text, QString::fromLatin1(row.message));
        EXPECT_EQ(prompts.messages[0].title, QStringLiteral("LX-200 Vantor"));
        EXPECT_EQ(prompts.messages[0].icon, MsgIcon::Critical);
    }
    const PortChoice numbered = PortChoiceFor(QStringLiteral("2"));
    EXPECT_EQ(numbered.devicePath, QStringLiteral("/dev/ttyS1"));
    EXPECT_EQ(numbered.display, QStringLiteral("COM2"));
}

TEST_F(ConnectionTest, StaleInputIsNotTakenForTheAnswer) {
    // A late reply still waiting in the port ("P#") must not become the mount mode.
    test::PtyPeer peer;
    peer.send("P#");
    com1().close();
    SetCommPort({peer.path(), 0, peer.path()});
    peer.sendLater("A", 150);
    EXPECT_TRUE(connect());
    EXPECT_EQ(AlignmentMode, QStringLiteral("A"));
    EXPECT_EQ(peer.received(), QByteArray("\x06"));
    EXPECT_TRUE(prompts.messages.empty());
    // The wizard's query of the mode likewise.
    peer.send("P#");
    peer.sendLater("A", 150);
    platform::RunEventLoopFor(50);
    EXPECT_EQ(QueryAlignMode(), QStringLiteral("A"));
}

TEST_F(ConnectionTest, UnpluggedDeviceIsClosedAndReopenedByTheNextConnect) {
    test::PtyPeer device;
    com1().close();
    SetCommPort({device.path(), 0, device.path()});
    device.sendLater("A", 100);
    ASSERT_TRUE(connect(false));
    device.hangUp();
    EXPECT_THROW(SendCommandString(lx::GetRA), LostLinkError);
    EXPECT_FALSE(com1().isOpen());
    EXPECT_EQ(standbyCalls, 1);
    // A device gone while the handshake waits: a failure at once, and the port closed.
    test::PtyPeer second;
    SetCommPort({second.path(), 0, second.path()});
    std::thread unplug([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        second.hangUp();
    });
    SetReplyTimeoutMs(5000);
    const std::int64_t t0 = platform::TickMs();
    EXPECT_FALSE(connect(false));
    unplug.join();
    EXPECT_LT(platform::TickMs() - t0, 2000);
    EXPECT_FALSE(com1().isOpen());
    EXPECT_TRUE(prompts.messages.empty());
}

TEST_F(ConnectionTest, NoAnswerTimesOutAndLeavesPortOpen) {
    sim.stopAnswering(true);
    EXPECT_FALSE(connect(false));
    EXPECT_TRUE(prompts.messages.empty()) << "a quiet connect shows nothing";
    EXPECT_FALSE(connect());
    EXPECT_FALSE(ScopeConnected);
    EXPECT_TRUE(com1().isOpen());
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_EQ(prompts.messages[0].text,
              QStringLiteral("Scope failed to respond to initial command. Check your serial "
                             "cable and verify scope is powered up."));
    EXPECT_EQ(standbyCalls, 0) << "a failed handshake is not a lost link";
}

TEST_F(ConnectionTest, MissingPortIsSerialIoFailure) {
    com1().close();
    SetCommPort({QStringLiteral("/nonexistent/ttyX"), 0, QStringLiteral("/nonexistent/ttyX")});
    EXPECT_FALSE(connect());
    EXPECT_FALSE(ScopeConnected);
    ASSERT_EQ(prompts.messages.size(), 1u);
    const QString text = prompts.messages[0].text;
    EXPECT_TRUE(text.startsWith(QStringLiteral("Serial I/O Failed in "))) << text.toStdString();
    EXPECT_TRUE(text.endsWith(QStringLiteral("(code=8002)."))) << text.toStdString();
}

TEST_F(ConnectionTest, ConnectPausesStatusTimerAndRestartsIt) {
    QTimer status;
    status.setInterval(20);
    int ticks = 0;
    QObject::connect(&status, &QTimer::timeout, [&] { ++ticks; });
    status.start();
    SetStatusTimer(&status);
    EXPECT_TRUE(connect()); // includes its 500 ms settling wait
    EXPECT_EQ(ticks, 0);
    EXPECT_TRUE(status.isActive());
}

// ---- settings ----

TEST_F(ConnectionTest, LongFormatTogglesOnlyWhenNeeded) {
    connectQuietly();
    SetLongFormat(true); // the telescope starts in the short format
    EXPECT_EQ(heard(2), (Commands{"GZ", "U"}));
    sim.withModel([](sim::LX200Model& m) { EXPECT_TRUE(m.longFormat()); });
    sim.clearLog();
    SetLongFormat(true);
    EXPECT_EQ(heard(1), (Commands{"GZ"}));
    sim.clearLog();
    SetLongFormat(false);
    EXPECT_EQ(heard(2), (Commands{"GZ", "U"}));
    sim.withModel([](sim::LX200Model& m) { EXPECT_FALSE(m.longFormat()); });
    EXPECT_EQ(sim.receivedBytes(), QByteArray("#:GZ##:U#"));
}

TEST_F(ConnectionTest, HighPrecisionTogglesBackWhenItLandsWrong) {
    sim.setMountMode('P');
    connectQuietly();
    SetHighPrecisionPointing(true);
    EXPECT_TRUE(HighPrecisionPointing);
    sim.withModel([](sim::LX200Model& m) { EXPECT_TRUE(m.highPrecision()); });
    EXPECT_EQ(sim.receivedBytes(), QByteArray("#:P#"));
    sim.clearLog();
    SetHighPrecisionPointing(true); // toggles to LOW, then back to HIGH
    EXPECT_EQ(sim.receivedBytes(), QByteArray("#:P##:P#"));
    sim.withModel([](sim::LX200Model& m) { EXPECT_TRUE(m.highPrecision()); });
    sim.clearLog();
    SetHighPrecisionPointing(false);
    EXPECT_FALSE(HighPrecisionPointing);
    sim.withModel([](sim::LX200Model& m) { EXPECT_FALSE(m.highPrecision()); });
}

TEST_F(ConnectionTest, ReticleLevelIsClampedInPlace) {
    connectQuietly();
    struct Row {
        int asked, left, brighter;
    } rows[] = {{12, 9, 9}, {-3, 0, 0}, {4, 4, 4}};
    for (const Row& row : rows) {
        sim.clearLog();
        int level = row.asked;
        SetReticleLevel(level);
        EXPECT_EQ(level, row.left);
        EXPECT_EQ(ReticleLevel, row.left);
        QByteArray expected =
            QByteArray("#:B-#").repeated(10) + QByteArray("#:B+#").repeated(row.brighter);
        sim.waitForReceived(expected.size(), 2000);
        EXPECT_EQ(sim.receivedBytes(), expected) << row.asked;
        sim.withModel([&](sim::LX200Model& m) { EXPECT_EQ(m.reticleLevel(), row.left); });
    }
}

// ---- clock ----

class ClockTest : public ConnectionTest {
protected:
    void SetUp() override {
        ConnectionTest::SetUp();
        connectQuietly();
    }
    void setScopeDay(QDate day) {
        sim.withModel(
            [&](sim::LX200Model& m) { m.setLocalDateTime(QDateTime(day, QTime(1, 0), Qt::UTC)); });
    }
    static double ole(QDate d, QTime t) { return celest32::OleFromDateTime(QDateTime(d, t)); }
};

TEST_F(ClockTest, SameDateSendsOnlyTimeAndReadsDate) {
    setScopeDay(QDate(2026, 12, 6));
    double when = ole(QDate(2026, 12, 6), QTime(21, 5, 9));
    EXPECT_TRUE(SetScopeClock(when, true));
    EXPECT_EQ(sim.receivedBytes(), QByteArray("#:SL 21:05:09##:GC#"));
    ASSERT_EQ(alerts.size(), 1);
    EXPECT_EQ(alerts[0],
              QStringLiteral("The scope's date and time have been updated from your PC clock."));
    EXPECT_EQ(refreshes, 1);
    sim.withModel([](sim::LX200Model& m) {
        EXPECT_EQ(m.localDateTime().time().toString(QStringLiteral("HH:mm")),
                  QStringLiteral("21:05"));
    });
}

TEST_F(ClockTest, NewDateWaitsForBothTexts) {
    setScopeDay(QDate(2026, 12, 5));
    sim.setScDelayMs(150);
    double when = ole(QDate(2026, 12, 6), QTime(0, 0, 30));
    prompts.cursorChanges.clear();
    EXPECT_TRUE(SetScopeClock(when, true));
    EXPECT_EQ(sim.receivedBytes(), QByteArray("#:SL 00:00:30##:GC##:SC 12/06/26#"));
    ASSERT_EQ(alerts.size(), 1);
    EXPECT_EQ(alerts[0],
              QStringLiteral("The date changed, so the planetary data has been updated\r\n\r\n"
                             "The scope's date and time have been updated from your PC clock."));
    EXPECT_FALSE(prompts.busy);
    EXPECT_FALSE(prompts.cursorChanges.empty());
    // Both texts were consumed: the next exchange reads a clean reply.
    EXPECT_EQ(SendCommandString(lx::GetDate), QStringLiteral("12/06/26"));
    sim.withModel(
        [](sim::LX200Model& m) { EXPECT_EQ(m.localDateTime().date(), QDate(2026, 12, 6)); });
}

TEST_F(ClockTest, ADayWithoutAWallClockMidnightKeepsItsDate) {
    // Daylight-saving time that starts at 00:00: 29 March 2026 has no midnight on the clock.
    const QByteArray zone = qgetenv("TZ");
    const auto restore = qScopeGuard([&] {
        zone.isNull() ? qunsetenv("TZ") : qputenv("TZ", zone);
        tzset();
    });
    qputenv("TZ", "XST3XDT,M3.5.0/0,M10.5.0/1");
    tzset();
    const QDate gapDay(2026, 3, 29);
    ASSERT_FALSE(QDateTime(gapDay, QTime(0, 0)).isValid());
    double when = ole(gapDay, QTime(21, 5, 9));
    double day = when;
    EXPECT_EQ(FormatScopeDate(day), QStringLiteral("03/29/26"));
    EXPECT_EQ(day, double(QDate(1899, 12, 30).daysTo(gapDay))) << "the time removed in place";
    for (const auto& [date, text] :
         {std::pair{QDate(1999, 3, 5), "03/05/99"}, {QDate(2001, 3, 5), "03/05/01"}}) {
        day = ole(date, QTime(21, 5, 9));
        EXPECT_EQ(FormatScopeDate(day), QString::fromLatin1(text));
    }
    setScopeDay(QDate(2026, 3, 28));
    EXPECT_TRUE(SetScopeClock(when, false));
    EXPECT_EQ(sim.receivedBytes(), QByteArray("#:SL 21:05:09##:GC##:SC 03/29/26#"));
    sim.clearLog();
    EXPECT_TRUE(SetScopeClock(when, false));
    EXPECT_EQ(sim.receivedBytes(), QByteArray("#:SL 21:05:09##:GC#")) << "the same day is not sent";
}

TEST_F(ClockTest, NoticeSuppressedByAlertFlagOrQuietCall) {
    setScopeDay(QDate(2026, 12, 6));
    double when = ole(QDate(2026, 12, 6), QTime(22, 0, 0));
    AlertFlags = 1;
    EXPECT_TRUE(SetScopeClock(when, true));
    AlertFlags = 0;
    EXPECT_TRUE(SetScopeClock(when, false));
    EXPECT_TRUE(alerts.isEmpty());
    EXPECT_EQ(refreshes, 2) << "the display is refreshed either way";
}

TEST_F(ClockTest, RefusedTimeOrDateIsIllegal) {
    setScopeDay(QDate(2026, 12, 5));
    for (const char* refused : {"SL", "SC"}) {
        SCOPED_TRACE(refused);
        prompts.messages.clear();
        sim.refuseNext(refused);
        double when = ole(QDate(2026, 12, 6), QTime(22, 0, 0));
        EXPECT_FALSE(SetScopeClock(when, true));
        ASSERT_EQ(prompts.messages.size(), 1u);
        EXPECT_EQ(
            prompts.messages[0].text,
            QStringLiteral("The date or time was illegal. Check your PC date and time settings."));
        EXPECT_EQ(prompts.messages[0].icon, MsgIcon::Critical);
        EXPECT_FALSE(prompts.busy) << "the cursor is restored";
        EXPECT_TRUE(alerts.isEmpty());
    }
    EXPECT_EQ(refreshes, 2) << "the display is refreshed all the same";
}

TEST_F(ClockTest, LinkLostDuringDateChangeRaisesAndEndsBusyCursor) {
    setScopeDay(QDate(2026, 12, 5));
    sim.setScDelayMs(5000); // the second text comes after the reply limit
    double when = ole(QDate(2026, 12, 6), QTime(22, 0, 0));
    EXPECT_THROW(SetScopeClock(when, true), LostLinkError);
    EXPECT_EQ(standbyCalls, 1);
    EXPECT_FALSE(ScopeConnected);
    EXPECT_FALSE(prompts.busy) << "a lost link must not leave the hourglass up";
}

TEST_F(ConnectionTest, LostLinkInSettingsReachesTheCaller) {
    connectQuietly();
    sim.stopAnswering(true);
    EXPECT_THROW(SetLongFormat(true), LostLinkError);
    EXPECT_THROW(SetHighPrecisionPointing(true), LostLinkError);
    EXPECT_EQ(standbyCalls, 1) << "the second fails at once";
    sim.stopAnswering(false);
    EXPECT_TRUE(connect(false));
    EXPECT_NO_THROW(SetLongFormat(true)) << "a connect brings the link back";
}

} // namespace
} // namespace teleon
