#include "link/ScopeIntfc.h"

#include "astro/Celest32.h"
#include "link/Channel.h"
#include "link/ProgramState.h"
#include "platform/EventLoop.h"
#include "platform/Prompts.h"

#include <QDateTime>
#include <QTimer>

#include <cmath>

namespace teleon {

namespace {

const QString Title = QStringLiteral("LX-200 Vantor");
PortChoice currentPort = PortChoiceFor(QStringLiteral("1"));

void showCritical(const QString& text) {
    platform::prompts().MsgBox(text, platform::MsgIcon::Critical, platform::MsgButtons::OK, Title);
}

// The day of an OLE date, taken arithmetically: a wall-clock midnight that the local zone skips
// (daylight-saving time starting at 00:00) is still the start of its day here.
double datePart(double oleDate) {
    return std::trunc(oleDate);
}

QDate dayOf(double oleDate) {
    return QDate(1899, 12, 30).addDays(qint64(datePart(oleDate)));
}

void refreshDisplay() {
    if (Hooks().UpdateSelectedTime)
        Hooks().UpdateSelectedTime(true);
    if (Hooks().UpdateWhatsVis)
        Hooks().UpdateWhatsVis();
    if (Hooks().UpdateScopeCoords)
        Hooks().UpdateScopeCoords();
}

} // namespace

PortChoice PortChoiceFor(const QString& setting) {
    bool isNumber = false;
    const int n = setting.trimmed().toInt(&isNumber);
    if (isNumber && n >= 1 && n <= 8)
        return {QStringLiteral("/dev/ttyS%1").arg(n - 1), n, QStringLiteral("COM%1").arg(n)};
    return {setting.trimmed(), 0, setting.trimmed()};
}

void SetCommPort(const PortChoice& choice) {
    currentPort = choice;
    com1().setDevicePath(choice.devicePath);
}

PortChoice CommPort() {
    return currentPort;
}

bool ConnectScope(int& port, bool showMessages) {
    StatusTimerPause pause;
    bool result = false;
    try {
        if (port != 0)
            SetCommPort(PortChoiceFor(QString::number(port)));
        if (!com1().isOpen())
            com1().open();
        QString reply;
        // Whatever is still waiting (a late reply, line noise) would be taken for the answer.
        WriteAcknowledge();
        const std::int64_t t0 = platform::TickMs();
        bool timedOut = false;
        while (reply.isEmpty()) {
            const std::int64_t elapsed = platform::TickMs() - t0;
            if (elapsed > ReplyTimeoutMs()) {
                timedOut = true;
                break;
            }
            reply += QString::fromLatin1(com1().readAvailable());
            if (reply.isEmpty())
                com1().waitForInputServingEvents(int(ReplyTimeoutMs() - elapsed) + 1);
        }
        if (timedOut) {
            com1().discardOutput();
            ScopeConnected = false;
            if (showMessages)
                showCritical(QStringLiteral("Scope failed to respond to initial command. Check "
                                            "your serial cable and verify scope is powered up."));
        } else {
            AlignmentMode = reply.left(1);
            if (AlignmentMode == u"G")
                AlignmentMode = QStringLiteral("P");
            if (AlignmentMode == u"P" || AlignmentMode == u"A") {
                result = true;
                ScopeConnected = true;
                LinkDown = false;
            } else {
                DisconnectScope();
                ScopeConnected = false;
                if (showMessages && AlignmentMode == u"L")
                    showCritical(
                        QStringLiteral("Alignment mode is LAND. Change it to Alt-Az or Polar."));
                else if (showMessages)
                    showCritical(QStringLiteral("Something other than an LX-200 (a modem?) "
                                                "appears to be connected to %1.")
                                     .arg(CommPort().display));
            }
        }
    } catch (const platform::PortError& e) {
        result = false;
        ScopeConnected = false;
        // A device that hung up is closed, so that the next attempt opens it afresh (the other
        // errors come before the port is open).
        com1().close();
        if (showMessages)
            showCritical(QStringLiteral("Serial I/O Failed in %1: %2 (code=%3).")
                             .arg(platform::PortError::source(), e.description())
                             .arg(e.number()));
    }
    WaitMs(500);
    com1().discardInput();
    com1().discardOutput();
    return result;
}

void DisconnectScope() {
    com1().close();
    ScopeConnected = false;
    LinkDown = true;
}

QString QueryAlignMode() {
    com1().discardInput(); // a late reply would be taken for the mount mode
    WriteRaw(lx::Acknowledge);
    QString reply;
    ReadReply(reply, 1, QString());
    return reply.left(1);
}

void SetLongFormat(bool wantLong) {
    const QString reply = SendCommandString(lx::GetAzimuth);
    WaitMs(500);
    const bool isLong = reply.size() > 6;
    if (isLong != wantLong)
        SendCommandBlind(lx::ToggleFormat);
}

void SetHighPrecisionPointing(bool wantOn) {
    const QString until = QStringLiteral("PRECISION");
    QString reply;
    WriteRaw(lx::TogglePrecision);
    ReadReply(reply, 1, until);
    if ((reply.startsWith(u"LOW") && wantOn) || (reply.startsWith(u"HIGH") && !wantOn)) {
        WriteRaw(lx::TogglePrecision);
        ReadReply(reply, 1, until);
    }
    HighPrecisionPointing = wantOn;
}

void SetReticleLevel(int& level) {
    for (int i = 0; i < 10; ++i)
        SendCommandBlind(lx::ReticleDarker);
    ReticleLevel = 0;
    level = qBound(0, level, 9);
    for (int i = ReticleLevel; i < level; ++i)
        SendCommandBlind(lx::ReticleBrighter);
    ReticleLevel = level;
}

QString FormatScopeDate(double& date) {
    date = datePart(date);
    const QDate d = dayOf(date);
    return QStringLiteral("%1/%2/%3")
        .arg(d.month(), 2, 10, QLatin1Char('0'))
        .arg(d.day(), 2, 10, QLatin1Char('0'))
        .arg(((d.year() % 100) + 100) % 100, 2, 10, QLatin1Char('0'));
}

bool SetScopeClock(double& localDateTime, bool showMessages) {
    bool result = false;
    bool refused = false;
    QString extraText;
    {
        const QTime t = celest32::DateTimeFromOle(localDateTime).time();
        if (!SendCommandBool(lx::SetLocalTime, t.toString(QStringLiteral("HH:mm:ss")))) {
            refused = true;
        } else {
            const QString scopeDate = SendCommandString(lx::GetDate);
            const double scopeDay = celest32::mdy_vb(scopeDate.toLatin1().constData());
            double wantedDay = datePart(localDateTime);
            if (scopeDay != wantedDay) {
                // The busy cursor must end also when the link is lost half-way.
                BusyGuard busy;
                WriteRaw(lx::SetLocalDate, FormatScopeDate(wantedDay) + u'#');
                QString reply;
                ReadReply(reply, 1, QString());
                if (reply.startsWith(u'0')) {
                    refused = true;
                } else {
                    const QString hash = QStringLiteral("#");
                    ReadReply(reply, 2, hash);
                    const int first = int(reply.indexOf(hash, 1)) + 1; // 1-based position
                    ReadReply(reply, first + 1, hash);
                    extraText = QStringLiteral(
                        "The date changed, so the planetary data has been updated\r\n\r\n");
                }
            }
        }
    }
    if (refused) {
        EndBusy();
        if (showMessages)
            showCritical(QStringLiteral(
                "The date or time was illegal. Check your PC date and time settings."));
    } else {
        result = true;
        if (showMessages && (AlertFlags & 1) == 0 && Hooks().ShowTimeAlert)
            Hooks().ShowTimeAlert(
                extraText +
                QStringLiteral("The scope's date and time have been updated from your PC clock."));
    }
    refreshDisplay();
    return result;
}

} // namespace teleon
