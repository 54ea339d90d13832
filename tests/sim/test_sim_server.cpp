// The simulator through a real pseudo-terminal, as a client sees it: the handshake, formats,
// the date change's delayed second text, slews polled with "D", the fault injection a test
// uses (echo, silence, garbage, refusals, a pulled cable), the traffic log, pacing at 9600 baud,
// and that the server sleeps when nothing happens. Then the same telescope on a TCP port, its
// log file and control socket, and the teleon-sim program driven end to end.
#include "sim/ControlServer.h"
#include "sim/SimServer.h"

#include "PtyClient.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <ctime>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <thread>

namespace teleon::sim {
namespace {

using test::PtyClient;

class ServerTest : public ::testing::Test {
protected:
    void SetUp() override {
        server.start();
        ASSERT_TRUE(client.open(server.devicePath())) << server.devicePath().toStdString();
    }

    SimServer server;
    PtyClient client;
};

// ---- Handshake and formats --------------------------------------------------------------------

class ServerMode : public ::testing::TestWithParam<char> {};

TEST_P(ServerMode, AcknowledgeAnswersTheModeLetterAlone) {
    SimServer::Options options;
    options.mountMode = GetParam();
    SimServer server(options);
    server.start();
    PtyClient client;
    ASSERT_TRUE(client.open(server.devicePath()));
    client.send("\x06");
    EXPECT_EQ(client.readCount(1, 2000), QByteArray(1, GetParam()));
    EXPECT_EQ(client.readFor(100), QByteArray()); // no "#" follows
}

INSTANTIATE_TEST_SUITE_P(Modes, ServerMode, ::testing::Values('A', 'P', 'G', 'L'));

TEST_F(ServerTest, ModeCanChangeWhileRunning) {
    server.setMountMode('L');
    client.send("\x06");
    EXPECT_EQ(client.readCount(1, 2000), QByteArray("L"));
}

TEST_F(ServerTest, FormatToggleChangesReplyLengths) {
    EXPECT_EQ(client.ask("GR").size(), 8); // HH:MM.T#
    EXPECT_EQ(client.ask("GD").size(), 7); // sDD*MM#
    EXPECT_EQ(client.ask("GZ").size(), 7); // DDD*MM#
    client.send("#:U#");
    EXPECT_EQ(client.ask("GR").size(), 9);     // HH:MM:SS#
    EXPECT_EQ(client.ask("GD").size(), 10);    // sDD*MM'SS#
    EXPECT_EQ(client.ask("GZ").size(), 10);    // DDD*MM'SS#
    EXPECT_EQ(client.ask("GD").at(3), '\xDF'); // the degree sign passes the line unchanged
}

TEST_F(ServerTest, AzimuthIsCountedFromSouth) {
    server.withModel([](LX200Model& m) {
        m.setSite(1, {"AAA", 33 + 25.0 / 60, 111 + 50.0 / 60});
        // Just east of the meridian, north of the zenith (the real clock runs on meanwhile).
        m.setPosition(m.localSiderealHours() + 0.01, 60);
    });
    client.send("#:U#");
    EXPECT_TRUE(client.ask("GZ").startsWith("180\xDF"));
}

TEST_F(ServerTest, PrecisionTogglesWithoutTerminator) {
    client.send("#:P#");
    EXPECT_EQ(client.readUntil("PRECISION", 2000), QByteArray("HIGH PRECISION"));
    client.send("#:P#");
    EXPECT_EQ(client.readUntil("PRECISION", 2000), QByteArray("LOW PRECISION"));
}

TEST_F(ServerTest, SetCommandsAnswerOneCharacter) {
    EXPECT_EQ(client.askFlag("SL 21:05:09"), QByteArray("1"));
    EXPECT_EQ(client.askFlag("Sr 25:00:00"), QByteArray("0"));
    EXPECT_EQ(client.askFlag("Sd +45\xDF"
                             "15:00"),
              QByteArray("1"));
    EXPECT_EQ(client.askFlag("Sd +95*00"), QByteArray("0"));
    EXPECT_EQ(client.readFor(50), QByteArray()); // nothing after the flag
    EXPECT_EQ(client.ask("GL"), QByteArray("21:05:09#"));
}

// ---- Date change ------------------------------------------------------------------------------

TEST_F(ServerTest, DateChangeSendsSecondTextAfterTheDelay) {
    server.setScDelayMs(500);
    QElapsedTimer t;
    t.start();
    client.send("#:SC 03/05/24#");
    EXPECT_EQ(client.readUntil("#", 2000), QByteArray("1Updating        planetary data#"));
    EXPECT_LT(t.elapsed(), 400);
    const QByteArray second = client.readUntil("#", 3000);
    EXPECT_GE(t.elapsed(), 495);
    EXPECT_EQ(second, QByteArray(32, ' ') + "#");
    EXPECT_EQ(client.ask("GC"), QByteArray("03/05/24#"));
}

TEST_F(ServerTest, IllegalDateIsRefusedAtOnce) {
    client.send("#:SC 02/30/24#");
    EXPECT_EQ(client.readCount(1, 2000), QByteArray("0"));
    EXPECT_EQ(client.readFor(100), QByteArray());
}

// ---- Slews ------------------------------------------------------------------------------------

TEST_F(ServerTest, SlewIsPolledUntilTheBarsAreEmpty) {
    server.setSlewSpeedDegPerSec(100);
    server.withModel([](LX200Model& m) {
        m.setMountMode('P');
        m.setPosition(m.localSiderealHours(), 0);
    });
    server.withModel([](LX200Model& m) { m.setTarget(m.localSiderealHours() - 1.0, 30); });
    client.send("#:MS#");
    EXPECT_EQ(client.readCount(1, 2000), QByteArray("0"));
    QByteArray bars = client.ask("D");
    EXPECT_EQ(bars.size(), 33);
    int polls = 0;
    int lastFilled = 32;
    while (bars != "#" && polls < 100) {
        ASSERT_EQ(bars.size(), 33) << bars.toHex().toStdString();
        const int filled = static_cast<int>(bars.count('\xFF'));
        EXPECT_LE(filled, lastFilled);
        lastFilled = filled;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        bars = client.ask("D");
        ++polls;
    }
    EXPECT_EQ(bars, QByteArray("#"));
    EXPECT_GT(polls, 2); // 30° at 100°/s takes 0.3 s
    client.send("#:U#");
    EXPECT_EQ(client.ask("GD"), client.ask("Gd"));
}

TEST_F(ServerTest, SlewRefusalsCarryCodeMessageAndTerminator) {
    client.askFlag("Sd -85*00"); // never above the horizon at 33° N
    client.send("#:MS#");
    EXPECT_EQ(client.readUntil("#", 2000), QByteArray("1Object Below Horizon #"));
    server.refuseNextSlew('2');
    client.send("#:MS#");
    EXPECT_EQ(client.readUntil("#", 2000), QByteArray("2Object Below Higher#"));
}

// ---- Fault injection --------------------------------------------------------------------------

TEST_F(ServerTest, EchoModeLooksLikeAModem) {
    server.echoMode(true);
    client.send("\x06");
    EXPECT_EQ(client.readCount(1, 2000), QByteArray("\x06"));
    client.send("#:GR#");
    EXPECT_EQ(client.readCount(5, 2000), QByteArray("#:GR#"));
    server.echoMode(false);
    client.send("\x06");
    EXPECT_EQ(client.readCount(1, 2000), QByteArray("A"));
}

TEST_F(ServerTest, StopAnsweringSwallowsCommandsButLogsThem) {
    server.stopAnswering(true);
    client.send("\x06#:GR#");
    EXPECT_EQ(client.readFor(300), QByteArray());
    EXPECT_EQ(server.receivedCommands(), (QList<QByteArray>{"\x06", "GR"}));
    server.stopAnswering(false);
    client.send("\x06");
    EXPECT_EQ(client.readCount(1, 2000), QByteArray("A"));
}

TEST_F(ServerTest, GarbledRepliesKeepLengthAndTerminator) {
    server.garbleNext(2);
    const QByteArray garbled = client.ask("GG");
    ASSERT_EQ(garbled.size(), 4);
    EXPECT_TRUE(garbled.endsWith('#'));
    EXPECT_NE(garbled, QByteArray("+07#"));
    const QByteArray flag = client.askFlag("SL 12:00:00");
    EXPECT_EQ(flag.size(), 1);
    EXPECT_NE(flag, QByteArray("1"));
    EXPECT_NE(flag, QByteArray("0"));
    EXPECT_EQ(client.ask("GG"), QByteArray("+07#")); // only the next two
}

TEST_F(ServerTest, RefuseNextAnswersZero) {
    server.refuseNext("SL");
    EXPECT_EQ(client.askFlag("SL 12:00:00"), QByteArray("0"));
    EXPECT_EQ(client.askFlag("SL 12:00:00"), QByteArray("1"));
}

TEST_F(ServerTest, PulledCableLosesTrafficAndForgetsAHalfCommand) {
    client.send("#:G");
    ASSERT_TRUE(server.waitForReceived(3, 2000));
    server.hangUp();
    client.send("G#\x06");
    EXPECT_EQ(client.readFor(200), QByteArray());
    server.reconnect();
    client.send("R#"); // would complete ":GR" if the half command had been kept
    EXPECT_EQ(client.readFor(200), QByteArray());
    EXPECT_EQ(client.ask("GG"), QByteArray("+07#"));
}

TEST_F(ServerTest, ClientMayCloseAndReopenThePath) {
    client.close();
    ASSERT_TRUE(client.open(server.devicePath()));
    client.send("\x06");
    EXPECT_EQ(client.readCount(1, 2000), QByteArray("A"));
}

// ---- Traffic log ------------------------------------------------------------------------------

TEST_F(ServerTest, LogHoldsCommandsBytesAndReplies) {
    client.send("\x06");
    client.readCount(1, 2000);
    client.ask("GR");
    client.askFlag("Sr 12:34:56");
    client.send("noise#:U#");
    ASSERT_TRUE(server.waitForCommand("U", 2000));
    EXPECT_EQ(server.receivedCommands(), (QList<QByteArray>{"\x06", "GR", "Sr 12:34:56", "U"}));
    EXPECT_EQ(server.receivedBytes(), QByteArray("\x06#:GR##:Sr 12:34:56#noise#:U#"));
    const QList<Reply> replies = server.sentReplies();
    ASSERT_EQ(replies.size(), 3); // "U" answers nothing
    EXPECT_EQ(replies[0].command, QByteArray("\x06"));
    EXPECT_EQ(replies[0].bytes, QByteArray("A"));
    EXPECT_EQ(replies[1].command, QByteArray("GR"));
    EXPECT_EQ(replies[2].bytes, QByteArray("1"));
    EXPECT_EQ(server.sentBytes().size(), 1 + 8 + 1);
    server.clearLog();
    EXPECT_TRUE(server.receivedCommands().isEmpty());
    EXPECT_TRUE(server.receivedBytes().isEmpty());
    EXPECT_TRUE(server.sentReplies().isEmpty());
}

TEST_F(ServerTest, WaitsReturnFalseOnTimeOut) {
    QElapsedTimer t;
    t.start();
    EXPECT_FALSE(server.waitForReceived(1, 100));
    EXPECT_FALSE(server.waitForCommand("GR", 100));
    EXPECT_GE(t.elapsed(), 195);
    client.send("#:GR#");
    EXPECT_TRUE(server.waitForCommands(1, 2000));
    EXPECT_TRUE(server.waitForSent(8, 2000));
}

// ---- Pacing -----------------------------------------------------------------------------------

TEST_F(ServerTest, PacedRepliesTakeAMillisecondAByte) {
    server.setPaced(true);
    QElapsedTimer t;
    t.start();
    EXPECT_EQ(client.ask("LI").size(), 33);
    const qint64 pacedMs = t.elapsed();
    EXPECT_GE(pacedMs, 33); // 33 bytes at 960 bytes/s: 34.4 ms
    EXPECT_LT(pacedMs, 200);
}

TEST(ServerOptions, PacedFromTheStart) {
    SimServer::Options options;
    options.paced = true;
    SimServer server(options);
    server.start();
    PtyClient client;
    ASSERT_TRUE(client.open(server.devicePath()));
    QElapsedTimer t;
    t.start();
    EXPECT_EQ(client.ask("Lf").size(), 33);
    EXPECT_GE(t.elapsed(), 33);
}

// ---- Lifecycle --------------------------------------------------------------------------------

TEST(ServerLifecycle, LinkPathIsStableAndRemovedAtStop) {
    QTemporaryDir dir;
    SimServer::Options options;
    options.linkPath = dir.filePath("scope.pty");
    {
        SimServer server(options);
        server.start();
        EXPECT_EQ(server.devicePath(), options.linkPath);
        EXPECT_TRUE(server.slavePath().startsWith("/dev/pts/"));
        EXPECT_EQ(QFileInfo(options.linkPath).symLinkTarget(), server.slavePath());
        PtyClient client;
        ASSERT_TRUE(client.open(server.devicePath()));
        client.send("\x06");
        EXPECT_EQ(client.readCount(1, 2000), QByteArray("A"));
    }
    EXPECT_FALSE(QFileInfo::exists(options.linkPath));
    EXPECT_FALSE(QFileInfo(options.linkPath).isSymLink());
}

TEST(ServerLifecycle, StaleLinkIsReplaced) {
    QTemporaryDir dir;
    SimServer::Options options;
    options.linkPath = dir.filePath("scope.pty");
    ASSERT_TRUE(QFile::link("/nonexistent/pts", options.linkPath));
    SimServer server(options);
    server.start();
    EXPECT_EQ(QFileInfo(options.linkPath).symLinkTarget(), server.slavePath());
}

TEST(ServerLifecycle, UnusableLinkPathThrows) {
    SimServer::Options options;
    options.linkPath = "/nonexistent-dir/scope.pty";
    SimServer server(options);
    EXPECT_THROW(server.start(), std::runtime_error);
    EXPECT_FALSE(server.isRunning());

    QTemporaryDir dir;
    QFile file(dir.filePath("regular"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    options.linkPath = file.fileName(); // a real file is never overwritten
    SimServer second(options);
    EXPECT_THROW(second.start(), std::runtime_error);
    EXPECT_TRUE(QFileInfo::exists(file.fileName()));
}

TEST(ServerLifecycle, StopTwiceAndDestroyWithoutStart) {
    SimServer never;
    SimServer server;
    server.start();
    EXPECT_TRUE(server.isRunning());
    server.stop();
    server.stop();
    EXPECT_FALSE(server.isRunning());
}

// ---- Idle cost --------------------------------------------------------------------------------

double processCpuMs() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return ts.tv_sec * 1000.0 + ts.tv_nsec / 1e6;
}

TEST(ServerIdle, SleepsWithoutAClient) {
    SimServer server;
    server.start();
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    const double before = processCpuMs();
    std::this_thread::sleep_for(std::chrono::seconds(1));
    EXPECT_LT(processCpuMs() - before, 20.0);
}

TEST(ServerIdle, SleepsAfterAClientLeftWithRepliesUnread) {
    SimServer server;
    server.start();
    {
        PtyClient client;
        ASSERT_TRUE(client.open(server.devicePath()));
        client.send("#:GR##:GD#");
        ASSERT_TRUE(server.waitForSent(2, 2000));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    const double before = processCpuMs();
    std::this_thread::sleep_for(std::chrono::seconds(1));
    EXPECT_LT(processCpuMs() - before, 20.0);
}

// ---- TCP, log file and control channel --------------------------------------------------------

// A stream socket client (TCP on the loopback, or a Unix-domain socket) with deadlines.
class SocketClient {
public:
    ~SocketClient() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    bool connectTcp(int port) {
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_port = htons(static_cast<uint16_t>(port));
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        return ::connect(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
    }
    bool connectUnix(const QString& path) {
        sockaddr_un a{};
        a.sun_family = AF_UNIX;
        const QByteArray p = path.toLocal8Bit();
        std::memcpy(a.sun_path, p.constData(), static_cast<size_t>(p.size()));
        fd_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        return ::connect(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
    }
    void send(const QByteArray& bytes) {
        ::send(fd_, bytes.constData(), static_cast<size_t>(bytes.size()), MSG_NOSIGNAL);
    }
    // Reads until the text ends with terminator, the peer closes or the deadline passes.
    QByteArray readUntil(const QByteArray& terminator, int timeoutMs) {
        QByteArray got;
        QElapsedTimer t;
        t.start();
        while (!got.endsWith(terminator) && t.elapsed() < timeoutMs) {
            pollfd p{fd_, POLLIN, 0};
            if (::poll(&p, 1, static_cast<int>(timeoutMs - t.elapsed())) <= 0)
                continue;
            char buffer[512];
            const ssize_t n = ::recv(fd_, buffer, sizeof buffer, 0);
            if (n <= 0)
                break;
            got.append(buffer, n);
        }
        return got;
    }
    QByteArray ask(const QByteArray& command) {
        send("#:" + command + "#");
        return readUntil("#", 2000);
    }

private:
    int fd_ = -1;
};

TEST(ServerTcp, ServesTheSameTelescopeAsThePty) {
    SimServer::Options options;
    options.tcpPort = 0;
    SimServer server(options);
    server.start();
    ASSERT_GT(server.tcpPort(), 0);
    SocketClient tcp;
    ASSERT_TRUE(tcp.connectTcp(server.tcpPort()));
    tcp.send("\x06");
    EXPECT_EQ(tcp.readUntil("A", 2000), QByteArray("A"));
    tcp.send("#:Sr 05:00:00#");
    EXPECT_EQ(tcp.readUntil("1", 2000), QByteArray("1"));

    // The pty sees the target set over TCP, and its answers come back on the pty.
    PtyClient pty;
    ASSERT_TRUE(pty.open(server.devicePath()));
    EXPECT_EQ(pty.ask("Gr"), QByteArray("05:00.0#"));
    EXPECT_EQ(tcp.ask("Gr"), QByteArray("05:00.0#"));

    // A pulled cable closes the TCP line; plugged back, a new client is served.
    server.hangUp();
    EXPECT_EQ(tcp.readUntil("#", 1000), QByteArray()); // closed: nothing, at once
    server.reconnect();
    SocketClient again;
    ASSERT_TRUE(again.connectTcp(server.tcpPort()));
    EXPECT_EQ(again.ask("GG"), QByteArray("+07#"));
}

TEST(ServerLog, FileHoldsOneLinePerCommandAndReply) {
    QTemporaryDir dir;
    SimServer::Options options;
    options.logPath = dir.filePath(QStringLiteral("traffic.log"));
    SimServer server(options);
    server.start();
    PtyClient client;
    ASSERT_TRUE(client.open(server.devicePath()));
    client.send("\x06");
    client.readCount(1, 2000);
    server.stopAnswering(true);
    client.send("#:GD#");
    ASSERT_TRUE(server.waitForCommands(2, 2000));
    server.stop();

    QFile file(options.logPath);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = file.readAll().trimmed().split('\n');
    ASSERT_EQ(lines.size(), 4);
    const char* const endings[] = {" < \\x06", " > A", " ! silent on", " < GD"};
    for (int i = 0; i < 4; ++i) {
        EXPECT_TRUE(lines[i].endsWith(endings[i])) << lines[i].constData();
        EXPECT_EQ(QDateTime::fromString(QString::fromLatin1(lines[i].left(24)), Qt::ISODateWithMs)
                      .isValid(),
                  true);
    }
    EXPECT_EQ(server.recentLogLines(10), lines);
}

TEST(ServerLog, UnwritableLogPathThrows) {
    SimServer::Options options;
    options.logPath = QStringLiteral("/nonexistent-folder/traffic.log");
    SimServer server(options);
    EXPECT_THROW(server.start(), std::runtime_error);
    EXPECT_FALSE(server.isRunning());
}

TEST(ControlSocket, EachClientIsAnsweredOnItsConnection) {
    QTemporaryDir dir;
    SimServer server;
    server.start();
    bool quit = false;
    ControlServer control(server, {dir.filePath(QStringLiteral("ctl")), false},
                          [&] { quit = true; });
    control.start();
    SocketClient a, b;
    ASSERT_TRUE(a.connectUnix(dir.filePath(QStringLiteral("ctl"))));
    ASSERT_TRUE(b.connectUnix(dir.filePath(QStringLiteral("ctl"))));
    a.send("garble 1\nbogus\n");
    EXPECT_EQ(a.readUntil("(try help)\n", 2000),
              QByteArray("ok\nerror: unknown command \"bogus\" (try help)\n"));
    b.send("mode L\n");
    EXPECT_EQ(b.readUntil("\n", 2000), QByteArray("ok\n"));

    PtyClient pty;
    ASSERT_TRUE(pty.open(server.devicePath()));
    pty.send("\x06");
    EXPECT_NE(pty.readCount(1, 2000), QByteArray("L")); // garbled
    pty.send("\x06");
    EXPECT_EQ(pty.readCount(1, 2000), QByteArray("L"));

    a.send("quit\n");
    EXPECT_EQ(a.readUntil("\n", 2000), QByteArray("ok\n"));
    control.stop();
    EXPECT_TRUE(quit);
    EXPECT_FALSE(QFileInfo::exists(dir.filePath(QStringLiteral("ctl"))));
}

// ---- The teleon-sim program ------------------------------------------------------------------

TEST(SimProgram, ServesPrintsItsPathsLogsAndQuitsOnRequest) {
    QTemporaryDir dir;
    const QString link = dir.filePath(QStringLiteral("lx200"));
    const QString control = dir.filePath(QStringLiteral("ctl"));
    const QString log = dir.filePath(QStringLiteral("traffic.log"));
    QProcess sim;
    sim.start(QStringLiteral(TELEON_SIM_PROGRAM),
              {QStringLiteral("--link"), link, QStringLiteral("--control"), control,
               QStringLiteral("--log"), log, QStringLiteral("--tcp"), QStringLiteral("0"),
               QStringLiteral("--fast"), QStringLiteral("--mode"), QStringLiteral("P")});
    ASSERT_TRUE(sim.waitForStarted(5000));
    QByteArray printed;
    while (printed.count('\n') < 3 && sim.waitForReadyRead(5000))
        printed += sim.readAllStandardOutput();
    const QList<QByteArray> lines = printed.trimmed().split('\n');
    ASSERT_EQ(lines.size(), 3) << printed.constData();
    EXPECT_TRUE(lines[0].startsWith("teleon-sim: serving on " + link.toLocal8Bit() + " -> /dev/"));
    EXPECT_TRUE(lines[1].startsWith("teleon-sim: TCP 127.0.0.1:"));
    EXPECT_EQ(lines[2], "teleon-sim: control socket " + control.toLocal8Bit());

    PtyClient pty;
    ASSERT_TRUE(pty.open(link));
    pty.send("\x06");
    EXPECT_EQ(pty.readCount(1, 2000), QByteArray("P"));
    SocketClient tcp;
    ASSERT_TRUE(tcp.connectTcp(lines[1].mid(lines[1].lastIndexOf(':') + 1).toInt()));
    tcp.send("#:LM 57#");
    EXPECT_EQ(tcp.ask("LI").left(8), QByteArray("M57     "));

    SocketClient ctl;
    ASSERT_TRUE(ctl.connectUnix(control));
    ctl.send("status\nquit\n");
    const QByteArray answer = ctl.readUntil("ok\nok\n", 5000);
    EXPECT_TRUE(answer.contains("\nslew-speed 90\n")) << answer.constData(); // --fast
    EXPECT_TRUE(answer.contains("\nobject M57 ")) << answer.constData();
    ASSERT_TRUE(sim.waitForFinished(5000));
    EXPECT_EQ(sim.exitCode(), 0);
    EXPECT_FALSE(QFileInfo::exists(link));
    EXPECT_FALSE(QFileInfo::exists(control));
    QFile file(log);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.readAll().contains(" > M57      VG PNEB MG 9.7 SZ 1.3' "));
}

TEST(SimProgram, RefusesBadOptions) {
    for (const QStringList& args :
         {QStringList{QStringLiteral("--mode"), QStringLiteral("X")},
          QStringList{QStringLiteral("--tcp"), QStringLiteral("70000")},
          QStringList{QStringLiteral("--log"), QStringLiteral("/nonexistent-folder/x.log")}}) {
        QProcess sim;
        sim.start(QStringLiteral(TELEON_SIM_PROGRAM), args);
        ASSERT_TRUE(sim.waitForFinished(5000));
        EXPECT_NE(sim.exitCode(), 0) << args.join(' ').toStdString();
        EXPECT_TRUE(sim.readAllStandardError().startsWith("teleon-sim: "));
    }
}

} // namespace
} // namespace teleon::sim
