// The object finder against the simulated telescope: the filters read into the controls without
// being sent back, every slider's command at both ends of its range, the type letters, "Must fit
// in FOV", find / next / previous and the object shown, a search that finds nothing, codes the
// tables do not know, the bounded quality stepping, the "Filter" values saved on unload, go-to
// with STOP, and a telescope that stops answering or refuses.
#include "console/Registry.h"
#include "link/Channel.h"
#include "link/Commands.h"
#include "link/ProgramState.h"
#include "link/ScopeIntfc.h"
#include "platform/EventLoop.h"
#include "platform/Prompts.h"
#include "selection/frmFind.h"
#include "sim/SimServer.h"
#include "support/TestSupport.h"
#include "support/SimTraffic.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSlider>
#include <QTimer>
#include <gtest/gtest.h>

#include <functional>
#include <ostream>

// Commands print as text in failure messages.
void PrintTo(const QByteArray& bytes, std::ostream* os) {
    *os << '"' << bytes.toStdString() << '"';
}

namespace teleon {
namespace {

using Commands = QList<QByteArray>;
using Kind = frmFind::ObjectKind;
using platform::MsgIcon;

const QString Filter = QStringLiteral("Filter");
const QString Title = QStringLiteral("LX-200 Vantor");
const QChar Degree{char16_t(0xDF)};

class FindWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetProgramState();
        ResetConfigRoot();
        platform::setPrompts(&prompts);
        Hooks() = LinkHooks{};
        Hooks().SwitchToStandby = [this] { ++standbyCalls; };
        sim.start();
        sim.setSlewSpeedDegPerSec(90.0);
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
        ResetConfigRoot();
        ResetProgramState();
    }

    // Commands typed at the telescope's own keypad (not logged as the window's).
    void scope(const QByteArray& commands) {
        sim.withModel([&](sim::LX200Model& m) { m.feed(commands); });
        sim.clearLog();
    }
    frmFind& opened() {
        window = std::make_unique<frmFind>();
        window->show();
        sim.clearLog();
        prompts.messages.clear();
        return *window;
    }
    // Everything the telescope heard since the last clearLog (see HeardSoFar).
    Commands heard() { return test::HeardSoFar(sim); }
    QByteArray ask(const QByteArray& command) {
        QByteArray reply;
        sim.withModel([&](sim::LX200Model& m) { reply = m.feed("#:" + command + "#"); });
        return reply;
    }
    void expectSearchReset() {
        EXPECT_TRUE(window->cmdFind->isEnabled());
        EXPECT_FALSE(window->cmdNext->isEnabled());
        EXPECT_FALSE(window->cmdPrev->isEnabled());
        EXPECT_FALSE(window->cmdGoTo->isEnabled());
        EXPECT_EQ(window->lblName->text(), QString());
        EXPECT_EQ(window->prgRA->value(), 0);
        EXPECT_EQ(window->prgDec->value(), 0);
    }
    void expectOneWarning(const QString& text) {
        ASSERT_EQ(prompts.messages.size(), 1u);
        EXPECT_EQ(prompts.messages[0].text, text);
        EXPECT_EQ(prompts.messages[0].icon, MsgIcon::Exclamation);
        EXPECT_EQ(prompts.messages[0].title, Title);
        prompts.messages.clear();
    }

    test::TempConfigHome home;
    sim::SimServer sim;
    platform::ScriptedPrompts prompts;
    std::unique_ptr<frmFind> window;
    int standbyCalls = 0;
};

// ---- opening: the telescope's filters into the controls, nothing sent back ----

TEST_F(FindWindowTest, WindowTexts) {
    frmFind& w = opened();
    EXPECT_EQ(w.objectName(), QStringLiteral("frmFind"));
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Catalog Search"));
    EXPECT_FALSE(w.isModal());
    const std::pair<QAbstractButton*, const char*> captions[] = {
        {w.chkGAL, "Galaxies"},
        {w.chkPNEB, "Planetary Nebulae"},
        {w.chkDNEB, "Diffuse Nebulae"},
        {w.chkGLOB, "Globular Clusters"},
        {w.chkOPEN, "Open Clusters"},
        {w.chkFitFOV, "Must fit in FOV"},
        {w.cmdFind, "Find"},
        {w.cmdPrev, "Prev"},
        {w.cmdNext, "Next"},
        {w.cmdGoTo, "Go To"},
        {w.cmdHalt, "STOP"},
        {w.cmdClose, "Close"},
    };
    for (const auto& [control, caption] : captions)
        EXPECT_EQ(control->text(), QLatin1String(caption));
    QStringList texts;
    for (const QLabel* l : w.findChildren<QLabel*>())
        texts << l->text();
    EXPECT_TRUE(texts.contains(QStringLiteral("These settings limit the objects that can be "
                                              "selected")));
    EXPECT_TRUE(texts.contains(QStringLiteral("Change any filter to start a new search")));
    QStringList frames;
    for (const QGroupBox* g : w.findChildren<QGroupBox*>())
        frames << g->title();
    EXPECT_TRUE(frames.contains(QStringLiteral("Include Objects")));
    for (const char* name :
         {"sldMinEl", "sldMaxEl", "sldMinSize", "sldMaxSize", "sldMinMag", "sldMaxMag",
          "sldMinQual", "lblName", "lblType", "lblMag", "lblSize", "lblQual", "prgRA", "prgDec"})
        EXPECT_NE(w.findChild<QWidget*>(QLatin1String(name)), nullptr) << name;
    EXPECT_FALSE(w.sldMaxEl->isEnabled());
    EXPECT_FALSE(w.cmdHalt->isEnabled());
    EXPECT_EQ(w.prgRA->maximum(), 16);
    EXPECT_EQ(w.prgDec->maximum(), 16);
    expectSearchReset();
}

TEST_F(FindWindowTest, OpeningReadsTheFiltersAndSendsNothingBack) {
    // Each row's keypad changes add to the telescope's state before it.
    struct Row {
        QByteArray keypad; // the telescope's filters, set at its own keypad
        bool boxes[5];     // G P D C O
        int minQual, minEl, minMag, maxMag, minSize, maxSize;
    } rows[] = {
        // The telescope's power-on filters: brightest -5.5 and faintest 20.0 lie beyond the
        // sliders' -2.0 and 18.0.
        {"", {true, true, true, true, true}, 6, 60, 0, 100, 200, 0},
        {"#:Sy GpDcO##:Sq##:Sq##:Sq##:Sq##:Sh 10##:Sb 3.0##:Sf 14.0##:Sl 5##:Ss 60#",
         {true, false, true, false, true},
         3,
         50,
         25,
         80,
         195,
         140},
        // Lower-case letters only: every type left out. Quality stepped on round to SU.
        {"#:Sy gpdco##:Sq##:Sq##:Sq##:Sq##:Sh 60##:Sb -2.0##:Sf 18.0##:Sl 200##:Ss 0#",
         {false, false, false, false, false},
         0,
         0,
         0,
         100,
         0,
         200},
        // (-1.8 + 2) x 5 is a hair under 1 in binary, (-1.6 + 2) x 5 a hair under 2: the
        // sliders still get the step the telescope's value stands for.
        {"#:Sb -1.8##:Sf -1.6#", {false, false, false, false, false}, 0, 0, 1, 2, 0, 200},
    };
    const Commands reads{"Gy", "Gq", "Gh", "Gb", "Gf", "Gl", "Gs"};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.keypad.constData());
        scope(row.keypad);
        window = std::make_unique<frmFind>();
        window->show();
        EXPECT_EQ(heard(), reads);
        const QCheckBox* boxes[] = {window->chkGAL, window->chkPNEB, window->chkDNEB,
                                    window->chkGLOB, window->chkOPEN};
        for (int i = 0; i < 5; ++i)
            EXPECT_EQ(boxes[i]->isChecked(), row.boxes[i]) << i;
        EXPECT_EQ(window->sldMinQual->value(), row.minQual);
        EXPECT_EQ(window->sldMinEl->value(), row.minEl);
        EXPECT_EQ(window->sldMinMag->value(), row.minMag);
        EXPECT_EQ(window->sldMaxMag->value(), row.maxMag);
        EXPECT_EQ(window->sldMinSize->value(), row.minSize);
        EXPECT_EQ(window->sldMaxSize->value(), row.maxSize);
        EXPECT_FALSE(window->Updating);
        EXPECT_TRUE(prompts.messages.empty());
        // Reading them again into controls that already hold them is just as quiet.
        window->UpdateObjFilters();
        EXPECT_EQ(heard(), reads);
    }
}

TEST_F(FindWindowTest, AnUnknownQualityReplyWarnsAndCountsAsVeryPoor) {
    scope("#:Sq##:Sq#"); // EX
    sim.garbleNext(2);   // "Gy" and "Gq" answer junk
    window = std::make_unique<frmFind>();
    window->show();
    expectOneWarning(QStringLiteral("Bad filter quality"));
    EXPECT_EQ(window->sldMinQual->value(), 6);
    EXPECT_FALSE(window->chkGAL->isChecked()); // junk holds no type letter
    // Still nothing sent back: no "Sq" and no "Sy" while the filters are read.
    EXPECT_EQ(heard(), (Commands{"Gy", "Gq", "Gh", "Gb", "Gf", "Gl", "Gs"}));
}

TEST_F(FindWindowTest, GarbageInTheFilterRepliesShowsAMessageNotACrash) {
    sim.garbleNext(100);
    window = std::make_unique<frmFind>();
    window->show();
    sim.garbleNext(0);
    // "Gq" is a bad quality; "Gb" is not a number, which ends the reading.
    ASSERT_EQ(prompts.messages.size(), 2u);
    EXPECT_EQ(prompts.messages[0].text, QStringLiteral("Bad filter quality"));
    EXPECT_EQ(prompts.messages[1].icon, MsgIcon::Critical);
    EXPECT_FALSE(window->Updating);
    EXPECT_EQ(heard(), (Commands{"Gy", "Gq", "Gh", "Gb"}));
    expectSearchReset();
}

// ---- each slider's command, at both ends ----

struct SliderRow {
    QSlider* frmFind::*slider;
    int from, to;
    QByteArray sent;
    QByteArray readBack; // the telescope's own report afterwards
    QByteArray getter;
    const char* refusal;
};

TEST_F(FindWindowTest, SlidersSendTheTelescopeValueAtBothEnds) {
    const QByteArray deg(1, char(0xDF));
    const SliderRow rows[] = {
        {&frmFind::sldMinEl, 30, 0, "Sh 60", "60" + deg, "Gh", "Failed to set min elevation"},
        {&frmFind::sldMinEl, 30, 60, "Sh 0", "00" + deg, "Gh", "Failed to set min elevation"},
        {&frmFind::sldMinSize, 100, 0, "Sl 200", "200'", "Gl", "Failed to set min size"},
        {&frmFind::sldMinSize, 100, 200, "Sl 0", "000'", "Gl", "Failed to set min size"},
        {&frmFind::sldMaxSize, 100, 0, "Ss 200", "200'", "Gs", "Failed to set max size"},
        {&frmFind::sldMaxSize, 100, 200, "Ss 0", "000'", "Gs", "Failed to set max size"},
        // (0 / 5) - 2 = -2.0 in "000.0": the pattern pads the digits, the sign goes before.
        {&frmFind::sldMinMag, 50, 0, "Sb -002.0", "-02.0", "Gb", "Failed to set min brightness"},
        {&frmFind::sldMinMag, 50, 100, "Sb 018.0", "+18.0", "Gb", "Failed to set min brightness"},
        {&frmFind::sldMinMag, 50, 11, "Sb 000.2", "+00.2", "Gb", "Failed to set min brightness"},
        {&frmFind::sldMaxMag, 50, 0, "Sf -002.0", "-02.0", "Gf", "Failed to set max brightness"},
        {&frmFind::sldMaxMag, 50, 100, "Sf 018.0", "+18.0", "Gf", "Failed to set max brightness"},
        {&frmFind::sldMaxMag, 50, 9, "Sf -000.2", "-00.2", "Gf", "Failed to set max brightness"},
    };
    frmFind& w = opened();
    for (const SliderRow& row : rows) {
        SCOPED_TRACE(row.sent.constData());
        QSlider* s = w.*(row.slider);
        s->setValue(row.from);
        heard();
        s->setValue(row.to); // as a drag let go there
        EXPECT_EQ(heard(), Commands{row.sent});
        EXPECT_EQ(ask(row.getter), row.readBack + '#');
        EXPECT_TRUE(prompts.messages.empty());

        // Refused: the message, and the slider stays where the user put it.
        s->setValue(row.from);
        heard();
        sim.refuseNext(row.sent.left(2));
        s->setValue(row.to);
        EXPECT_EQ(heard(), Commands{row.sent});
        expectOneWarning(QLatin1String(row.refusal));
        EXPECT_EQ(s->value(), row.to);
    }
}

TEST_F(FindWindowTest, MagnitudesKeepTheirPointInACommaLocale) {
    DecimalSep = QLatin1Char(',');
    ThousandSep = QLatin1Char('.');
    frmFind& w = opened();
    w.sldMinMag->setValue(73);
    w.sldMaxMag->setValue(96);
    EXPECT_EQ(heard(), (Commands{"Sb 012.6", "Sf 017.2"}));
    w.sldMinMag->setValue(0);
    w.sldMaxMag->setValue(0);
    heard();
    scope("#:Sb 12.6##:Sf 17.2#");
    w.UpdateObjFilters(); // "+12.6" and "+17.2" read in the same locale
    EXPECT_EQ(w.sldMinMag->value(), 73);
    EXPECT_EQ(w.sldMaxMag->value(), 96);
    EXPECT_TRUE(prompts.messages.empty());
}

TEST_F(FindWindowTest, TheQualitySliderStepsTheTelescopeRoundToItsCode) {
    frmFind& w = opened(); // the telescope is at VP
    w.sldMinQual->setValue(2);
    // VP -> SU -> EX -> VG
    EXPECT_EQ(heard(), (Commands{"Gq", "Sq", "Gq", "Sq", "Gq", "Sq", "Gq"}));
    EXPECT_EQ(ask("Gq"), QByteArray("VG#"));
    w.sldMinQual->setValue(3);
    EXPECT_EQ(heard(), (Commands{"Gq", "Sq", "Gq"}));
    w.sldMinQual->setValue(2); // GD -> FR -> PR -> VP -> SU -> EX -> VG: six steps
    EXPECT_EQ(heard().count("Sq"), 6);
    EXPECT_EQ(ask("Gq"), QByteArray("VG#"));
    EXPECT_TRUE(prompts.messages.empty());
}

TEST_F(FindWindowTest, QualitySteppingStopsAfterOneRoundWhenTheCodeNeverComes) {
    frmFind& w = opened();
    sim.garbleNext(100); // every "Gq" answers junk
    w.sldMinQual->setValue(0);
    sim.garbleNext(0);
    Commands expected{"Gq"};
    for (int i = 0; i < 7; ++i)
        expected << "Sq"
                 << "Gq";
    EXPECT_EQ(heard(), expected);
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_TRUE(prompts.messages[0].text.startsWith(
        QStringLiteral("The telescope does not offer the minimum quality \"SU\"")));
    EXPECT_EQ(prompts.messages[0].icon, MsgIcon::Exclamation);
    EXPECT_EQ(w.sldMinQual->value(), 0);
}

// ---- type boxes ----

TEST_F(FindWindowTest, TypeBoxesSendTheFiveLetters) {
    const std::pair<QCheckBox * frmFind::*, QByteArray> rows[] = {
        {&frmFind::chkGAL, "Sy gPDCO"},  {&frmFind::chkPNEB, "Sy gpDCO"},
        {&frmFind::chkDNEB, "Sy gpdCO"}, {&frmFind::chkGLOB, "Sy gpdcO"},
        {&frmFind::chkOPEN, "Sy gpdco"}, {&frmFind::chkGAL, "Sy Gpdco"},
        {&frmFind::chkGLOB, "Sy GpdCo"},
    };
    frmFind& w = opened();
    for (const auto& [box, sent] : rows) {
        SCOPED_TRACE(sent.constData());
        (w.*box)->click();
        EXPECT_EQ(heard(), Commands{sent});
        EXPECT_EQ(ask("Gy"), sent.mid(3) + '#');
    }
    // The Scope object's setter: only a change runs the handler.
    w.SetTypeIncluded(Kind::OpenClusters, false);
    EXPECT_EQ(heard(), Commands{});
    w.SetTypeIncluded(Kind::OpenClusters, true);
    EXPECT_EQ(heard(), Commands{"Sy GpdCO"});
    EXPECT_TRUE(w.TypeIncluded(Kind::OpenClusters));
}

// ---- "Must fit in FOV" ----

TEST_F(FindWindowTest, FitInFieldSetsTheSizeRangeToTheFieldDiameter) {
    struct Row {
        double radiusArcmin;
        QByteArray maxSize; // the "Ss" command
        int slider;
    } rows[] = {
        {30.0, "Ss 60", 140},
        {15.25, "Ss 30", 170}, // 30.5 rounds to even
        {15.75, "Ss 32", 168}, // 31.5 rounds to even
        {0.5, "Ss 1", 199},
        {150.0, "Ss 200", 0}, // wider than the slider: the largest size the telescope takes
    };
    frmFind& w = opened();
    for (const Row& row : rows) {
        SCOPED_TRACE(row.maxSize.constData());
        w.sldMinSize->setValue(100);
        w.sldMaxSize->setValue(row.slider == 100 ? 50 : 100);
        heard();
        FieldRadius = row.radiusArcmin;
        w.chkFitFOV->click();
        EXPECT_EQ(heard(), (Commands{row.maxSize, "Sl 0"}));
        EXPECT_TRUE(w.chkFitFOV->isChecked());
        EXPECT_EQ(w.sldMaxSize->value(), row.slider);
        EXPECT_EQ(w.sldMinSize->value(), 200);
        // Unticking sends nothing and leaves the sizes.
        w.chkFitFOV->click();
        EXPECT_EQ(heard(), Commands{});
        EXPECT_FALSE(w.chkFitFOV->isChecked());
    }
    // Moving either size slider clears the box.
    for (QSlider* s : {w.sldMinSize, w.sldMaxSize}) {
        w.chkFitFOV->click();
        heard();
        ASSERT_TRUE(w.chkFitFOV->isChecked());
        s->setValue(s->value() == 10 ? 20 : 10);
        EXPECT_FALSE(w.chkFitFOV->isChecked());
        EXPECT_EQ(heard().size(), 1);
    }
    EXPECT_TRUE(prompts.messages.empty());
}

TEST_F(FindWindowTest, OpeningAppliesTheStoredFitInField) {
    PutConfig(Filter, QStringLiteral("UseFOV"), QStringLiteral("1"));
    FieldRadius = 20.0;
    window = std::make_unique<frmFind>();
    window->show();
    EXPECT_EQ(heard(), (Commands{"Gy", "Gq", "Gh", "Gb", "Gf", "Gl", "Gs", "Ss 40"}));
    EXPECT_TRUE(window->chkFitFOV->isChecked());
    EXPECT_EQ(window->sldMaxSize->value(), 160);
}

// ---- find, next, previous and the object shown ----

TEST_F(FindWindowTest, FindShowsTheFirstObjectAndNextAndPrevWalk) {
    frmFind& w = opened();
    w.cmdFind->click();
    const Commands found = heard();
    EXPECT_EQ(found, (Commands{"LF", "LI", "LI", "D"}));
    EXPECT_FALSE(w.lblName->text().isEmpty());
    EXPECT_FALSE(w.lblType->text().isEmpty());
    EXPECT_FALSE(w.cmdFind->isEnabled());
    EXPECT_TRUE(w.cmdNext->isEnabled());
    EXPECT_TRUE(w.cmdPrev->isEnabled());
    EXPECT_TRUE(w.cmdGoTo->isEnabled());
    EXPECT_TRUE(prompts.messages.empty());
    const QString first = w.lblName->text();
    EXPECT_EQ(QString::fromLatin1(ask("LI").left(8)).trimmed(), first);

    w.cmdNext->click();
    EXPECT_EQ(heard(), (Commands{"LN", "LI", "D"}));
    const QString second = w.lblName->text();
    EXPECT_NE(second, first);
    w.cmdPrev->click();
    EXPECT_EQ(heard(), (Commands{"LB", "LI", "D"}));
    EXPECT_EQ(w.lblName->text(), first);

    // Any filter change ends the search.
    w.chkGAL->click();
    expectSearchReset();
}

TEST_F(FindWindowTest, AFindThatFindsNothingSaysSo) {
    scope("#:Sy gpdco#");
    frmFind& w = opened();
    w.cmdFind->click();
    EXPECT_EQ(heard(), (Commands{"LF", "LI"}));
    expectOneWarning(QStringLiteral("Nothing found within limits. Check your filter settings."));
    expectSearchReset();
}

TEST_F(FindWindowTest, ShowCurObjectDecodesTheObjectInformation) {
    auto catalogue = std::make_shared<sim::Catalogue>(*sim::Catalogue::builtIn());
    sim::CatalogueObject odd;
    odd.name = "NGC7777";
    odd.raHours = 23.88;
    odd.decDegrees = 7.4;
    odd.typeCode = "XYZ";
    odd.qualityCode = "QQ";
    odd.magnitude = 13.0;
    odd.sizeArcmin = 2.0;
    catalogue->add(sim::Library::Ngc, 7777, odd);
    sim::CatalogueObject blank = odd;
    blank.name = "NGC7778";
    blank.typeCode = "";
    blank.qualityCode = "";
    catalogue->add(sim::Library::Ngc, 7778, blank);
    sim.withModel([&](sim::LX200Model& m) { m.setCatalogue(catalogue); });

    struct Row {
        QByteArray select;
        const char *name, *type, *mag, *size, *qual;
    } rows[] = {
        {"#:LM 31#", "M31", "Galaxy", "4.4", "178'", "Very bright and very interesting shape"},
        {"#:Lo 0##:LC 7777#", "NGC7777", "'XYZ ' (not in decode table)", "13.0", "2.0'",
         "'QQ' (not in quality table)"},
        {"#:Lo 0##:LC 7778#", "NGC7778", "Unknown (no data in catalog)", "13.0", "2.0'", ""},
        // A planet: the library knows only where it is.
        {"#:Ls 0##:LS 904#", nullptr, "(coordinates only)", "", "", ""},
    };
    frmFind& w = opened();
    for (const Row& row : rows) {
        SCOPED_TRACE(row.select.constData());
        scope(row.select);
        w.ShowCurObject();
        EXPECT_EQ(heard(), (Commands{"LI", "D"}));
        if (row.name)
            EXPECT_EQ(w.lblName->text(), QLatin1String(row.name));
        else
            EXPECT_FALSE(w.lblName->text().isEmpty());
        EXPECT_EQ(w.lblType->text(), QLatin1String(row.type));
        EXPECT_EQ(w.lblMag->text(), QLatin1String(row.mag));
        EXPECT_EQ(w.lblSize->text(), QLatin1String(row.size));
        EXPECT_EQ(w.lblQual->text(), QLatin1String(row.qual));
    }
}

// ---- distance bars ----

TEST_F(FindWindowTest, SetBarsCountsTheBarsOfEachHalf) {
    const QString bar(1, QChar(char16_t(0xFF)));
    const QString blank16(16, u' ');
    struct Row {
        QString reply;
        int ra, dec;
    } rows[] = {
        {QString(), 0, 0},
        {bar.repeated(16) + blank16, 16, 0},
        {blank16 + bar.repeated(16), 0, 16},
        {bar.repeated(4) + QString(24, u' ') + bar.repeated(4), 4, 4},
        {bar.repeated(32), 16, 16},
        {u' ' + bar + u' ' + bar + QString(12, u' ') + blank16, 3, 0}, // inner blanks count
        {bar.repeated(3), 3, 3},                                       // short: both halves
    };
    frmFind& w = opened();
    for (const Row& row : rows) {
        w.SetBars(row.reply);
        EXPECT_EQ(w.prgRA->value(), row.ra) << row.reply.size();
        EXPECT_EQ(w.prgDec->value(), row.dec) << row.reply.size();
    }
}

TEST_F(FindWindowTest, InstalledFinderReceivesTheSlewBarsUntilItIsGone) {
    frmFind& w = opened();
    InstallFinderBars(&w);
    ASSERT_TRUE(bool(Hooks().SetFinderBars));
    Hooks().SetFinderBars(QString(10, QChar(char16_t(0xFF))) + QString(22, u' '));
    EXPECT_EQ(w.prgRA->value(), 10);
    EXPECT_EQ(w.prgDec->value(), 0);
    window.reset();
    EXPECT_FALSE(bool(Hooks().SetFinderBars));

    // A finder that gave the bars up to a newer one leaves the newer one's hook alone.
    auto older = std::make_unique<frmFind>();
    auto newer = std::make_unique<frmFind>();
    InstallFinderBars(older.get());
    InstallFinderBars(newer.get());
    older.reset();
    ASSERT_TRUE(bool(Hooks().SetFinderBars));
    Hooks().SetFinderBars(QString(32, QChar(char16_t(0xFF))));
    EXPECT_EQ(newer->prgRA->value(), 16);
    newer.reset();
    EXPECT_FALSE(bool(Hooks().SetFinderBars));
}

// ---- go-to and STOP ----

TEST_F(FindWindowTest, GoToSlewsAndStopHaltsIt) {
    sim.setSlewSpeedDegPerSec(2.0);
    sim.withModel([](sim::LX200Model& m) { m.setPosition(0.0, -80.0); });
    int refreshes = 0;
    Hooks().UpdateWhatsVis = [&] { ++refreshes; };
    Hooks().UpdateScopeCoords = [&] { ++refreshes; };
    frmFind& w = opened();
    InstallFinderBars(&w);
    w.cmdFind->click();
    heard();
    ASSERT_TRUE(w.cmdGoTo->isEnabled());

    bool haltEnabledDuringSlew = false;
    bool goToDisabledDuringSlew = false;
    int raBarsDuringSlew = 0;
    QTimer::singleShot(600, &w, [&] {
        haltEnabledDuringSlew = w.cmdHalt->isEnabled();
        goToDisabledDuringSlew = !w.cmdGoTo->isEnabled();
        raBarsDuringSlew = w.prgRA->value() + w.prgDec->value();
        w.cmdHalt->click(); // served while the slew waits
    });
    w.cmdGoTo->click();
    const Commands sent = heard();
    EXPECT_TRUE(haltEnabledDuringSlew);
    EXPECT_TRUE(goToDisabledDuringSlew);
    EXPECT_GT(raBarsDuringSlew, 0);
    EXPECT_TRUE(sent.contains("MS"));
    EXPECT_TRUE(sent.contains("D"));
    EXPECT_TRUE(sent.contains("Q"));
    EXPECT_GT(sent.indexOf("Q"), sent.indexOf("MS"));
    EXPECT_TRUE(w.cmdGoTo->isEnabled());
    EXPECT_FALSE(w.cmdHalt->isEnabled());
    EXPECT_EQ(refreshes, 2);
    EXPECT_TRUE(prompts.messages.empty());
}

TEST_F(FindWindowTest, ATelescopeSilentMidSlewEndsTheGoToQuietly) {
    sim.setSlewSpeedDegPerSec(2.0);
    sim.withModel([](sim::LX200Model& m) { m.setPosition(0.0, -80.0); });
    frmFind& w = opened();
    w.cmdFind->click();
    ASSERT_TRUE(w.cmdGoTo->isEnabled());
    sim.clearLog();
    QTimer::singleShot(600, &w, [&] { sim.stopAnswering(true); });
    w.cmdGoTo->click();
    EXPECT_TRUE(sim.receivedCommands().contains("MS"));
    EXPECT_EQ(standbyCalls, 1);
    EXPECT_TRUE(prompts.messages.empty());
    EXPECT_FALSE(ScopeMoving);
    EXPECT_TRUE(w.cmdGoTo->isEnabled());
    EXPECT_FALSE(w.cmdHalt->isEnabled());
}

// ---- the "Filter" values saved on unload ----

TEST_F(FindWindowTest, UnloadingSavesTheTelescopesFilters) {
    frmFind& w = opened();
    w.chkPNEB->click();
    w.sldMinQual->setValue(2);
    w.sldMinEl->setValue(50);
    w.sldMinMag->setValue(5);
    w.sldMaxMag->setValue(80);
    w.sldMinSize->setValue(195);
    FieldRadius = 30.0;
    w.chkFitFOV->click();
    // Close only hides: nothing is saved.
    w.cmdClose->click();
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(GetConfig(Filter, QStringLiteral("Types")), QStringLiteral("GPDCO"));
    heard();

    w.show(); // still loaded: no new opening
    EXPECT_EQ(heard(), Commands{});
    w.close(); // the close box unloads
    EXPECT_EQ(heard(), (Commands{"Gy", "Gq", "Gh", "Gb", "Gf", "Gl", "Gs"}));
    const std::pair<const char*, QString> saved[] = {
        {"Types", QStringLiteral("GpDCO")},
        {"MinQual", QStringLiteral("VG")},
        {"MinElev", QStringLiteral("10") + Degree},
        {"MaxElev", QStringLiteral("unsup")},
        {"MinMag", QStringLiteral("-01.0")},
        {"MaxMag", QStringLiteral("+14.0")},
        {"MinSize", QStringLiteral("000'")},
        {"MaxSize", QStringLiteral("060'")},
        {"UseFOV", QStringLiteral("1")},
    };
    for (const auto& [key, value] : saved)
        EXPECT_EQ(GetConfig(Filter, QLatin1String(key)), value) << key;
    EXPECT_FALSE(w.isLoaded());
    w.Form_Unload(); // once only
    EXPECT_EQ(heard(), Commands{});
}

TEST_F(FindWindowTest, UnloadingWithoutATelescopeSavesOnlyTheFitChoice) {
    frmFind& w = opened();
    sim.stopAnswering(true);
    w.close();
    EXPECT_EQ(standbyCalls, 1);
    EXPECT_EQ(GetConfig(Filter, QStringLiteral("Types")), QStringLiteral("GPDCO"));
    EXPECT_EQ(GetConfig(Filter, QStringLiteral("MinMag")), QStringLiteral("-02.0"));
    EXPECT_EQ(GetConfig(Filter, QStringLiteral("UseFOV")), QStringLiteral("0"));
    EXPECT_TRUE(prompts.messages.empty());
}

// ---- a telescope that stops answering during a handler ----

void nudge(QSlider* s) {
    s->setValue(s->value() == 0 ? 1 : s->value() - 1);
}

// Every handler that talks to the telescope, with a telescope that has stopped answering: the
// handler ends quietly (the main window has gone to standby), and the window stays usable.
TEST_F(FindWindowTest, ALostLinkEndsEveryHandlerQuietly) {
    SetReplyTimeoutMs(200);
    const std::pair<const char*, std::function<void(frmFind&)>> rows[] = {
        {"Find",
         [](frmFind& w) {
             w.ResetFindUI();
             w.cmdFind->click();
         }},
        {"Next", [](frmFind& w) { w.cmdNext->click(); }},
        {"Prev", [](frmFind& w) { w.cmdPrev->click(); }},
        {"Go To", [](frmFind& w) { w.cmdGoTo->click(); }},
        {"type box", [](frmFind& w) { w.chkGLOB->click(); }},
        {"fit in field", [](frmFind& w) { w.chkFitFOV->click(); }},
        {"quality", [](frmFind& w) { nudge(w.sldMinQual); }},
        {"elevation", [](frmFind& w) { nudge(w.sldMinEl); }},
        {"size", [](frmFind& w) { nudge(w.sldMaxSize); }},
        {"magnitude", [](frmFind& w) { nudge(w.sldMinMag); }},
        {"opening",
         [](frmFind& w) {
             w.close();
             w.show();
         }},
    };
    FieldRadius = 30.0;
    frmFind& w = opened();
    for (const auto& [what, action] : rows) {
        SCOPED_TRACE(what);
        // A search shown, then the telescope goes silent.
        sim.stopAnswering(false);
        ScopeConnected = true;
        standbyCalls = 0;
        w.cmdFind->click();
        ASSERT_TRUE(w.cmdGoTo->isEnabled());
        sim.stopAnswering(true);
        sim.clearLog();
        action(w);
        EXPECT_GE(standbyCalls, 1);
        EXPECT_TRUE(prompts.messages.empty());
        EXPECT_FALSE(w.Updating);
        EXPECT_FALSE(w.cmdHalt->isEnabled());
        EXPECT_FALSE(ScopeMoving);
        EXPECT_EQ(w.cmdGoTo->isEnabled(), !w.cmdFind->isEnabled()) << "a search or none";
    }
}

} // namespace
} // namespace teleon
