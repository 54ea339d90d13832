// The command channel on a real pseudo-terminal: the exact bytes of each exchange kind, what
// happens to characters left waiting, and the lost-link path.
#include "link/Channel.h"
#include "link/ProgramState.h"
#include "platform/EventLoop.h"
#include "support/PtyPeer.h"

#include <QTimer>
#include <gtest/gtest.h>

#include <ctime>

namespace teleon {
namespace {

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
    }

    test::PtyPeer peer;
    int standbyCalls = 0;
    bool connectedAtStandby = true;
};

TEST_F(ChannelTest, StringExchangeFramesCommandAndDropsTerminator) {
    peer.send("12:34:56#");
    EXPECT_EQ(SendCommandString(QStringLiteral("GR")), QStringLiteral("12:34:56"));
    EXPECT_EQ(peer.received(), QByteArray("#:GR#"));
}

TEST_F(ChannelTest, StringExchangeFromCommandTable) {
    peer.send("+07#");
    EXPECT_EQ(SendCommandString(lx::GetUtcOffset), QStringLiteral("+07"));
    peer.send("1");
    EXPECT_TRUE(SendCommandBool(lx::SetLocalTime, QStringLiteral("21:05:09")));
    EXPECT_EQ(peer.received(13), QByteArray("#:GG##:SL 21:05:09#"));
}

TEST_F(ChannelTest, DegreeSignPassesUnchangedBothWays) {
    peer.send(QByteArray("-05\xDF"
                         "23'28#"));
    const QString dec = SendCommandString(lx::GetDec);
    EXPECT_EQ(dec, QString::fromLatin1("-05\xDF"
                                       "23'28"));
    EXPECT_EQ(dec.at(3).unicode(), 223);
    peer.received();
    peer.send("1");
    EXPECT_TRUE(SendCommandBool(QString::fromLatin1("Sd -05\xDF"
                                                    "23:28")));
    EXPECT_EQ(peer.received(), QByteArray("#:Sd -05\xDF"
                                          "23:28#"));
}

TEST_F(ChannelTest, BoolExchangeIsTrueOnlyForOne) {
    struct Row {
        QByteArray answer;
        bool expected;
    } rows[] = {{"1", true}, {"0", false}, {"x", false}, {"10", true}};
    for (const Row& row : rows) {
        peer.send(row.answer);
        EXPECT_EQ(SendCommandBool(QStringLiteral("St +33*25")), row.expected) << row.answer.data();
        EXPECT_EQ(peer.received(), QByteArray("#:St +33*25#"));
    }
}

TEST_F(ChannelTest, BlindExchangeWritesAndReadsNothing) {
    peer.send("X");
    SendCommandBlind(lx::ReticleBrighter);
    EXPECT_EQ(peer.received(), QByteArray("#:B+#"));
    // The character the telescope sent was not read: it heads the next reply.
    peer.send("05:34:30#");
    EXPECT_EQ(SendCommandString(lx::GetRA), QStringLiteral("X05:34:30"));
}

TEST_F(ChannelTest, AnswerToBlindCommandHeadsNextStringReply) {
    SendCommandBlind(QStringLiteral("Q"));
    peer.send("1");
    peer.send("+45*30'15#");
    EXPECT_EQ(SendCommandString(lx::GetDec), QStringLiteral("1+45*30'15"));
    EXPECT_EQ(peer.received(), QByteArray("#:Q##:GD#"));
}

TEST_F(ChannelTest, StringReplyArrivingInPiecesIsJoined) {
    peer.send("05:3");
    peer.sendLater("4:30#", 100);
    EXPECT_EQ(SendCommandString(lx::GetRA), QStringLiteral("05:34:30"));
    EXPECT_EQ(standbyCalls, 0);
}

TEST_F(ChannelTest, TextAfterTheFirstTerminatorStaysInTheReply) {
    // Whatever came in the same read belongs to the reply; only its last character is dropped.
    peer.send("12:34:56#+45");
    peer.received(0, 50);
    const QString reply = SendCommandString(lx::GetRA);
    EXPECT_TRUE(reply.startsWith(QStringLiteral("12:34:56#")));
}

TEST_F(ChannelTest, ReadReplyWithStartAboveOneReturnsAtOnceWhenTerminatorIsThere) {
    QString buffer = QStringLiteral("1Updating#");
    const std::int64_t t0 = platform::TickMs();
    ReadReply(buffer, 2, QStringLiteral("#"));
    EXPECT_LT(platform::TickMs() - t0, 50);
    EXPECT_EQ(buffer, QStringLiteral("1Updating#"));
    EXPECT_EQ(peer.received(0, 50), QByteArray());
}

TEST_F(ChannelTest, ReadReplyStartOneEmptiesBufferAndSecondReadKeepsIt) {
    QString buffer = QStringLiteral("stale");
    peer.send("1Updating planetary data#");
    ReadReply(buffer, 1, QString());
    EXPECT_TRUE(buffer.startsWith(u'1'));
    peer.send("        second text     #");
    ReadReply(buffer, 2, QStringLiteral("#"));
    const int first = int(buffer.indexOf(u'#', 1)) + 1;
    ReadReply(buffer, first + 1, QStringLiteral("#"));
    EXPECT_EQ(buffer.count(u'#'), 2);
    EXPECT_TRUE(buffer.startsWith(QStringLiteral("1Updating")));
}

TEST_F(ChannelTest, NoReplyIsLostLinkAfterTheLimit) {
    const std::int64_t t0 = platform::TickMs();
    try {
        SendCommandString(lx::GetRA);
        FAIL() << "no error";
    } catch (const LostLinkError& e) {
        EXPECT_EQ(e.number(), 32767);
        EXPECT_EQ(e.source(), QStringLiteral("LX-200 Vantor"));
        EXPECT_EQ(e.description(), QStringLiteral("Lost communications with telescope"));
    }
    const std::int64_t waited = platform::TickMs() - t0;
    EXPECT_GE(waited, 300);
    EXPECT_LT(waited, 1000);
    EXPECT_EQ(standbyCalls, 1);
    EXPECT_FALSE(connectedAtStandby) << "ScopeConnected is cleared before standby";
    EXPECT_FALSE(ScopeConnected);
    EXPECT_TRUE(com1().isOpen()) << "the port stays open after a lost link";
}

TEST_F(ChannelTest, NoFlagReplyIsLostLinkToo) {
    EXPECT_THROW(SendCommandBool(lx::SetLocalTime, QStringLiteral("25:00:00")), LostLinkError);
    EXPECT_EQ(standbyCalls, 1);
}

TEST_F(ChannelTest, StringReplyWithoutTerminatorIsLostLink) {
    peer.send("12:34:56"); // garbled: the "#" never comes
    EXPECT_THROW(SendCommandString(lx::GetRA), LostLinkError);
}

TEST_F(ChannelTest, ReplyWaitSleepsOnTheDescriptor) {
    SetReplyTimeoutMs(1000);
    timespec a{}, b{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &a);
    EXPECT_THROW(SendCommandString(lx::GetRA), LostLinkError);
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &b);
    const double cpuMs = (b.tv_sec - a.tv_sec) * 1e3 + (b.tv_nsec - a.tv_nsec) / 1e6;
    EXPECT_LT(cpuMs, 50.0) << "a reply wait must not spin";
}

TEST_F(ChannelTest, ExchangeOnClosedPortIsPortError) {
    com1().close();
    EXPECT_THROW(SendCommandString(lx::GetRA), platform::PortError);
    EXPECT_THROW(SendCommandBlind(lx::ToggleFormat), platform::PortError);
    EXPECT_EQ(standbyCalls, 0);
}

TEST_F(ChannelTest, WaitMsPausesStatusTimerAndRunsEventLoop) {
    QTimer status;
    status.setInterval(50);
    int ticks = 0;
    QObject::connect(&status, &QTimer::timeout, [&] { ++ticks; });
    status.start();
    SetStatusTimer(&status);
    bool otherEventRan = false;
    QTimer::singleShot(20, [&] {
        otherEventRan = true;
        EXPECT_FALSE(status.isActive());
    });
    const std::int64_t t0 = platform::TickMs();
    WaitMs(300);
    EXPECT_GE(platform::TickMs() - t0, 300);
    EXPECT_TRUE(otherEventRan);
    EXPECT_EQ(ticks, 0) << "the status timer is paused during the wait";
    EXPECT_TRUE(status.isActive()) << "and running again after it";
}

TEST_F(ChannelTest, WaitMsZeroLeavesTimerAsItWas) {
    QTimer status;
    status.setInterval(1000);
    SetStatusTimer(&status);
    WaitMs(0);
    EXPECT_FALSE(status.isActive());
    status.start();
    WaitMs(0);
    EXPECT_TRUE(status.isActive());
}

TEST_F(ChannelTest, WaitMsDoesNotBurnTheCpu) {
    timespec a{}, b{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &a);
    WaitMs(1000);
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &b);
    const double cpuMs = (b.tv_sec - a.tv_sec) * 1e3 + (b.tv_nsec - a.tv_nsec) / 1e6;
    EXPECT_LT(cpuMs, 50.0);
}

} // namespace
} // namespace teleon
