// The command channel on a real pseudo-terminal: the line settings, the exact bytes of each
// exchange kind, what happens to characters left waiting, and the lost link in its three forms
// (silence, a device that hangs up, and the fast failure of every exchange after it).
#include "link/Channel.h"
#include "link/ProgramState.h"
#include "platform/EventLoop.h"
#include "support/PtyPeer.h"

#include <QTimer>
#include <gtest/gtest.h>

#include <chrono>
#include <ctime>
#include <thread>

namespace teleon {
namespace {

double cpuMs() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

class ChannelTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetProgramState();
        com1().close();
        com1().setDevicePath(peer.path());
        com1().open();
        ScopeConnected = true;
        SetReplyTimeoutMs(300);
        Hooks() = LinkHooks{};
        Hooks().SwitchToStandby = [this] {
            ++standbyCalls;
            connectedAtStandby = ScopeConnected;
        };
    }
    void TearDown() override {
        com1().close();
        SetReplyTimeoutMs(20000);
        Hooks() = LinkHooks{};
        SetStatusTimer(nullptr);
        ResetProgramState();
    }

    test::PtyPeer peer;
    int standbyCalls = 0;
    bool connectedAtStandby = true;
};

TEST_F(ChannelTest, PortIsRaw9600EightNoneOneWithoutFlowControl) {
    const termios tio = peer.lineSettings();
    EXPECT_EQ(cfgetispeed(&tio), speed_t(B9600));
    EXPECT_EQ(cfgetospeed(&tio), speed_t(B9600));
    EXPECT_EQ(tio.c_cflag & CSIZE, tcflag_t(CS8));
    EXPECT_EQ(tio.c_cflag & (PARENB | CSTOPB | CRTSCTS), 0u);
    EXPECT_EQ(tio.c_cflag & (CLOCAL | CREAD), tcflag_t(CLOCAL | CREAD));
    EXPECT_EQ(tio.c_iflag & (IXON | IXOFF | ICRNL | ISTRIP), 0u);
    EXPECT_EQ(tio.c_lflag & (ICANON | ECHO | ISIG), 0u);
    EXPECT_EQ(tio.c_oflag & OPOST, 0u);
}

TEST_F(ChannelTest, ExchangesFrameTheCommandAndReadTheirReply) {
    peer.send("12:34:56#");
    EXPECT_EQ(SendCommandString(QStringLiteral("GR")), QStringLiteral("12:34:56"));
    peer.send("1");
    EXPECT_TRUE(SendCommandBool(lx::SetLocalTime, QStringLiteral("21:05:09")));
    SendCommandBlind(lx::ReticleBrighter);
    EXPECT_EQ(peer.received(25), QByteArray("#:GR##:SL 21:05:09##:B+#"));

    struct Row {
        QByteArray answer;
        bool expected;
    } flags[] = {{"1", true}, {"0", false}, {"x", false}, {"10", true}};
    for (const Row& row : flags) {
        peer.send(row.answer);
        EXPECT_EQ(SendCommandBool(QStringLiteral("St +33*25")), row.expected) << row.answer.data();
    }
}

TEST_F(ChannelTest, DegreeSignPassesUnchangedBothWays) {
    peer.send(QByteArray("-05\xDF"
                         "23'28#"));
    const QString dec = SendCommandString(lx::GetDec);
    EXPECT_EQ(dec.at(3).unicode(), 223);
    peer.received();
    peer.send("1");
    EXPECT_TRUE(SendCommandBool(QStringLiteral("Sd ") + dec));
    EXPECT_EQ(peer.received(), QByteArray("#:Sd -05\xDF"
                                          "23'28#"));
}

TEST_F(ChannelTest, CharactersLeftWaitingHeadTheNextReply) {
    SendCommandBlind(QStringLiteral("Q"));
    peer.send("1");
    peer.send("+45*30'15#");
    EXPECT_EQ(SendCommandString(lx::GetDec), QStringLiteral("1+45*30'15"));
    // A reply arriving in pieces is joined; what followed the "#" in the same read stays.
    peer.send("05:3");
    peer.sendLater("4:30#+45", 100);
    EXPECT_TRUE(SendCommandString(lx::GetRA).startsWith(QStringLiteral("05:34:30")));
    EXPECT_EQ(standbyCalls, 0);
}

TEST_F(ChannelTest, ReadReplyStartsFromItsPosition) {
    QString buffer = QStringLiteral("1Updating#");
    const std::int64_t t0 = platform::TickMs();
    ReadReply(buffer, 2, QStringLiteral("#"));
    EXPECT_LT(platform::TickMs() - t0, 50) << "a terminator at or after start returns at once";
    EXPECT_EQ(buffer, QStringLiteral("1Updating#"));

    peer.send("1Updating planetary data#");
    ReadReply(buffer, 1, QString());
    EXPECT_TRUE(buffer.startsWith(u'1')) << "start 1 empties the buffer first";
    peer.send("        second text     #");
    ReadReply(buffer, 2, QStringLiteral("#"));
    ReadReply(buffer, int(buffer.indexOf(u'#', 1)) + 2, QStringLiteral("#"));
    EXPECT_EQ(buffer.count(u'#'), 2);
}

TEST_F(ChannelTest, SilenceIsALostLinkAfterTheLimitWithoutSpinning) {
    const std::int64_t t0 = platform::TickMs();
    const double cpu0 = cpuMs();
    try {
        SendCommandString(lx::GetRA);
        FAIL() << "no error";
    } catch (const LostLinkError& e) {
        EXPECT_EQ(e.number(), 32767);
        EXPECT_EQ(e.source(), QStringLiteral("LX-200 Vantor"));
        EXPECT_EQ(e.description(), QStringLiteral("Lost communications with telescope"));
    }
    EXPECT_GE(platform::TickMs() - t0, 300);
    EXPECT_LT(cpuMs() - cpu0, 50.0) << "a reply wait sleeps on the descriptor";
    EXPECT_EQ(standbyCalls, 1);
    EXPECT_FALSE(connectedAtStandby) << "ScopeConnected is cleared before standby";
    EXPECT_TRUE(com1().isOpen()) << "a silent telescope keeps its port open";

    // A flag reply and a string reply whose "#" never comes are lost links too.
    LinkDown = false;
    EXPECT_THROW(SendCommandBool(lx::SetLocalTime, QStringLiteral("25:00:00")), LostLinkError);
    LinkDown = false;
    peer.send("12:34:56");
    EXPECT_THROW(SendCommandString(lx::GetRA), LostLinkError);
    EXPECT_EQ(standbyCalls, 3);
}

TEST_F(ChannelTest, AfterALostLinkEveryExchangeFailsAtOnce) {
    EXPECT_THROW(SendCommandString(lx::GetRA), LostLinkError);
    peer.received();
    const std::int64_t t0 = platform::TickMs();
    EXPECT_THROW(SendCommandBlind(lx::StopNorth), LostLinkError);
    EXPECT_THROW(SendCommandString(lx::GetDec), LostLinkError);
    EXPECT_THROW(SendCommandBool(lx::SetLocalTime, QStringLiteral("21:05:09")), LostLinkError);
    EXPECT_THROW(WriteRaw(lx::SlewToTargetCmd), LostLinkError);
    EXPECT_LT(platform::TickMs() - t0, 50);
    EXPECT_EQ(peer.received(1, 100), QByteArray()) << "a telescope that is gone is not asked";
    EXPECT_EQ(standbyCalls, 1) << "standby is entered once";

    LinkDown = false; // what a successful connect does
    peer.send("05:34:30#");
    EXPECT_EQ(SendCommandString(lx::GetRA), QStringLiteral("05:34:30"));
}

TEST_F(ChannelTest, ADeviceThatHangsUpIsALostLinkAndIsClosed) {
    // Unplugged while the reply is awaited, and unplugged while idle (the next write fails).
    for (bool duringReply : {true, false}) {
        SCOPED_TRACE(duringReply ? "during a reply" : "while idle");
        test::PtyPeer device;
        com1().close();
        com1().setDevicePath(device.path());
        com1().open();
        LinkDown = false;
        standbyCalls = 0;
        SetReplyTimeoutMs(5000);
        std::thread unplug;
        if (duringReply)
            unplug = std::thread([&] {
                std::this_thread::sleep_for(std::chrono::milliseconds(100));
                device.hangUp();
            });
        else
            device.hangUp();
        const std::int64_t t0 = platform::TickMs();
        const double cpu0 = cpuMs();
        EXPECT_THROW(SendCommandString(lx::GetRA), LostLinkError);
        EXPECT_LT(platform::TickMs() - t0, 1000) << "a hang-up needs no time limit";
        EXPECT_LT(cpuMs() - cpu0, 50.0) << "a hung-up descriptor must not spin";
        EXPECT_EQ(standbyCalls, 1);
        EXPECT_FALSE(com1().isOpen()) << "closed, so that a reconnect opens the device afresh";
        if (unplug.joinable())
            unplug.join();
    }
}

TEST_F(ChannelTest, ExchangeOnAPortNeverOpenedIsAPortError) {
    com1().close();
    EXPECT_THROW(SendCommandString(lx::GetRA), platform::PortError);
    EXPECT_THROW(SendCommandBlind(lx::ToggleFormat), platform::PortError);
    EXPECT_EQ(standbyCalls, 0);
}

TEST_F(ChannelTest, WaitMsPausesTheStatusTimerAndServesEvents) {
    QTimer status;
    status.setInterval(50);
    int ticks = 0;
    QObject::connect(&status, &QTimer::timeout, [&] { ++ticks; });
    status.start();
    SetStatusTimer(&status);
    bool otherEventRan = false;
    QTimer::singleShot(20, [&] { otherEventRan = !status.isActive(); });
    const std::int64_t t0 = platform::TickMs();
    const double cpu0 = cpuMs();
    WaitMs(300);
    EXPECT_GE(platform::TickMs() - t0, 300);
    EXPECT_LT(cpuMs() - cpu0, 50.0);
    EXPECT_TRUE(otherEventRan);
    EXPECT_EQ(ticks, 0) << "the status timer is paused during the wait";
    EXPECT_TRUE(status.isActive()) << "and running again after it";

    status.stop();
    WaitMs(0);
    EXPECT_FALSE(status.isActive()) << "WaitMs(0) leaves the timer as it was";
}

TEST_F(ChannelTest, TimerStoppedDuringAWaitStaysStopped) {
    QTimer status;
    status.setInterval(1000);
    status.start();
    SetStatusTimer(&status);
    // A disconnect chosen while a slew waits: the wait must not restart the timer.
    QTimer::singleShot(20, [] { StopStatusTimer(); });
    WaitMs(100);
    EXPECT_FALSE(status.isActive());
    status.start();
    WaitMs(10);
    EXPECT_TRUE(status.isActive()) << "later pauses restart it again";
}

} // namespace
} // namespace teleon
