#include "sim/SimServer.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <stdexcept>
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
    char name[256] = {};
    if (::ttyname_r(slave, name, sizeof name) != 0) {
        const int saved = errno;
        ::close(master);
        ::close(slave);
        errno = saved;
        throw systemError(QStringLiteral("Cannot name the pseudo-terminal"));
    }
    int wake[2] = {-1, -1};
    if (::pipe2(wake, O_NONBLOCK | O_CLOEXEC) != 0) {
        const int saved = errno;
        ::close(master);
        ::close(slave);
        errno = saved;
        throw systemError(QStringLiteral("Cannot make the wake pipe"));
    }

    if (!options_.linkPath.isEmpty()) {
        const QByteArray link = options_.linkPath.toLocal8Bit();
        struct stat st {};
        bool failed = false;
        if (::lstat(link.constData(), &st) == 0) {
            if (!S_ISLNK(st.st_mode)) {
                errno = EEXIST;
                failed = true;
            } else {
                failed = ::unlink(link.constData()) != 0;
            }
        }
        if (!failed)
            failed = ::symlink(name, link.constData()) != 0;
        if (failed) {
            const int saved = errno;
            for (int fd : {master, slave, wake[0], wake[1]})
                ::close(fd);
            errno = saved;
            throw systemError(QStringLiteral("Cannot make the link %1").arg(options_.linkPath));
        }
    }

    std::lock_guard lock(mutex_);
    masterFd_ = master;
    slaveFd_ = slave;
    wakeFds_[0] = wake[0];
    wakeFds_[1] = wake[1];
    slavePath_ = QString::fromLocal8Bit(name);
    linkMade_ = !options_.linkPath.isEmpty();
    stopping_ = false;
    thread_ = std::thread(&SimServer::run, this);
}

void SimServer::stop() {
    {
        std::lock_guard lock(mutex_);
        if (!thread_.joinable())
            return;
        stopping_ = true;
    }
    wake();
    thread_.join();
    std::lock_guard lock(mutex_);
    closeFd(masterFd_);
    closeFd(slaveFd_);
    closeFd(wakeFds_[0]);
    closeFd(wakeFds_[1]);
    if (linkMade_) {
        // Remove the link only when it is still ours.
        const QByteArray link = options_.linkPath.toLocal8Bit();
        char target[256] = {};
        const ssize_t n = ::readlink(link.constData(), target, sizeof target - 1);
        if (n > 0 && QString::fromLocal8Bit(target, n) == slavePath_)
            ::unlink(link.constData());
        linkMade_ = false;
    }
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

void SimServer::wake() {
    int fd = -1;
    {
        std::lock_guard lock(mutex_);
        fd = wakeFds_[1];
    }
    if (fd >= 0) {
        const char byte = 1;
        [[maybe_unused]] const ssize_t n = ::write(fd, &byte, 1); // a full pipe wakes too
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
        pollfd fds[2] = {{masterFd_, static_cast<short>(POLLIN | (wantWrite ? POLLOUT : 0)), 0},
                         {wakeFds_[0], POLLIN, 0}};
        lock.unlock();
        timespec ts{};
        if (timeoutNs >= 0) {
            ts.tv_sec = static_cast<time_t>(timeoutNs / 1'000'000'000);
            ts.tv_nsec = static_cast<long>(timeoutNs % 1'000'000'000);
        }
        const int ready = ::ppoll(fds, 2, timeoutNs >= 0 ? &ts : nullptr, nullptr);
        lock.lock();
        if (ready < 0)
            continue; // EINTR

        if (fds[1].revents & POLLIN) {
            char drain[64];
            while (::read(wakeFds_[0], drain, sizeof drain) > 0) {
            }
        }
        if (fds[0].revents & POLLOUT)
            writeBlocked_ = false;
        if (fds[0].revents & POLLIN) {
            char buffer[4096];
            const ssize_t n = ::read(masterFd_, buffer, sizeof buffer);
            if (n > 0)
                handleInput(QByteArray(buffer, n));
        } else if (fds[0].revents & (POLLHUP | POLLERR)) {
            // Cannot happen while the slave is held open; should it, do not spin on it.
            lock.unlock();
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            lock.lock();
        }
    }
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

void SimServer::handleInput(const QByteArray& bytes) {
    receivedBytes_ += bytes;
    receivedCommands_ += logFramer_.push(bytes);
    changed_.notify_all();
    if (silent_ || cablePulled_)
        return;
    if (echo_) {
        emitReplies({Reply{QByteArray(), bytes}});
        return;
    }
    emitReplies(model_.feedReplies(bytes));
}

void SimServer::emitReplies(const QList<Reply>& replies) {
    for (const Reply& reply : replies) {
        if (reply.bytes.isEmpty() || silent_ || cablePulled_)
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
    const ssize_t n = ::write(masterFd_, pending_.constData(), static_cast<size_t>(count));
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
    }
    wake();
}

void SimServer::garbleNext(int count) {
    std::lock_guard lock(mutex_);
    garbleCount_ = std::max(0, count);
}

void SimServer::refuseNext(const QByteArray& command, int count) {
    std::lock_guard lock(mutex_);
    model_.refuseNext(command, count);
}

void SimServer::refuseNextSlew(char code) {
    std::lock_guard lock(mutex_);
    model_.refuseNextSlew(code);
}

void SimServer::echoMode(bool on) {
    std::lock_guard lock(mutex_);
    echo_ = on;
}

void SimServer::hangUp() {
    {
        std::lock_guard lock(mutex_);
        cablePulled_ = true;
        pending_.clear(); // bytes on the wire when the cable came out are lost
    }
    wake();
}

void SimServer::reconnect() {
    {
        std::lock_guard lock(mutex_);
        cablePulled_ = false;
        model_.resetInput();
    }
    wake();
}

void SimServer::setMountMode(char mode) {
    std::lock_guard lock(mutex_);
    model_.setMountMode(mode);
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
