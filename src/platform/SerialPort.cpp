#include "SerialPort.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QSocketNotifier>
#include <QTimer>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace teleon::platform {

namespace {

QString errnoText(int err) {
    return QString::fromLocal8Bit(std::strerror(err));
}

// Errors by which the kernel says the device behind the descriptor is gone.
bool isHangUpErrno(int err) {
    return err == EIO || err == ENXIO || err == ENODEV || err == EPIPE;
}

[[noreturn]] void throwHungUp(const QString& path) {
    throw PortError(PortHungUp, QStringLiteral("The device %1 was disconnected").arg(path));
}

} // namespace

SerialPort::~SerialPort() {
    close();
}

void SerialPort::open() {
    if (fd_ >= 0)
        throw PortError(PortAlreadyOpen, QStringLiteral("Port already open"));
    const QByteArray path = path_.toLocal8Bit();
    const int fd = ::open(path.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        const int err = errno;
        if (err == EBUSY)
            throw PortError(PortInUse, QStringLiteral("Port %1 is in use").arg(path_));
        throw PortError(PortOpenFailed,
                        QStringLiteral("Cannot open port %1: %2").arg(path_, errnoText(err)));
    }
    termios tio{};
    if (tcgetattr(fd, &tio) != 0) {
        const int err = errno;
        ::close(fd);
        throw PortError(PortOpenFailed,
                        QStringLiteral("%1 is not a serial port: %2").arg(path_, errnoText(err)));
    }
    cfmakeraw(&tio);
    cfsetispeed(&tio, B9600);
    cfsetospeed(&tio, B9600);
    tio.c_cflag &= ~(PARENB | CSTOPB | CSIZE | CRTSCTS);
    tio.c_cflag |= CS8 | CLOCAL | CREAD;
    tio.c_iflag &= ~(IXON | IXOFF | IXANY);
    tio.c_cc[VMIN] = 0;
    tio.c_cc[VTIME] = 0;
    if (tcsetattr(fd, TCSANOW, &tio) != 0) {
        const int err = errno;
        ::close(fd);
        throw PortError(PortOpenFailed,
                        QStringLiteral("Cannot set up port %1: %2").arg(path_, errnoText(err)));
    }
    // Exclusive use, as a serial control has it; a second opener gets EBUSY.
    ioctl(fd, TIOCEXCL);
    fd_ = fd;
}

void SerialPort::close() noexcept {
    if (fd_ >= 0) {
        // Release the exclusive lock: a device that stays open on the far side (a
        // pseudo-terminal) keeps it otherwise, and our next open would find the port busy.
        ioctl(fd_, TIOCNXCL);
        ::close(fd_);
        fd_ = -1;
    }
}

void SerialPort::write(const QByteArray& bytes) {
    if (fd_ < 0)
        throw PortError(PortNotOpen, QStringLiteral("Operation valid only when the port is open"));
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd_, bytes.constData() + done, size_t(bytes.size() - done));
        if (n > 0) {
            done += n;
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno == EAGAIN) {
            pollfd p{fd_, POLLOUT, 0};
            if (::poll(&p, 1, 1000) <= 0)
                throw PortError(PortWriteFailed,
                                QStringLiteral("Write to %1 timed out").arg(path_));
            continue;
        }
        const int err = errno;
        if (isHangUpErrno(err))
            throwHungUp(path_);
        throw PortError(PortWriteFailed,
                        QStringLiteral("Write to %1 failed: %2").arg(path_, errnoText(err)));
    }
}

QByteArray SerialPort::readAvailable() {
    if (fd_ < 0)
        throw PortError(PortNotOpen, QStringLiteral("Operation valid only when the port is open"));
    QByteArray out;
    char buf[512];
    for (;;) {
        const ssize_t n = ::read(fd_, buf, sizeof buf);
        if (n > 0) {
            out.append(buf, n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && isHangUpErrno(errno) && out.isEmpty())
            throwHungUp(path_);
        // 0 or EAGAIN: nothing waiting now (a raw tty with VMIN = VTIME = 0 reads 0 bytes when
        // it has nothing, so 0 alone is no hang-up: waitForInput's poll() tells).
        break;
    }
    return out;
}

bool SerialPort::waitForInput(int timeoutMs) {
    if (fd_ < 0)
        throw PortError(PortNotOpen, QStringLiteral("Operation valid only when the port is open"));
    if (timeoutMs < 0)
        timeoutMs = 0;
    pollfd p{fd_, POLLIN, 0};
    int r;
    do {
        r = ::poll(&p, 1, timeoutMs);
    } while (r < 0 && errno == EINTR);
    if (r <= 0)
        return false;
    if (p.revents & (POLLHUP | POLLERR | POLLNVAL)) {
        // Data may still be waiting in front of the hang-up: let the caller take it first.
        if ((p.revents & POLLIN) && !(p.revents & POLLNVAL)) {
            int waiting = 0;
            if (ioctl(fd_, FIONREAD, &waiting) == 0 && waiting > 0)
                return true;
        }
        throwHungUp(path_);
    }
    return (p.revents & POLLIN) != 0;
}

bool SerialPort::waitForInputServingEvents(int timeoutMs) {
    if (fd_ < 0)
        throw PortError(PortNotOpen, QStringLiteral("Operation valid only when the port is open"));
    if (!QCoreApplication::instance())
        return waitForInput(timeoutMs);
    if (waitForInput(0))
        return true;
    QEventLoop loop;
    QTimer deadline;
    deadline.setSingleShot(true);
    deadline.setTimerType(Qt::PreciseTimer);
    QObject::connect(&deadline, &QTimer::timeout, &loop, &QEventLoop::quit);
    QSocketNotifier notifier(fd_, QSocketNotifier::Read);
    bool readable = false;
    bool hungUp = false;
    QObject::connect(&notifier, &QSocketNotifier::activated, &loop, [&] {
        try {
            readable = waitForInput(0);
        } catch (const PortError&) {
            hungUp = true;
        }
        if (readable || hungUp)
            loop.quit();
    });
    deadline.start(qMax(0, timeoutMs));
    loop.exec();
    if (hungUp)
        throwHungUp(path_);
    return readable;
}

void SerialPort::discardInput() noexcept {
    if (fd_ >= 0)
        tcflush(fd_, TCIFLUSH);
}

void SerialPort::discardOutput() noexcept {
    if (fd_ >= 0)
        tcflush(fd_, TCOFLUSH);
}

} // namespace teleon::platform
