// Alignment against the simulated telescope, the computer's clock pinned: the star lists and the
// geometry check, then the wizard: each page's commands (sidereal time 3.0 h gives 20:54:00 and
// 15:06:00) and their effect, refusals, the tilt-up question, lost links, the restores on closing.
#include "alignment/AlignStars.h"
#include "alignment/frmAlignWiz.h"
#include "astro/Celest32.h"
#include "console/Registry.h"
#include "link/Channel.h"
#include "link/ProgramState.h"
#include "link/ScopeIntfc.h"
#include "platform/Prompts.h"
#include "sim/Catalogue.h"
#include "sim/SimServer.h"
#include "support/SimTraffic.h"
#include "support/TestSupport.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTimeZone>
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <memory>

namespace teleon {
namespace {

using Commands = QList<QByteArray>;
using platform::MsgAnswer;
using platform::MsgIcon;

constexpr double Rad = 3.14159265358979323846 / 180.0;
constexpr double SiteLatDeg = 33.0 + 25.0 / 60.0; // whole minutes, as the telescope reports them
constexpr double SiteLonWestDeg = 111.0 + 50.0 / 60.0;
// A winter evening in Arizona with plenty of alignment stars up.
const QDateTime PinnedUtc(QDate(2026, 12, 7), QTime(4, 0), QTimeZone::utc());
const QByteArray SyncDec("Sd +89\xDF"
                         "59'59\"");
const QString Refused = QStringLiteral("The telescope refused the target coordinates, so no slew "
                                       "was made.");
const QString NotFound = QStringLiteral("Lookup failed. Scope reported:\r\n  Too large a number");

// True when every item of expected occurs in commands in that order (others may lie between).
bool inOrder(const Commands& commands, const Commands& expected) {
    qsizetype at = -1;
    for (const QByteArray& c : expected)
        if ((at = commands.indexOf(c, at + 1)) < 0)
            return false;
    return true;
}

// The scripted prompts; onQuestion runs when a question is asked.
struct Prompts : platform::ScriptedPrompts {
    std::function<void()> onQuestion;
    MsgAnswer MsgBox(const QString& text, MsgIcon icon, platform::MsgButtons buttons,
                     const QString& title) override {
        if (icon == MsgIcon::Question && onQuestion)
            onQuestion();
        return ScriptedPrompts::MsgBox(text, icon, buttons, title);
    }
};

class AlignSimTest : public ::testing::Test {
public:
    void start(char mode) {
        ResetProgramState();
        ResetConfigRoot();
        platform::setPrompts(&prompts);
        platform::setEndProgramHandler(platform::throwProgramEnded);
        celest32::SetClockOverride(PinnedUtc);
        Hooks() = LinkHooks{};
        Hooks().UpdateWhatsVis = [this] { ++whatsVis; };
        SetSiteEditorOpener({});
        sim.start();
        sim.setSlewSpeedDegPerSec(90.0);
        sim.setScDelayMs(0);
        sim.withModel([mode](sim::LX200Model& m) {
            m.setMountMode(mode);
            m.setSite(1, {"AAA", SiteLatDeg, SiteLonWestDeg});
            m.setSite(4, {"AAA", SiteLatDeg, SiteLonWestDeg});
        });
        ASSERT_TRUE(test::ConnectTo(sim));
        SetLongFormat(true);
        ASSERT_TRUE(SendCommandBool(lx::SetMinElevation, QStringLiteral(" 15")));
        sim.clearLog();
    }
    void TearDown() override { // the next start() sets the rest
        window.reset();
        com1().close();
        Hooks() = LinkHooks{};
        platform::setPrompts(nullptr);
    }
    frmAlignWiz& opened() {
        window = std::make_unique<frmAlignWiz>();
        window->show();
        QCoreApplication::processEvents();
        return *window;
    }
    Commands heard() { return test::HeardSoFar(sim); }
    // Shows the page of that index, prepared as Next would.
    static void goTo(frmAlignWiz& w, int page) {
        w.CurPage = page - 1;
        w.GoToPage(+1);
    }
    // The telescope's sidereal time set so that "GS" reads hours exactly.
    void setSidereal(double hours) {
        sim.withModel([goal = hours + 0.3 / 3600.0](sim::LX200Model& m) {
            double h = goal - m.localSiderealHours();
            h -= 24.0 * std::round(h / 24.0);
            m.setLocalDateTime(
                m.localDateTime().addMSecs(qint64(std::llround(h * 3600000.0 / 1.00273790935))));
        });
    }
    double scopeDec() {
        double dec = 0;
        sim.withModel([&dec](sim::LX200Model& m) { dec = m.decDegrees(); });
        return dec;
    }
    QString lastMessage() const {
        return prompts.messages.empty() ? QString() : prompts.messages.back().text;
    }
    QString calDec2Mode() {
        return GetConfig(QStringLiteral("General"), QStringLiteral("CalDec2Mode"));
    }
    // Catalogue star n placed from the simulator's catalogue, the site above and the sidereal
    // time of the pinned clock, not from what the telescope says.
    static StarPlace expected(int n) {
        const sim::CatalogueObject* o = sim::Catalogue::builtIn()->find(sim::Library::Star, n);
        const AlignSite site{SiteLatDeg * Rad, celest32::now_lst(-SiteLonWestDeg * Rad)};
        return PlaceStar(site, o->raHours, o->decDegrees * Rad);
    }
    static QList<ConfigValue> shipped() {
        return *EnumConfigSection(QString::fromLatin1(kAlignStarsSection));
    }

    test::TempConfigHome home;
    Prompts prompts;
    sim::SimServer sim;
    std::unique_ptr<frmAlignWiz> window;
    int whatsVis = 0;
};

TEST_F(AlignSimTest, ListsMatchTheSkyAndAskTheTelescopeInOrder) {
    start('A');
    for (AlignSelection selection : {AlignSelection::AltAz, AlignSelection::Polar}) {
        StarCatalog = 2; // the alt-az builder leaves the catalogue choice, the polar one resets it
        prompts.messages.clear();
        const AlignStarList list = ChooseAlignStars(selection);
        EXPECT_EQ(StarCatalog, selection == AlignSelection::AltAz ? 2 : 0);
        EXPECT_EQ(list.relaxed, !prompts.messages.empty());
        QStringList chosen, wanted;
        for (const auto& star : list.stars)
            chosen << star.name;
        for (const ConfigValue& v : shipped())
            if (StarAccepted(SelectionLimits(selection, list.relaxed), expected(v.second.toInt())))
                wanted << v.first;
        EXPECT_EQ(chosen, wanted);
        const auto commands = heard();
        EXPECT_EQ(commands.mid(0, 8),
                  (Commands{"Ls 0", "Sh 30", "Gg", "Gt", "LS 8", "LI", "Gr", "Gd"}));
        EXPECT_EQ(commands.size(), 4 + 4 * 34 * (list.relaxed ? 2 : 1)); // each star once a pass
        if (selection == AlignSelection::AltAz) {
            EXPECT_FALSE(list.relaxed); // this night has plenty of stars
            continue;
        }
        ASSERT_GE(list.preselected, 0);
        const double best = expected(list.stars[list.preselected].number).altitudeDeg;
        for (const auto& star : list.stars)
            EXPECT_LE(expected(star.number).altitudeDeg, best + 0.02) << star.name.toStdString();
    }
}

// Stars the telescope cannot find are not placed where the previous one was, and leave the
// geometry unjudged; a poor pair of stars gets the warning.
TEST_F(AlignSimTest, StarsNotFoundAreLeftOutAndThePoorGeometryWarned) {
    start('A');
    // After a failed lookup the telescope's target is still the previous star's.
    const QString section = QString::fromLatin1(kAlignStarsSection);
    PutConfig(section, QStringLiteral("Nowhere"), QStringLiteral("9999")); // too large a number
    PutConfig(section, QStringLiteral("Zero"), QStringLiteral("0"));       // no match
    for (AlignSelection selection : {AlignSelection::AltAz, AlignSelection::Polar}) {
        const AlignStarList list = ChooseAlignStars(selection);
        for (const auto& s : list.stars)
            EXPECT_GT(s.number, 0) << s.name.toStdString();
        const auto commands = heard();
        ASSERT_GE(commands.size(), 4);
        EXPECT_EQ(commands.mid(commands.size() - 4), (Commands{"LS 9999", "LI", "LS 0", "LI"}));
    }
    prompts.messages.clear();
    EXPECT_FALSE(CheckAlignStarGeometry(9999, 67)); // nothing to judge: no warning
    EXPECT_TRUE(prompts.messages.empty());
    EXPECT_EQ(heard(), (Commands{"Ls 0", "Gg", "Gt", "LS 9999", "LI", "LS 67", "LI", "Gr", "Gd"}));

    // This night Diphda (8) and Aldebaran (33) stand about 90 degrees apart in azimuth, Diphda
    // and Achernar (13) in nearly the same direction.
    StarCatalog = 1;
    EXPECT_FALSE(CheckAlignStarGeometry(8, 33));
    EXPECT_EQ(StarCatalog, 0);
    EXPECT_TRUE(prompts.messages.empty());
    EXPECT_TRUE(CheckAlignStarGeometry(8, 13));
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_EQ(prompts.messages[0].text, PoorGeometryMessage());
    EXPECT_EQ(prompts.messages[0].icon, MsgIcon::Exclamation);
}

TEST_F(AlignSimTest, FewStarsRelaxWithTheirMessageAndNoneLeavesPolarWithItsError) {
    start('A');
    for (const ConfigValue& v : shipped()) // only Polaris, never a candidate (declination 89)
        if (v.first != QStringLiteral("Polaris"))
            DeleteConfig(QString::fromLatin1(kAlignStarsSection), v.first);
    EXPECT_TRUE(ChooseAlignStars(AlignSelection::Polar).stars.isEmpty());
    EXPECT_EQ(heard().count("LS 19"), 2); // two passes over the one star
    ASSERT_EQ(prompts.messages.size(), 2u);
    EXPECT_TRUE(prompts.messages[0].text.endsWith(
        QStringLiteral("The closest to the zenith will be pre-selected.")));
    EXPECT_EQ(prompts.messages[1].text, QStringLiteral("No suitable alignment stars found"));
    EXPECT_EQ(prompts.messages[1].icon, MsgIcon::Critical);
}

TEST_F(AlignSimTest, MissingSectionEndsTheProgramWithItsMessage) {
    start('A');
    QFile ini(home.path() + QStringLiteral("/default.ini")); // a default without the section
    ASSERT_TRUE(ini.open(QIODevice::WriteOnly) && ini.write("[General]\n") > 0);
    ini.close();
    SetConfigDefaultPath(ini.fileName());
    ResetConfigRoot();
    EXPECT_THROW(ChooseAlignStars(AlignSelection::AltAz), platform::ProgramEnded);
    SetConfigDefaultPath(QString());
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_EQ(prompts.messages[0].text,
              QStringLiteral("Failed to find \"align stars\" section in registry"));
    EXPECT_EQ(prompts.messages[0].icon, MsgIcon::Critical);
}

TEST_F(AlignSimTest, PolarSequenceSlewsNearThePoleSyncsAndRollsTheForksOver) {
    start('P');
    frmAlignWiz& w = opened();
    EXPECT_TRUE(inOrder(heard(), {"Gh", "\x06", "Ls 0", "Sh 30", "Gg", "Gt", "LS 8", "LI", "Gr"}));
    // Declination calibration 1: hour angle 6.1 h. A refused target makes no slew.
    setSidereal(3.0);
    goTo(w, 4);
    EXPECT_TRUE(inOrder(heard(), {"GS", "Sr 20:54:00", "Sd 89:59:30", "MS"}));
    w.chkPlrCalDec1->click();
    EXPECT_TRUE(w.cmdNext->isEnabled());
    sim.refuseNext("Sd");
    goTo(w, 4);
    EXPECT_FALSE(heard().contains("MS"));
    EXPECT_EQ(lastMessage(), Refused);
    EXPECT_FALSE(w.chkPlrCalDec1->isEnabled() || w.cmdNext->isEnabled());

    // Declination calibration 2, mode 0: hour angle 11.9 h, then the sync at +89 59' 59", which
    // is not made when the telescope refuses that declination.
    setSidereal(3.0);
    goTo(w, 5);
    EXPECT_TRUE(inOrder(heard(), {"GS", "Sr 15:06:00", "Sd 89:59:30", "MS"}));
    sim.refuseNext("Sd");
    w.chkPlrCalDec2->click();
    EXPECT_EQ(heard(), (Commands{SyncDec}));
    EXPECT_TRUE(lastMessage().startsWith(QStringLiteral("The telescope refused the declination")));
    EXPECT_FALSE(w.chkPlrCalDec2->isChecked() || w.cmdNext->isEnabled());
    w.chkPlrCalDec2->click();
    EXPECT_EQ(heard(), (Commands{SyncDec, "CM"}));
    EXPECT_NEAR(scopeDec(), 89.0 + 59.0 / 60.0 + 59.0 / 3600.0, 0.5 / 3600.0);
    EXPECT_TRUE(w.cmdNext->isEnabled());

    // Out of N/S motion: roll over (the first slew refused by the telescope to save time).
    setSidereal(3.0);
    sim.refuseNextSlew('3');
    w.chkPlrCalDec2a->click();
    EXPECT_EQ(calDec2Mode(), QStringLiteral("1"));
    EXPECT_TRUE(inOrder(heard(), {"GS", "Sr 15:06:00", "Sd 89:59:30", "MS", "GS", "Sr 02:54:00",
                                  "Sd 89:59:30", "MS"}));
    EXPECT_FALSE(w.chkPlrCalDec2->isChecked() || w.cmdNext->isEnabled());
    sim.refuseNext("Sr"); // refused: no roll-over, the mode stays
    w.chkPlrCalDec2a->click();
    EXPECT_FALSE(heard().contains("MS"));
    EXPECT_EQ(calDec2Mode(), QStringLiteral("1"));
    EXPECT_EQ(lastMessage(), Refused);
    EXPECT_FALSE(w.chkPlrCalDec2a->isChecked());
    setSidereal(3.0);
    sim.refuseNextSlew('3');
    w.chkPlrCalDec2a->click();
    EXPECT_EQ(calDec2Mode(), QStringLiteral("0"));
    EXPECT_TRUE(inOrder(heard(), {"Sr 02:54:00", "MS", "Sr 15:06:00", "MS"}));

    // Initial polar adjustment: near the pole without progress, then Polaris looked up.
    w.chkPlrCalDec2->click();
    setSidereal(3.0);
    sim.refuseNextSlew('3');
    w.cmdNext->click();
    EXPECT_EQ(w.currentPageName(), QStringLiteral("pgPlrInitPolar"));
    EXPECT_TRUE(inOrder(heard(), {"Sr 15:06:00", "Sd 89:59:30", "MS", "LS 0019", "LI", "MS"}));
    w.chkPlrInitPolar->click();
    EXPECT_TRUE(w.cmdNext->isEnabled());
    w.cmdCancel->click(); // no slew here; the restores follow
    EXPECT_EQ(heard(), (Commands{"Ls 0", "Sh 15"}));
}

TEST_F(AlignSimTest, FinishingGoesHomeAndReopeningAsksBeforeItSlewsToPolaris) {
    start('P');
    frmAlignWiz& w = opened();
    goTo(w, 9);
    EXPECT_TRUE(PolarAligned);
    setSidereal(3.0);
    heard();
    w.cmdCancel->click(); // home: hour angle 0, declination 0
    EXPECT_TRUE(inOrder(heard(), {"GS", "Sr 03:00:00", "Sd 00:00:00", "MS", "Ls 0", "Sh 15"}));
    EXPECT_NEAR(scopeDec(), 0.0, 0.01);
    EXPECT_EQ(whatsVis, 1);

    // Reopened with a tilt-up limit that Polaris is above: the question comes first; "No" closes
    // before any slew.
    TiltUpLimit = 5.0;
    prompts.answers.push_back(MsgAnswer::No);
    w.show();
    QCoreApplication::processEvents();
    EXPECT_FALSE(w.isVisible());
    EXPECT_FALSE(heard().contains("LS 0019"));
    EXPECT_EQ(prompts.messages.size(), 1u);
    prompts.messages.clear();
    w.show();
    QCoreApplication::processEvents();
    ASSERT_EQ(prompts.messages.size(), 1u); // the question only: no refusal by the limit
    EXPECT_EQ(prompts.messages[0].icon, MsgIcon::Question);
    EXPECT_EQ(w.currentPageName(), QStringLiteral("pgPlrUpdPolar"));
    EXPECT_TRUE(inOrder(heard(), {"Gh", "Gg", "Gt", "LS 0019", "LI", "MS"}));

    // Half the error removed: back to convergence on the pre-selected star, and its sync.
    const QByteArray star = QByteArray::number(w.cbPlrConvergeStar->currentData().toInt());
    w.chkPlrUpd->click();
    EXPECT_EQ(w.currentPageName(), QStringLiteral("pgPlrConverge"));
    EXPECT_TRUE(inOrder(heard(), {"LS " + star, "LI", "MS"}));
    w.chkPlrConvergeCentered->click();
    EXPECT_EQ(heard(), (Commands{"CM"}));
    EXPECT_TRUE(w.cmdNext->isEnabled());

    // "Use  Star" on a star the telescope does not know: reported, no slew, no sync possible.
    w.cbPlrConvergeStar->setItemText(w.cbPlrConvergeStar->currentIndex(), QStringLiteral("R&D"));
    w.cbPlrConvergeStar->setItemData(w.cbPlrConvergeStar->currentIndex(), 9999);
    w.cmdPlrConvergeSet->click();
    EXPECT_EQ(heard(), (Commands{"LS 9999", "LI"}));
    EXPECT_EQ(lastMessage(), NotFound);
    EXPECT_FALSE(w.chkPlrConvergeCentered->isEnabled() || w.cmdNext->isEnabled());
    EXPECT_EQ(w.chkPlrConvergeCentered->text(), QStringLiteral("R&&D is centered"));

    // "Aligned" finishes; a refused home target makes no slew, and Close still closes.
    w.CurPage = 8;
    w.cmdPgPlrUpd_Aligned->click();
    EXPECT_EQ(w.currentPageName(), QStringLiteral("pgPlrFinished"));
    heard();
    sim.refuseNext("Sr");
    w.cmdCancel->click();
    EXPECT_EQ(lastMessage(), Refused);
    EXPECT_FALSE(heard().contains("MS"));
    EXPECT_FALSE(w.isVisible());
}

TEST_F(AlignSimTest, AltAzSequenceSetsTheClockFindsTheSiteAndSyncsOnBothStars) {
    start('A');
    sim.withModel([](sim::LX200Model& m) { m.setSite(4, {"ZZZ", 51.48, 0.0}); });
    frmAlignWiz& w = opened();
    ASSERT_GE(w.cbAltAlignStars[0]->count(), 2);
    // The time page waits for the telescope to take the computer's clock.
    goTo(w, 2);
    EXPECT_FALSE(w.cmdNext->isEnabled());
    sim.refuseNext("SL");
    w.chkTime->click();
    EXPECT_FALSE(w.cmdNext->isEnabled());
    w.chkTime->click();
    w.chkTime->click();
    EXPECT_TRUE(w.cmdNext->isEnabled());
    // Site #4 is no stored site: Next waits until "Sites..." has set a known one ("AAB").
    w.cmdNext->click();
    EXPECT_EQ(w.lblCoords_Site->text(), QStringLiteral("None - Click Sites"));
    EXPECT_FALSE(w.cmdNext->isEnabled());
    EXPECT_TRUE(lastMessage().startsWith(QStringLiteral("Unknown scope position.")));
    SetSiteEditorOpener([this](QWidget*) {
        sim.withModel([](sim::LX200Model& m) { m.setSite(4, {"AAB", 51.48, 0.0}); });
    });
    heard();
    w.cmdCoords_Sites->click();
    EXPECT_TRUE(inOrder(heard(), {"W4", "GP"}));
    EXPECT_EQ(w.lblCoords_Site->text(), QStringLiteral("Greenwich, England"));
    EXPECT_TRUE(w.cmdNext->isEnabled());

    // The star page: the geometry check once both stars are chosen.
    w.cmdNext->click();
    heard();
    w.cbAltAlignStars[0]->setCurrentIndex(0);
    EXPECT_TRUE(heard().isEmpty()); // one star chosen: no geometry check yet
    w.cbAltAlignStars[1]->setCurrentIndex(1);
    EXPECT_TRUE(w.cmdAltAlignGoTo[1]->isEnabled());
    const int n[] = {w.cbAltAlignStars[0]->currentData().toInt(),
                     w.cbAltAlignStars[1]->currentData().toInt()};
    const QByteArray ls[] = {"LS " + QByteArray::number(n[0]), "LS " + QByteArray::number(n[1])};
    EXPECT_EQ(heard(),
              (Commands{"Ls 0", "Gg", "Gt", ls[0], "LI", "Gr", "Gd", ls[1], "LI", "Gr", "Gd"}));

    // A star the telescope does not know: reported, no slew, its box stays off.
    w.cbAltAlignStars[0]->setItemData(0, 9999);
    w.cmdAltAlignGoTo[0]->click();
    EXPECT_EQ(heard(), (Commands{"Ls 0", "LS 9999", "LI"}));
    EXPECT_EQ(lastMessage(), NotFound);
    EXPECT_FALSE(w.chkAltAlignCentered[0]->isEnabled());
    w.cbAltAlignStars[0]->setItemData(0, n[0]);

    for (int i = 0; i < 2; ++i) {
        w.cmdAltAlignGoTo[i]->click();
        const QByteArray padded = "LS " + QByteArray::number(n[i]).rightJustified(4, '0');
        EXPECT_TRUE(inOrder(heard(), {"Ls 0", padded, "LI", "MS"})) << i;
        EXPECT_FALSE(w.cmdNext->isEnabled());
        w.chkAltAlignCentered[i]->click();
        EXPECT_EQ(heard(), (Commands{"CM"})) << i;
        EXPECT_FALSE(w.cmdAltAlignGoTo[i]->isEnabled() || w.chkAltAlignCentered[i]->isEnabled());
    }
    EXPECT_TRUE(w.cmdNext->isEnabled());
    w.cmdNext->click();
    EXPECT_EQ(w.currentPageName(), QStringLiteral("pgAltFinished"));
}

TEST_F(AlignSimTest, EveryWayOfClosingRestoresAtOnceAndOnce) {
    start('A');
    StarCatalog = 2; // left by the alt-az star choice, and sent back
    TiltUpLimit = 12.0;
    window = std::make_unique<frmAlignWiz>();
    frmAlignWiz& w = *window;
    // Closed (by the main window) while the tilt question is open: the limit stays.
    prompts.onQuestion = [&w] { w.close(); };
    w.Form_Load();
    prompts.onQuestion = nullptr;
    EXPECT_EQ(TiltUpLimit, 12.0);
    EXPECT_EQ(heard().count("Sh 15"), 1);
    // "No" to the question, close() (as the main window does at disconnect and shutdown), Escape.
    prompts.answers = {MsgAnswer::No, MsgAnswer::Yes, MsgAnswer::Yes};
    for (int way = 0; way < 3; ++way) {
        w.show();
        QCoreApplication::processEvents();
        EXPECT_EQ(TiltUpLimit, way == 0 ? 12.0 : 0.0);
        if (way == 1)
            w.close();
        else if (way == 2)
            w.reject();
        EXPECT_FALSE(w.isVisible());
        EXPECT_EQ(TiltUpLimit, 12.0);
        const Commands commands = heard();
        EXPECT_EQ(commands.mid(commands.size() - 2), (Commands{"Ls 2", "Sh 15"})) << way;
        EXPECT_EQ(commands.count("Sh 15"), 1);
        w.close();
        w.reject();
        EXPECT_TRUE(heard().isEmpty());
    }
    // A limit chosen in Preferences while the wizard is open holds after it closes.
    prompts.answers = {MsgAnswer::Yes};
    w.show();
    QCoreApplication::processEvents();
    PutConfig(QStringLiteral("General"), QStringLiteral("UpLimit"), QStringLiteral("60"));
    w.close();
    EXPECT_EQ(TiltUpLimit, 60.0);
    heard();
    // LAND mode: refused at once, no star choice, no question. A German mount runs polar.
    prompts.messages.clear();
    sim.withModel([](sim::LX200Model& m) { m.setMountMode('L'); });
    w.show();
    QCoreApplication::processEvents();
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_TRUE(prompts.messages[0].text.startsWith(QStringLiteral("Your scope is in LAND mode.")));
    EXPECT_FALSE(heard().contains("Gg"));
    EXPECT_FALSE(w.isVisible());
    sim.withModel([](sim::LX200Model& m) { m.setMountMode('G'); });
    w.show();
    EXPECT_EQ(w.WizardMode, QStringLiteral("P"));
}

// A lost link in a handler: it ends without a message; closing then waits for nothing and sends
// nothing, and puts the tilt-up limit back.
struct LostRow {
    const char* name;
    char mode;
    int page; // shown first; -1: the link is lost before the opening
    void (*act)(frmAlignWiz&);
    bool duringSlew; // the link goes when the handler's slew starts
};

class AlignWizardLostLink : public AlignSimTest, public ::testing::WithParamInterface<LostRow> {};

TEST_P(AlignWizardLostLink, HandlerEndsQuietlyAndCloseSendsNothing) {
    const LostRow& row = GetParam();
    start(row.mode);
    TiltUpLimit = 7.0;
    sim.stopAnswering(row.page < 0);
    frmAlignWiz& w = opened();
    if (row.page > 0) {
        sim.refuseNextSlew('3'); // the page's own slew is not the point
        goTo(w, row.page);
    }
    const size_t messages = prompts.messages.size();
    if (row.duringSlew)
        Hooks().ShowSlewProgress = [this] { sim.stopAnswering(true); };
    else
        sim.stopAnswering(true);
    if (row.act)
        row.act(w);
    EXPECT_FALSE(ScopeConnected);
    EXPECT_EQ(prompts.messages.size(), messages);
    EXPECT_EQ(whatsVis, 0);
    sim.clearLog();
    QElapsedTimer timer;
    timer.start();
    w.close();
    EXPECT_LT(timer.elapsed(), 400);
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(TiltUpLimit, 7.0);
    EXPECT_TRUE(sim.receivedCommands().isEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    Handlers, AlignWizardLostLink,
    ::testing::Values(
        LostRow{"Opening", 'P', -1, nullptr, false},
        LostRow{"SitePage", 'A', 2, [](frmAlignWiz& w) { AlignSimTest::goTo(w, 3); }, false},
        LostRow{"StarPage", 'A', 4,
                [](frmAlignWiz& w) {
                    w.cbAltAlignStars[0]->setCurrentIndex(0); // the geometry check
                    w.cbAltAlignStars[1]->setCurrentIndex(1);
                    w.cmdAltAlignGoTo[0]->click();
                },
                false},
        LostRow{"CalDec1Slew", 'P', 3, [](frmAlignWiz& w) { AlignSimTest::goTo(w, 4); }, true},
        LostRow{"CalDec2Sync", 'P', 5, [](frmAlignWiz& w) { w.chkPlrCalDec2->click(); }, false},
        LostRow{"UseStar", 'P', 7, [](frmAlignWiz& w) { w.cmdPlrConvergeSet->click(); }, false},
        LostRow{"HomeSlew", 'P', 9, [](frmAlignWiz& w) { w.cmdCancel->click(); }, true}),
    [](const ::testing::TestParamInfo<LostRow>& info) { return std::string(info.param.name); });

} // namespace
} // namespace teleon
