// A serial line on a tty: raw 8N1 at 9600 baud, no handshaking, every byte value passed unchanged.
// Reads never block; waiting for input is a separate poll() so that callers never spin.
#pragma once

#include <QByteArray>
#include <QString>

#include <stdexcept>

namespace teleon::platform {

// An error of the serial line itself (no such port, port busy, port not open, write failed).
class PortError : public std::runtime_error {
public:
    PortError(int number, const QString& description)
        : std::runtime_error(description.toStdString()), number_(number),
          description_(description) {}
    int number() const { return number_; }
    QString description() const { return description_; }
    static QString source() { return QStringLiteral("SerialPort"); }

private:
    int number_;
    QString description_;
};

// Error numbers of PortError.
enum PortErrorNumber {
    PortNotOpen = 8018,     // operation valid only when the port is open
    PortAlreadyOpen = 8005, // port already open
    PortOpenFailed = 8002,  // invalid port number or device
    PortInUse = 8010,       // the device is held by another program
    PortWriteFailed = 8020,
    PortReadFailed = 8021,
    PortHungUp = 8022, // the device went away (adapter unplugged, far end of a pty closed)
};

class SerialPort {
public:
    SerialPort() = default;
    ~SerialPort();
    SerialPort(const SerialPort&) = delete;
    SerialPort& operator=(const SerialPort&) = delete;

    // The device path (/dev/ttyUSB0, /dev/pts/3, a symlink). Takes effect at the next open().
    void setDevicePath(const QString& path) { path_ = path; }
    QString devicePath() const { return path_; }

    void open(); // throws PortError
    void close() noexcept;
    bool isOpen() const { return fd_ >= 0; }

    // Writes every byte, waiting (poll) while the driver's queue is full. Throws PortError
    // (PortHungUp when the device has gone away).
    void write(const QByteArray& bytes);
    // Everything waiting now, possibly nothing. Throws PortError when the port is not open and
    // PortHungUp when a read says the device has gone away (a pty whose far end closed).
    QByteArray readAvailable();
    // Blocks in poll() until input is waiting or timeoutMs has passed; true when input waits.
    // A hung-up line (an unplugged adapter, a pty whose far end closed) throws PortHungUp at
    // once instead: poll() would report it again and again without ever blocking.
    bool waitForInput(int timeoutMs);
    // As waitForInput, but the event loop runs while waiting (windows stay alive, timers fire).
    bool waitForInputServingEvents(int timeoutMs);
    // Throw away what is waiting to be read / still queued for sending.
    void discardInput() noexcept;
    void discardOutput() noexcept;

private:
    QString path_;
    int fd_ = -1;
};

} // namespace teleon::platform
