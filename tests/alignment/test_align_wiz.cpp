// The alignment wizard against the simulated telescope: the polar sequence's slews near the pole
// (sidereal time 3.0 h gives 20:54:00 and 15:06:00), the roll-over toggling "CalDec2Mode", the
// refinement on reopening after a completed polar alignment, the alt-az star page, the site
// page, and the restores when the wizard closes by any path (Cancel on each page, LAND mode,
// "No" to the tilt-up question, a silent telescope).
#include "alignment/frmAlignWiz.h"
#include "astro/Celest32.h"
#include "console/Registry.h"
#include "link/Channel.h"
#include "link/Commands.h"
#include "link/ProgramState.h"
#include "link/ScopeIntfc.h"
#include "platform/Prompts.h"
#include "sim/SimServer.h"
#include "support/TestSupport.h"

#include <QCheckBox>
#include <QComboBox>
#include <QApplication>
#include <QCoreApplication>
#include <QDateTime>
#include <QLabel>
#include <QPushButton>
#include <QTimeZone>
#include <QTimer>
#include <gtest/gtest.h>

#include <string>

#include <cmath>
#include <memory>

namespace teleon {
namespace {

using Commands = QList<QByteArray>;
using platform::MsgAnswer;
using platform::MsgIcon;

constexpr double SiteLatDeg = 33.0 + 25.0 / 60.0;
constexpr double SiteLonWestDeg = 111.0 + 50.0 / 60.0;
// A winter evening in Arizona with plenty of alignment stars up.
const QDateTime PinnedUtc(QDate(2026, 12, 7), QTime(4, 0), QTimeZone::utc());

// True when every item of expected occurs in commands in that order (others may lie between).
bool inOrder(const Commands& commands, const Commands& expected) {
    qsizetype at = 0;
    for (const QByteArray& c : expected) {
        at = commands.indexOf(c, at);
        if (at < 0)
            return false;
        ++at;
    }
    return true;
}

class AlignWizardTest : public ::testing::Test {
protected:
    void start(char mode) {
        ResetProgramState();
        ResetConfigRoot();
        platform::setPrompts(&prompts);
        platform::setEndProgramHandler(platform::throwProgramEnded);
        celest32::SetClockOverride(PinnedUtc);
        Hooks() = LinkHooks{};
        Hooks().UpdateWhatsVis = [this] { ++whatsVis; };
        Hooks().UpdateScopeCoords = [this] { ++scopeCoords; };
        SetSiteEditorOpener({});
        sim.start();
        sim.setSlewSpeedDegPerSec(90.0);
        sim.setScDelayMs(0);
        // The link refuses a telescope in LAND mode; it is switched there after connecting.
        sim.withModel([mode](sim::LX200Model& m) {
            m.setMountMode(mode == 'L' ? 'A' : mode);
            m.setSite(1, {"AAA", SiteLatDeg, SiteLonWestDeg});
            m.setSite(4, {"AAA", SiteLatDeg, SiteLonWestDeg});
        });
        com1().close();
        SetCommPort({sim.devicePath(), 0, QStringLiteral("COM3")});
        SetReplyTimeoutMs(500);
        int port = 0;
        ASSERT_TRUE(ConnectScope(port, true));
        SetLongFormat(true);
        ASSERT_TRUE(SendCommandBool(lx::SetMinElevation, QStringLiteral(" 15")));
        sim.withModel([mode](sim::LX200Model& m) { m.setMountMode(mode); });
        sim.clearLog();
    }
    void TearDown() override {
        window.reset();
        com1().close();
        celest32::SetClockOverride(std::nullopt);
        platform::setPrompts(nullptr);
        platform::setEndProgramHandler(nullptr);
        SetSiteEditorOpener({});
        SetReplyTimeoutMs(20000);
        Hooks() = LinkHooks{};
        ResetProgramState();
        ResetConfigRoot();
    }

    frmAlignWiz& opened() {
        window = std::make_unique<frmAlignWiz>();
        window->show();
        QCoreApplication::processEvents();
        return *window;
    }
    Commands heard() {
        SendCommandString(lx::GetRA);
        Commands commands = sim.receivedCommands();
        if (!commands.isEmpty() && commands.last() == "GR")
            commands.removeLast();
        sim.clearLog();
        return commands;
    }
    // The telescope's sidereal time set to hours and a fraction of a second, so that "GS"
    // reads hours exactly.
    void setSidereal(double hours) {
        const double goal = hours + 0.3 / 3600.0;
        sim.withModel([goal](sim::LX200Model& m) {
            double h = goal - m.localSiderealHours();
            h -= 24.0 * std::round(h / 24.0);
            m.setLocalDateTime(
                m.localDateTime().addMSecs(qint64(std::llround(h * 3600000.0 / 1.00273790935))));
        });
    }
    void expectClosedAndRestored(frmAlignWiz& w, double tilt, const QByteArray& catalogue) {
        QCoreApplication::processEvents();
        EXPECT_FALSE(w.isVisible());
        EXPECT_FALSE(w.isLoaded());
        EXPECT_EQ(TiltUpLimit, tilt);
        const Commands commands = heard();
        ASSERT_GE(commands.size(), 2);
        EXPECT_EQ(commands.mid(commands.size() - 2), (Commands{"Ls " + catalogue, "Sh 15"}));
    }
    QString calDec2Mode() {
        return GetConfig(QStringLiteral("General"), QStringLiteral("CalDec2Mode"));
    }

    test::TempConfigHome home;
    platform::ScriptedPrompts prompts;
    sim::SimServer sim;
    std::unique_ptr<frmAlignWiz> window;
    int whatsVis = 0, scopeCoords = 0;
};

TEST_F(AlignWizardTest, PolarSequenceSlewsNearThePoleAndRollsTheForksOver) {
    start('P');
    frmAlignWiz& w = opened();
    EXPECT_EQ(w.WizardMode, QStringLiteral("P"));
    EXPECT_EQ(w.currentPageName(), QStringLiteral("pgPlrWelcome"));
    EXPECT_EQ(w.SavedHighLimit, QStringLiteral("15"));
    EXPECT_FALSE(w.cmdBack->isEnabled());
    EXPECT_EQ(StarCatalog, 0);
    ASSERT_GT(w.cbPlrConvergeStar->count(), 0);
    EXPECT_GE(w.cbPlrConvergeStar->currentIndex(), 0);
    EXPECT_TRUE(inOrder(heard(), {"Gh", "\x06", "Ls 0", "Sh 30", "Gg", "Gt", "LS 8"}));

    w.cmdNext->click();
    EXPECT_EQ(w.currentPageName(), QStringLiteral("pgPlrOrient"));
    EXPECT_FALSE(w.cmdNext->isEnabled());
    for (int i = 0; i < 6; ++i) {
        EXPECT_FALSE(w.cmdNext->isEnabled()) << i;
        w.chkPlrOrient[i]->click();
    }
    EXPECT_TRUE(w.cmdNext->isEnabled());
    w.chkPlrOrient[2]->click();
    EXPECT_FALSE(w.cmdNext->isEnabled());
    w.chkPlrOrient[2]->click();

    w.cmdNext->click();
    EXPECT_EQ(w.currentPageName(), QStringLiteral("pgTime"));
    EXPECT_FALSE(w.cmdNext->isEnabled());
    w.chkTime->click();
    EXPECT_TRUE(w.cmdNext->isEnabled());
    bool clockSet = false; // the clock's own commands belong to the clock-setting tests
    for (const QByteArray& c : heard())
        clockSet = clockSet || c.startsWith("SL ");
    EXPECT_TRUE(clockSet);

    w.cmdNext->click();
    EXPECT_EQ(w.currentPageName(), QStringLiteral("pgCoords"));
    EXPECT_EQ(w.lblCoords_Site->text(), QStringLiteral("Mesa, Arizona"));
    EXPECT_TRUE(w.cmdNext->isEnabled());
    EXPECT_EQ(heard(), (Commands{"W4", "GP"}));

    // Declination calibration 1: fork vertical at hour angle 6.1 h.
    setSidereal(3.0);
    w.cmdNext->click();
    EXPECT_EQ(w.currentPageName(), QStringLiteral("pgPlrCalDec1"));
    EXPECT_TRUE(inOrder(heard(), {"GS", "Sr 20:54:00", "Sd 89:59:30", "MS"}));
    EXPECT_FALSE(w.cmdNext->isEnabled());
    w.chkPlrCalDec1->click();
    EXPECT_TRUE(w.cmdNext->isEnabled());

    // Declination calibration 2, mode 0: hour angle 11.9 h.
    setSidereal(3.0);
    w.cmdNext->click();
    EXPECT_EQ(w.currentPageName(), QStringLiteral("pgPlrCalDec2"));
    EXPECT_TRUE(inOrder(heard(), {"GS", "Sr 15:06:00", "Sd 89:59:30", "MS"}));
    EXPECT_FALSE(w.cmdNext->isEnabled());
    w.chkPlrCalDec2->click();
    EXPECT_TRUE(w.cmdNext->isEnabled());
    EXPECT_EQ(heard(), (Commands{QByteArray("Sd +89\xDF"
                                            "59'59\""),
                                 "CM"}));
    w.chkPlrCalDec2->click();
    EXPECT_FALSE(w.cmdNext->isEnabled());

    // Out of N/S motion: roll over. The first slew (without progress) is refused to save time.
    EXPECT_EQ(calDec2Mode(), QStringLiteral("0"));
    setSidereal(3.0);
    sim.refuseNextSlew('3');
    w.chkPlrCalDec2a->click();
    EXPECT_EQ(calDec2Mode(), QStringLiteral("1"));
    EXPECT_TRUE(inOrder(heard(), {"GS", "Sr 15:06:00", "Sd 89:59:30", "MS", "GS", "Sr 02:54:00",
                                  "Sd 89:59:30", "MS"}));
    EXPECT_FALSE(w.chkPlrCalDec2->isChecked());
    EXPECT_FALSE(w.chkPlrCalDec2a->isChecked());
    EXPECT_FALSE(w.cmdNext->isEnabled());
    setSidereal(3.0);
    sim.refuseNextSlew('3');
    w.chkPlrCalDec2a->click();
    EXPECT_EQ(calDec2Mode(), QStringLiteral("0"));
    EXPECT_TRUE(inOrder(heard(), {"Sr 02:54:00", "MS", "Sr 15:06:00", "MS"}));

    // Initial polar adjustment: back near the pole without progress, then Polaris.
    w.chkPlrCalDec2->click();
    setSidereal(3.0);
    sim.refuseNextSlew('3');
    w.cmdNext->click();
    EXPECT_EQ(w.currentPageName(), QStringLiteral("pgPlrInitPolar"));
    EXPECT_TRUE(inOrder(heard(), {"Sr 15:06:00", "Sd 89:59:30", "MS", "LS 0019", "MS"}));
    EXPECT_FALSE(w.cmdNext->isEnabled());
    w.chkPlrInitPolar->click();
    EXPECT_TRUE(w.cmdNext->isEnabled());

    // Cancel here sends no slew; the restores follow.
    TiltUpLimit = 0.0;
    w.cmdCancel->click();
    QCoreApplication::processEvents();
    EXPECT_FALSE(w.isVisible());
    const Commands last = heard();
    EXPECT_FALSE(last.contains("MS"));
    EXPECT_EQ(last, (Commands{"Ls 0", "Sh 15"}));
    EXPECT_FALSE(PolarAligned);
}

TEST_F(AlignWizardTest, FinishingGoesHomeAndReopeningRefinesAtPolaris) {
    start('P');
    frmAlignWiz& w = opened();
    ASSERT_GT(w.cbPlrConvergeStar->count(), 0);
    // The last page, reached from the refinement page.
    w.CurPage = 8;
    w.GoToPage(+1);
    EXPECT_EQ(w.currentPageName(), QStringLiteral("pgPlrFinished"));
    EXPECT_TRUE(PolarAligned);
    EXPECT_EQ(w.cmdCancel->text(), QStringLiteral("Close"));
    EXPECT_FALSE(w.cmdBack->isEnabled());
    EXPECT_FALSE(w.cmdNext->isEnabled());
    w.GoToPage(+1); // beyond the sequence: nothing
    EXPECT_EQ(w.CurPage, 9);
    heard();

    // Close moves the telescope home: hour angle 0, declination 0.
    setSidereal(3.0);
    w.cmdCancel->click();
    QCoreApplication::processEvents();
    EXPECT_FALSE(w.isVisible());
    EXPECT_TRUE(inOrder(heard(), {"GS", "Sr 03:00:00", "Sd 00:00:00", "MS", "Ls 0", "Sh 15"}));
    EXPECT_EQ(whatsVis, 1);
    EXPECT_EQ(scopeCoords, 1);

    // Opened again: straight to the refinement page, which slews to Polaris first.
    w.show();
    QCoreApplication::processEvents();
    EXPECT_EQ(w.currentPageName(), QStringLiteral("pgPlrUpdPolar"));
    EXPECT_EQ(w.CurPage, 8);
    EXPECT_TRUE(inOrder(heard(), {"Gh", "Ls 0", "Sh 30", "Gg", "Gt", "LS 0019", "MS"}));
    EXPECT_FALSE(w.cmdNext->isEnabled());
    EXPECT_EQ(w.cmdCancel->text(), QStringLiteral("Cancel"));

    // Half the error removed: back to convergence on the pre-selected star.
    const int star = w.cbPlrConvergeStar->currentData().toInt();
    const QString name = w.cbPlrConvergeStar->currentText();
    w.chkPlrUpd->click();
    EXPECT_EQ(w.currentPageName(), QStringLiteral("pgPlrConverge"));
    EXPECT_EQ(w.CurPage, 7);
    EXPECT_TRUE(inOrder(heard(), {"LS " + QByteArray::number(star), "MS"}));
    EXPECT_EQ(w.chkPlrConvergeCentered->text(), name + QStringLiteral(" is centered"));
    EXPECT_FALSE(w.cmdNext->isEnabled());
    w.chkPlrConvergeCentered->click();
    EXPECT_TRUE(w.cmdNext->isEnabled());
    EXPECT_EQ(heard(), (Commands{"CM"}));
    w.chkPlrConvergeCentered->click();
    EXPECT_FALSE(w.cmdNext->isEnabled());

    // "Use  Star": an alternate star, and the box names it.
    const int other = w.cbPlrConvergeStar->currentIndex() == 0 ? 1 : 0;
    if (w.cbPlrConvergeStar->count() > 1) {
        w.cbPlrConvergeStar->setCurrentIndex(other);
        sim.refuseNextSlew('3');
        w.cmdPlrConvergeSet->click();
        const QByteArray number = QByteArray::number(w.cbPlrConvergeStar->itemData(other).toInt());
        EXPECT_TRUE(inOrder(heard(), {"LS " + number, "MS"}));
        EXPECT_EQ(w.chkPlrConvergeCentered->text(),
                  w.cbPlrConvergeStar->itemText(other) + QStringLiteral(" is centered"));
    }

    // "Aligned" on the refinement page finishes.
    w.CurPage = 7;
    sim.refuseNextSlew('3');
    w.GoToPage(+1);
    EXPECT_EQ(w.currentPageName(), QStringLiteral("pgPlrUpdPolar"));
    w.cmdPgPlrUpd_Aligned->click();
    EXPECT_EQ(w.currentPageName(), QStringLiteral("pgPlrFinished"));
}

TEST_F(AlignWizardTest, AltAzStarPageSyncsOnBothStarsBeforeNext) {
    start('A');
    frmAlignWiz& w = opened();
    EXPECT_EQ(w.WizardMode, QStringLiteral("A"));
    EXPECT_EQ(w.currentPageName(), QStringLiteral("pgAltWelcome"));
    ASSERT_GE(w.cbAltAlignStars[0]->count(), 2);
    EXPECT_EQ(w.cbAltAlignStars[0]->count(), w.cbAltAlignStars[1]->count());
    EXPECT_EQ(w.cbAltAlignStars[0]->currentIndex(), -1);
    w.CurPage = 3;
    w.GoToPage(+1);
    EXPECT_EQ(w.currentPageName(), QStringLiteral("pgAltAlign"));
    EXPECT_FALSE(w.cmdNext->isEnabled());
    EXPECT_TRUE(w.cmdBack->isEnabled());
    heard();

    w.cbAltAlignStars[0]->setCurrentIndex(0);
    EXPECT_FALSE(w.cmdAltAlignGoTo[0]->isEnabled());
    EXPECT_TRUE(heard().isEmpty()); // one star chosen: no geometry check yet
    w.cbAltAlignStars[1]->setCurrentIndex(1);
    EXPECT_TRUE(w.cmdAltAlignGoTo[0]->isEnabled());
    EXPECT_TRUE(w.cmdAltAlignGoTo[1]->isEnabled());
    EXPECT_FALSE(w.chkAltAlignCentered[0]->isEnabled());
    const QByteArray n0 = QByteArray::number(w.cbAltAlignStars[0]->currentData().toInt());
    const QByteArray n1 = QByteArray::number(w.cbAltAlignStars[1]->currentData().toInt());
    EXPECT_EQ(heard(),
              (Commands{"Ls 0", "Gg", "Gt", "LS " + n0, "Gr", "Gd", "LS " + n1, "Gr", "Gd"}));

    for (int i = 0; i < 2; ++i) {
        w.cmdAltAlignGoTo[i]->click();
        const QByteArray n = i == 0 ? n0 : n1;
        EXPECT_TRUE(inOrder(heard(), {"Ls 0", "LS " + n.rightJustified(4, '0'), "MS"})) << i;
        EXPECT_TRUE(w.chkAltAlignCentered[i]->isEnabled());
        EXPECT_FALSE(w.cmdNext->isEnabled());
        w.chkAltAlignCentered[i]->click();
        EXPECT_EQ(heard(), (Commands{"CM"})) << i;
        EXPECT_FALSE(w.cmdAltAlignGoTo[i]->isEnabled());
        EXPECT_FALSE(w.chkAltAlignCentered[i]->isEnabled());
    }
    EXPECT_TRUE(w.cmdNext->isEnabled());
    w.cmdNext->click();
    EXPECT_EQ(w.currentPageName(), QStringLiteral("pgAltFinished"));
    EXPECT_EQ(w.cmdCancel->text(), QStringLiteral("Close"));
    EXPECT_FALSE(w.cmdNext->isEnabled());
    w.cmdCancel->click();
    expectClosedAndRestored(w, 0.0, "0");
}

struct CancelRow {
    char mode;
    int page;
    const char* name;
};

class AlignWizardCancel : public AlignWizardTest,
                          public ::testing::WithParamInterface<CancelRow> {};

TEST_P(AlignWizardCancel, CancelSendsNoSlewAndPutsEverythingBack) {
    const CancelRow& row = GetParam();
    start(row.mode);
    StarCatalog = 2;
    TiltUpLimit = 12.0;
    frmAlignWiz& w = opened();
    ASSERT_FALSE(prompts.messages.empty());
    EXPECT_EQ(prompts.messages.back().icon, MsgIcon::Question);
    EXPECT_EQ(TiltUpLimit, 0.0);
    EXPECT_EQ(w.SavedTiltUpLimit, 12.0);
    if (row.page > 0) {
        w.CurPage = row.page - 1;
        w.GoToPage(+1);
    }
    EXPECT_EQ(w.currentPageName(), QString::fromLatin1(row.name));
    w.cmdCancel->click();
    QCoreApplication::processEvents();
    const Commands commands = sim.receivedCommands();
    EXPECT_FALSE(commands.contains("MS"));
    // The alt-az builders leave the catalogue choice; the polar one makes it STAR.
    expectClosedAndRestored(w, 12.0, row.mode == 'A' ? "2" : "0");
}

INSTANTIATE_TEST_SUITE_P(
    Pages, AlignWizardCancel,
    ::testing::Values(CancelRow{'A', 0, "pgAltWelcome"}, CancelRow{'A', 1, "pgAltOrient"},
                      CancelRow{'A', 2, "pgTime"}, CancelRow{'A', 3, "pgCoords"},
                      CancelRow{'A', 4, "pgAltAlign"}, CancelRow{'A', 5, "pgAltFinished"},
                      CancelRow{'P', 0, "pgPlrWelcome"}, CancelRow{'P', 1, "pgPlrOrient"},
                      CancelRow{'P', 2, "pgTime"}, CancelRow{'P', 3, "pgCoords"}),
    [](const ::testing::TestParamInfo<CancelRow>& info) {
        return std::string(1, info.param.mode) + "_" + info.param.name;
    });

TEST_F(AlignWizardTest, NoToTheTiltQuestionClosesAndKeepsTheLimit) {
    start('A');
    StarCatalog = 1;
    TiltUpLimit = 12.0;
    prompts.answers.push_back(MsgAnswer::No);
    frmAlignWiz& w = opened();
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_TRUE(
        prompts.messages[0].text.startsWith(QStringLiteral("You have set an OTA tilt-up limit.")));
    EXPECT_EQ(prompts.messages[0].buttons, platform::MsgButtons::YesNo);
    expectClosedAndRestored(w, 12.0, "1");
}

TEST_F(AlignWizardTest, LandModeRefusesAndCloses) {
    start('L');
    TiltUpLimit = 5.0;
    frmAlignWiz& w = opened();
    ASSERT_EQ(prompts.messages.size(), 1u); // no tilt question after the refusal
    EXPECT_EQ(prompts.messages[0].text,
              QStringLiteral("Your scope is in LAND mode. This wizard does not support LAND "
                             "alignment"));
    EXPECT_EQ(prompts.messages[0].icon, MsgIcon::Critical);
    EXPECT_EQ(prompts.messages[0].buttons, platform::MsgButtons::OKCancel);
    EXPECT_EQ(prompts.messages[0].title, QStringLiteral("LX-200 Vantor"));
    QCoreApplication::processEvents();
    const Commands commands = sim.receivedCommands();
    EXPECT_FALSE(commands.contains("Gg")); // no star choice
    expectClosedAndRestored(w, 5.0, "0");
}

TEST_F(AlignWizardTest, GermanMountRunsThePolarSequence) {
    start('G');
    frmAlignWiz& w = opened();
    EXPECT_EQ(w.WizardMode, QStringLiteral("P"));
    EXPECT_EQ(w.currentPageName(), QStringLiteral("pgPlrWelcome"));
    w.cmdCancel->click();
    expectClosedAndRestored(w, 0.0, "0");
}

TEST_F(AlignWizardTest, UnknownSiteBlocksNextUntilSitesSetsAKnownOne) {
    start('A');
    sim.withModel([](sim::LX200Model& m) { m.setSite(4, {"ZZZ", 51.48, 0.0}); });
    frmAlignWiz& w = opened();
    w.CurPage = 2;
    w.GoToPage(+1);
    EXPECT_EQ(w.lblCoords_Site->text(), QStringLiteral("None - Click Sites"));
    EXPECT_FALSE(w.cmdNext->isEnabled());
    ASSERT_FALSE(prompts.messages.empty());
    EXPECT_TRUE(prompts.messages.back().text.startsWith(
        QStringLiteral("Unknown scope position. Click Sites...")));
    EXPECT_EQ(prompts.messages.back().icon, MsgIcon::Exclamation);

    // The site editor loads the stored site "AAB" into site #4.
    int opens = 0;
    SetSiteEditorOpener([this, &opens](QWidget*) {
        ++opens;
        sim.withModel([](sim::LX200Model& m) { m.setSite(4, {"AAB", 51.48, 0.0}); });
    });
    w.cmdCoords_Sites->click();
    EXPECT_EQ(opens, 1);
    EXPECT_EQ(w.lblCoords_Site->text(), QStringLiteral("Greenwich, England"));
    EXPECT_TRUE(w.cmdNext->isEnabled());
}

TEST_F(AlignWizardTest, SitesOpensTheSiteEditorModallyThenReadsTheSiteAgain) {
    start('A');
    frmAlignWiz& w = opened();
    w.CurPage = 2;
    w.GoToPage(+1);
    EXPECT_EQ(w.lblCoords_Site->text(), QStringLiteral("Mesa, Arizona"));
    heard();
    QString seen;
    QTimer poll;
    poll.setInterval(20);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || modal == &w)
            return;
        seen = modal->objectName();
        if (auto* dialog = qobject_cast<QDialog*>(modal))
            dialog->done(QDialog::Rejected);
    });
    poll.start();
    // Should the editor never become the active modal window, it is closed all the same.
    QTimer::singleShot(8000, [] {
        for (QWidget* top : QApplication::topLevelWidgets())
            if (auto* dialog = qobject_cast<QDialog*>(top);
                dialog && top->objectName() == QStringLiteral("frmSite") && top->isVisible())
                dialog->done(QDialog::Rejected);
    });
    w.cmdCoords_Sites->click();
    poll.stop();
    EXPECT_EQ(seen, QStringLiteral("frmSite"));
    // The site page is prepared again: site #4 read afresh.
    EXPECT_TRUE(inOrder(heard(), {"W4", "GP"}));
    EXPECT_EQ(w.lblCoords_Site->text(), QStringLiteral("Mesa, Arizona"));
    EXPECT_TRUE(w.cmdNext->isEnabled());
}

TEST_F(AlignWizardTest, TimePageWaitsForTheTelescopeClockToBeSet) {
    start('A');
    frmAlignWiz& w = opened();
    w.CurPage = 1;
    w.GoToPage(+1);
    EXPECT_EQ(w.currentPageName(), QStringLiteral("pgTime"));
    EXPECT_FALSE(w.cmdNext->isEnabled());
    EXPECT_TRUE(w.cmdBack->isEnabled());
    sim.withModel([](sim::LX200Model& m) { m.refuseNext("SL"); });
    w.chkTime->click(); // the telescope refuses the time
    EXPECT_FALSE(w.cmdNext->isEnabled());
    w.chkTime->click();
    EXPECT_FALSE(w.cmdNext->isEnabled());
    w.chkTime->click();
    EXPECT_TRUE(w.cmdNext->isEnabled());
    // Back and forward again: the box is still checked, so Next stays enabled.
    w.cmdBack->click();
    EXPECT_EQ(w.currentPageName(), QStringLiteral("pgAltOrient"));
    EXPECT_FALSE(w.cmdNext->isEnabled());
    w.CurPage = 1;
    w.GoToPage(+1);
    EXPECT_TRUE(w.cmdNext->isEnabled());
}

TEST_F(AlignWizardTest, SilentTelescopeLeavesThePageAndCloseStillRestoresTheLimit) {
    start('A');
    TiltUpLimit = 8.0;
    frmAlignWiz& w = opened();
    EXPECT_EQ(TiltUpLimit, 0.0);
    w.CurPage = 2;
    sim.stopAnswering(true);
    w.GoToPage(+1); // the site page asks the telescope, which says nothing
    EXPECT_EQ(w.currentPageName(), QStringLiteral("pgCoords"));
    EXPECT_TRUE(w.isVisible());
    w.cmdCancel->click();
    QCoreApplication::processEvents();
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(TiltUpLimit, 8.0);
    sim.stopAnswering(false);
}

TEST_F(AlignWizardTest, SilentTelescopeAtOpeningClosesTheWizard) {
    start('P');
    TiltUpLimit = 8.0;
    sim.stopAnswering(true);
    frmAlignWiz& w = opened();
    QCoreApplication::processEvents();
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(TiltUpLimit, 8.0);
    sim.stopAnswering(false);
}

} // namespace
} // namespace teleon
