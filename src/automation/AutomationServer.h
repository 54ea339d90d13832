// The automation objects on the session bus: Scope, Util and IPlanetarium under the name
// org.marrick.Teleon, each client's first call running the automation start-up, and the
// Application object through which a second start of the program hands over to this one.
#pragma once

#include "automation/IPlanetarium.h"
#include "automation/Scope.h"
#include "automation/Util.h"
#include "automation/Voice.h"
#include "console/MainEntry.h"
#include "platform/DBusBridge.h"

#include <QDBusConnection>
#include <QObject>

#include <functional>
#include <memory>

namespace teleon {

inline constexpr char BusName[] = "org.marrick.Teleon";
inline constexpr char BusRoot[] = "/org/marrick/Teleon";

// The running program, for another start of it.
class Application : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.marrick.Teleon.Application")
    Q_CLASSINFO("Description", "The running Teleon program")
    Q_CLASSINFO("Doc:Activate", "Show the main window and bring it to the front")
public:
    std::function<void()> activate;
    Q_INVOKABLE void Activate();
};

class AutomationServer : public AutomationService {
public:
    explicit AutomationServer(const QDBusConnection& bus);

    bool StartedForClient() const override;
    Claim Start(std::function<frmMain*()> makeMainWindow, std::function<void()> activate) override;
    bool HandOver() override;

    platform::DBusBridge& bridge() { return bridge_; }
    Scope& scope() { return scope_; }

private:
    QDBusConnection bus_;
    platform::DBusBridge bridge_;
    Application application_;
    Scope scope_;
    Util util_;
    IPlanetarium planetarium_;
    Voice voice_;
};

// The server on the session bus, for the program's entry.
std::unique_ptr<AutomationService> MakeAutomationServer();

} // namespace teleon
