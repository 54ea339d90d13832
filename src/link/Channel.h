// The one serial command channel to the telescope: three kinds of exchange, one way of reading
// a reply with a fixed time limit, and the lost-link path. Everything runs on the user-interface
// thread; an exchange blocks on the port's descriptor and never runs the event loop.
#pragma once

#include "link/Commands.h"
#include "platform/SerialPort.h"

#include <QString>

#include <functional>
#include <stdexcept>

class QTimer;

namespace teleon {

// The link went silent: no reply within the time limit.
class LostLinkError : public std::runtime_error {
public:
    static constexpr int Number = 32767;
    LostLinkError() : std::runtime_error("Lost communications with telescope") {}
    static int number() { return Number; }
    static QString source() { return QStringLiteral("LX-200 Vantor"); }
    static QString description() { return QStringLiteral("Lost communications with telescope"); }
};

// What the link needs from the main window. Each defaults to doing nothing.
struct LinkHooks {
    std::function<void()> SwitchToStandby;
    std::function<void(bool)> UpdateSelectedTime;
    std::function<void()> UpdateWhatsVis;
    std::function<void()> UpdateScopeCoords;
    std::function<void(const QString&)> ShowTimeAlert; // the clock notice, shown modally
    // The slew progress window and the finder's distance bars ("D" replies).
    std::function<void()> ShowSlewProgress;
    std::function<void(const QString&)> SetSlewBars;
    std::function<void()> HideSlewProgress;
    std::function<void(const QString&)> SetFinderBars;
    std::function<void()> Beep;
};
LinkHooks& Hooks();

// The serial port of the telescope (the main window's `com1`).
platform::SerialPort& com1();

// The main window's one-second status timer, paused by waits and connects. May be null.
void SetStatusTimer(QTimer* timer);
QTimer* StatusTimer();

// The reply time limit, 20000 ms. Tests shorten it; nothing else changes it.
int ReplyTimeoutMs();
void SetReplyTimeoutMs(int ms);

// Pauses the status timer for the life of the object and restarts it if it was running, unless
// StopStatusTimer was called meanwhile.
class StatusTimerPause {
public:
    StatusTimerPause();
    ~StatusTimerPause();
    StatusTimerPause(const StatusTimerPause&) = delete;
    StatusTimerPause& operator=(const StatusTimerPause&) = delete;

private:
    QTimer* timer_;
    bool wasActive_;
    unsigned stops_;
};

// Stops the status timer for good: no pause that is running now (a slew, a WaitMs, a connect)
// starts it again when it ends. A disconnect or a shutdown chosen during a wait must stick.
void StopStatusTimer();

// Exchanges. Each throws LostLinkError when the reply does not come in time, when the device
// hangs up or fails (the port is then closed, so that a reconnect opens the device afresh) and
// while the link is down; platform::PortError when the port was never opened.
QString SendCommandString(const QString& command);
bool SendCommandBool(const QString& command);
void SendCommandBlind(const QString& command);
QString SendCommandString(const LxCommand& command, const QString& argument = {});
bool SendCommandBool(const LxCommand& command, const QString& argument = {});
void SendCommandBlind(const LxCommand& command, const QString& argument = {});

// Writes text exactly as given (commands that come already framed).
void WriteRaw(const QString& text);
void WriteRaw(const LxCommand& command, const QString& argument = {});

// The connect handshake's own access to the line, which works while the link is down: waiting
// input is thrown away, then the acknowledge byte is written.
void WriteAcknowledge();

// Fills buffer from the port until terminator occurs at or after position start (1-based), or
// with an empty terminator until at least one character has arrived. Start 1 empties the buffer
// first. Characters are bytes: the telescope's degree sign, byte 223, is the character U+00DF.
void ReadReply(QString& buffer, int start, const QString& terminator);

// Waits while the event loop runs, with the status timer paused.
void WaitMs(long milliseconds);

// The busy cursor. They do not nest: one EndBusy ends any number of BeginBusy.
void BeginBusy();
void EndBusy();

// Ends the busy cursor when it leaves scope, also when an exchange throws.
class BusyGuard {
public:
    BusyGuard() { BeginBusy(); }
    ~BusyGuard() { EndBusy(); }
    BusyGuard(const BusyGuard&) = delete;
    BusyGuard& operator=(const BusyGuard&) = delete;
};

} // namespace teleon
