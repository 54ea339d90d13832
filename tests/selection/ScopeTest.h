// Where every window test here starts: the simulated telescope connected, a temporary
// configuration store, scripted prompts, and link hooks that count the switches to standby.
#pragma once

#include "console/Registry.h"
#include "link/Channel.h"
#include "link/ProgramState.h"
#include "link/ScopeIntfc.h"
#include "platform/Prompts.h"
#include "sim/SimServer.h"
#include "support/SimTraffic.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace teleon::test {

using Commands = QList<QByteArray>;

class ScopeTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetProgramState();
        ResetConfigRoot();
        platform::setPrompts(&prompts);
        platform::setEndProgramHandler(platform::throwProgramEnded);
        Hooks() = LinkHooks{};
        Hooks().SwitchToStandby = [this] { ++standby; };
        ASSERT_TRUE(ConnectTo(sim));
        sim.clearLog();
    }
    void TearDown() override {
        com1().close();
        platform::setPrompts(nullptr);
        platform::setEndProgramHandler(nullptr);
        SetReplyTimeoutMs(20000);
        Hooks() = LinkHooks{};
        ResetProgramState();
        ResetConfigRoot();
    }
    Commands heard() { return HeardSoFar(sim); }
    // Commands typed at the telescope's own keypad (not logged as the window's).
    void scope(const QByteArray& commands) {
        sim.withModel([&](sim::LX200Model& m) { m.feed(commands); });
        sim.clearLog();
    }
    void expectOneMessage(const QString& text, platform::MsgIcon icon) {
        ASSERT_EQ(prompts.messages.size(), 1u);
        EXPECT_EQ(prompts.messages[0].text, text);
        EXPECT_EQ(prompts.messages[0].icon, icon);
        prompts.messages.clear();
    }

    TempConfigHome home;
    sim::SimServer sim;
    platform::ScriptedPrompts prompts;
    int standby = 0; // switches to standby: lost links
};

} // namespace teleon::test
