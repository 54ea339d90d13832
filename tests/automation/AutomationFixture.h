// What the automation tests share: a private configuration store whose port is the simulated
// telescope, recorded prompts, a short reply limit, and the main window the objects work.
#pragma once

#include "automation/AutomationStartup.h"
#include "console/Registry.h"
#include "console/frmMain.h"
#include "link/Channel.h"
#include "link/ProgramState.h"
#include "platform/Prompts.h"
#include "sim/SimServer.h"
#include "support/SimTraffic.h"
#include "support/TestSupport.h"

#include <QTimer>
#include <gtest/gtest.h>

#include <memory>

namespace teleon::test {

class AutomationFixture : public ::testing::Test {
protected:
    void SetUp() override {
        ResetProgramState();
        ResetConfigRoot();
        platform::setPrompts(&prompts);
        sim.start();
        sim.setScDelayMs(10);
        PutConfig(QStringLiteral("General"), QStringLiteral("ComPort"), sim.devicePath());
        SetReplyTimeoutMs(500);
    }
    void TearDown() override {
        window.reset();
        com1().close();
        platform::setPrompts(nullptr);
        SetReplyTimeoutMs(20000);
        ResetProgramState();
        ResetConfigRoot();
    }
    QList<QByteArray> heard() { return HeardSoFar(sim); }
    // A main window the user started, then the automation start-up, which connects.
    void connect() {
        window = std::make_unique<frmMain>();
        window->Form_Load();
        window->tmrStart_Timer();
        AutomationStartup();
        ASSERT_TRUE(ScopeConnected);
        window->tmr1S()->stop();
        sim.clearLog();
        prompts.messages.clear();
    }

    TempConfigHome home;
    platform::ScriptedPrompts prompts;
    sim::SimServer sim;
    std::unique_ptr<frmMain> window;
};

} // namespace teleon::test
