// The client end of the simulator's line for tests: the slave path opened with plain POSIX
// calls, raw 8N1, and reads that wait in poll() with deadlines.
#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QString>

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace teleon::test {

class PtyClient {
public:
    PtyClient() = default;
    ~PtyClient() { close(); }
    PtyClient(const PtyClient&) = delete;
    PtyClient& operator=(const PtyClient&) = delete;

    bool open(const QString& path) {
        fd_ = ::open(path.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        if (fd_ < 0)
            return false;
        termios tio{};
        ::tcgetattr(fd_, &tio);
        ::cfmakeraw(&tio);
        ::cfsetispeed(&tio, B9600);
        ::cfsetospeed(&tio, B9600);
        tio.c_cflag &= ~(PARENB | CSTOPB | CRTSCTS);
        tio.c_cflag |= CS8 | CLOCAL | CREAD;
        tio.c_iflag &= ~(IXON | IXOFF);
        tio.c_cc[VMIN] = 0;
        tio.c_cc[VTIME] = 0;
        ::tcsetattr(fd_, TCSANOW, &tio);
        ::tcflush(fd_, TCIOFLUSH);
        return true;
    }

    void close() {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = -1;
    }

    bool isOpen() const { return fd_ >= 0; }

    void send(const QByteArray& bytes) {
        qsizetype done = 0;
        while (done < bytes.size()) {
            const ssize_t n = ::write(fd_, bytes.constData() + done, bytes.size() - done);
            if (n > 0) {
                done += n;
            } else {
                pollfd p{fd_, POLLOUT, 0};
                ::poll(&p, 1, 100);
            }
        }
    }

    // Reads until the buffer ends with terminator (empty terminator: at least one byte) or
    // the deadline passes; returns what arrived either way.
    QByteArray readUntil(const QByteArray& terminator, int timeoutMs) {
        return readWhile(timeoutMs, [&](const QByteArray& got) {
            return terminator.isEmpty() ? got.isEmpty() : !got.endsWith(terminator);
        });
    }

    QByteArray readCount(qsizetype count, int timeoutMs) {
        return readWhile(timeoutMs, [&](const QByteArray& got) { return got.size() < count; });
    }

    // Everything that arrives within ms.
    QByteArray readFor(int ms) {
        return readWhile(ms, [](const QByteArray&) { return true; });
    }

    // Sends "#:" + command + "#" and reads the reply up to "#".
    QByteArray ask(const QByteArray& command, int timeoutMs = 2000) {
        send("#:" + command + "#");
        return readUntil("#", timeoutMs);
    }

    // Sends a framed command and reads one character.
    QByteArray askFlag(const QByteArray& command, int timeoutMs = 2000) {
        send("#:" + command + "#");
        return readCount(1, timeoutMs);
    }

private:
    template <class More> QByteArray readWhile(int timeoutMs, More more) {
        QByteArray got;
        QElapsedTimer t;
        t.start();
        while (more(got)) {
            const qint64 left = timeoutMs - t.elapsed();
            if (left <= 0)
                break;
            pollfd p{fd_, POLLIN, 0};
            if (::poll(&p, 1, static_cast<int>(left)) <= 0)
                continue;
            char buffer[256];
            const ssize_t n = ::read(fd_, buffer, sizeof buffer);
            if (n > 0)
                got.append(buffer, n);
        }
        return got;
    }

    int fd_ = -1;
};

} // namespace teleon::test
