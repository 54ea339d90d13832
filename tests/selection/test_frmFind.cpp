// The object finder against the simulated telescope: filters, find / next / previous, go-to with
// STOP, the saved "Filter" values, and a telescope that answers junk, refuses or goes silent.
#include "ScopeTest.h"
#include "link/Commands.h"
#include "selection/frmFind.h"

#include <QCheckBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSlider>
#include <QTimer>

#include <functional>
#include <memory>
#include <ostream>

// Commands print as text in failure messages.
void PrintTo(const QByteArray& bytes, std::ostream* os) {
    *os << '"' << bytes.toStdString() << '"';
}

namespace teleon {
namespace {

using test::Commands;
const QString Filter = QStringLiteral("Filter");
const Commands FilterReads{"Gy", "Gq", "Gh", "Gb", "Gf", "Gl", "Gs"};

class FindWindowTest : public test::ScopeTest {
protected:
    void TearDown() override {
        window.reset();
        ScopeTest::TearDown();
    }
    frmFind& opened() {
        window = std::make_unique<frmFind>();
        window->show();
        sim.clearLog();
        prompts.messages.clear();
        return *window;
    }
    QByteArray ask(const QByteArray& command) {
        QByteArray reply;
        sim.withModel([&](sim::LX200Model& m) { reply = m.feed("#:" + command + "#"); });
        return reply;
    }
    void expectSearchReset() {
        EXPECT_TRUE(window->cmdFind->isEnabled());
        EXPECT_FALSE(window->cmdNext->isEnabled() || window->cmdPrev->isEnabled() ||
                     window->cmdGoTo->isEnabled());
        EXPECT_EQ(window->lblName->text(), QString());
        EXPECT_EQ(window->prgRA->value() + window->prgDec->value(), 0);
    }
    // The filter controls as text: the type boxes G P D C O, then the sliders for quality,
    // elevation, the magnitudes and the sizes.
    QString filters() const {
        QString text;
        for (QCheckBox* b :
             {window->chkGAL, window->chkPNEB, window->chkDNEB, window->chkGLOB, window->chkOPEN})
            text += b->isChecked() ? u'1' : u'0';
        for (QSlider* s : {window->sldMinQual, window->sldMinEl, window->sldMinMag,
                           window->sldMaxMag, window->sldMinSize, window->sldMaxSize})
            text += u' ' + QString::number(s->value());
        return text;
    }
    void expectOneWarning(const QString& text) {
        expectOneMessage(text, platform::MsgIcon::Exclamation);
    }

    std::unique_ptr<frmFind> window;
};

TEST_F(FindWindowTest, OpeningReadsTheFiltersAndSendsNothingBack) {
    // Each row's keypad changes add to the telescope's state before it.
    // The telescope's filters set at its own keypad, then the controls (see filters()).
    const std::pair<QByteArray, const char*> rows[] = {
        // Power-on: brightest -5.5 and faintest 20.0 lie beyond the sliders' -2.0 and 18.0.
        {"", "11111 6 60 0 100 200 0"},
        {"#:Sy GpDcO##:Sq##:Sq##:Sq##:Sq##:Sh 10##:Sb 3.0##:Sf 14.0##:Sl 5##:Ss 60#",
         "10101 3 50 25 80 195 140"},
        // Lower-case letters only: every type left out.
        {"#:Sy gpdco##:Sh 60##:Sb -2.0##:Sf 18.0##:Sl 200##:Ss 0#", "00000 3 0 0 100 0 200"},
        // (-1.8 + 2) x 5 is a hair under 1 in binary: the slider still gets the step.
        {"#:Sb -1.8##:Sf -1.6#", "00000 3 0 1 2 0 200"},
    };
    for (const auto& [keypad, controls] : rows) {
        SCOPED_TRACE(keypad.constData());
        scope(keypad);
        window = std::make_unique<frmFind>();
        window->show();
        EXPECT_EQ(heard(), FilterReads);
        EXPECT_EQ(filters(), QLatin1String(controls));
        EXPECT_FALSE(window->Updating);
        EXPECT_FALSE(window->sldMaxEl->isEnabled());
        EXPECT_FALSE(window->cmdHalt->isEnabled());
        expectSearchReset();
        EXPECT_TRUE(prompts.messages.empty());
        window->UpdateObjFilters(); // again into controls that hold them: just as quiet
        EXPECT_EQ(heard(), FilterReads);
    }
}

TEST_F(FindWindowTest, JunkFilterRepliesShowAMessageAndSendNothingBack) {
    scope("#:Sq##:Sq#"); // EX
    sim.garbleNext(2);   // "Gy" and "Gq" answer junk
    window = std::make_unique<frmFind>();
    window->show();
    expectOneWarning(QStringLiteral("Bad filter quality"));
    EXPECT_EQ(window->sldMinQual->value(), 6) << "counts as VP";
    EXPECT_FALSE(window->chkGAL->isChecked()); // junk holds no type letter
    EXPECT_EQ(heard(), FilterReads) << "no Sq, no Sy";
    sim.garbleNext(100); // "Gb" is not a number either, which ends the reading
    window = std::make_unique<frmFind>();
    window->show();
    sim.garbleNext(0);
    ASSERT_EQ(prompts.messages.size(), 2u);
    EXPECT_EQ(prompts.messages[1].icon, platform::MsgIcon::Critical);
    EXPECT_FALSE(window->Updating);
    EXPECT_EQ(heard(), (Commands{"Gy", "Gq", "Gh", "Gb"}));
    expectSearchReset();
}

TEST_F(FindWindowTest, SlidersSendTheTelescopeValueAtBothEnds) {
    const QByteArray deg(1, char(0xDF));
    const struct {
        QSlider* frmFind::*slider;
        int from, to;
        QByteArray sent, readBack; // the command, and the telescope's own report afterwards
        const char* refusal;
    } rows[] = {
        {&frmFind::sldMinEl, 30, 0, "Sh 60", "60" + deg, "Failed to set min elevation"},
        {&frmFind::sldMinEl, 30, 60, "Sh 0", "00" + deg, "Failed to set min elevation"},
        {&frmFind::sldMinSize, 100, 0, "Sl 200", "200'", "Failed to set min size"},
        {&frmFind::sldMaxSize, 100, 200, "Ss 0", "000'", "Failed to set max size"},
        // (0 / 5) - 2 = -2.0 in "000.0": the pattern pads the digits, the sign goes before.
        {&frmFind::sldMinMag, 50, 0, "Sb -002.0", "-02.0", "Failed to set min brightness"},
        {&frmFind::sldMaxMag, 50, 9, "Sf -000.2", "-00.2", "Failed to set max brightness"},
    };
    frmFind& w = opened();
    for (const auto& row : rows) {
        SCOPED_TRACE(row.sent.constData());
        QSlider* s = w.*(row.slider);
        for (bool refused : {false, true}) {
            s->setValue(row.from);
            heard();
            if (refused)
                sim.refuseNext(row.sent.left(2));
            s->setValue(row.to); // as a drag let go there
            EXPECT_EQ(heard(), Commands{row.sent});
            EXPECT_EQ(s->value(), row.to) << "the slider stays where the user put it";
            if (!refused) {
                EXPECT_EQ(ask("G" + row.sent.mid(1, 1)), row.readBack + '#');
            }
        }
        expectOneWarning(QLatin1String(row.refusal));
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
    scope("#:Sb 12.6##:Sf 17.2#");
    w.UpdateObjFilters(); // "+12.6" and "+17.2" read in the same locale
    EXPECT_EQ(w.sldMinMag->value(), 73);
    EXPECT_EQ(w.sldMaxMag->value(), 96);
    EXPECT_TRUE(prompts.messages.empty());
}

TEST_F(FindWindowTest, TheQualitySliderStepsTheTelescopeRoundToItsCodeAndNoFurther) {
    frmFind& w = opened(); // the telescope is at VP
    w.sldMinQual->setValue(2);
    EXPECT_EQ(heard(), (Commands{"Gq", "Sq", "Gq", "Sq", "Gq", "Sq", "Gq"})); // VP SU EX VG
    w.sldMinQual->setValue(3);
    EXPECT_EQ(heard(), (Commands{"Gq", "Sq", "Gq"}));
    w.sldMinQual->setValue(2); // GD FR PR VP SU EX VG: six steps
    EXPECT_EQ(heard().count("Sq"), 6);
    EXPECT_EQ(ask("Gq"), QByteArray("VG#"));
    EXPECT_TRUE(prompts.messages.empty());
    sim.garbleNext(100); // every "Gq" answers junk: one round of the seven codes, then a warning
    w.sldMinQual->setValue(0);
    sim.garbleNext(0);
    const Commands c = heard();
    EXPECT_EQ(c.count("Sq"), 7);
    EXPECT_EQ(c.count("Gq"), 8);
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_TRUE(prompts.messages[0].text.startsWith(
        QStringLiteral("The telescope does not offer the minimum quality \"SU\"")));
}

TEST_F(FindWindowTest, TypeBoxesSendTheFiveLetters) {
    const std::pair<QCheckBox * frmFind::*, QByteArray> rows[] = {
        {&frmFind::chkGAL, "Sy gPDCO"},  {&frmFind::chkPNEB, "Sy gpDCO"},
        {&frmFind::chkDNEB, "Sy gpdCO"}, {&frmFind::chkGLOB, "Sy gpdcO"},
        {&frmFind::chkOPEN, "Sy gpdco"}, {&frmFind::chkGAL, "Sy Gpdco"},
    };
    frmFind& w = opened();
    for (const auto& [box, sent] : rows) {
        (w.*box)->click();
        EXPECT_EQ(heard(), Commands{sent});
        EXPECT_EQ(ask("Gy"), sent.mid(3) + '#');
    }
    // The Scope object's setter: only a change runs the handler.
    w.SetTypeIncluded(frmFind::ObjectKind::OpenClusters, false);
    EXPECT_EQ(heard(), Commands{});
    w.SetTypeIncluded(frmFind::ObjectKind::OpenClusters, true);
    EXPECT_EQ(heard(), Commands{"Sy GpdcO"});
}

TEST_F(FindWindowTest, FitInFieldSetsTheSizeRangeToTheFieldDiameter) {
    // Field radius in arc-minutes, the "Ss" sent: 30.5 and 31.5 round to even; a field wider than
    // the slider gets the largest size the telescope takes.
    const std::pair<double, QByteArray> rows[] = {
        {30.0, "Ss 60"}, {15.25, "Ss 30"}, {15.75, "Ss 32"}, {150.0, "Ss 200"}};
    frmFind& w = opened();
    for (const auto& [radiusArcmin, maxSize] : rows) {
        w.sldMinSize->setValue(100);
        w.sldMaxSize->setValue(100);
        heard();
        FieldRadius = radiusArcmin;
        w.chkFitFOV->click();
        EXPECT_EQ(heard(), (Commands{maxSize, "Sl 0"}));
        EXPECT_TRUE(w.chkFitFOV->isChecked());
    }
    w.chkFitFOV->click(); // unticking sends nothing
    EXPECT_EQ(heard(), Commands{});
    w.chkFitFOV->click();
    heard();
    w.sldMaxSize->setValue(10); // moving a size slider clears the box
    EXPECT_FALSE(w.chkFitFOV->isChecked());
    EXPECT_EQ(heard(), Commands{"Ss 190"});
    EXPECT_TRUE(prompts.messages.empty());
}

TEST_F(FindWindowTest, FindShowsTheFirstObjectAndNextAndPrevWalk) {
    frmFind& w = opened();
    w.cmdFind->click();
    EXPECT_EQ(heard(), (Commands{"LF", "LI", "LI", "D"}));
    EXPECT_FALSE(w.lblType->text().isEmpty());
    EXPECT_FALSE(w.cmdFind->isEnabled());
    EXPECT_TRUE(w.cmdNext->isEnabled() && w.cmdPrev->isEnabled() && w.cmdGoTo->isEnabled());
    const QString first = w.lblName->text();
    EXPECT_EQ(QString::fromLatin1(ask("LI").left(8)).trimmed(), first);
    w.cmdNext->click();
    EXPECT_EQ(heard(), (Commands{"LN", "LI", "D"}));
    EXPECT_NE(w.lblName->text(), first);
    w.cmdPrev->click();
    EXPECT_EQ(heard(), (Commands{"LB", "LI", "D"}));
    EXPECT_EQ(w.lblName->text(), first);
    scope("#:Ls 0##:LS 904#"); // a planet: the library knows only where it is
    w.ShowCurObject();
    EXPECT_EQ(w.lblType->text(), QStringLiteral("(coordinates only)"));
    EXPECT_TRUE((w.lblMag->text() + w.lblSize->text() + w.lblQual->text()).isEmpty());
    EXPECT_TRUE(prompts.messages.empty());
    w.chkGAL->click(); // any filter change ends the search
    expectSearchReset();
    scope("#:Sy gpdco#");
    w.cmdFind->click();
    EXPECT_EQ(heard(), (Commands{"LF", "LI"}));
    expectOneWarning(QStringLiteral("Nothing found within limits. Check your filter settings."));
    expectSearchReset();
}

TEST_F(FindWindowTest, BarsOfEachHalfAndTheSlewEnginesHook) {
    const QString bar(1, QChar(char16_t(0xFF))), blank16(16, u' ');
    const std::pair<QString, int> rows[] = {
        // reply, then RA bars * 100 + Dec bars
        {bar.repeated(16) + blank16, 1600},
        {u' ' + bar + u' ' + bar + QString(12, u' ') + blank16, 300}, // inner blanks count
        {bar.repeated(3), 303},                                       // short: both halves
    };
    frmFind& w = opened();
    InstallFinderBars(&w);
    for (const auto& [reply, bars] : rows) {
        Hooks().SetFinderBars(reply);
        EXPECT_EQ(w.prgRA->value() * 100 + w.prgDec->value(), bars) << reply.size();
    }
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
}

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
    bool slewButtons = false;
    int barsDuringSlew = 0;
    QTimer::singleShot(600, &w, [&] {
        slewButtons = w.cmdHalt->isEnabled() && !w.cmdGoTo->isEnabled();
        barsDuringSlew = w.prgRA->value() + w.prgDec->value();
        w.cmdHalt->click(); // served while the slew waits
    });
    w.cmdGoTo->click();
    const Commands sent = heard();
    EXPECT_TRUE(slewButtons);
    EXPECT_GT(barsDuringSlew, 0);
    EXPECT_GT(sent.indexOf("Q"), sent.indexOf("MS"));
    EXPECT_GT(sent.indexOf("MS"), 0);
    EXPECT_TRUE(w.cmdGoTo->isEnabled());
    EXPECT_FALSE(w.cmdHalt->isEnabled());
    EXPECT_EQ(refreshes, 2);
    EXPECT_TRUE(prompts.messages.empty());
}

TEST_F(FindWindowTest, UnloadingSavesTheTelescopesFiltersAndOpeningAppliesTheFit) {
    frmFind& w = opened();
    w.chkPNEB->click();
    w.sldMinQual->setValue(2);
    w.sldMinEl->setValue(50);
    w.sldMinMag->setValue(5);
    w.sldMaxMag->setValue(80);
    FieldRadius = 30.0;
    w.chkFitFOV->click();
    w.cmdClose->click(); // Close only hides: nothing is saved
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(GetConfig(Filter, QStringLiteral("Types")), QStringLiteral("GPDCO")) << "as stored";
    heard();
    w.show(); // still loaded: no new opening
    EXPECT_EQ(heard(), Commands{});
    w.close(); // the close box unloads
    EXPECT_EQ(heard(), FilterReads);
    QStringList saved; // the telescope's own texts
    for (const char* key : {"Types", "MinQual", "MinElev", "MaxElev", "MinMag", "MaxMag", "MinSize",
                            "MaxSize", "UseFOV"})
        saved << GetConfig(Filter, QLatin1String(key));
    EXPECT_EQ(saved.join(u' '), QStringLiteral("GpDCO VG 10\u00DF unsup -01.0 +14.0 000' 060' 1"));
    w.Form_Unload(); // once only
    EXPECT_EQ(heard(), Commands{});
    FieldRadius = 20.0;
    w.show(); // the stored fit applies to a 40' field
    EXPECT_EQ(heard(), FilterReads + Commands{"Ss 40"});
    EXPECT_TRUE(w.chkFitFOV->isChecked());
}

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
        {"Go To, silent mid-slew",
         [this](frmFind& w) {
             sim.stopAnswering(false);
             sim.setSlewSpeedDegPerSec(2.0);
             sim.withModel([](sim::LX200Model& m) { m.setPosition(0.0, -80.0); });
             QTimer::singleShot(600, &w, [this] { sim.stopAnswering(true); });
             w.cmdGoTo->click();
             EXPECT_TRUE(sim.receivedCommands().contains("D")) << "the slew had begun";
         }},
        {"type box", [](frmFind& w) { w.chkGLOB->click(); }},
        {"fit in field", [](frmFind& w) { w.chkFitFOV->click(); }},
        {"quality", [](frmFind& w) { nudge(w.sldMinQual); }},
        {"elevation", [](frmFind& w) { nudge(w.sldMinEl); }},
        {"size", [](frmFind& w) { nudge(w.sldMaxSize); }},
        {"magnitude", [](frmFind& w) { nudge(w.sldMinMag); }},
        {"unloading and opening",
         [](frmFind& w) {
             w.close(); // saves only the fit choice: no mixture of two moments
             EXPECT_EQ(GetConfig(Filter, QStringLiteral("MinMag")), QStringLiteral("-02.0"));
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
        LinkDown = false; // as a reconnect does
        standby = 0;
        w.cmdFind->click();
        ASSERT_TRUE(w.cmdGoTo->isEnabled());
        sim.stopAnswering(true);
        sim.clearLog();
        action(w);
        EXPECT_GE(standby, 1);
        EXPECT_TRUE(prompts.messages.empty());
        EXPECT_FALSE(w.Updating);
        EXPECT_FALSE(w.cmdHalt->isEnabled());
        EXPECT_FALSE(ScopeMoving);
        EXPECT_EQ(w.cmdGoTo->isEnabled(), !w.cmdFind->isEnabled()) << "a search or none";
    }
}

} // namespace
} // namespace teleon
