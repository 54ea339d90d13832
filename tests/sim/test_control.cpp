// The simulator's control language on a server that is not started (no pseudo-terminal
// needed; test_sim_server.cpp drives it on running ones): each command's answer and effect, bad
// input answered with a usage error, and the form of the traffic log's lines.
#include "sim/ControlProtocol.h"
#include "sim/SimServer.h"

#include <QTimeZone>
#include <gtest/gtest.h>

namespace teleon::sim {
namespace {

struct ControlRow {
    const char* line;
    const char* answerStart; // the answer begins with this
    const char* ask;         // then these commands ("|" between them) go to the model...
    const char* replies;     // ...and their replies end with this; without commands, "status"
                             // answers with a text containing this
};

class ControlLine : public ::testing::TestWithParam<ControlRow> {};

TEST_P(ControlLine, AnswersAndActs) {
    const ControlRow& row = GetParam();
    SimServer server;
    const ControlAnswer answer = runControlLine(server, row.line);
    EXPECT_TRUE(answer.text.startsWith(row.answerStart)) << answer.text.constData();
    EXPECT_TRUE(answer.text.isEmpty() || answer.text.endsWith('\n'));
    EXPECT_FALSE(answer.quit);
    QByteArray replies = runControlLine(server, "status").text;
    if (row.ask) {
        replies.clear();
        server.withModel([&](LX200Model& m) {
            for (const QByteArray& command : QByteArray(row.ask).split('|')) {
                replies += m.feed("#:" + command + "#");
                for (const Reply& late : m.takeDueReplies())
                    replies += late.bytes;
            }
        });
    }
    if (row.replies) {
        EXPECT_TRUE(row.ask ? replies.endsWith(row.replies) : replies.contains(row.replies))
            << row.line << ": " << replies.constData();
    }
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ControlLine,
    ::testing::Values(
        ControlRow{"silent on", "ok\n", nullptr, "\nsilent yes\n"},
        ControlRow{"  echo   on ", "ok\n", nullptr, "\necho yes\n"},
        ControlRow{"paced on", "ok\n", nullptr, "\npaced yes\n"},
        ControlRow{"garble 3", "ok\n", nullptr, "\ngarble 3\n"},
        ControlRow{"hangup", "ok\n", nullptr, "\ncable pulled\n"},
        ControlRow{"unplug", "ok\n", nullptr, "\nadapter unplugged\n"},
        ControlRow{"mode p", "ok\n", nullptr, "mode P\n"},
        ControlRow{"slew-speed 90", "ok\n", nullptr, "\nslew-speed 90\n"},
        ControlRow{"refuse Sr 2", "ok\n", "Sr 01:00:00|Sr 01:00:00|Sr 01:00:00", "001"},
        ControlRow{"refuse SC", "ok\n", "SC 01/01/24", "0"},
        ControlRow{"refuse-slew 2", "ok\n", "MS", "2Object Below Higher#"},
        ControlRow{"sc-delay 0", "ok\n", "SC 01/01/24|GG", " #+07#"}, // the second text at once
        ControlRow{"position 5.5 -20", "ok\n", "GR", "05:30.0#"},
        ControlRow{"reference-dwell manual", "ok\n", nullptr, nullptr},
        ControlRow{"handbox goto", "ok\n", nullptr, nullptr},
        ControlRow{"status", "mode A\nra ", nullptr, "\nadapter plugged\n"},
        ControlRow{"log 0", "ok\n", nullptr, nullptr}, ControlRow{"", "", nullptr, nullptr},
        ControlRow{"# a comment", "", nullptr, nullptr},
        // Bad input: a usage line, nothing changed.
        ControlRow{"silent maybe", "error: usage: silent on|off", nullptr, "\nsilent no\n"},
        ControlRow{"garble -1", "error: usage: garble N", nullptr, "\ngarble 0\n"},
        ControlRow{"garble", "error: usage: garble N", nullptr, nullptr},
        ControlRow{"refuse Sr x", "error: usage: refuse CMD [N]", "Sr 01:00:00", "1"},
        ControlRow{"refuse", "error: usage: refuse CMD [N]", nullptr, nullptr},
        ControlRow{"refuse-slew 12", "error: usage: refuse-slew CODE", nullptr, nullptr},
        ControlRow{"mode X", "error: usage: mode A|P|G|L", nullptr, "mode A\n"},
        ControlRow{"slew-speed 0", "error: usage: slew-speed", nullptr, "\nslew-speed 4\n"},
        ControlRow{"slew-speed nan", "error: usage: slew-speed", nullptr, nullptr},
        ControlRow{"position 24 0", "error: usage: position", nullptr, nullptr},
        ControlRow{"position 1 91", "error: usage: position", nullptr, nullptr},
        ControlRow{"reference-dwell soon", "error: usage: reference-dwell", nullptr, nullptr},
        ControlRow{"handbox", "error: usage: handbox goto", nullptr, nullptr},
        ControlRow{"unplug now", "error: unknown command", nullptr, "\nadapter plugged\n"},
        ControlRow{"fly me to the moon", "error: unknown command", nullptr, nullptr}));

TEST(ControlTest, ReconnectPlugInAndTheLog) {
    SimServer server;
    for (const char* line : {"hangup", "reconnect", "unplug", "plugin"})
        EXPECT_EQ(runControlLine(server, line).text, QByteArray("ok\n")) << line;
    EXPECT_FALSE(server.faults().cablePulled || server.faults().unplugged);
    const QList<QByteArray> log = runControlLine(server, "log 2").text.split('\n');
    ASSERT_EQ(log.size(), 4); // two lines, "ok" and the empty rest
    EXPECT_TRUE(log[0].endsWith(" ! unplug") && log[1].endsWith(" ! plug in")) << log[0].data();
    EXPECT_EQ(log[2], QByteArray("ok"));
}

// The time to the millisecond in UTC; bytes outside printable ASCII and the backslash escaped.
TEST(ControlTest, LogLineFormat) {
    const QDateTime t(QDate(2024, 3, 5), QTime(3, 0, 0, 123), QTimeZone::utc());
    const QByteArray at = "2024-03-05T03:00:00.123Z ";
    EXPECT_EQ(SimServer::formatLogLine(t, '>', "+12\33734#"), at + "> +12\\xDF34#");
    EXPECT_EQ(SimServer::formatLogLine(t, '!', "a\\b\n"), at + "! a\\x5Cb\\x0A");
}

} // namespace
} // namespace teleon::sim
