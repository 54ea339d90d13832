// The simulated telescope on a pseudo-terminal: a client opens devicePath() as it would open a
// serial port, and an LX200Model answers on the far side. Optionally also on a loopback TCP
// port (one client at a time; the telescope answers whichever line spoke last). Runs its own
// thread (poll() on the pty's master, the sockets and a wake pipe, so it sleeps when nothing
// happens) and offers tests a thread-safe handle to inject faults and to read back the
// traffic, and users a log file of the conversation.
#pragma once

#include "sim/LX200Model.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>

#include <condition_variable>
#include <cstdio>
#include <functional>
#include <mutex>
#include <thread>

namespace teleon::sim {

class SimServer {
public:
    struct Options {
        // When not empty, a symbolic link to the pty's slave is made at this path (an old link
        // there is replaced) and devicePath() returns it. Removed again by stop() and unplug().
        QString linkPath;
        // Write replies at the pace of a 9600-baud line: 960 bytes a second, about 1.04 ms a
        // byte. Off, replies are written at once.
        bool paced = false;
        // The acknowledge answer: 'A' alt-azimuth, 'P' polar, 'G' German, 'L' land.
        char mountMode = 'A';
        // Also listen on 127.0.0.1 at this TCP port: -1 not at all, 0 any free port.
        int tcpPort = -1;
        // When not empty, every command received and every reply sent is appended to this
        // file, one line each with the time (see formatLogLine).
        QString logPath;
    };

    SimServer();
    explicit SimServer(Options options);
    ~SimServer(); // stops the thread and closes the pty
    SimServer(const SimServer&) = delete;
    SimServer& operator=(const SimServer&) = delete;

    // Opens the pty (raw at once), makes the link and starts the thread. Throws
    // std::runtime_error with the reason when the pty or the link cannot be made.
    void start();
    // Stops the thread, closes the pty and removes the link. Safe to call twice.
    void stop();
    bool isRunning() const;

    // The path a client opens: the link when one was asked for, else /dev/pts/N (the latest
    // one: see plugIn()).
    QString devicePath() const;
    QString slavePath() const;
    // The TCP port listened on, or -1.
    int tcpPort() const;

    // ---- Fault injection and settings (thread-safe; take effect at the next byte) ----
    // Read and throw away everything that arrives and answer nothing (a dead telescope).
    void stopAnswering(bool on);
    // The next count non-empty replies are replaced by junk of the same length; each "#"
    // keeps its place, so a reader waiting for "#" gets garbage rather than silence.
    void garbleNext(int count);
    // The next count commands named command ("Sr", "SL", ...) answer "0", changing nothing.
    void refuseNext(const QByteArray& command, int count = 1);
    // The next "MS" is refused with code ('1' below horizon, '2' below the higher limit).
    void refuseNextSlew(char code);
    // A modem on the line: every byte is echoed back unchanged (the acknowledge byte too),
    // and the telescope model hears nothing.
    void echoMode(bool on);
    // The cable pulled: the pty stays (so the client's path stays valid and its reads see
    // nothing, like a real serial port with nothing attached), everything sent is lost; a TCP
    // client is disconnected and no new one is served until reconnect() plugs the line back.
    // A command cut in half by the pull is forgotten.
    void hangUp();
    void reconnect();
    // The USB serial adapter pulled out: the pty is closed, so a client's open descriptor hangs
    // up (poll() reports POLLHUP, read() returns 0 or fails with EIO, write() fails with EIO);
    // the link path is removed, so the device is gone; a TCP client is disconnected and no
    // new one is served. The telescope stays powered and keeps its state; what it would send
    // meanwhile is lost. The thread then watches no descriptor but its wake pipe: it sleeps
    // until plugIn() or stop(), or until the telescope's own timed work (a date change's
    // second text) is due. Returns once the client's descriptor has hung up. Nothing happens
    // when already unplugged.
    void unplug();
    // The adapter plugged back in: a new pty (raw at once, as start() makes it) and the link at
    // the same path again; the client must open the path anew. Without a linkPath the device
    // path changes: devicePath() is then a new /dev/pts/N. Throws std::runtime_error (and
    // stays unplugged) when the pty cannot be made or something else now occupies the link
    // path, which is never replaced. Nothing happens when plugged in. On a server that is not
    // running, unplug() and plugIn() only set the state that faults() reports; start() always
    // begins plugged in.
    void plugIn();
    void setMountMode(char mode);
    void setScDelayMs(int ms);
    void setPaced(bool on);
    void setSlewSpeedDegPerSec(double degPerSec);
    struct Faults {
        bool silent = false;
        bool echo = false;
        bool cablePulled = false;
        bool unplugged = false;
        int garbleCount = 0;
        bool paced = false;
    };
    Faults faults() const;
    // Runs f on the model under the server's lock (to set or read its state).
    void withModel(const std::function<void(LX200Model&)>& f);
    // How many times the thread has woken from its wait (poll) since start(): for tests that
    // check that it sleeps while nothing happens.
    quint64 threadWakeUps() const;

    // ---- Traffic log (since start or the last clearLog) ----
    // Every command as received: its text between ":" and "#" ("GR", "Sr 12:34:56"), and the
    // acknowledge byte as "\x06". Logged whatever the faults (also while not answering).
    QList<QByteArray> receivedCommands() const;
    // Every byte received, exactly.
    QByteArray receivedBytes() const;
    // What was written back, one entry per non-empty reply (after garbling), and all of it.
    QList<Reply> sentReplies() const;
    QByteArray sentBytes() const;
    void clearLog();
    // The last count lines of the traffic log (as written to the log file), oldest first.
    // Kept whether or not a log file was asked for; the last 1000 lines are held.
    QList<QByteArray> recentLogLines(int count) const;
    // Adds a line of the kind "!" (an event: a fault injected, a client come or gone).
    void logEvent(const QByteArray& text);

    // One log line: the UTC time with milliseconds, a blank, the direction ("<" received
    // command, ">" reply sent, "!" event), a blank and the text, with every byte outside
    // printable ASCII, and the backslash, written as \xHH: "2024-03-05T03:00:00.123Z < GR".
    static QByteArray formatLogLine(const QDateTime& utc, char direction, const QByteArray& text);

    // Block (no spinning) until at least byteCount bytes / commandCount commands have been
    // received since the last clearLog, or until a command equal to command arrives; false
    // on time-out.
    bool waitForReceived(qsizetype byteCount, int timeoutMs);
    bool waitForCommands(qsizetype commandCount, int timeoutMs);
    bool waitForCommand(const QByteArray& command, int timeoutMs);
    // Block until the thread has written byteCount bytes since the last clearLog.
    bool waitForSent(qsizetype byteCount, int timeoutMs);

private:
    enum class Line { Pty, Tcp };
    void run();
    void wake();
    void wakeLocked();
    void makeLink(const QString& target);
    void removeLink();
    bool lineDown() const { return cablePulled_ || unplugged_; }
    void handleInput(const QByteArray& bytes, Line from);
    void acceptClient();
    void dropClient();
    int outputFd() const;
    void log(char direction, const QByteArray& text);
    void emitReplies(const QList<Reply>& replies);
    qint64 pollTimeoutNs(qint64 nowNs) const;
    void writePending(qint64 nowNs);

    Options options_;
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    LX200Model model_;
    CommandFramer logFramer_;

    int masterFd_ = -1;
    int slaveFd_ = -1; // kept open so the master never sees a hang-up
    int wakeFds_[2] = {-1, -1};
    int listenFd_ = -1;
    int clientFd_ = -1;
    int boundPort_ = -1;
    Line activeLine_ = Line::Pty; // where replies go: the line that spoke last
    QString slavePath_;
    bool linkMade_ = false;
    std::thread thread_;
    bool stopping_ = false;
    quint64 wakeUps_ = 0;

    // Faults
    bool silent_ = false;
    bool cablePulled_ = false;
    bool unplugged_ = false;
    bool echo_ = false;
    int garbleCount_ = 0;
    int junkIndex_ = 0;

    // Output waiting to be written, and the pace.
    QByteArray pending_;
    qint64 nextByteNs_ = 0;
    bool writeBlocked_ = false; // the last write found the pty's queue full

    // Log
    QList<QByteArray> receivedCommands_;
    QByteArray receivedBytes_;
    QList<Reply> sentReplies_;
    QByteArray sentBytes_;
    QList<QByteArray> logLines_;
    std::FILE* logFile_ = nullptr;
};

} // namespace teleon::sim
