// Connection to the telescope and the operations that bring one of its settings to a wanted
// state: coordinate format, high-precision pointing, reticle brightness, clock and calendar.
#pragma once

#include <QString>

namespace teleon {

// The port setting as stored ("1".."8", a device path, or "Simulator" once resolved to the
// simulator's device) and the number shown in messages.
struct PortChoice {
    QString devicePath;
    int number = 0;  // 1..8 for numbered ports, 0 for a device given by path
    QString display; // "COM1", or the device path
};

// Numbered ports 1..8 stand for /dev/ttyS0../dev/ttyS7; anything else is taken as a path.
PortChoice PortChoiceFor(const QString& setting);

// Sets the serial port that the next open uses (the serial control's port number).
void SetCommPort(const PortChoice& choice);
PortChoice CommPort();

// Opens the port and shakes hands; sets ScopeConnected and AlignmentMode. Port 0 keeps the
// current port; another number selects that numbered port first.
bool ConnectScope(int& port, bool showMessages);
void DisconnectScope();
QString QueryAlignMode();
void SetLongFormat(bool wantLong);
void SetHighPrecisionPointing(bool wantOn);
void SetReticleLevel(int& level);
// localDateTime is an OLE date in local wall-clock time.
bool SetScopeClock(double& localDateTime, bool showMessages);
// MM/DD/YY of an OLE date; the argument's time part is removed in place.
QString FormatScopeDate(double& date);

} // namespace teleon
