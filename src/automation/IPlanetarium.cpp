#include "automation/IPlanetarium.h"

#include "automation/ComErrors.h"
#include "automation/Scope.h"
#include "link/Channel.h"
#include "link/Utilities.h"
#include "platform/CallErrors.h"
#include "platform/Prompts.h"
#include "setup/SiteFormat.h"

#include <cmath>

namespace teleon {

namespace {

const QString Title = QStringLiteral("LX-200 Vantor");

void tell(const QString& text, platform::MsgIcon icon = platform::MsgIcon::Critical) {
    platform::prompts().MsgBox(text, icon, platform::MsgButtons::OK, Title);
}

// Runs a Scope member with its error caught here; false when it failed. A failure other than
// the lost link is shown when `show` is set.
template <typename F> bool quietly(F&& call, bool show) {
    platform::CallErrorTrap trap;
    try {
        call();
    } catch (...) {
        return false; // members hand their errors to the trap; this is for anything else
    }
    if (!trap.failed())
        return true;
    if (show && trap.error()->number != LostLinkError::Number)
        tell(trap.error()->message);
    return false;
}

double reading(Scope* scope, double (Scope::*member)()) {
    double value = 0;
    return quietly([&] { value = (scope->*member)(); }, false) ? value : 0.0;
}

} // namespace

IPlanetarium::IPlanetarium(QObject* parent) : QObject(parent), scope_(new Scope(this)) {}

double IPlanetarium::GetRA() {
    return reading(scope_, &Scope::RightAscension) * 15.0;
}

double IPlanetarium::GetDec() {
    return reading(scope_, &Scope::Declination);
}

double IPlanetarium::GetAz() {
    return reading(scope_, &Scope::Azimuth);
}

double IPlanetarium::GetEl() {
    return reading(scope_, &Scope::Elevation);
}

double IPlanetarium::GetFOVWidth() {
    return scope_->FOVWidth();
}

double IPlanetarium::GetFOVHeight() {
    return scope_->FOVHeight();
}

double IPlanetarium::GetFOVRadius() {
    return scope_->FOVRadius();
}

qint16 IPlanetarium::Slew(double dRA, double dDec) {
    bool slewed = false;
    quietly([&] { slewed = scope_->SlewToPosition(dRA / 15.0, dDec); }, true);
    return slewed ? 0 : -1;
}

bool IPlanetarium::SetLoc(double dLat, double dLong, qint16 iGmtOffset) {
    const QString illegal = QStringLiteral("Illegal Lat or Long from planetarium program");
    try {
        // Nothing that cannot be written as a site coordinate goes to the telescope.
        if (!std::isfinite(dLat) || !std::isfinite(dLong) || std::fabs(dLat) > 90.0 ||
            std::fabs(dLong) > 360.0) {
            tell(illegal);
            return false;
        }
        SendCommandBlind(lx::SelectSite4);
        if (!SendCommandBool(lx::SetLatitude, FormatSiteCoordinate(dLat)) ||
            !SendCommandBool(lx::SetLongitude, FormatSiteCoordinate(dLong)) ||
            !SendCommandBool(lx::SetUtcOffset,
                             FormatNeutralNumber(iGmtOffset / 60.0, QStringLiteral("00")))) {
            tell(illegal);
            return false;
        }
        if (!SendCommandBool(lx::SetSite4Name, QStringLiteral("ZZZ"))) {
            tell(QStringLiteral("Illegal site name ZZZ"));
            return false;
        }
        if (Hooks().UpdateWhatsVis)
            Hooks().UpdateWhatsVis();
        if (Hooks().UpdateScopeCoords)
            Hooks().UpdateScopeCoords();
        tell(QStringLiteral("Site change complete."), platform::MsgIcon::Information);
        return true;
    } catch (const LostLinkError&) {
    } catch (const AutomationError& e) {
        tell(e.description());
    } catch (const std::exception& e) {
        tell(QString::fromLocal8Bit(e.what()));
    } catch (...) {
    }
    return false;
}

bool IPlanetarium::SyncPos() {
    bool synced = false;
    quietly([&] { synced = scope_->SyncPosition(); }, true);
    return synced;
}

bool IPlanetarium::SyncToPos(double dRA, double dDec) {
    // A coordinate that was not taken must not be synced to.
    if (!quietly([&] { scope_->setObjectRightAscension(dRA / 15.0); }, true) ||
        !quietly([&] { scope_->setObjectDeclination(dDec); }, true))
        return false;
    return SyncPos();
}

} // namespace teleon
