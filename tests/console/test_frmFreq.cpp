// The tracking frequency window against the simulated telescope: the option chosen from the
// telescope's "GT" answer, the exact commands of each option and step, the decimal mark in a
// "," locale, and a telescope that stops answering, answers garbage or refuses.
#include "console/frmFreq.h"
#include "link/Channel.h"
#include "link/Commands.h"
#include "link/ProgramState.h"
#include "link/ScopeIntfc.h"
#include "platform/Prompts.h"
#include "sim/SimServer.h"

#include <QPushButton>
#include <QRadioButton>
#include "support/SimTraffic.h"

#include <gtest/gtest.h>

namespace teleon {
namespace {

using Commands = QList<QByteArray>;
using Rate = frmFreq::Rate;

class FreqWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetProgramState();
        platform::setPrompts(&prompts);
        Hooks() = LinkHooks{};
        Hooks().SwitchToStandby = [this] { ++standbyCalls; };
        ASSERT_TRUE(test::ConnectTo(sim));
        sim.clearLog();
    }
    void TearDown() override {
        window.reset();
        com1().close();
        platform::setPrompts(nullptr);
        SetReplyTimeoutMs(20000);
        Hooks() = LinkHooks{};
        ResetProgramState();
    }

    // Puts the telescope's drive at hz, as its own keypad would.
    void scopeTracksAt(const QByteArray& hz) {
        const QByteArray keys = hz == "60.1" ? QByteArray("#:TQ#") : "#:TM##:ST " + hz + '#';
        sim.withModel([&](sim::LX200Model& m) { m.feed(keys); });
    }
    // The window as the main window's button opens it.
    frmFreq& opened() {
        window = std::make_unique<frmFreq>();
        window->show();
        return *window;
    }
    // Everything the telescope heard since the last clearLog (see HeardSoFar).
    Commands heard() { return test::HeardSoFar(sim); }
    double scopeHz() {
        double hz = 0;
        sim.withModel([&](sim::LX200Model& m) { hz = m.trackingHz(); });
        return hz;
    }
    void expectStepButtons(bool enabled) {
        EXPECT_EQ(window->cmdInc->isEnabled(), enabled);
        EXPECT_EQ(window->cmdDec->isEnabled(), enabled);
    }

    sim::SimServer sim;
    platform::ScriptedPrompts prompts;
    std::unique_ptr<frmFreq> window;
    int standbyCalls = 0;
};

// ---- opening ----

TEST_F(FreqWindowTest, OpeningSelectsTheOptionOfTheTelescopesFrequency) {
    struct Row {
        QByteArray gt;
        Rate rate;
        Commands sent;
        const char* manualCaption;
        double trackHz;
    } rows[] = {
        {"60.1", Rate::Sidereal, {"GT"}, "Manual ()", 60.1},
        {"60.0", Rate::Solar, {"GT", "TM", "ST 60.0"}, "Manual ()", 60.0},
        {"57.9", Rate::Lunar, {"GT", "TM", "ST 57.9"}, "Manual ()", 57.9},
        {"59.5", Rate::Manual, {"GT", "TM", "ST 59.5", "GT"}, "Manual (59.5)", 59.5},
        {"60.2", Rate::Manual, {"GT", "TM", "ST 60.2", "GT"}, "Manual (60.2)", 60.2},
        {"50.0", Rate::Manual, {"GT", "TM", "ST 50.0", "GT"}, "Manual (50.0)", 50.0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.gt.constData());
        scopeTracksAt(row.gt);
        sim.clearLog();
        frmFreq& w = opened();
        EXPECT_EQ(heard(), row.sent);
        EXPECT_EQ(w.selectedRate(), row.rate);
        EXPECT_TRUE(w.optSidereal->isChecked() == (row.rate == Rate::Sidereal));
        EXPECT_TRUE(w.optSolar->isChecked() == (row.rate == Rate::Solar));
        EXPECT_TRUE(w.optLunar->isChecked() == (row.rate == Rate::Lunar));
        EXPECT_TRUE(w.optManual->isChecked() == (row.rate == Rate::Manual));
        EXPECT_EQ(w.optManual->text(), QString::fromLatin1(row.manualCaption));
        expectStepButtons(row.rate == Rate::Manual);
        EXPECT_DOUBLE_EQ(TrackFrequency, row.trackHz);
        EXPECT_DOUBLE_EQ(scopeHz(), row.trackHz);
        EXPECT_TRUE(prompts.messages.empty());
    }
}

// ---- options ----

TEST_F(FreqWindowTest, EachOptionSendsItsCommands) {
    scopeTracksAt("59.5");
    opened();
    heard();
    struct Row {
        const char* option;
        Commands sent;
        double trackHz;
        const char* manualCaption;
    } rows[] = {
        {"optSidereal", {"TQ"}, 60.1, "Manual ()"},
        {"optSolar", {"TM", "ST 60.0"}, 60.0, "Manual ()"},
        {"optSolar", {}, 60.0, "Manual ()"}, // already selected: nothing to change
        {"optLunar", {"TM", "ST 57.9"}, 57.9, "Manual ()"},
        {"optManual", {"TM", "ST 57.9", "GT"}, 57.9, "Manual (57.9)"},
        {"optSidereal", {"TQ"}, 60.1, "Manual ()"},
        {"optManual", {"TM", "ST 60.1", "GT"}, 60.1, "Manual (60.1)"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.option);
        window->findChild<QRadioButton*>(QLatin1String(row.option))->click();
        EXPECT_EQ(heard(), row.sent);
        EXPECT_DOUBLE_EQ(TrackFrequency, row.trackHz);
        EXPECT_DOUBLE_EQ(scopeHz(), row.trackHz);
        EXPECT_EQ(window->optManual->text(), QString::fromLatin1(row.manualCaption));
        expectStepButtons(QByteArray(row.option) == "optManual");
    }
    EXPECT_TRUE(prompts.messages.empty());
}

TEST_F(FreqWindowTest, StepsMoveTheManualRateByATenth) {
    scopeTracksAt("59.5");
    opened();
    heard();
    for (int i = 0; i < 3; ++i)
        window->cmdInc->click();
    window->cmdDec->click();
    EXPECT_EQ(heard(),
              (Commands{"ST 59.6", "GT", "ST 59.7", "GT", "ST 59.8", "GT", "ST 59.7", "GT"}));
    EXPECT_NEAR(TrackFrequency, 59.7, 1e-9);
    EXPECT_DOUBLE_EQ(scopeHz(), 59.7);
    EXPECT_EQ(window->optManual->text(), QStringLiteral("Manual (59.7)"));
    // At a fixed rate the step buttons are off.
    window->optLunar->click();
    heard();
    window->cmdInc->click();
    EXPECT_EQ(heard(), Commands{});
    expectStepButtons(false);
}

TEST_F(FreqWindowTest, RefusedStepShowsWhatTheTelescopeKept) {
    scopeTracksAt("59.5");
    opened();
    heard();
    sim.refuseNext("ST");
    window->cmdInc->click();
    EXPECT_EQ(heard(), (Commands{"ST 59.6", "GT"}));
    EXPECT_NEAR(TrackFrequency, 59.6, 1e-9) << "the answer to ST is not examined";
    EXPECT_EQ(window->optManual->text(), QStringLiteral("Manual (59.5)"));
    EXPECT_TRUE(prompts.messages.empty());
}

// ---- decimal mark ----

TEST_F(FreqWindowTest, CommaLocaleStillSendsPoint) {
    DecimalSep = QLatin1Char(',');
    ThousandSep = QLatin1Char('.');
    scopeTracksAt("59.5");
    opened();
    EXPECT_EQ(heard(), (Commands{"GT", "TM", "ST 59.5", "GT"}));
    EXPECT_EQ(window->selectedRate(), Rate::Manual);
    window->cmdInc->click();
    EXPECT_EQ(heard(), (Commands{"ST 59.6", "GT"}));
    window->optLunar->click();
    EXPECT_EQ(heard(), (Commands{"TM", "ST 57.9"}));

    scopeTracksAt("60.1");
    opened();
    EXPECT_EQ(heard(), Commands{"GT"});
    EXPECT_EQ(window->selectedRate(), Rate::Sidereal);
}

// ---- failures ----

TEST_F(FreqWindowTest, LostLinkLeavesTheWindowUsableAndQuiet) {
    // Lost while opening, in an option's handler and in a step; each time the window stays as
    // the user left it, nothing is shown (the main window has told the user), and after a
    // reconnect it works again.
    const auto reconnect = [this] {
        sim.stopAnswering(false);
        int port = 0;
        ASSERT_TRUE(ConnectScope(port, false));
        sim.clearLog();
        SetReplyTimeoutMs(300);
    };
    SetReplyTimeoutMs(300);
    sim.stopAnswering(true);
    frmFreq& w = opened();
    EXPECT_EQ(w.selectedRate(), Rate::Sidereal);
    EXPECT_DOUBLE_EQ(TrackFrequency, 60.1) << "unchanged";
    reconnect();
    for (const char* name : {"optSolar", "optManual"}) {
        SCOPED_TRACE(name);
        sim.stopAnswering(true);
        auto* option = w.findChild<QRadioButton*>(QLatin1String(name));
        option->click();
        EXPECT_TRUE(option->isChecked());
        expectStepButtons(QByteArray(name) == "optManual");
        reconnect();
    }
    sim.stopAnswering(true);
    w.cmdInc->click();
    EXPECT_TRUE(w.isVisible());
    expectStepButtons(true);
    EXPECT_EQ(standbyCalls, 4);
    EXPECT_TRUE(prompts.messages.empty());
    reconnect();
    w.cmdInc->click();
    EXPECT_EQ(heard().first().left(3), QByteArray("ST "));
}

TEST_F(FreqWindowTest, GarbledFrequencyIsReportedAndNothingIsChanged) {
    sim.garbleNext(1);
    frmFreq& w = opened();
    EXPECT_EQ(heard(), Commands{"GT"}) << "an unknown rate must not be sent back";
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_EQ(prompts.messages[0].icon, platform::MsgIcon::Critical);
    EXPECT_EQ(prompts.messages[0].title, QStringLiteral("LX-200 Vantor"));
    EXPECT_TRUE(prompts.messages[0].text.startsWith(QStringLiteral("Not a number")));
    EXPECT_TRUE(w.isVisible());
    EXPECT_EQ(w.selectedRate(), Rate::Sidereal);
    expectStepButtons(false);
    EXPECT_EQ(standbyCalls, 0);
}

} // namespace
} // namespace teleon
