#include "automation/AutomationServer.h"

#include "automation/AutomationStartup.h"
#include "automation/frmScript.h"
#include "platform/BusService.h"

#include <QLoggingCategory>

namespace teleon {

namespace {
Q_LOGGING_CATEGORY(lcBus, "automation.bus")

QString pathOf(const char* leaf) {
    return QString::fromLatin1(BusRoot) + QLatin1Char('/') + QLatin1String(leaf);
}
} // namespace

void Application::Activate() {
    if (activate)
        activate();
}

AutomationServer::AutomationServer(const QDBusConnection& bus) : bus_(bus), bridge_(bus) {
    // A client's first call is its creation of the object: the program comes up and connects.
    bridge_.firstUse = [](const QString&) { AutomationStartup(); };
    frmScript::Install();
}

bool AutomationServer::StartedForClient() const {
    return platform::StartedByBus();
}

AutomationService::Claim AutomationServer::Start(std::function<frmMain*()> makeMainWindow,
                                                 std::function<void()> activate) {
    SetMainWindowFactory(std::move(makeMainWindow));
    application_.activate = std::move(activate);
    if (!bus_.isConnected()) {
        qCInfo(lcBus) << "no session bus: other programs cannot reach this one";
        return Claim::NoBus;
    }
    const bool served = bridge_.exportObject(QString::fromLatin1(BusRoot), &application_, false) &&
                        bridge_.exportObject(pathOf("Scope"), &scope_, true) &&
                        bridge_.exportObject(pathOf("Util"), &util_, true) &&
                        bridge_.exportObject(pathOf("IPlanetarium"), &planetarium_, true) &&
                        bridge_.exportObject(pathOf("Voice"), &voice_, true) &&
                        bridge_.setReturnedObjectBase(pathOf("CoordinateTransform"));
    if (!served) {
        qCWarning(lcBus) << "could not serve the automation objects";
        return Claim::NoBus;
    }
    switch (platform::ClaimBusName(bus_, QString::fromLatin1(BusName))) {
    case platform::BusClaim::Owned:
        return Claim::Owned;
    case platform::BusClaim::Taken:
        return Claim::Taken;
    case platform::BusClaim::NoBus:
        break;
    }
    qCWarning(lcBus) << "could not ask the session bus for" << BusName;
    return Claim::NoBus;
}

bool AutomationServer::HandOver() {
    return platform::CallOwner(bus_, QString::fromLatin1(BusName), QString::fromLatin1(BusRoot),
                               QStringLiteral("org.marrick.Teleon.Application"),
                               QStringLiteral("Activate"));
}

std::unique_ptr<AutomationService> MakeAutomationServer() {
    return std::make_unique<AutomationServer>(QDBusConnection::sessionBus());
}

} // namespace teleon
