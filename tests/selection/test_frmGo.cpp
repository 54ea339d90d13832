// The go-to window against the simulated telescope: each destination's commands, input checks,
// refusals and failed lookups, Halt, Cancel, a silent telescope, the alignment star list.
#include "ScopeTest.h"
#include "link/Commands.h"
#include "platform/EventLoop.h"
#include "selection/frmGo.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

#include <cmath>
#include <memory>

namespace teleon {
namespace {

using test::Commands;
using Option = frmGo::Option;
using platform::MsgIcon;

// M31 in the simulator's library.
constexpr double M31RaHours = 0.71231933;
// What the slew engine asks before "#:MS#" on an alt-azimuth mount: the site and the target.
const Commands TiltReads = {"Gg", "Gt", "Gr", "Gd"};

class GoWindowTest : public test::ScopeTest {
protected:
    void SetUp() override {
        ScopeTest::SetUp();
        Hooks().ShowSlewProgress = [this] { ++shows; };
        Hooks().HideSlewProgress = [this] { ++hides; };
        Hooks().SetSlewBars = [this](const QString& bars) { lastBars = bars; };
        Hooks().Beep = [this] { ++beeps; };
        Hooks().UpdateWhatsVis = [this] { ++refreshes; };
        Hooks().UpdateScopeCoords = [this] { ++refreshes; };
        sim.setSlewSpeedDegPerSec(90.0);
        // A site at 33.4 N; the clock set so that M31 stands on the meridian, 82 degrees up.
        sim.withModel([](sim::LX200Model& m) {
            m.setSite(1, {"AAA", 33.42, 111.83});
            double hours = M31RaHours - m.localSiderealHours();
            hours -= 24.0 * std::round(hours / 24.0);
            m.setLocalDateTime(
                m.localDateTime().addMSecs(qint64(hours * 3600000.0 / 1.00273790935)));
        });
        ASSERT_EQ(AlignmentMode, QStringLiteral("A"));
        SetLongFormat(true);
        heard();
    }
    void TearDown() override {
        window.reset();
        ScopeTest::TearDown();
    }

    frmGo& opened() {
        window = std::make_unique<frmGo>();
        window->show();
        return *window;
    }
    void choose(frmGo& w, Option option) {
        QRadioButton* buttons[] = {w.optCoord, w.OptShift,  w.optMessier,  w.optNGC,
                                   w.optIC,    w.optUGC,    w.optStar,     w.optSAO,
                                   w.optGCVS,  w.optPlanet, w.optAlignStar};
        buttons[int(option)]->click();
        ASSERT_EQ(w.selectedOption(), option);
    }
    // Types or chooses input for option: "RA|Dec", "north|east", a list entry or a number.
    void enter(frmGo& w, Option option, const char* text) {
        choose(w, Option::Coord); // clears every input
        choose(w, option);
        const QString input = QString::fromLatin1(text);
        if (option == Option::Coord || option == Option::Shift) {
            (option == Option::Coord ? w.txtRA : w.txtNS)->setText(input.section(u'|', 0, 0));
            (option == Option::Coord ? w.txtDec : w.txtEW)->setText(input.section(u'|', 1, 1));
        } else if (option == Option::Planet || option == Option::AlignStar) {
            QComboBox* list = option == Option::Planet ? w.cbPlanet : w.cbAlignStar;
            EXPECT_FALSE(w.cmdGoTo->isEnabled()) << "nothing chosen yet";
            list->setCurrentIndex(list->findText(input));
        } else {
            w.txtCatNo->setText(input);
        }
        ASSERT_TRUE(w.cmdGoTo->isEnabled());
    }
    void messier31(frmGo& w) { enter(w, Option::Messier, "31"); }
    // The window after a go-to that did not end it: open, ready for another try.
    void expectReadyForRetry(frmGo& w) {
        EXPECT_TRUE(w.isVisible() && w.cmdGoTo->isEnabled() && w.cmdCancel->isEnabled());
        EXPECT_FALSE(w.cmdStop->isEnabled() || w.isGoingTo() || ScopeMoving);
    }

    std::unique_ptr<frmGo> window;
    int shows = 0, hides = 0, beeps = 0, refreshes = 0;
    QString lastBars = QStringLiteral("unset");
};

TEST_F(GoWindowTest, HaltDuringTheSlewStopsTheTelescopeAndTheWaitEnds) {
    sim.setSlewSpeedDegPerSec(8.0);
    sim.withModel([](sim::LX200Model& m) { m.setPosition(m.localSiderealHours(), -20.0); });
    frmGo& w = opened();
    messier31(w);
    bool slewButtons = false, served = false;
    Hooks().ShowSlewProgress = [&] {
        // Clicked while the slew engine waits between polls of the bars.
        QTimer::singleShot(500, [&] {
            slewButtons =
                w.cmdStop->isEnabled() && !w.cmdCancel->isEnabled() && !w.cmdGoTo->isEnabled();
            w.cmdStop->click();
            served = !w.cmdStop->isEnabled() && w.cmdCancel->isEnabled() && w.cmdGoTo->isEnabled();
        });
    };
    const std::int64_t t0 = platform::TickMs();
    w.cmdGoTo->click();
    // 61 degrees at 8 degrees a second would take over 7 s; halted, it ends with the 4 s pause.
    EXPECT_LT(platform::TickMs() - t0, 6500);
    EXPECT_TRUE(slewButtons);
    ASSERT_TRUE(served) << "the Halt click is served while the slew waits";
    const Commands c = heard();
    const qsizetype halt = c.indexOf("Q");
    ASSERT_GT(halt, 0) << c.join(' ').toStdString();
    EXPECT_EQ(c.mid(halt), (Commands{"Q", "Q", "D"})) << "the next poll finds the bars empty";
    EXPECT_TRUE(lastBars.trimmed().isEmpty());
    EXPECT_EQ(beeps + refreshes, 3);
    EXPECT_FALSE(w.isVisible()) << "Halt does not mark the slew aborted: it ends normally";
    sim.withModel([](sim::LX200Model& m) {
        EXPECT_FALSE(m.isSlewing());
        EXPECT_LT(m.decDegrees(), 30.0) << "stopped short of M31";
    });
}

// Each destination's commands, with the slew refused (so no completion wait; each refusal's
// message is the slew engine's test). A shift reads the position (RA hours, Dec degrees) and
// sends the shifted target ("*" is the degree sign); its wrapping is the engine's test too.
TEST_F(GoWindowTest, EachDestinationSelectsItsTargetAndLooksItUp) {
    const struct {
        Option option;
        const char* input;
        Commands selection;
        int deepSky, star; // the catalogue variables afterwards
        double ra = 0, dec = 0;
    } rows[] = {
        {Option::Messier, "31", {"Lo 0", "LM 31"}, 0, 1},
        {Option::NGC, "224", {"Lo 0", "LC 224"}, 0, 1},
        {Option::IC, "342", {"Lo 1", "LC 342"}, 1, 1},
        {Option::UGC, "454", {"Lo 2", "LC 454"}, 2, 1},
        {Option::Star, "19", {"Ls 0", "LS 19"}, 2, 0},
        {Option::SAO, "308", {"Ls 1", "LS 308"}, 2, 1},
        {Option::GCVS, "2", {"Ls 2", "LS 2"}, 2, 2},
        {Option::Planet, "Jupiter", {"Ls 0", "LS 905"}, 2, 0},
        {Option::Planet, "Pluto", {"Ls 0", "LS 909"}, 2, 0},
        {Option::AlignStar, "Markab", {"Ls 0", "LS 249"}, 2, 0},
        // 23:59:00 +20: 359.75 deg + 1/cos(20.25) = 360.8159 deg -> 00:03:16.
        {Option::Shift, "30|60", {"GR", "GD", "Sr 00:03:16", "Sd 020*30:00"}, 2, 0, 23.98334, 20},
        // The box's limits, 300' either way, are inside the engine's 10 degrees.
        {Option::Shift, "-300|0", {"GR", "GD", "Sr 12:00:00", "Sd -045*00:00"}, 2, 0, 12, -40},
        {Option::Coord, "05:35:17|-05:23:28", {"Sr 05:35:17", "Sd -05:23:28"}, 2, 0},
    };
    frmGo& w = opened();
    DeepSkyCatalog = 2;
    StarCatalog = 1;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.input);
        sim.withModel([&](sim::LX200Model& m) { m.setPosition(row.ra, row.dec); });
        enter(w, row.option, row.input);
        sim.refuseNextSlew('7');
        w.cmdGoTo->click();
        Commands c = heard();
        for (QByteArray& command : c)
            command.replace('\xDF', '*');
        EXPECT_EQ(c, row.selection + Commands{"LI"} + TiltReads + Commands{"MS"});
        EXPECT_EQ(DeepSkyCatalog, row.deepSky);
        EXPECT_EQ(StarCatalog, row.star);
        expectOneMessage(QStringLiteral("The selected coordinates failed for some unknown reason."),
                         MsgIcon::Critical);
        expectReadyForRetry(w);
    }
    sim.withModel([](sim::LX200Model& m) {
        EXPECT_EQ(m.deepSkyLibrary(), 2);
        EXPECT_NEAR(m.targetDecDegrees(), -(5.0 + 23.0 / 60 + 28.0 / 3600), 1e-6);
    });
}

// Refused coordinates, a lookup that the telescope reports failed, a shift too near the pole.
TEST_F(GoWindowTest, RefusalsStopBeforeTheSlew) {
    const QString bad = QStringLiteral("Slew coordinates are bad");
    const QString lookup = QStringLiteral("Lookup failed. Scope reported:\r\n  ");
    const QString pole = QStringLiteral("Too close to celestial pole for shift calculations");
    const struct {
        Option option;
        const char *input, *refused;
        Commands heard;
        QString message;
    } rows[] = {
        {Option::Coord, "05:35:17|-05:23:28", "Sr", {"Sr 05:35:17"}, bad},
        {Option::Coord, "05:35:17|-05:23:28", "Sd", {"Sr 05:35:17", "Sd -05:23:28"}, bad},
        {Option::Messier, "999", "", {"Lo 0", "LM 999", "LI"}, lookup + "Too large a number"},
        {Option::NGC, "7839", "", {"Lo 0", "LC 7839", "LI"}, lookup + "No match in library"},
        {Option::Shift, "120|0", "", {"GR", "GD"}, pole},
    };
    sim.withModel([](sim::LX200Model& m) { m.setPosition(3.0, 79.0); });
    frmGo& w = opened();
    for (const auto& row : rows) {
        SCOPED_TRACE(row.input);
        enter(w, row.option, row.input);
        if (*row.refused)
            sim.refuseNext(row.refused);
        w.cmdGoTo->click();
        EXPECT_EQ(heard(), row.heard);
        expectOneMessage(row.message,
                         row.message == bad ? MsgIcon::Critical : MsgIcon::Exclamation);
        expectReadyForRetry(w);
    }
    EXPECT_EQ(shows, 0);
}

TEST(GoInputChecks, CoordinatesShiftsAndCatalogueNumbers) {
    const std::pair<const char*, bool> ras[] = {
        {"00:00:00", true},  {"23:59:59", true},  {"12 34 56", true}, // separators unread
        {"24:00:00", false}, {"1:00:00", false},  {"01:60:00", false}, {"01:00:0x", false},
        {"", false},         {"-1:00:00", false}, {"01:00:000", false}};
    for (const auto& [text, valid] : ras)
        EXPECT_EQ(frmGo::ValidRA(QString::fromLatin1(text)), valid) << text;
    const std::pair<const char*, bool> decs[] = {
        {"+90:00:00", true},  {"-90:00:00", true},  {"+89:59:59", true},  {"+45*30'15", true},
        {"+90:00:01", false}, {"+90:01:00", false}, {"+89:60:00", false}, {"+45:30", false},
        {"+91:00:00", false}, {"+4x:00:00", false}, {"+45:30:00 ", false}};
    for (const auto& [text, valid] : decs)
        EXPECT_EQ(frmGo::ValidDec(QString::fromLatin1(text)), valid) << text;
    const std::pair<const char*, bool> shifts[] = {
        {"-300", true},  {"300", true}, {"12,5", true}, {"300.5", false},
        {"-301", false}, {"", false},   {"abc", false}, {"1e9", false}};
    for (const auto& [text, valid] : shifts)
        EXPECT_EQ(frmGo::ValidShift(QString::fromLatin1(text)), valid) << text;
    const std::pair<const char*, bool> numbers[] = {
        {"0", true},      {"32767", true}, {"-12", true},  {"012", false}, {"12.0", false},
        {"40000", false}, {"", false},     {" 12", false}, {"+12", false}};
    for (const auto& [text, valid] : numbers)
        EXPECT_EQ(frmGo::ValidCatNo(QString::fromLatin1(text)), valid) << text;
}

TEST_F(GoWindowTest, EachOptionEnablesItsInputsAndClearsTheOthers) {
    frmGo& w = opened();
    EXPECT_FALSE(w.cmdGoTo->isEnabled()) << "empty boxes";
    EXPECT_FALSE(w.cmdStop->isEnabled());
    // Inputs in the order txtRA, txtDec, txtNS, txtEW, txtCatNo, cbPlanet, cbAlignStar.
    const std::pair<Option, const char*> rows[] = {
        {Option::Coord, "1100000"}, {Option::Shift, "0011000"},  {Option::Messier, "0000100"},
        {Option::GCVS, "0000100"},  {Option::Planet, "0000010"}, {Option::AlignStar, "0000001"}};
    QLineEdit* boxes[] = {w.txtRA, w.txtDec, w.txtNS, w.txtEW, w.txtCatNo};
    for (const auto& [option, enabled] : rows) {
        SCOPED_TRACE(enabled);
        for (QLineEdit* box : boxes)
            box->setText(QStringLiteral("1"));
        w.cbPlanet->setCurrentIndex(0);
        w.cbAlignStar->setCurrentIndex(0);
        choose(w, option);
        for (int i = 0; i < 5; ++i) {
            EXPECT_EQ(boxes[i]->isEnabled(), enabled[i] == '1') << i;
            EXPECT_EQ(boxes[i]->text().isEmpty(), enabled[i] == '0') << i;
        }
        EXPECT_EQ(w.cbPlanet->currentIndex() >= 0 && w.cbPlanet->isEnabled(), enabled[5] == '1');
        EXPECT_EQ(w.cbAlignStar->currentIndex() >= 0 && w.cbAlignStar->isEnabled(),
                  enabled[6] == '1');
    }
    EXPECT_TRUE(sim.receivedCommands().isEmpty()) << "checking input sends nothing";
}

TEST_F(GoWindowTest, CancelUnloadsAndTheNextShowLoadsFresh) {
    frmGo& w = opened();
    EXPECT_EQ(w.cbAlignStar->count(), 34);
    messier31(w);
    w.cmdCancel->click();
    EXPECT_FALSE(w.isVisible());
    w.show();
    EXPECT_EQ(w.selectedOption(), Option::Coord);
    EXPECT_TRUE(w.txtCatNo->text().isEmpty());
    EXPECT_EQ(w.cbAlignStar->count(), 34) << "the list is filled once per load";
    EXPECT_TRUE(sim.receivedCommands().isEmpty());
}

// A telescope that goes silent in the middle of the slew: the go-to ends quietly, the progress
// window is closed and the window is ready again.
TEST_F(GoWindowTest, TelescopeSilentMidSlewEndsTheGoToQuietly) {
    sim.setSlewSpeedDegPerSec(5.0);
    sim.withModel([](sim::LX200Model& m) { m.setPosition(m.localSiderealHours(), -20.0); });
    frmGo& w = opened();
    messier31(w);
    Hooks().ShowSlewProgress = [&] {
        ++shows;
        QTimer::singleShot(300, [&] { sim.stopAnswering(true); });
    };
    w.cmdGoTo->click();
    const Commands c = sim.receivedCommands();
    EXPECT_EQ(c.mid(0, 8), (Commands{"Lo 0", "LM 31", "LI"} + TiltReads + Commands{"MS"}));
    EXPECT_TRUE(c.mid(8).contains("D")) << c.join(' ').toStdString();
    EXPECT_EQ(standby, 1);
    EXPECT_TRUE(prompts.messages.empty());
    EXPECT_EQ(hides, shows);
    expectReadyForRetry(w);
}

TEST_F(GoWindowTest, FillListFromSectionAddsNamesWithTheirNumbers) {
    PutConfig(QStringLiteral("Align Stars"), QStringLiteral("Nonsense"), QStringLiteral("abc"));
    QComboBox list;
    list.addItem(QStringLiteral("kept"), 7);
    FillListFromSection(&list, QStringLiteral("Align Stars"));
    ASSERT_EQ(list.count(), 1 + 34 + 1);
    EXPECT_EQ(list.itemText(0) + list.itemData(0).toString(), QStringLiteral("kept7"));
    EXPECT_EQ(list.itemText(1) + list.itemData(1).toString(), QStringLiteral("Diphda8"));
    EXPECT_EQ(list.itemText(35) + list.itemData(35).toString(), QStringLiteral("Nonsense0"));
    EXPECT_TRUE(prompts.messages.empty());
    EXPECT_THROW(FillListFromSection(&list, QStringLiteral("No Such Stars")),
                 platform::ProgramEnded);
    expectOneMessage(QStringLiteral("Failed to find No Such Stars section in registry"),
                     MsgIcon::Critical);
}

} // namespace
} // namespace teleon
