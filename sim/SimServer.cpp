#include "sim/SimServer.h"

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <pty.h>
#include <stdexcept>
#include <sys/socket.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace teleon::sim {
namespace {

// 9600 baud, 8 data bits, no parity, 1 stop bit: 10 bit times a byte, 960 bytes a second.
constexpr qint64 kNsPerByteAt9600 = 1'000'000'000 / 960;

qint64 monotonicNs() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<qint64>(ts.tv_sec) * 1'000'000'000 + ts.tv_nsec;
}

std::runtime_error systemError(const QString& what) {
    return std::runtime_error(QStringLiteral("%1: %2")
                                  .arg(what, QString::fromLocal8Bit(std::strerror(errno)))
                                  .toStdString());
}

void closeFd(int& fd) {
    if (fd >= 0)
        ::close(fd);
    fd = -1;
}

// Junk that stands in for a garbled reply: printable, never "#" nor a flag's "1" or "0".
constexpr char kJunk[] = "~?%&!$@^";
constexpr int kJunkCount = sizeof(kJunk) - 1;

constexpr int kLogLinesKept = 1000;

// A listening socket on 127.0.0.1:port (0: any free port); returns the port bound.
int listenLoopback(int port, int& fd) {
    fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return -1;
    const int on = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(fd, 1) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        const int saved = errno;
        ::close(fd);
        fd = -1;
        errno = saved;
        return -1;
    }
    return ntohs(address.sin_port);
}

// A new pseudo-terminal, its line made raw (9600 8N1) before any client can open it; the
// slave's path in name. Throws std::runtime_error with the reason.
void openRawPty(int& master, int& slave, QString& name) {
    if (::openpty(&master, &slave, nullptr, nullptr, nullptr) != 0)
        throw systemError(QStringLiteral("Cannot open a pseudo-terminal"));
    // A fresh pty is in cooked mode with echo: make the line raw before any client sees it.
    termios tio{};
    if (::tcgetattr(slave, &tio) == 0) {
        ::cfmakeraw(&tio);
        ::cfsetispeed(&tio, B9600);
        ::cfsetospeed(&tio, B9600);
        tio.c_cflag |= CLOCAL | CREAD;
        ::tcsetattr(slave, TCSANOW, &tio);
    }
    ::fcntl(master, F_SETFL, ::fcntl(master, F_GETFL) | O_NONBLOCK);
    ::fcntl(master, F_SETFD, FD_CLOEXEC);
    ::fcntl(slave, F_SETFD, FD_CLOEXEC);
    char path[256] = {};
    if (::ttyname_r(slave, path, sizeof path) != 0) {
        const auto error = systemError(QStringLiteral("Cannot name the pseudo-terminal"));
        closeFd(master);
        closeFd(slave);
        throw error;
    }
    name = QString::fromLocal8Bit(path);
}

// A symbolic link at linkPath to target. An old symbolic link there is replaced when
// replaceOldLink is set; anything else there is never touched. Throws std::runtime_error.
void makeSymlink(const QString& linkPath, const QString& target, bool replaceOldLink) {
    const QByteArray link = linkPath.toLocal8Bit();
    struct stat st {};
    bool failed = false;
    if (::lstat(link.constData(), &st) == 0) {
        if (!replaceOldLink || !S_ISLNK(st.st_mode)) {
            errno = EEXIST;
            failed = true;
        } else {
            failed = ::unlink(link.constData()) != 0;
        }
    }
    if (!failed)
        failed = ::symlink(target.toLocal8Bit().constData(), link.constData()) != 0;
    if (failed)
        throw systemError(QStringLiteral("Cannot make the link %1").arg(linkPath));
}

} // namespace

SimServer::SimServer() : SimServer(Options{}) {}

SimServer::SimServer(Options options) : options_(std::move(options)) {
    model_.setMountMode(options_.mountMode);
}

SimServer::~SimServer() {
    stop();
}

void SimServer::start() {
    if (isRunning())
        return;
    int master = -1;
    int slave = -1;
    QString name;
    openRawPty(master, slave, name);
    int wake[2] = {-1, -1};
    int listen = -1;
    int port = -1;
    bool linked = false;
    std::FILE* logFile = nullptr;
    try {
        if (::pipe2(wake, O_NONBLOCK | O_CLOEXEC) != 0)
            throw systemError(QStringLiteral("Cannot make the wake pipe"));
        if (!options_.linkPath.isEmpty()) {
            makeSymlink(options_.linkPath, name, true);
            linked = true;
        }
        if (options_.tcpPort >= 0) {
            port = listenLoopback(options_.tcpPort, listen);
            if (port < 0)
                throw systemError(
                    QStringLiteral("Cannot listen on TCP port %1").arg(options_.tcpPort));
        }
        if (!options_.logPath.isEmpty()) {
            logFile = std::fopen(options_.logPath.toLocal8Bit().constData(), "ae");
            if (!logFile)
                throw systemError(QStringLiteral("Cannot open the log %1").arg(options_.logPath));
            std::setvbuf(logFile, nullptr, _IOLBF, 0);
        }
    } catch (...) {
        for (int fd : {master, slave, wake[0], wake[1], listen})
            if (fd >= 0)
                ::close(fd);
        if (linked)
            ::unlink(options_.linkPath.toLocal8Bit().constData());
        throw;
    }

    std::lock_guard lock(mutex_);
    masterFd_ = master;
    slaveFd_ = slave;
    listenFd_ = listen;
    boundPort_ = port;
    logFile_ = logFile;
    activeLine_ = Line::Pty;
    wakeFds_[0] = wake[0];
    wakeFds_[1] = wake[1];
    slavePath_ = name;
    linkMade_ = linked;
    unplugged_ = false;
    wakeUps_ = 0;
    stopping_ = false;
    thread_ = std::thread(&SimServer::run, this);
}

void SimServer::stop() {
    {
        std::lock_guard lock(mutex_);
        if (!thread_.joinable())
            return;
        stopping_ = true;
        changed_.notify_all(); // an unplug() waiting for the thread need wait no longer
    }
    wake();
    thread_.join();
    std::lock_guard lock(mutex_);
    closeFd(masterFd_);
    closeFd(slaveFd_);
    closeFd(wakeFds_[0]);
    closeFd(wakeFds_[1]);
    closeFd(clientFd_);
    closeFd(listenFd_);
    boundPort_ = -1;
    if (logFile_) {
        std::fclose(logFile_);
        logFile_ = nullptr;
    }
    removeLink();
}

void SimServer::removeLink() {
    if (!linkMade_)
        return;
    // Remove the link only when it is still ours.
    const QByteArray link = options_.linkPath.toLocal8Bit();
    char target[256] = {};
    const ssize_t n = ::readlink(link.constData(), target, sizeof target - 1);
    if (n > 0 && QString::fromLocal8Bit(target, n) == slavePath_)
        ::unlink(link.constData());
    linkMade_ = false;
}

bool SimServer::isRunning() const {
    std::lock_guard lock(mutex_);
    return thread_.joinable();
}

QString SimServer::devicePath() const {
    std::lock_guard lock(mutex_);
    return options_.linkPath.isEmpty() ? slavePath_ : options_.linkPath;
}

QString SimServer::slavePath() const {
    std::lock_guard lock(mutex_);
    return slavePath_;
}

int SimServer::tcpPort() const {
    std::lock_guard lock(mutex_);
    return boundPort_;
}

void SimServer::wake() {
    std::lock_guard lock(mutex_);
    wakeLocked();
}

void SimServer::wakeLocked() {
    if (wakeFds_[1] >= 0) {
        const char byte = 1;
        [[maybe_unused]] const ssize_t n = ::write(wakeFds_[1], &byte, 1); // a full pipe wakes too
    }
}

// ---------------------------------------------------------------------------------------------
// The thread

void SimServer::run() {
    std::unique_lock lock(mutex_);
    while (!stopping_) {
        emitReplies(model_.takeDueReplies());
        const qint64 now = monotonicNs();
        writePending(now);

        const qint64 timeoutNs = pollTimeoutNs(monotonicNs());
        const bool wantWrite = !pending_.isEmpty() && (!options_.paced || writeBlocked_);
        const int out = outputFd();
        // 0 pty master, 1 wake pipe, 2 listening socket, 3 TCP client (-1 fds are ignored).
        pollfd fds[4] = {
            {masterFd_, static_cast<short>(POLLIN | (wantWrite && out == masterFd_ ? POLLOUT : 0)),
             0},
            {wakeFds_[0], POLLIN, 0},
            {lineDown() ? -1 : listenFd_, POLLIN, 0},
            {clientFd_, static_cast<short>(POLLIN | (wantWrite && out == clientFd_ ? POLLOUT : 0)),
             0}};
        lock.unlock();
        timespec ts{};
        if (timeoutNs >= 0) {
            ts.tv_sec = static_cast<time_t>(timeoutNs / 1'000'000'000);
            ts.tv_nsec = static_cast<long>(timeoutNs % 1'000'000'000);
        }
        const int ready = ::ppoll(fds, 4, timeoutNs >= 0 ? &ts : nullptr, nullptr);
        lock.lock();
        ++wakeUps_;
        changed_.notify_all(); // unplug() waits for the poll above to have let go of the pty
        if (ready < 0)
            continue; // EINTR

        if (fds[1].revents & POLLIN) {
            char drain[64];
            while (::read(wakeFds_[0], drain, sizeof drain) > 0) {
            }
        }
        // The events are of an old pty when it was unplugged (or plugged in anew) meanwhile.
        const short ptyEvents = fds[0].fd == masterFd_ ? fds[0].revents : 0;
        if ((ptyEvents | fds[3].revents) & POLLOUT)
            writeBlocked_ = false;
        if (ptyEvents & POLLIN) {
            char buffer[4096];
            const ssize_t n = ::read(masterFd_, buffer, sizeof buffer);
            if (n > 0)
                handleInput(QByteArray(buffer, n), Line::Pty);
        } else if (ptyEvents & (POLLHUP | POLLERR)) {
            // Cannot happen while the slave is held open; should it, do not spin on it.
            lock.unlock();
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            lock.lock();
        }
        if (fds[2].revents & POLLIN)
            acceptClient();
        if (clientFd_ >= 0 && fds[3].fd == clientFd_ &&
            (fds[3].revents & (POLLIN | POLLHUP | POLLERR))) {
            char buffer[4096];
            const ssize_t n = ::recv(clientFd_, buffer, sizeof buffer, 0);
            if (n > 0)
                handleInput(QByteArray(buffer, n), Line::Tcp);
            else if (n == 0 || (errno != EAGAIN && errno != EINTR))
                dropClient();
        }
    }
}

void SimServer::acceptClient() {
    const int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (fd < 0)
        return;
    if (clientFd_ >= 0) {
        log('!', "TCP client replaced by a new one");
        closeFd(clientFd_);
    }
    clientFd_ = fd;
    log('!', "TCP client connected");
}

void SimServer::dropClient() {
    if (clientFd_ < 0)
        return;
    closeFd(clientFd_);
    log('!', "TCP client gone");
    if (activeLine_ == Line::Tcp) {
        activeLine_ = Line::Pty;
        pending_.clear(); // nowhere to go
        writeBlocked_ = false;
        model_.resetInput();
    }
}

int SimServer::outputFd() const {
    return activeLine_ == Line::Tcp && clientFd_ >= 0 ? clientFd_ : masterFd_;
}

qint64 SimServer::pollTimeoutNs(qint64 nowNs) const {
    qint64 timeout = -1;
    const qint64 dueMs = model_.msUntilDue(); // kept while silent: the work still finishes
    if (dueMs >= 0)
        timeout = dueMs * 1'000'000;
    if (options_.paced && !pending_.isEmpty() && !writeBlocked_) {
        const qint64 untilByte = std::max<qint64>(0, nextByteNs_ - nowNs);
        timeout = timeout < 0 ? untilByte : std::min(timeout, untilByte);
    }
    return timeout;
}

void SimServer::handleInput(const QByteArray& bytes, Line from) {
    if (from != activeLine_) {
        // The other line speaks: a command half-received on the old one is forgotten.
        activeLine_ = from;
        model_.resetInput();
        logFramer_.reset();
    }
    receivedBytes_ += bytes;
    const QList<QByteArray> commands = logFramer_.push(bytes);
    receivedCommands_ += commands;
    for (const QByteArray& command : commands)
        log('<', command);
    changed_.notify_all();
    if (silent_ || lineDown())
        return;
    if (echo_) {
        emitReplies({Reply{QByteArray(), bytes}});
        return;
    }
    emitReplies(model_.feedReplies(bytes));
}

void SimServer::emitReplies(const QList<Reply>& replies) {
    for (const Reply& reply : replies) {
        if (reply.bytes.isEmpty() || silent_ || lineDown())
            continue;
        QByteArray bytes = reply.bytes;
        if (garbleCount_ > 0) {
            --garbleCount_;
            for (char& c : bytes) {
                if (c == '#')
                    continue;
                char junk = kJunk[junkIndex_++ % kJunkCount];
                if (junk == c)
                    junk = kJunk[junkIndex_++ % kJunkCount];
                c = junk;
            }
        }
        sentReplies_.append({reply.command, bytes});
        log('>', bytes);
        if (pending_.isEmpty() && options_.paced)
            nextByteNs_ = std::max(nextByteNs_, monotonicNs() + kNsPerByteAt9600);
        pending_ += bytes;
    }
}

void SimServer::writePending(qint64 nowNs) {
    if (pending_.isEmpty() || masterFd_ < 0 || writeBlocked_)
        return;
    qsizetype count = pending_.size();
    if (options_.paced) {
        // Every byte whose transmission time has come (several when the thread woke late).
        count = 0;
        qint64 due = nextByteNs_;
        while (count < pending_.size() && due <= nowNs) {
            ++count;
            due += kNsPerByteAt9600;
        }
        if (count == 0)
            return;
    }
    const int fd = outputFd();
    const ssize_t n =
        fd == masterFd_
            ? ::write(fd, pending_.constData(), static_cast<size_t>(count))
            : ::send(fd, pending_.constData(), static_cast<size_t>(count), MSG_NOSIGNAL);
    if (n <= 0) {
        writeBlocked_ = true; // the pty's queue is full (no client reading): wait for POLLOUT
        return;
    }
    sentBytes_ += pending_.left(n);
    pending_.remove(0, n);
    if (options_.paced)
        nextByteNs_ += n * kNsPerByteAt9600;
    changed_.notify_all();
}

// ---------------------------------------------------------------------------------------------
// Control

void SimServer::stopAnswering(bool on) {
    {
        std::lock_guard lock(mutex_);
        silent_ = on;
        log('!', on ? "silent on" : "silent off");
    }
    wake();
}

void SimServer::garbleNext(int count) {
    std::lock_guard lock(mutex_);
    garbleCount_ = std::max(0, count);
    log('!', "garble " + QByteArray::number(garbleCount_));
}

void SimServer::refuseNext(const QByteArray& command, int count) {
    std::lock_guard lock(mutex_);
    model_.refuseNext(command, count);
    log('!', "refuse " + command + ' ' + QByteArray::number(count));
}

void SimServer::refuseNextSlew(char code) {
    std::lock_guard lock(mutex_);
    model_.refuseNextSlew(code);
    log('!', "refuse-slew " + QByteArray(1, code));
}

void SimServer::echoMode(bool on) {
    std::lock_guard lock(mutex_);
    echo_ = on;
    log('!', on ? "echo on" : "echo off");
}

void SimServer::hangUp() {
    {
        std::lock_guard lock(mutex_);
        cablePulled_ = true;
        log('!', "hangup");
        pending_.clear(); // bytes on the wire when the cable came out are lost
        dropClient();
    }
    wake();
}

void SimServer::reconnect() {
    {
        std::lock_guard lock(mutex_);
        cablePulled_ = false;
        model_.resetInput();
        log('!', "reconnect");
    }
    wake();
}

void SimServer::unplug() {
    std::unique_lock lock(mutex_);
    if (unplugged_)
        return;
    unplugged_ = true;
    log('!', "unplug");
    if (!thread_.joinable())
        return;
    pending_.clear(); // the bytes on their way are lost with the adapter
    writeBlocked_ = false;
    dropClient();
    closeFd(masterFd_);
    closeFd(slaveFd_);
    removeLink();
    activeLine_ = Line::Pty;
    model_.resetInput();
    logFramer_.reset();
    // While the thread sleeps in poll() on the master, the poll holds the master open: the pty
    // closes, and the client's descriptor hangs up, once the thread has woken.
    const quint64 seen = wakeUps_;
    wakeLocked();
    changed_.wait(lock, [&] { return wakeUps_ != seen || stopping_; });
}

void SimServer::plugIn() {
    std::lock_guard lock(mutex_);
    if (!unplugged_)
        return;
    if (thread_.joinable()) {
        int master = -1;
        int slave = -1;
        QString name;
        openRawPty(master, slave, name);
        if (!options_.linkPath.isEmpty()) {
            try {
                makeSymlink(options_.linkPath, name, false); // what is there now is not ours
            } catch (...) {
                closeFd(master);
                closeFd(slave);
                throw;
            }
            linkMade_ = true;
        }
        masterFd_ = master;
        slaveFd_ = slave;
        slavePath_ = name;
        model_.resetInput();
        logFramer_.reset();
        wakeLocked();
    }
    unplugged_ = false;
    log('!', "plug in");
}

void SimServer::setMountMode(char mode) {
    std::lock_guard lock(mutex_);
    model_.setMountMode(mode);
    log('!', "mode " + QByteArray(1, mode));
}

void SimServer::setScDelayMs(int ms) {
    {
        std::lock_guard lock(mutex_);
        model_.setScDelayMs(ms);
    }
    wake();
}

void SimServer::setPaced(bool on) {
    {
        std::lock_guard lock(mutex_);
        options_.paced = on;
        nextByteNs_ = monotonicNs();
    }
    wake();
}

void SimServer::setSlewSpeedDegPerSec(double degPerSec) {
    std::lock_guard lock(mutex_);
    model_.setSlewSpeedDegPerSec(degPerSec);
}

SimServer::Faults SimServer::faults() const {
    std::lock_guard lock(mutex_);
    return {silent_, echo_, cablePulled_, unplugged_, garbleCount_, options_.paced};
}

quint64 SimServer::threadWakeUps() const {
    std::lock_guard lock(mutex_);
    return wakeUps_;
}

void SimServer::withModel(const std::function<void(LX200Model&)>& f) {
    {
        std::lock_guard lock(mutex_);
        f(model_);
    }
    wake();
}

// ---------------------------------------------------------------------------------------------
// Log

QList<QByteArray> SimServer::receivedCommands() const {
    std::lock_guard lock(mutex_);
    return receivedCommands_;
}

QByteArray SimServer::receivedBytes() const {
    std::lock_guard lock(mutex_);
    return receivedBytes_;
}

QList<Reply> SimServer::sentReplies() const {
    std::lock_guard lock(mutex_);
    return sentReplies_;
}

QByteArray SimServer::sentBytes() const {
    std::lock_guard lock(mutex_);
    return sentBytes_;
}

QList<QByteArray> SimServer::recentLogLines(int count) const {
    std::lock_guard lock(mutex_);
    const qsizetype n = std::min<qsizetype>(std::max(0, count), logLines_.size());
    return logLines_.mid(logLines_.size() - n);
}

void SimServer::logEvent(const QByteArray& text) {
    std::lock_guard lock(mutex_);
    log('!', text);
}

QByteArray SimServer::formatLogLine(const QDateTime& utc, char direction, const QByteArray& text) {
    QByteArray line = utc.toUTC().toString(Qt::ISODateWithMs).toLatin1();
    line += ' ';
    line += direction;
    line += ' ';
    for (const char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if (u >= 0x20 && u < 0x7F && c != '\\')
            line += c;
        else
            line += "\\x" + QByteArray::number(u, 16).rightJustified(2, '0').toUpper();
    }
    return line;
}

void SimServer::log(char direction, const QByteArray& text) {
    const QByteArray line = formatLogLine(QDateTime::currentDateTimeUtc(), direction, text);
    logLines_.append(line);
    if (logLines_.size() > kLogLinesKept)
        logLines_.remove(0, logLines_.size() - kLogLinesKept);
    if (logFile_) {
        std::fwrite(line.constData(), 1, static_cast<size_t>(line.size()), logFile_);
        std::fputc('\n', logFile_);
    }
}

void SimServer::clearLog() {
    std::lock_guard lock(mutex_);
    receivedCommands_.clear();
    receivedBytes_.clear();
    sentReplies_.clear();
    sentBytes_.clear();
}

bool SimServer::waitForReceived(qsizetype byteCount, int timeoutMs) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                             [&] { return receivedBytes_.size() >= byteCount; });
}

bool SimServer::waitForCommands(qsizetype commandCount, int timeoutMs) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                             [&] { return receivedCommands_.size() >= commandCount; });
}

bool SimServer::waitForCommand(const QByteArray& command, int timeoutMs) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                             [&] { return receivedCommands_.contains(command); });
}

bool SimServer::waitForSent(qsizetype byteCount, int timeoutMs) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                             [&] { return sentBytes_.size() >= byteCount; });
}

} // namespace teleon::sim
