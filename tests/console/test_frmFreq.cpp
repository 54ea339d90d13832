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

#include <QGroupBox>
#include <QLabel>
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
        sim.start();
        com1().close();
        SetCommPort({sim.devicePath(), 0, QStringLiteral("COM3")});
        SetReplyTimeoutMs(500);
        int port = 0;
        ASSERT_TRUE(ConnectScope(port, true));
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

TEST_F(FreqWindowTest, ManualOpeningWritesExactBytes) {
    scopeTracksAt("59.5");
    sim.clearLog();
    opened();
    SendCommandString(lx::GetRA);
    EXPECT_EQ(sim.receivedBytes(), QByteArray("#:GT##:TM##:ST 59.5##:GT##:GR#"));
}

TEST_F(FreqWindowTest, WindowTexts) {
    frmFreq& w = opened();
    EXPECT_EQ(w.objectName(), QStringLiteral("frmFreq"));
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Teleon Control"));
    EXPECT_FALSE(w.isModal());
    auto* frame = w.findChild<QGroupBox*>();
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(frame->title(), QStringLiteral("Tracking Speed"));
    EXPECT_EQ(w.optSidereal->text(), QStringLiteral("Sidereal (60.1)"));
    EXPECT_EQ(w.optSolar->text(), QStringLiteral("Solar/Planetary (60.0)"));
    EXPECT_EQ(w.optLunar->text(), QStringLiteral("Lunar (57.9)"));
    EXPECT_EQ(w.cmdInc->text(), QStringLiteral("Increase"));
    EXPECT_EQ(w.cmdDec->text(), QStringLiteral("Decrease"));
    EXPECT_EQ(w.lblNote->text(), QStringLiteral("Changes take effect immediately"));
    for (const char* name :
         {"optSidereal", "optSolar", "optLunar", "optManual", "cmdInc", "cmdDec", "cmdOK"})
        EXPECT_NE(w.findChild<QWidget*>(QLatin1String(name)), nullptr) << name;
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

TEST_F(FreqWindowTest, StepButtonsAreOffForFixedRates) {
    for (const char* gt : {"60.1", "60.0", "57.9"}) {
        SCOPED_TRACE(gt);
        scopeTracksAt(gt);
        opened();
        heard();
        window->cmdInc->click();
        window->cmdDec->click();
        EXPECT_EQ(heard(), Commands{});
        expectStepButtons(false);
    }
}

// ---- steps ----

TEST_F(FreqWindowTest, IncreaseThreeTimesFrom59_5) {
    scopeTracksAt("59.5");
    opened();
    heard();
    for (int i = 0; i < 3; ++i)
        window->cmdInc->click();
    EXPECT_EQ(heard(), (Commands{"ST 59.6", "GT", "ST 59.7", "GT", "ST 59.8", "GT"}));
    EXPECT_NEAR(TrackFrequency, 59.8, 1e-9);
    EXPECT_DOUBLE_EQ(scopeHz(), 59.8);
    EXPECT_EQ(window->optManual->text(), QStringLiteral("Manual (59.8)"));
    expectStepButtons(true);
}

TEST_F(FreqWindowTest, DecreaseSteps) {
    scopeTracksAt("50.2");
    opened();
    heard();
    window->cmdDec->click();
    window->cmdDec->click();
    EXPECT_EQ(heard(), (Commands{"ST 50.1", "GT", "ST 50.0", "GT"}));
    EXPECT_EQ(window->optManual->text(), QStringLiteral("Manual (50.0)"));
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

// ---- closing and reopening ----

TEST_F(FreqWindowTest, OkClosesAndReopeningReadsAgain) {
    scopeTracksAt("59.5");
    opened();
    heard();
    window->cmdOK->click();
    EXPECT_FALSE(window->isVisible());
    EXPECT_DOUBLE_EQ(TrackFrequency, 59.5) << "the last value outlives the window";
    EXPECT_EQ(heard(), Commands{});

    scopeTracksAt("60.1");
    window->show();
    EXPECT_EQ(heard(), Commands{"GT"});
    EXPECT_EQ(window->selectedRate(), Rate::Sidereal);
    EXPECT_EQ(window->optManual->text(), QStringLiteral("Manual ()"));
    expectStepButtons(false);
}

// ---- failures ----

TEST_F(FreqWindowTest, LostLinkDuringStepLeavesWindowUsable) {
    scopeTracksAt("59.5");
    opened();
    heard();
    SetReplyTimeoutMs(300);
    sim.stopAnswering(true);
    window->cmdInc->click();
    EXPECT_EQ(standbyCalls, 1);
    EXPECT_FALSE(ScopeConnected);
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(window->optManual->isChecked());
    expectStepButtons(true);
    EXPECT_TRUE(prompts.messages.empty()) << "the main window has told the user already";

    sim.stopAnswering(false);
    sim.clearLog();
    window->cmdInc->click();
    EXPECT_EQ(heard(), (Commands{"ST 59.7", "GT"}));
    EXPECT_EQ(window->optManual->text(), QStringLiteral("Manual (59.7)"));
}

TEST_F(FreqWindowTest, LostLinkWhileOpening) {
    SetReplyTimeoutMs(300);
    sim.stopAnswering(true);
    frmFreq& w = opened();
    EXPECT_EQ(standbyCalls, 1);
    EXPECT_TRUE(w.isVisible());
    EXPECT_EQ(w.selectedRate(), Rate::Sidereal);
    expectStepButtons(false);
    EXPECT_DOUBLE_EQ(TrackFrequency, 60.1) << "unchanged";
    EXPECT_TRUE(prompts.messages.empty());
    sim.stopAnswering(false);
    EXPECT_EQ(heard(), Commands{"GT"});
}

TEST_F(FreqWindowTest, LostLinkDuringOptionHandlers) {
    // Each option loses the link at its first answered exchange; the window stays usable and
    // shows the option chosen.
    const char* options[] = {"optSolar", "optLunar", "optManual"};
    for (const char* name : options) {
        SCOPED_TRACE(name);
        sim.stopAnswering(false);
        scopeTracksAt("60.1");
        opened();
        heard();
        SetReplyTimeoutMs(300);
        sim.stopAnswering(true);
        standbyCalls = 0;
        auto* option = window->findChild<QRadioButton*>(QLatin1String(name));
        option->click();
        EXPECT_EQ(standbyCalls, 1);
        EXPECT_TRUE(option->isChecked());
        EXPECT_TRUE(window->isVisible());
        expectStepButtons(QByteArray(name) == "optManual");
        EXPECT_TRUE(prompts.messages.empty());
        SetReplyTimeoutMs(500);
    }
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

TEST_F(FreqWindowTest, ClosedPortIsReportedNotThrown) {
    com1().close();
    frmFreq& w = opened();
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_EQ(prompts.messages[0].icon, platform::MsgIcon::Critical);
    EXPECT_TRUE(w.isVisible());
    expectStepButtons(false);
}

} // namespace
} // namespace teleon
