// What the simulated telescope has heard, in order, for wire-level checks.
#pragma once

#include "link/Channel.h"
#include "link/ScopeIntfc.h"
#include "sim/SimServer.h"

#include <QByteArray>
#include <QList>
#include <gtest/gtest.h>

namespace teleon::test {

// Every command heard since the last clearLog, and empties the log. A "GR" exchange is made
// first: the line keeps its order, so once it is answered every earlier command has been heard,
// those that expect no answer included. The "GR" itself is not returned.
inline QList<QByteArray> HeardSoFar(sim::SimServer& sim) {
    SendCommandString(lx::GetRA);
    QList<QByteArray> commands = sim.receivedCommands();
    EXPECT_FALSE(commands.isEmpty());
    if (!commands.isEmpty()) {
        EXPECT_EQ(commands.last(), QByteArray("GR"));
        commands.removeLast();
    }
    sim.clearLog();
    return commands;
}

// Starts the simulator when it is not running and connects the program's port to it, shown as
// "COM3", with the reply limit shortened. False when the handshake fails.
inline bool ConnectTo(sim::SimServer& sim, int replyTimeoutMs = 500) {
    if (!sim.isRunning())
        sim.start();
    com1().close();
    SetCommPort({sim.devicePath(), 0, QStringLiteral("COM3")});
    SetReplyTimeoutMs(replyTimeoutMs);
    int port = 0;
    return ConnectScope(port, false);
}

} // namespace teleon::test
