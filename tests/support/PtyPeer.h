// A scripted far end of a serial line for channel tests: a pseudo-terminal whose master side
// the test reads and writes byte by byte, while the program opens the slave like a real port.
#pragma once

#include <QByteArray>
#include <QString>

#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <stdexcept>
#include <thread>
#include <vector>
#include <termios.h>
#include <unistd.h>

namespace teleon::test {

class PtyPeer {
public:
    PtyPeer() {
        int slave = -1;
        char name[128] = {};
        if (openpty(&master_, &slave, name, nullptr, nullptr) != 0)
            throw std::runtime_error("openpty failed");
        termios tio{};
        tcgetattr(slave, &tio);
        cfmakeraw(&tio);
        tcsetattr(slave, TCSANOW, &tio);
        slave_ = slave; // kept open so that the master never sees a hang-up between clients
        path_ = QString::fromLocal8Bit(name);
        fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK);
    }
    ~PtyPeer() {
        for (auto& t : later_)
            t.join();
        hangUp();
    }
    PtyPeer(const PtyPeer&) = delete;
    PtyPeer& operator=(const PtyPeer&) = delete;

    QString path() const { return path_; }

    // The device goes away, as an unplugged USB adapter does: the program's descriptor hangs up.
    void hangUp() {
        if (master_ >= 0)
            ::close(master_);
        if (slave_ >= 0)
            ::close(slave_);
        master_ = slave_ = -1;
    }

    // The line settings the program has put on the port.
    termios lineSettings() const {
        termios tio{};
        tcgetattr(slave_, &tio);
        return tio;
    }

    void send(const QByteArray& bytes) {
        qsizetype done = 0;
        while (done < bytes.size()) {
            const ssize_t n =
                ::write(master_, bytes.constData() + done, size_t(bytes.size() - done));
            if (n > 0)
                done += n;
            else if (n < 0 && errno != EAGAIN && errno != EINTR)
                throw std::runtime_error("pty write failed");
        }
    }

    // Sends bytes from another thread after delayMs: a reply that arrives while the program
    // is already waiting for it.
    void sendLater(const QByteArray& bytes, int delayMs) {
        later_.emplace_back([this, bytes, delayMs] {
            std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));
            send(bytes);
        });
    }

    // Everything the program has written, waiting up to timeoutMs for at least `atLeast` bytes.
    QByteArray received(int atLeast = 1, int timeoutMs = 2000) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        for (;;) {
            char buf[256];
            ssize_t n;
            while ((n = ::read(master_, buf, sizeof buf)) > 0)
                got_.append(buf, n);
            if (got_.size() >= atLeast)
                break;
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                                  end - std::chrono::steady_clock::now())
                                  .count();
            if (left <= 0)
                break;
            pollfd p{master_, POLLIN, 0};
            ::poll(&p, 1, int(left));
        }
        QByteArray out = got_;
        got_.clear();
        return out;
    }

private:
    int master_ = -1;
    int slave_ = -1;
    QString path_;
    QByteArray got_;
    std::vector<std::thread> later_;
};

} // namespace teleon::test
