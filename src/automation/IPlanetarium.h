// The interface for the drivers of planetarium programs: right ascension and declination both in
// degrees, and no errors raised to the caller. Failures come back as 0, -1 or false, with a
// message box for the user (none for a lost link: the main window has gone to standby).
#pragma once

#include <QObject>

namespace teleon {

class Scope;

class IPlanetarium : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.marrick.Teleon.IPlanetarium")
    Q_CLASSINFO("Description", "LX-200 Planetarium Driver Interface (private)")

public:
    explicit IPlanetarium(QObject* parent = nullptr);

    Q_INVOKABLE double GetRA(); // degrees
    Q_INVOKABLE double GetDec();
    Q_INVOKABLE double GetAz();
    Q_INVOKABLE double GetEl();
    Q_INVOKABLE double GetFOVWidth();
    Q_INVOKABLE double GetFOVHeight();
    Q_INVOKABLE double GetFOVRadius();
    // 0 when the slew ran, -1 when not.
    Q_INVOKABLE qint16 Slew(double dRA, double dDec);
    // dLong in the telescope's own sense (+ west), iGmtOffset in minutes.
    Q_INVOKABLE bool SetLoc(double dLat, double dLong, qint16 iGmtOffset);
    Q_INVOKABLE bool SyncPos();
    Q_INVOKABLE bool SyncToPos(double dRA, double dDec);

private:
    Scope* scope_;
};

} // namespace teleon
