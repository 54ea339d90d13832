// The go-to window against the simulated telescope: the exact commands of each destination, the
// input checks that enable Go To, the telescope's failed lookups, refused coordinates, shifts
// and slews, Halt during a slew, Cancel, a silent telescope, and the list of alignment stars
// read from the configuration store.
#include "console/Registry.h"
#include "link/Channel.h"
#include "link/Commands.h"
#include "link/ProgramState.h"
#include "link/ScopeIntfc.h"
#include "platform/EventLoop.h"
#include "platform/Prompts.h"
#include "selection/frmGo.h"
#include "sim/SimServer.h"
#include "support/TestSupport.h"
#include "support/SimTraffic.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <memory>

namespace teleon {
namespace {

using Commands = QList<QByteArray>;
using Option = frmGo::Option;
using platform::MsgIcon;

// M31 in the simulator's library.
constexpr double M31RaHours = 0.71231933;
constexpr double M31DecDegrees = 41.269060;
// What the slew engine asks before "#:MS#" on an alt-azimuth mount: the site and the target.
const Commands TiltReads = {"Gg", "Gt", "Gr", "Gd"};

class GoWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetProgramState();
        ResetConfigRoot();
        platform::setPrompts(&prompts);
        platform::setEndProgramHandler(platform::throwProgramEnded);
        Hooks() = LinkHooks{};
        Hooks().ShowSlewProgress = [this] { ++shows; };
        Hooks().HideSlewProgress = [this] { ++hides; };
        Hooks().SetSlewBars = [this](const QString& bars) { lastBars = bars; };
        Hooks().Beep = [this] { ++beeps; };
        Hooks().UpdateWhatsVis = [this] { ++whatsVis; };
        Hooks().UpdateScopeCoords = [this] { ++scopeCoords; };
        sim.start();
        sim.setSlewSpeedDegPerSec(90.0);
        // A site at 33.4 N; the clock set so that M31 stands on the meridian, 82 degrees up.
        sim.withModel([](sim::LX200Model& m) {
            m.setSite(1, {"AAA", 33.42, 111.83});
            double hours = M31RaHours - m.localSiderealHours();
            hours -= 24.0 * std::round(hours / 24.0);
            m.setLocalDateTime(
                m.localDateTime().addMSecs(qint64(hours * 3600000.0 / 1.00273790935)));
        });
        com1().close();
        SetCommPort({sim.devicePath(), 0, QStringLiteral("COM3")});
        SetReplyTimeoutMs(500);
        int port = 0;
        ASSERT_TRUE(ConnectScope(port, true));
        ASSERT_EQ(AlignmentMode, QStringLiteral("A"));
        SetLongFormat(true);
        SendCommandString(lx::GetRA); // answered: every earlier command has been heard
        sim.clearLog();
    }
    void TearDown() override {
        window.reset();
        com1().close();
        platform::setPrompts(nullptr);
        platform::setEndProgramHandler(nullptr);
        SetReplyTimeoutMs(20000);
        Hooks() = LinkHooks{};
        ResetProgramState();
        ResetConfigRoot();
    }

    // The window as the main window's go-to button opens it.
    frmGo& opened() {
        window = std::make_unique<frmGo>();
        window->show();
        return *window;
    }
    // Everything the telescope heard since the last clearLog (see HeardSoFar).
    Commands heard() { return test::HeardSoFar(sim); }
    void choose(frmGo& w, Option option) {
        QRadioButton* buttons[] = {w.optCoord, w.OptShift,  w.optMessier,  w.optNGC,
                                   w.optIC,    w.optUGC,    w.optStar,     w.optSAO,
                                   w.optGCVS,  w.optPlanet, w.optAlignStar};
        buttons[int(option)]->click();
        ASSERT_EQ(w.selectedOption(), option);
    }
    // A go-to whose slew the telescope refuses with code: no 4-second completion wait.
    void goRefused(frmGo& w, char code) {
        sim.refuseNextSlew(code);
        ASSERT_TRUE(w.cmdGoTo->isEnabled());
        w.cmdGoTo->click();
    }
    // The window after a go-to that did not end it: open, ready for another try.
    void expectReadyForRetry(frmGo& w) {
        EXPECT_TRUE(w.isVisible());
        EXPECT_TRUE(w.cmdGoTo->isEnabled());
        EXPECT_TRUE(w.cmdCancel->isEnabled());
        EXPECT_FALSE(w.cmdStop->isEnabled());
        EXPECT_FALSE(w.isGoingTo());
        EXPECT_FALSE(ScopeMoving);
    }
    QStringList messageTexts() const {
        QStringList texts;
        for (const auto& m : prompts.messages)
            texts << m.text;
        return texts;
    }

    test::TempConfigHome home;
    platform::ScriptedPrompts prompts;
    sim::SimServer sim;
    std::unique_ptr<frmGo> window;
    int shows = 0, hides = 0, beeps = 0, whatsVis = 0, scopeCoords = 0;
    QString lastBars = QStringLiteral("unset");
};

// ---- a full go-to ----

TEST_F(GoWindowTest, MessierGoToSelectsChecksSlewsAndCloses) {
    frmGo& w = opened();
    DeepSkyCatalog = 2;
    choose(w, Option::Messier);
    w.txtCatNo->setText(QStringLiteral("31"));
    ASSERT_TRUE(w.cmdGoTo->isEnabled());
    const std::int64_t t0 = platform::TickMs();
    w.cmdGoTo->click();
    const std::int64_t took = platform::TickMs() - t0;

    EXPECT_TRUE(messageTexts().isEmpty()) << messageTexts().join('|').toStdString();
    const Commands c = heard();
    ASSERT_GE(c.size(), 9) << c.join(' ').toStdString();
    EXPECT_EQ(c.mid(0, 8), (Commands{"Lo 0", "LM 31", "LI"} + TiltReads + Commands{"MS"}));
    for (const QByteArray& poll : c.mid(8))
        EXPECT_EQ(poll, QByteArray("D")) << "only the distance bars while the slew runs";
    EXPECT_TRUE(lastBars.trimmed().isEmpty()) << "polled until the bars were empty";
    EXPECT_GE(took, 4000) << "the slew engine's pause after the slew";

    EXPECT_EQ(DeepSkyCatalog, 0);
    EXPECT_EQ(shows, 1);
    EXPECT_EQ(hides, 1);
    EXPECT_EQ(beeps, 1);
    EXPECT_EQ(whatsVis, 1);
    EXPECT_EQ(scopeCoords, 1);
    EXPECT_FALSE(w.isVisible()) << "a successful go-to unloads the window";
    EXPECT_FALSE(ScopeMoving);
    sim.withModel([](sim::LX200Model& m) {
        EXPECT_NEAR(m.raHours(), M31RaHours, 0.01);
        EXPECT_NEAR(m.decDegrees(), M31DecDegrees, 0.05);
    });
}

TEST_F(GoWindowTest, HaltDuringTheSlewStopsTheTelescopeAndTheWaitEnds) {
    sim.setSlewSpeedDegPerSec(8.0);
    sim.withModel([](sim::LX200Model& m) { m.setPosition(m.localSiderealHours(), -20.0); });
    frmGo& w = opened();
    choose(w, Option::Messier);
    w.txtCatNo->setText(QStringLiteral("31"));
    bool stopOn = false, cancelOff = false, goToOff = false, served = false;
    Hooks().ShowSlewProgress = [&] {
        ++shows;
        // Clicked while the slew engine waits between polls of the bars.
        QTimer::singleShot(500, [&] {
            stopOn = w.cmdStop->isEnabled();
            cancelOff = !w.cmdCancel->isEnabled();
            goToOff = !w.cmdGoTo->isEnabled();
            w.cmdStop->click();
            served = true;
            EXPECT_FALSE(w.cmdStop->isEnabled());
            EXPECT_TRUE(w.cmdCancel->isEnabled());
            EXPECT_TRUE(w.cmdGoTo->isEnabled());
        });
    };
    const std::int64_t t0 = platform::TickMs();
    w.cmdGoTo->click();
    const std::int64_t took = platform::TickMs() - t0;

    ASSERT_TRUE(served) << "the Halt click is served while the slew waits";
    EXPECT_TRUE(stopOn);
    EXPECT_TRUE(cancelOff);
    EXPECT_TRUE(goToOff);
    const Commands c = heard();
    const qsizetype halt = c.indexOf("Q");
    ASSERT_GT(halt, 0) << c.join(' ').toStdString();
    EXPECT_EQ(c.mid(halt, 2), (Commands{"Q", "Q"}));
    EXPECT_EQ(c.mid(halt + 2), (Commands{"D"})) << "the next poll finds the bars empty";
    // 61 degrees at 8 degrees a second would take over 7 s; halted, it ends with the 4 s pause.
    EXPECT_LT(took, 6500);
    EXPECT_EQ(beeps, 1);
    EXPECT_FALSE(w.isVisible()) << "Halt does not mark the slew aborted: it ends normally";
    sim.withModel([](sim::LX200Model& m) {
        EXPECT_FALSE(m.isSlewing());
        EXPECT_LT(m.decDegrees(), 30.0) << "stopped short of M31";
    });
}

// ---- each destination's commands (the slew refused, so no completion wait) ----

TEST_F(GoWindowTest, CatalogueOptionsSelectTheLibraryThenTheNumber) {
    struct Row {
        Option option;
        const char* number;
        Commands selection;
        int deepSky, star; // the catalogue variables afterwards
    } rows[] = {
        {Option::NGC, "224", {"Lo 0", "LC 224"}, 0, 1},
        {Option::IC, "342", {"Lo 1", "LC 342"}, 1, 1},
        {Option::UGC, "454", {"Lo 2", "LC 454"}, 2, 1},
        {Option::Star, "19", {"Ls 0", "LS 19"}, 2, 0},
        {Option::SAO, "308", {"Ls 1", "LS 308"}, 2, 1},
        {Option::GCVS, "2", {"Ls 2", "LS 2"}, 2, 2},
    };
    frmGo& w = opened();
    DeepSkyCatalog = 2;
    StarCatalog = 1;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.number);
        prompts.messages.clear();
        choose(w, row.option);
        w.txtCatNo->setText(QString::fromLatin1(row.number));
        goRefused(w, '1');
        EXPECT_EQ(heard(), row.selection + Commands{"LI"} + TiltReads + Commands{"MS"});
        EXPECT_EQ(DeepSkyCatalog, row.deepSky);
        EXPECT_EQ(StarCatalog, row.star);
        EXPECT_EQ(messageTexts(),
                  QStringList{QStringLiteral("The selected coordinates are below the horizon.")});
        expectReadyForRetry(w);
    }
    sim.withModel([](sim::LX200Model& m) {
        EXPECT_EQ(m.deepSkyLibrary(), 2);
        EXPECT_EQ(m.starLibrary(), 2);
    });
}

TEST_F(GoWindowTest, PlanetsAreStars901To909AndAlignStarsTheirStoredNumbers) {
    frmGo& w = opened();
    StarCatalog = 2;
    struct Row {
        Option option;
        QString entry;
        QByteArray star;
    } rows[] = {
        {Option::Planet, QStringLiteral("Mercury"), "LS 901"},
        {Option::Planet, QStringLiteral("Jupiter"), "LS 905"},
        {Option::Planet, QStringLiteral("Pluto"), "LS 909"},
        {Option::AlignStar, QStringLiteral("Polaris"), "LS 19"},
        {Option::AlignStar, QStringLiteral("Markab"), "LS 249"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.entry.toStdString());
        prompts.messages.clear();
        choose(w, Option::Coord); // the lists are cleared
        choose(w, row.option);
        QComboBox* list = row.option == Option::Planet ? w.cbPlanet : w.cbAlignStar;
        EXPECT_FALSE(w.cmdGoTo->isEnabled()) << "nothing chosen yet";
        const int index = list->findText(row.entry);
        ASSERT_GE(index, 0);
        list->setCurrentIndex(index);
        goRefused(w, '2');
        EXPECT_EQ(heard(), (Commands{"Ls 0", row.star, "LI"} + TiltReads + Commands{"MS"}));
        EXPECT_EQ(StarCatalog, 0);
        EXPECT_EQ(messageTexts(),
                  QStringList{QStringLiteral(
                      "The selected coordinates are below the current minimum elevation "
                      "setting.")});
        expectReadyForRetry(w);
    }
    const QStringList planets = {"Mercury", "Venus",  "Moon",    "Mars", "Jupiter",
                                 "Saturn",  "Uranus", "Neptune", "Pluto"};
    QStringList listed;
    for (int i = 0; i < w.cbPlanet->count(); ++i)
        listed << w.cbPlanet->itemText(i);
    EXPECT_EQ(listed, planets);
}

TEST_F(GoWindowTest, CoordinatesAreSentAsTyped) {
    frmGo& w = opened();
    EXPECT_EQ(w.selectedOption(), Option::Coord) << "the window opens on Coordinates";
    w.txtRA->setText(QStringLiteral("05:35:17"));
    EXPECT_FALSE(w.cmdGoTo->isEnabled()) << "no declination yet";
    w.txtDec->setText(QStringLiteral("-05:23:28"));
    goRefused(w, '7');
    EXPECT_EQ(heard(),
              (Commands{"Sr 05:35:17", "Sd -05:23:28", "LI"} + TiltReads + Commands{"MS"}));
    EXPECT_EQ(messageTexts(), QStringList{QStringLiteral(
                                  "The selected coordinates failed for some unknown reason.")});
    sim.withModel([](sim::LX200Model& m) {
        EXPECT_NEAR(m.targetRaHours(), 5.0 + 35.0 / 60 + 17.0 / 3600, 1e-6);
        EXPECT_NEAR(m.targetDecDegrees(), -(5.0 + 23.0 / 60 + 28.0 / 3600), 1e-6);
    });
    expectReadyForRetry(w);
}

TEST_F(GoWindowTest, RefusedCoordinatesStopBeforeTheLookup) {
    frmGo& w = opened();
    w.txtRA->setText(QStringLiteral("05:35:17"));
    w.txtDec->setText(QStringLiteral("-05:23:28"));
    for (const char* refused : {"Sr", "Sd"}) {
        SCOPED_TRACE(refused);
        prompts.messages.clear();
        sim.refuseNext(refused);
        w.cmdGoTo->click();
        const Commands expected = QByteArray(refused) == "Sr"
                                      ? Commands{"Sr 05:35:17"}
                                      : Commands{"Sr 05:35:17", "Sd -05:23:28"};
        EXPECT_EQ(heard(), expected);
        ASSERT_EQ(prompts.messages.size(), 1u);
        EXPECT_EQ(prompts.messages[0].text, QStringLiteral("Slew coordinates are bad"));
        EXPECT_EQ(prompts.messages[0].icon, MsgIcon::Critical);
        EXPECT_EQ(prompts.messages[0].title, QStringLiteral("LX-200 Vantor"));
        expectReadyForRetry(w);
    }
    EXPECT_EQ(shows, 0);
}

TEST_F(GoWindowTest, ShiftMovesTheTargetFromThePositionAcrossZeroHours) {
    // Arc-minutes north and east from (RA, Dec) to the exact "Sr" and "Sd" sent.
    struct Row {
        double raHours, decDegrees;
        const char *north, *east;
        QByteArray sr, sd;
    } rows[] = {
        // 23:59:00 +20, 30' N and 60' E: 359.75 + 1/cos(20.25) = 360.8159 deg -> 00:03:16.
        {23.0 + 59.0 / 60, 20.0, "30", "60", "Sr 00:03:16",
         "Sd 020\xDF"
         "30:00"},
        // 00:01:00 0, 60' W: 0.25 - 1 = -0.75 deg -> 359.25 deg = 23:57:00; 90' S.
        {1.0 / 60, 0.0, "-90", "-60", "Sr 23:57:00",
         "Sd -001\xDF"
         "30:00"},
        // The box's limits, 300' either way, are inside the engine's 10 degrees.
        {12.0, -40.0, "-300", "0", "Sr 12:00:00",
         "Sd -045\xDF"
         "00:00"},
    };
    frmGo& w = opened();
    for (const Row& row : rows) {
        SCOPED_TRACE(row.sr.constData());
        prompts.messages.clear();
        sim.withModel([&](sim::LX200Model& m) { m.setPosition(row.raHours, row.decDegrees); });
        choose(w, Option::Shift);
        w.txtNS->setText(QString::fromLatin1(row.north));
        w.txtEW->setText(QString::fromLatin1(row.east));
        goRefused(w, '1');
        EXPECT_EQ(heard(),
                  (Commands{"GR", "GD", row.sr, row.sd, "LI"} + TiltReads + Commands{"MS"}));
        expectReadyForRetry(w);
    }
}

TEST_F(GoWindowTest, ShiftNearThePoleIsRefusedWithTheEnginesMessage) {
    sim.withModel([](sim::LX200Model& m) { m.setPosition(3.0, 79.0); });
    frmGo& w = opened();
    choose(w, Option::Shift);
    w.txtNS->setText(QStringLiteral("120"));
    w.txtEW->setText(QStringLiteral("0"));
    w.cmdGoTo->click();
    EXPECT_EQ(heard(), (Commands{"GR", "GD"}));
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_EQ(prompts.messages[0].text,
              QStringLiteral("Too close to celestial pole for shift calculations"));
    EXPECT_EQ(prompts.messages[0].icon, MsgIcon::Exclamation);
    expectReadyForRetry(w);
}

// ---- failed lookups ----

TEST_F(GoWindowTest, LookupThatTheTelescopeReportsFailedShowsItsReply) {
    struct Row {
        Option option;
        const char* number;
        Commands selection;
        QString reply;
    } rows[] = {
        {Option::Messier, "999", {"Lo 0", "LM 999"}, QStringLiteral("Too large a number")},
        {Option::Messier, "0", {"Lo 0", "LM 0"}, QStringLiteral("No match in library")},
        {Option::NGC, "7839", {"Lo 0", "LC 7839"}, QStringLiteral("No match in library")},
        {Option::Star, "352", {"Ls 0", "LS 352"}, QStringLiteral("Too large a number")},
        {Option::SAO, "-5", {"Ls 1", "LS -5"}, QStringLiteral("No match in library")},
    };
    frmGo& w = opened();
    for (const Row& row : rows) {
        SCOPED_TRACE(row.number);
        prompts.messages.clear();
        choose(w, row.option);
        w.txtCatNo->setText(QString::fromLatin1(row.number));
        ASSERT_TRUE(w.cmdGoTo->isEnabled());
        w.cmdGoTo->click();
        EXPECT_EQ(heard(), row.selection + Commands{"LI"}) << "no slew";
        ASSERT_EQ(prompts.messages.size(), 1u);
        EXPECT_EQ(prompts.messages[0].text,
                  QStringLiteral("Lookup failed. Scope reported:\r\n  ") + row.reply);
        EXPECT_EQ(prompts.messages[0].icon, MsgIcon::Exclamation);
        EXPECT_EQ(prompts.messages[0].title, QStringLiteral("LX-200 Vantor"));
        expectReadyForRetry(w);
    }
    EXPECT_EQ(shows, 0);
}

// ---- input checks ----

TEST(GoInputChecks, RightAscension) {
    struct Row {
        const char* text;
        bool valid;
    } rows[] = {
        {"00:00:00", true},  {"23:59:59", true},   {"12 34 56", true}, // separators unread
        {"24:00:00", false}, {"1:00:00", false},   {"01:60:00", false},
        {"01:00:60", false}, {"01:00:0x", false},  {"ab:00:00", false},
        {"", false},         {"01:00:000", false}, {"-1:00:00", false},
    };
    for (const Row& row : rows)
        EXPECT_EQ(frmGo::ValidRA(QString::fromLatin1(row.text)), row.valid) << row.text;
}

TEST(GoInputChecks, Declination) {
    struct Row {
        const char* text;
        bool valid;
    } rows[] = {
        {"+90:00:00", true},   {"-90:00:00", true},  {"+89:59:59", true},  {"-00:30:00", true},
        {"+45*30'15", true},   {"+90:00:01", false}, {"+90:01:00", false}, {"+89:60:00", false},
        {"+45:30", false},     {"+91:00:00", false}, {"+4x:00:00", false}, {"", false},
        {"+45:30:00 ", false},
    };
    for (const Row& row : rows)
        EXPECT_EQ(frmGo::ValidDec(QString::fromLatin1(row.text)), row.valid) << row.text;
}

TEST(GoInputChecks, ShiftAndCatalogueNumber) {
    struct Row {
        const char* text;
        bool valid;
    } shifts[] = {
        {"-300", true},   {"300", true},   {"0", true}, {"12.5", true}, {"12,5", true},
        {"300.5", false}, {"-301", false}, {"", false}, {"abc", false}, {"1e9", false},
    };
    for (const Row& row : shifts)
        EXPECT_EQ(frmGo::ValidShift(QString::fromLatin1(row.text)), row.valid) << row.text;
    Row numbers[] = {
        {"0", true},    {"12", true},    {"32767", true},  {"-12", true},
        {"012", false}, {"12.0", false}, {"40000", false}, {"", false},
        {"M31", false}, {" 12", false},  {"+12", false},
    };
    for (const Row& row : numbers)
        EXPECT_EQ(frmGo::ValidCatNo(QString::fromLatin1(row.text)), row.valid) << row.text;
}

TEST_F(GoWindowTest, EachOptionEnablesItsInputsAndClearsTheOthers) {
    frmGo& w = opened();
    struct Row {
        Option option;
        // txtRA, txtDec, txtNS, txtEW, txtCatNo, cbPlanet, cbAlignStar
        std::array<bool, 7> enabled;
    } rows[] = {
        {Option::Coord, {true, true, false, false, false, false, false}},
        {Option::Shift, {false, false, true, true, false, false, false}},
        {Option::Messier, {false, false, false, false, true, false, false}},
        {Option::GCVS, {false, false, false, false, true, false, false}},
        {Option::Planet, {false, false, false, false, false, true, false}},
        {Option::AlignStar, {false, false, false, false, false, false, true}},
    };
    QLineEdit* boxes[] = {w.txtRA, w.txtDec, w.txtNS, w.txtEW, w.txtCatNo};
    for (const Row& row : rows) {
        SCOPED_TRACE(int(row.option));
        for (QLineEdit* box : boxes)
            box->setText(QStringLiteral("1"));
        w.cbPlanet->setCurrentIndex(0);
        w.cbAlignStar->setCurrentIndex(0);
        choose(w, row.option);
        for (int i = 0; i < 5; ++i) {
            EXPECT_EQ(boxes[i]->isEnabled(), row.enabled[i]) << boxes[i]->objectName().data();
            EXPECT_EQ(boxes[i]->text().isEmpty(), !row.enabled[i]) << boxes[i]->objectName().data();
        }
        EXPECT_EQ(w.cbPlanet->isEnabled(), row.enabled[5]);
        EXPECT_EQ(w.cbPlanet->currentIndex() < 0, !row.enabled[5]);
        EXPECT_EQ(w.cbAlignStar->isEnabled(), row.enabled[6]);
        EXPECT_EQ(w.cbAlignStar->currentIndex() < 0, !row.enabled[6]);
    }
}

TEST_F(GoWindowTest, GoToIsEnabledOnlyByValidInput) {
    frmGo& w = opened();
    EXPECT_FALSE(w.cmdGoTo->isEnabled()) << "empty boxes";
    EXPECT_FALSE(w.cmdStop->isEnabled());
    w.txtRA->setText(QStringLiteral("23:59:59"));
    w.txtDec->setText(QStringLiteral("+90:00:00"));
    EXPECT_TRUE(w.cmdGoTo->isEnabled());
    w.txtDec->setText(QStringLiteral("+90:00:01"));
    EXPECT_FALSE(w.cmdGoTo->isEnabled()) << "out of range";

    choose(w, Option::Shift);
    EXPECT_FALSE(w.cmdGoTo->isEnabled());
    w.txtNS->setText(QStringLiteral("-300"));
    w.txtEW->setText(QStringLiteral("abc"));
    EXPECT_FALSE(w.cmdGoTo->isEnabled()) << "not a number";
    w.txtEW->setText(QStringLiteral("0.5"));
    EXPECT_TRUE(w.cmdGoTo->isEnabled());
    w.txtNS->setText(QStringLiteral("300.5"));
    EXPECT_FALSE(w.cmdGoTo->isEnabled()) << "out of range";

    choose(w, Option::UGC);
    w.txtCatNo->setText(QStringLiteral("40000"));
    EXPECT_FALSE(w.cmdGoTo->isEnabled()) << "not a 16-bit integer";
    w.txtCatNo->setText(QStringLiteral("4000"));
    EXPECT_TRUE(w.cmdGoTo->isEnabled());
    choose(w, Option::IC);
    EXPECT_TRUE(w.cmdGoTo->isEnabled()) << "the number stays for another catalogue";
    w.txtCatNo->setText(QString());
    EXPECT_FALSE(w.cmdGoTo->isEnabled()) << "empty";
    EXPECT_TRUE(sim.receivedCommands().isEmpty()) << "checking input sends nothing";
}

// ---- Cancel, reopening, a silent telescope ----

TEST_F(GoWindowTest, CancelUnloadsAndTheNextShowLoadsFresh) {
    frmGo& w = opened();
    const int stars = w.cbAlignStar->count();
    EXPECT_EQ(stars, 34);
    choose(w, Option::Messier);
    w.txtCatNo->setText(QStringLiteral("31"));
    w.cmdCancel->click();
    EXPECT_FALSE(w.isVisible());
    w.show();
    EXPECT_EQ(w.selectedOption(), Option::Coord);
    EXPECT_TRUE(w.optCoord->isChecked());
    EXPECT_TRUE(w.txtCatNo->text().isEmpty());
    EXPECT_EQ(w.cbAlignStar->count(), stars) << "the list is filled once per load";
    EXPECT_TRUE(sim.receivedCommands().isEmpty());
}

// A telescope that goes silent before the selection, at the slew engine's reads of the target,
// or in the middle of the slew: the go-to ends quietly and the window is ready again.
TEST_F(GoWindowTest, SilentTelescopeEndsTheGoToQuietly) {
    int standby = 0;
    Hooks().SwitchToStandby = [&] { ++standby; };
    const struct {
        const char* when;
        int silentAfterMs; // -1 at once; else after the progress window shows
        Commands heard;
    } rows[] = {
        {"at once", -1, {"Lo 0"}},
        {"mid-slew", 300, {"Lo 0", "LM 31", "LI", "Gg", "Gt", "Gr", "Gd", "MS"}},
    };
    sim.setSlewSpeedDegPerSec(5.0);
    sim.withModel([](sim::LX200Model& m) { m.setPosition(m.localSiderealHours(), -20.0); });
    for (const auto& row : rows) {
        SCOPED_TRACE(row.when);
        ScopeConnected = true;
        standby = shows = hides = 0;
        sim.stopAnswering(false);
        sim.clearLog();
        frmGo& w = opened();
        choose(w, Option::Messier);
        w.txtCatNo->setText(QStringLiteral("31"));
        if (row.silentAfterMs < 0)
            sim.stopAnswering(true);
        else
            Hooks().ShowSlewProgress = [&] {
                ++shows;
                QTimer::singleShot(row.silentAfterMs, [&] { sim.stopAnswering(true); });
            };
        w.cmdGoTo->click();
        const Commands c = sim.receivedCommands();
        EXPECT_EQ(c.mid(0, row.heard.size()), row.heard) << c.join(' ').toStdString();
        EXPECT_EQ(standby, 1);
        EXPECT_FALSE(ScopeConnected);
        EXPECT_TRUE(prompts.messages.empty()) << messageTexts().join('|').toStdString();
        EXPECT_EQ(hides, shows) << "the progress window is closed";
        expectReadyForRetry(w);
    }
}

// ---- the list filler ----

TEST_F(GoWindowTest, FillListFromSectionAddsNamesWithTheirNumbers) {
    PutConfig(QStringLiteral("Align Stars"), QStringLiteral("Nonsense"), QStringLiteral("abc"));
    QComboBox list;
    list.addItem(QStringLiteral("kept"), 7);
    FillListFromSection(&list, QStringLiteral("Align Stars"));
    ASSERT_EQ(list.count(), 1 + 34 + 1);
    EXPECT_EQ(list.itemText(0), QStringLiteral("kept")) << "entries are added";
    EXPECT_EQ(list.itemText(1), QStringLiteral("Diphda")) << "in the store's order";
    EXPECT_EQ(list.itemData(1).toInt(), 8);
    const int castor = list.findText(QStringLiteral("Castor A"));
    ASSERT_GE(castor, 0);
    EXPECT_EQ(list.itemData(castor).toInt(), 78);
    EXPECT_EQ(list.itemData(list.findText(QStringLiteral("Polaris"))).toInt(), 19);
    EXPECT_EQ(list.itemData(list.findText(QStringLiteral("Nonsense"))).toInt(), 0)
        << "data that is not a number reads as 0";
    EXPECT_TRUE(prompts.messages.empty());
}

TEST_F(GoWindowTest, MissingSectionEndsTheProgramAfterItsMessage) {
    QComboBox list;
    EXPECT_THROW(FillListFromSection(&list, QStringLiteral("No Such Stars")),
                 platform::ProgramEnded);
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_EQ(prompts.messages[0].text,
              QStringLiteral("Failed to find No Such Stars section in registry"));
    EXPECT_EQ(prompts.messages[0].icon, MsgIcon::Critical);
    EXPECT_EQ(prompts.messages[0].title, QStringLiteral("LX-200 Vantor"));
    EXPECT_EQ(list.count(), 0);
}

} // namespace
} // namespace teleon
