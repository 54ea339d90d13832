// The program's place on the session bus: its well-known name, and the hand-over to an
// instance that already holds it.
#pragma once

#include <QDBusConnection>
#include <QString>

namespace teleon::platform {

// True when the bus started this process for a client (D-Bus activation).
bool StartedByBus();

enum class BusClaim {
    Owned, // this process now owns the name
    Taken, // another process owns it
    NoBus, // no session bus: the program runs without its automation server
};

// Asks for the name without queueing and without letting a later process take it over.
BusClaim ClaimBusName(const QDBusConnection& bus, const QString& name);

// Calls a method without arguments on the owner of name and waits for its answer (up to
// timeoutMs). True when it answered without an error.
bool CallOwner(const QDBusConnection& bus, const QString& name, const QString& path,
               const QString& interface, const QString& method, int timeoutMs = 5000);

} // namespace teleon::platform
