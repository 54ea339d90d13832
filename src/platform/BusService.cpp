#include "platform/BusService.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>

namespace teleon::platform {

bool StartedByBus() {
    // The bus daemon puts these into the environment of a process it starts for a client.
    return qEnvironmentVariableIsSet("DBUS_STARTER_BUS_TYPE") ||
           qEnvironmentVariableIsSet("DBUS_STARTER_ADDRESS");
}

BusClaim ClaimBusName(const QDBusConnection& bus, const QString& name) {
    if (!bus.isConnected() || !bus.interface())
        return BusClaim::NoBus;
    const auto reply =
        bus.interface()->registerService(name, QDBusConnectionInterface::DontQueueService,
                                         QDBusConnectionInterface::DontAllowReplacement);
    if (!reply.isValid())
        return BusClaim::NoBus;
    return reply.value() == QDBusConnectionInterface::ServiceRegistered ? BusClaim::Owned
                                                                        : BusClaim::Taken;
}

bool CallOwner(const QDBusConnection& bus, const QString& name, const QString& path,
               const QString& interface, const QString& method, int timeoutMs) {
    QDBusConnection connection(bus);
    const QDBusMessage reply = connection.call(
        QDBusMessage::createMethodCall(name, path, interface, method), QDBus::Block, timeoutMs);
    return reply.type() == QDBusMessage::ReplyMessage;
}

} // namespace teleon::platform
