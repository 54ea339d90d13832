// The simulator through real pseudo-terminals, as a client sees it: the date change's delayed
// second text, pacing, the faults a test injects (echo, silence, garbage, a pulled cable, an
// unplugged adapter), the traffic log, and a thread that sleeps when nothing happens. Then the
// teleon-sim program with its link, TCP port, control socket and log file, end to end.
#include "sim/ControlProtocol.h"
#include "sim/SimServer.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <cerrno>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <algorithm>
#include <thread>
#include <unistd.h>

namespace teleon::sim {
namespace {

// One end of a line: a pty opened as the program opens its serial port (the line's settings
// left as the server made them: raw at once), a TCP or a Unix-domain socket. Reads wait in
// poll() until what was wanted came, the line closed or the deadline passed.
class Client {
public:
    ~Client() { close(); }
    bool open(const QString& ptyPath) {
        close();
        fd_ = ::open(ptyPath.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        return fd_ >= 0;
    }
    bool connectTcp(int port) {
        sockaddr_in a{AF_INET, htons(static_cast<uint16_t>(port)), {htonl(INADDR_LOOPBACK)}, {}};
        return connectTo(AF_INET, &a, sizeof a);
    }
    bool connectUnix(const QString& path) {
        sockaddr_un a{AF_UNIX, {}};
        qstrncpy(a.sun_path, path.toLocal8Bit().constData(), sizeof a.sun_path);
        return connectTo(AF_UNIX, &a, sizeof a);
    }
    void close() {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = -1;
    }
    int fd() const { return fd_; }

    void send(const QByteArray& bytes) {
        const auto n = static_cast<size_t>(bytes.size());
        EXPECT_EQ(socket_ ? ::send(fd_, bytes.data(), n, MSG_NOSIGNAL)
                          : ::write(fd_, bytes.data(), n),
                  bytes.size());
    }
    QByteArray readUntil(const QByteArray& terminator, int timeoutMs = 2000) {
        return readWhile(timeoutMs,
                         [&](const QByteArray& got) { return !got.endsWith(terminator); });
    }
    QByteArray readCount(qsizetype count) {
        return readWhile(2000, [&](const QByteArray& got) { return got.size() < count; });
    }
    QByteArray readFor(int ms) {
        return readWhile(ms, [](const QByteArray&) { return true; });
    }
    // Sends "#:" + command + "#" and reads the reply up to "#", or one character (askFlag).
    QByteArray ask(const QByteArray& command) {
        send("#:" + command + "#");
        return readUntil("#");
    }
    QByteArray askFlag(const QByteArray& command) {
        send("#:" + command + "#");
        return readCount(1);
    }
    bool closedByPeer() {
        pollfd p{fd_, POLLIN, 0};
        char byte = 0;
        return ::poll(&p, 1, 2000) == 1 && ::recv(fd_, &byte, 1, 0) == 0;
    }

private:
    bool connectTo(int family, const void* address, socklen_t length) {
        close();
        socket_ = true;
        fd_ = ::socket(family, SOCK_STREAM | SOCK_CLOEXEC, 0);
        return ::connect(fd_, static_cast<const sockaddr*>(address), length) == 0;
    }
    template <class More> QByteArray readWhile(int timeoutMs, More more) {
        QByteArray got;
        QElapsedTimer t;
        t.start();
        pollfd p{fd_, POLLIN, 0};
        char buffer[512];
        while (more(got) && ::poll(&p, 1, std::max(0, timeoutMs - int(t.elapsed()))) > 0) {
            const ssize_t n = ::read(fd_, buffer, sizeof buffer);
            if (n <= 0)
                break; // closed, or hung up
            got.append(buffer, n);
        }
        return got;
    }

    int fd_ = -1;
    bool socket_ = false;
};

// How often the thread woke in 200 ms: a thread that spins wakes thousands of times, one that
// sleeps in poll() not at all (one wake-up is allowed for work that was under way).
quint64 wakeUpsIn200Ms(SimServer& server) {
    const quint64 before = server.threadWakeUps();
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    return server.threadWakeUps() - before;
}

SimServer::Options linkAt(const QString& path) {
    SimServer::Options options;
    options.linkPath = path;
    return options;
}

class ServerTest : public ::testing::Test {
protected:
    void SetUp() override {
        server.start();
        ASSERT_TRUE(client.open(server.devicePath())) << server.devicePath().toStdString();
    }

    SimServer server;
    Client client;
};

// ---- The line, its faults and the traffic log -------------------------------------------------

TEST_F(ServerTest, DateChangeSendsItsSecondTextAfterTheDelay) {
    server.setScDelayMs(300);
    QElapsedTimer t;
    t.start();
    client.send("#:SC 03/05/24#");
    EXPECT_EQ(client.readUntil("#"), QByteArray("1Updating        planetary data#"));
    EXPECT_EQ(client.readUntil("#", 3000), QByteArray(32, ' ') + "#");
    EXPECT_GE(t.elapsed(), 300);
    EXPECT_EQ(client.ask("GC"), QByteArray("03/05/24#"));
}

TEST_F(ServerTest, PacedRepliesTakeAMillisecondAByte) {
    server.setPaced(true);
    QElapsedTimer t;
    t.start();
    EXPECT_EQ(client.ask("LI").size(), 33);
    EXPECT_GE(t.elapsed(), 33); // 33 bytes at 960 bytes a second: 34.4 ms
}

TEST_F(ServerTest, EchoLikeAModemAndSilenceThatStillLogs) {
    server.echoMode(true);
    client.send("\x06#:GR#");
    EXPECT_EQ(client.readCount(6), QByteArray("\x06#:GR#"));
    server.echoMode(false);
    server.stopAnswering(true);
    client.send("\x06#:GR#");
    EXPECT_EQ(client.readFor(300), QByteArray());
    EXPECT_EQ(server.receivedCommands(), (QList<QByteArray>{"\x06", "GR", "\x06", "GR"}));
    server.stopAnswering(false);
    client.send("\x06");
    EXPECT_EQ(client.readCount(1), QByteArray("A"));
}

TEST_F(ServerTest, GarbledRepliesKeepLengthAndTerminator) {
    server.garbleNext(2);
    const QByteArray garbled = client.ask("GG");
    EXPECT_TRUE(garbled.size() == 4 && garbled.endsWith('#') && garbled != "+07#")
        << garbled.data();
    const QByteArray flag = client.askFlag("SL 12:00:00");
    EXPECT_TRUE(flag.size() == 1 && flag != "1" && flag != "0") << flag.data();
    EXPECT_EQ(client.ask("GG"), QByteArray("+07#")); // only the next two
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

TEST_F(ServerTest, LogHoldsCommandsBytesAndReplies) {
    EXPECT_FALSE(server.waitForReceived(1, 50)); // a time-out says so
    client.send("\x06");
    client.readCount(1);
    const QByteArray ra = client.ask("GR");
    client.askFlag("Sr 12:34:56");
    client.send("noise#:U#");
    ASSERT_TRUE(server.waitForCommand("U", 2000));
    EXPECT_TRUE(server.waitForCommands(4, 0));
    EXPECT_EQ(server.receivedCommands(), (QList<QByteArray>{"\x06", "GR", "Sr 12:34:56", "U"}));
    EXPECT_EQ(server.receivedBytes(), QByteArray("\x06#:GR##:Sr 12:34:56#noise#:U#"));
    QList<QByteArray> replies; // "U" answers nothing
    for (const Reply& r : server.sentReplies())
        replies << r.command + "=" + r.bytes;
    EXPECT_EQ(replies, (QList<QByteArray>{"\x06=A", "GR=" + ra, "Sr 12:34:56=1"}));
    EXPECT_TRUE(server.waitForSent(1 + 8 + 1, 0));
    EXPECT_EQ(server.sentBytes(), "A" + ra + "1");
    server.clearLog();
    EXPECT_TRUE(server.receivedCommands().isEmpty() && server.receivedBytes().isEmpty() &&
                server.sentReplies().isEmpty() && server.sentBytes().isEmpty());
}

// ---- The USB serial adapter unplugged ---------------------------------------------------------

class UnplugTest : public ::testing::Test {
protected:
    void SetUp() override { server.start(); }

    bool linkThere() const { return QFileInfo(link).isSymLink(); }

    QTemporaryDir dir;
    const QString link = dir.filePath(QStringLiteral("ttyUSB0"));
    SimServer server{linkAt(link)};
};

TEST_F(UnplugTest, ClientHangsUpThePathGoesAndTheSameTelescopeComesBack) {
    server.plugIn(); // plugged in already: nothing happens
    Client before;
    ASSERT_TRUE(before.open(link));
    EXPECT_EQ(before.askFlag("Sr 05:34:30"), QByteArray("1"));
    EXPECT_EQ(before.askFlag("St -12*30"), QByteArray("1"));
    const QString oldPty = server.slavePath();

    server.unplug();
    server.unplug(); // unplugged already
    EXPECT_TRUE(server.faults().unplugged);
    pollfd p{before.fd(), POLLIN, 0};
    ASSERT_EQ(::poll(&p, 1, 2000), 1);
    EXPECT_TRUE(p.revents & POLLHUP) << p.revents;
    EXPECT_EQ(::write(before.fd(), "\x06", 1), -1);
    EXPECT_EQ(errno, EIO);
    char byte = 0;
    EXPECT_LE(::read(before.fd(), &byte, 1), 0);
    EXPECT_FALSE(linkThere());
    EXPECT_FALSE(QFileInfo::exists(oldPty));
    EXPECT_EQ(server.devicePath(), link);
    EXPECT_LE(wakeUpsIn200Ms(server), 1u); // though the client holds its dead descriptor

    server.plugIn();
    EXPECT_FALSE(server.faults().unplugged);
    EXPECT_NE(server.slavePath(), oldPty);
    EXPECT_EQ(QFileInfo(link).symLinkTarget(), server.slavePath());
    Client after;
    ASSERT_TRUE(after.open(link));
    after.send("\x06");
    EXPECT_EQ(after.readCount(1), QByteArray("A"));
    EXPECT_EQ(after.ask("Gr"), QByteArray("05:34.5#"));
    EXPECT_EQ(after.ask("Gt"), QByteArray("-12\33730#")); // \337: the degree sign

    // A second time round.
    server.unplug();
    EXPECT_FALSE(linkThere());
    server.plugIn();
    ASSERT_TRUE(after.open(link));
    EXPECT_EQ(after.ask("Gr"), QByteArray("05:34.5#"));
    server.unplug(); // and the destructor stops it unplugged
}

TEST_F(UnplugTest, PlugInNeverReplacesWhatNowStandsAtThePath) {
    runControlLine(server, "unplug");
    QFile other(link);
    ASSERT_TRUE(other.open(QIODevice::WriteOnly));
    other.close();
    EXPECT_TRUE(runControlLine(server, "plugin").text.startsWith("error: Cannot make the link "));
    EXPECT_TRUE(server.faults().unplugged);
    EXPECT_TRUE(QFileInfo(link).isFile());
    ASSERT_TRUE(QFile::remove(link));
    EXPECT_EQ(runControlLine(server, "plugin").text, QByteArray("ok\n"));
    Client client;
    ASSERT_TRUE(client.open(link));
    EXPECT_EQ(client.ask("GG"), QByteArray("+07#"));
}

// Without a link: a thread that sleeps with no client and after a client left with replies
// unread, a new pseudo-terminal after the adapter comes back, and a stop while unplugged.
TEST(ServerUnplug, IdleWithoutALinkAndStoppedWhileUnplugged) {
    SimServer never; // destroyed without a start
    SimServer server;
    server.start();
    EXPECT_LE(wakeUpsIn200Ms(server), 1u);
    {
        Client client;
        ASSERT_TRUE(client.open(server.devicePath()));
        client.send("#:GR##:GD#");
        ASSERT_TRUE(server.waitForSent(8 + 7, 2000));
    }
    EXPECT_LE(wakeUpsIn200Ms(server), 1u);
    server.unplug();
    server.plugIn();
    Client client;
    ASSERT_TRUE(client.open(server.devicePath()));
    EXPECT_EQ(client.ask("GG"), QByteArray("+07#"));
    server.unplug();
    server.stop();
    server.stop();
    EXPECT_FALSE(server.isRunning());
    server.start();
    EXPECT_FALSE(server.faults().unplugged);
}

// ---- Lifecycle --------------------------------------------------------------------------------

TEST(ServerLifecycle, LinksInTheWayAndUnusablePaths) {
    QTemporaryDir dir;
    QFile file(dir.filePath(QStringLiteral("regular")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    const QString link = dir.filePath(QStringLiteral("scope.pty"));
    for (const auto& [linkPath, logPath] : {std::pair{QStringLiteral("/nonexistent/x"), QString()},
                                            {file.fileName(), QString()},
                                            {link, QStringLiteral("/nonexistent/x.log")}}) {
        SimServer::Options options = linkAt(linkPath);
        options.logPath = logPath;
        SimServer server(options);
        EXPECT_THROW(server.start(), std::runtime_error) << linkPath.toStdString();
        EXPECT_FALSE(server.isRunning());
    }
    EXPECT_TRUE(QFileInfo(file.fileName()).isFile()); // never overwritten
    EXPECT_FALSE(QFileInfo(link).isSymLink());        // made, then taken back
    ASSERT_TRUE(QFile::link(QStringLiteral("/nonexistent/pts"), link));
    SimServer server(linkAt(link));
    server.start();
    EXPECT_EQ(QFileInfo(link).symLinkTarget(), server.slavePath()); // a stale link is replaced
    server.stop();
    EXPECT_FALSE(QFileInfo(link).isSymLink());
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
    const int port = lines[1].mid(lines[1].lastIndexOf(':') + 1).toInt();

    // One telescope on both lines, answering the line that spoke last.
    Client pty;
    ASSERT_TRUE(pty.open(link));
    pty.send("\x06");
    EXPECT_EQ(pty.readCount(1), QByteArray("P"));
    Client tcp;
    ASSERT_TRUE(tcp.connectTcp(port));
    tcp.send("#:LM 57#");
    EXPECT_EQ(tcp.ask("LI").left(8), QByteArray("M57     "));
    EXPECT_EQ(pty.ask("LI").left(8), QByteArray("M57     "));

    // Control clients, each answered on its own connection. Unplugged, the TCP client is
    // dropped; plugged in again, a new one is served.
    Client ctl, other;
    ASSERT_TRUE(ctl.connectUnix(control));
    ASSERT_TRUE(other.connectUnix(control));
    ctl.send("unplug\n");
    other.send("bogus\n");
    EXPECT_EQ(other.readUntil("\n"), QByteArray("error: unknown command \"bogus\" (try help)\n"));
    EXPECT_EQ(ctl.readUntil("\n"), QByteArray("ok\n"));
    EXPECT_FALSE(QFileInfo(link).isSymLink());
    EXPECT_TRUE(tcp.closedByPeer());
    ctl.send("plugin\n");
    EXPECT_EQ(ctl.readUntil("\n"), QByteArray("ok\n"));
    Client again;
    ASSERT_TRUE(again.connectTcp(port));
    EXPECT_EQ(again.ask("GG"), QByteArray("+07#"));
    ctl.send("status\nquit\n");
    EXPECT_TRUE(ctl.readUntil("ok\nok\n").contains("\nslew-speed 90\n")); // --fast
    ASSERT_TRUE(sim.waitForFinished(5000));
    EXPECT_EQ(sim.exitCode(), 0);
    EXPECT_FALSE(QFileInfo::exists(link));
    EXPECT_FALSE(QFileInfo::exists(control));

    // The log file: a line for each command, reply and event, each with its UTC time.
    QFile file(log);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    QList<QByteArray> logged;
    for (const QByteArray& line : file.readAll().trimmed().split('\n')) {
        const QString time = QString::fromLatin1(line.left(24));
        EXPECT_TRUE(QDateTime::fromString(time, Qt::ISODateWithMs).isValid()) << line.data();
        logged.append(line.mid(25));
    }
    const QByteArray m57 = "> M57      VG PNEB MG 9.7 SZ 1.3' #";
    EXPECT_EQ(logged, (QList<QByteArray>{"< \\x06", "> P", "! TCP client connected", "< LM 57",
                                         "< LI", m57, "< LI", m57, "! unplug", "! TCP client gone",
                                         "! plug in", "! TCP client connected", "< GG", "> +07#"}))
        << logged.join('|').constData();
}

TEST(SimProgram, RefusesBadOptions) {
    for (const char* bad : {"--mode=X", "--tcp=70000", "--log=/nonexistent-folder/x.log"}) {
        QProcess sim;
        sim.start(QStringLiteral(TELEON_SIM_PROGRAM), {QString::fromLatin1(bad)});
        ASSERT_TRUE(sim.waitForFinished(5000));
        EXPECT_NE(sim.exitCode(), 0) << bad;
        EXPECT_TRUE(sim.readAllStandardError().startsWith("teleon-sim: ")) << bad;
    }
}

} // namespace
} // namespace teleon::sim
