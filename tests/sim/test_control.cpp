// The simulator's control language on a server that is not started (no pseudo-terminal
// needed): each command's answer and effect, bad input answered with a usage error, and the
// form of the traffic log's lines.
#include "sim/ControlProtocol.h"
#include "sim/SimServer.h"

#include <QTimeZone>
#include <gtest/gtest.h>

#include <functional>

namespace teleon::sim {
namespace {

struct ControlRow {
    const char* line;
    const char* answerStart; // the answer begins with this
    std::function<bool(SimServer&)> effect;
};

class ControlLine : public ::testing::TestWithParam<ControlRow> {};

TEST_P(ControlLine, AnswersAndActs) {
    SimServer server;
    const ControlAnswer answer = runControlLine(server, GetParam().line);
    EXPECT_TRUE(answer.text.startsWith(GetParam().answerStart)) << answer.text.constData();
    EXPECT_TRUE(answer.text.isEmpty() || answer.text.endsWith('\n'));
    EXPECT_FALSE(answer.quit);
    if (GetParam().effect) {
        EXPECT_TRUE(GetParam().effect(server)) << GetParam().line;
    }
}

bool modelIs(SimServer& s, const std::function<bool(LX200Model&)>& test) {
    bool result = false;
    s.withModel([&](LX200Model& m) { result = test(m); });
    return result;
}

// What the model answers now to one command.
QByteArray replyTo(SimServer& s, const QByteArray& command) {
    QByteArray reply;
    s.withModel([&](LX200Model& m) { reply = m.feed("#:" + command + "#"); });
    return reply;
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ControlLine,
    ::testing::Values(
        ControlRow{"silent on", "ok\n", [](SimServer& s) { return s.faults().silent; }},
        ControlRow{"  echo   on ", "ok\n", [](SimServer& s) { return s.faults().echo; }},
        ControlRow{"paced on", "ok\n", [](SimServer& s) { return s.faults().paced; }},
        ControlRow{"garble 3", "ok\n", [](SimServer& s) { return s.faults().garbleCount == 3; }},
        ControlRow{"hangup", "ok\n", [](SimServer& s) { return s.faults().cablePulled; }},
        ControlRow{"refuse Sr 2", "ok\n",
                   [](SimServer& s) {
                       return replyTo(s, "Sr 01:00:00") == "0" &&
                              replyTo(s, "Sr 01:00:00") == "0" && replyTo(s, "Sr 01:00:00") == "1";
                   }},
        ControlRow{"refuse SC", "ok\n",
                   [](SimServer& s) { return replyTo(s, "SC 01/01/24") == "0"; }},
        ControlRow{"refuse-slew 2", "ok\n",
                   [](SimServer& s) { return replyTo(s, "MS") == "2Object Below Higher#"; }},
        ControlRow{"mode p", "ok\n",
                   [](SimServer& s) {
                       return modelIs(s, [](LX200Model& m) { return m.mountMode() == 'P'; });
                   }},
        ControlRow{"slew-speed 90", "ok\n",
                   [](SimServer& s) {
                       return modelIs(s,
                                      [](LX200Model& m) { return m.slewSpeedDegPerSec() == 90.0; });
                   }},
        ControlRow{"sc-delay 0", "ok\n",
                   [](SimServer& s) {
                       replyTo(s, "SC 01/01/24");
                       return modelIs(s, [](LX200Model& m) { return m.msUntilDue() == 0; });
                   }},
        ControlRow{"position 5.5 -20", "ok\n",
                   [](SimServer& s) { return replyTo(s, "GR") == "05:30.0#"; }},
        ControlRow{"reference-dwell manual", "ok\n", nullptr},
        ControlRow{"handbox goto", "ok\n", nullptr}, ControlRow{"status", "mode A\nra ", nullptr},
        ControlRow{"help", "silent on|off", nullptr}, ControlRow{"log 0", "ok\n", nullptr},
        ControlRow{"", "", nullptr}, ControlRow{"# a comment", "", nullptr},
        // Bad input: a usage line, nothing changed.
        ControlRow{"silent maybe", "error: usage: silent on|off",
                   [](SimServer& s) { return !s.faults().silent; }},
        ControlRow{"garble -1", "error: usage: garble N", nullptr},
        ControlRow{"garble", "error: usage: garble N", nullptr},
        ControlRow{"refuse Sr x", "error: usage: refuse CMD [N]", nullptr},
        ControlRow{"refuse", "error: usage: refuse CMD [N]", nullptr},
        ControlRow{"refuse-slew 12", "error: usage: refuse-slew CODE", nullptr},
        ControlRow{"mode X", "error: usage: mode A|P|G|L", nullptr},
        ControlRow{"slew-speed 0", "error: usage: slew-speed", nullptr},
        ControlRow{"slew-speed nan", "error: usage: slew-speed", nullptr},
        ControlRow{"position 24 0", "error: usage: position", nullptr},
        ControlRow{"position 1 91", "error: usage: position", nullptr},
        ControlRow{"reference-dwell soon", "error: usage: reference-dwell", nullptr},
        ControlRow{"handbox", "error: usage: handbox goto", nullptr},
        ControlRow{"status now", "error: unknown command", nullptr},
        ControlRow{"fly me to the moon", "error: unknown command", nullptr}));

TEST(ControlTest, ReconnectAndQuit) {
    SimServer server;
    runControlLine(server, "hangup");
    EXPECT_EQ(runControlLine(server, "reconnect").text, QByteArray("ok\n"));
    EXPECT_FALSE(server.faults().cablePulled);
    const ControlAnswer quit = runControlLine(server, "quit");
    EXPECT_TRUE(quit.quit);
    EXPECT_EQ(quit.text, QByteArray("ok\n"));
}

TEST(ControlTest, LogShowsTheInjectedFaults) {
    SimServer server;
    runControlLine(server, "garble 2");
    runControlLine(server, "refuse-slew 1");
    const QByteArray log = runControlLine(server, "log 2").text;
    const QList<QByteArray> lines = log.split('\n');
    ASSERT_EQ(lines.size(), 4); // two lines, "ok" and the empty rest
    EXPECT_TRUE(lines[0].endsWith(" ! garble 2"));
    EXPECT_TRUE(lines[1].endsWith(" ! refuse-slew 1"));
    EXPECT_EQ(lines[2], QByteArray("ok"));
}

TEST(ControlTest, LogLineFormat) {
    const QDateTime t(QDate(2024, 3, 5), QTime(3, 0, 0, 123), QTimeZone::utc());
    EXPECT_EQ(SimServer::formatLogLine(t, '<', "GR"), QByteArray("2024-03-05T03:00:00.123Z < GR"));
    EXPECT_EQ(SimServer::formatLogLine(t, '>',
                                       "+12\xDF"
                                       "34#"),
              QByteArray("2024-03-05T03:00:00.123Z > +12\\xDF34#"));
    EXPECT_EQ(SimServer::formatLogLine(t, '<', "\x06"),
              QByteArray("2024-03-05T03:00:00.123Z < \\x06"));
    EXPECT_EQ(SimServer::formatLogLine(t, '!', "a\\b\n"),
              QByteArray("2024-03-05T03:00:00.123Z ! a\\x5Cb\\x0A"));
}

} // namespace
} // namespace teleon::sim
