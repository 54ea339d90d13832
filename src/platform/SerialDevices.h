// The serial devices present on this machine, for the port list of the preferences window and
// the system information window.
#pragma once

#include <QString>
#include <QStringList>

namespace teleon::platform {

// Device paths under devRoot: the on-board ports ttyS*, the USB adapters ttyUSB* and the
// modem-class devices ttyACM* (each group in numeric order: ttyS2 before ttyS10), then the
// stable names of serial/by-id/ in name order. Nothing that is missing is an error.
QStringList ListSerialDevices(const QString& devRoot = QStringLiteral("/dev"));

} // namespace teleon::platform
