#include "link/SlewEngine.h"

#include "astro/AstronomyFuncs.h"
#include "astro/Celest32.h"
#include "link/AutomationError.h"
#include "link/Channel.h"
#include "link/ProgramState.h"
#include "link/Utilities.h"
#include "platform/EventLoop.h"
#include "platform/Prompts.h"

#include <cmath>
#include <stdexcept>

namespace teleon {

namespace {

const QString Title = QStringLiteral("LX-200 Vantor");
constexpr int SlewRefusedError = 1120;

void message(const QString& text, platform::MsgIcon icon) {
    platform::prompts().MsgBox(text, icon, platform::MsgButtons::OK, Title);
}

// The target's tilt in degrees: its altitude on an alt-azimuth mount, its declination otherwise.
double targetTiltDegrees() {
    if (AlignmentMode == u"A") {
        const double longitude =
            ParseScopeAngleRad(SendCommandString(lx::GetLongitude) + QStringLiteral("x00x"));
        const double latitude =
            ParseScopeAngleRad(SendCommandString(lx::GetLatitude) + QStringLiteral("x00x"));
        const double raHours = ParseScopeHours(SendCommandString(lx::GetTargetRA));
        const double dec = ParseScopeAngleRad(SendCommandString(lx::GetTargetDec));
        const double lstHours = celest32::now_lst(-longitude);
        double alt = 0.0, az = 0.0;
        celest32::hadec_aa(latitude, HoursToRad(lstHours - raHours), dec, &alt, &az);
        return RadToDeg(alt);
    }
    return ParseScopeAngle(SendCommandString(lx::GetTargetDec));
}

void showBars(bool showProgress, const QString& bars) {
    if (showProgress && Hooks().SetSlewBars)
        Hooks().SetSlewBars(bars);
    if (Hooks().SetFinderBars) {
        try {
            Hooks().SetFinderBars(bars);
        } catch (...) {
        }
    }
}

void hideProgress(bool showProgress) {
    if (showProgress && Hooks().HideSlewProgress)
        Hooks().HideSlewProgress();
}

} // namespace

bool SlewToTarget(bool showProgress, bool raiseErrors) {
    const double tilt = targetTiltDegrees();
    if (TiltUpLimit != 0.0 && tilt > TiltUpLimit) {
        if (raiseErrors)
            throw AutomationError(SlewRefusedError,
                                  QStringLiteral("Coordinates above configured OTA tilt-up limit"));
        message(QStringLiteral("The coordinates are above the configured scope tilt-up limit "
                               "(see Preferences...)."),
                platform::MsgIcon::Critical);
        return false;
    }

    StatusTimerPause pause;
    QString refusal;
    bool result = false;
    try {
        BeginBusy();
        if (showProgress && !HighPrecisionPointing && Hooks().ShowSlewProgress)
            Hooks().ShowSlewProgress();
        ScopeMoving = true;
        platform::DoEvents();

        QString reply;
        WriteRaw(lx::SlewToTargetCmd);
        ReadReply(reply, 1, QString());
        const QChar code = reply.at(0);
        if (!code.isDigit()) // not a result code: the failure path
            throw std::runtime_error("unreadable slew result code");
        if (code == u'0') {
            // A halt of an earlier slew is no abort of this one, also when no wait is made.
            SlewAborted = false;
            if (HighPrecisionPointing) {
                platform::prompts().MsgBox(
                    QStringLiteral("Scope is in Hi Precision mode. Use the handbox to sync on the "
                                   "reference star then complete the slew to the final object.") +
                        QStringLiteral("\r\n\r\nClick OK when the slew is complete."),
                    platform::MsgIcon::Information, platform::MsgButtons::OK, Title);
            } else {
                while (!SlewAborted) {
                    const QString bars = SendCommandString(lx::GetDistanceBars);
                    showBars(showProgress, bars);
                    if (bars.trimmed().isEmpty())
                        break;
                    WaitMs(200);
                    platform::DoEvents();
                }
                WaitMs(4000);
                if (Hooks().Beep)
                    Hooks().Beep();
                hideProgress(showProgress);
            }
            EndBusy();
            ScopeMoving = false;
            platform::DoEvents();
            result = !SlewAborted;
        } else {
            ScopeMoving = false;
            hideProgress(showProgress);
            showProgress = false; // closed already, also if the rest of the reply fails
            // The refusal's message runs up to "#"; read it so it does not head the next reply.
            ReadReply(reply, 2, QStringLiteral("#"));
            refusal = code == u'1'   ? QStringLiteral("are below the horizon")
                      : code == u'2' ? QStringLiteral("are below the current minimum elevation "
                                                      "setting")
                                     : QStringLiteral("failed for some unknown reason");
            EndBusy();
        }
    } catch (const LostLinkError&) {
        // The channel has switched to standby; the caller's operation ends too, rather than
        // going on to ask a telescope that is gone.
        ScopeMoving = false;
        hideProgress(showProgress);
        EndBusy();
        throw;
    } catch (const std::exception&) {
        // An unreadable reply: the slew ends quietly.
        ScopeMoving = false;
        hideProgress(showProgress);
        EndBusy();
        return false;
    }
    if (!refusal.isEmpty()) {
        const QString text = QStringLiteral("The selected coordinates ") + refusal + u'.';
        if (raiseErrors)
            throw AutomationError(SlewRefusedError, text);
        message(text, platform::MsgIcon::Critical);
        return false;
    }
    return result;
}

bool ShiftTarget(double northDegrees, double eastDegrees, bool showMessages) {
    const auto warn = [showMessages](const QString& text) {
        if (showMessages)
            message(text, platform::MsgIcon::Exclamation);
    };
    // Both shifts are limited in size, whichever their direction.
    if (std::fabs(northDegrees) > 10.0 || std::fabs(eastDegrees) > 10.0) {
        warn(QStringLiteral("Shift value too big, must be 10 degrees or less."));
        return false;
    }
    const double raDegrees = ParseScopeHoursDeg(SendCommandString(lx::GetRA));
    const double decDegrees = ParseScopeAngle(SendCommandString(lx::GetDec));
    const double newDec = decDegrees + northDegrees;
    if (std::fabs(newDec) > 80.0) {
        warn(QStringLiteral("Too close to celestial pole for shift calculations"));
        return false;
    }
    double newRa = raDegrees + eastDegrees / std::cos(DegToRad(decDegrees + northDegrees / 2.0));
    while (newRa >= 360.0)
        newRa -= 360.0;
    while (newRa < 0.0)
        newRa += 360.0;
    QString raText = FormatScopeHoursDeg(newRa);
    if (raText.startsWith(u"24")) // within half a second of 360°: the seconds carried into 24h
        raText.replace(0, 2, QStringLiteral("00"));
    if (!SendCommandBool(lx::SetTargetRA, raText) ||
        !SendCommandBool(lx::SetTargetDec, FormatScopeAngle(newDec))) {
        warn(QStringLiteral("The shifted coordinates were bad"));
        return false;
    }
    return true;
}

void HaltSlew() {
    SendCommandBlind(lx::Halt);
    SlewAborted = true;
}

} // namespace teleon
