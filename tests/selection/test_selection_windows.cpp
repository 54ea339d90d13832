// The telescope's object codes and the small windows of object selection: the decode tables and
// the object information fields, the slew progress window's bars, captions and STOP, the
// catalogue choice and the object information window against the simulated telescope.
#include "link/Channel.h"
#include "link/Commands.h"
#include "link/ProgramState.h"
#include "link/ScopeIntfc.h"
#include "link/SlewEngine.h"
#include "platform/EventLoop.h"
#include "platform/Prompts.h"
#include "selection/ObjectCodes.h"
#include "selection/frmCatSel.h"
#include "selection/frmCurObjInfo.h"
#include "selection/frmMessage.h"
#include "selection/frmSlew.h"
#include "sim/SimServer.h"

#include <QGuiApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTimer>
#include <QTest>
#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace teleon {
namespace {

using Commands = QList<QByteArray>;

// ---- the code tables ----

TEST(ObjectCodes, EveryTypeCode) {
    const std::pair<const char*, const char*> rows[] = {
        {"GAL", "Galaxy"},
        {"STAR", "Star"},
        {"MLTS", "Multiple star"},
        {"OPNB", "Open star cluster with diffuse nebula"},
        {"OPEN", "Open star cluster"},
        {"GLOB", "Globular star cluster"},
        {"PNEB", "Planetary nebula"},
        {"DNEB", "Diffuse nebula"},
        {"GAL ", "Galaxy"}, // as it stands in characters 13-16
        {" GAL", "Galaxy"},
        {"", "Unknown (no data in catalog)"},
        {"    ", "Unknown (no data in catalog)"},
        {"XYZ", "'XYZ' (not in decode table)"},
        {"XYZ ", "'XYZ ' (not in decode table)"}, // quoted untrimmed
        {"gal", "'gal' (not in decode table)"},   // case counts
        {"GALAXY", "'GALAXY' (not in decode table)"},
    };
    for (const auto& [code, text] : rows)
        EXPECT_EQ(DecodeObjectType(QString::fromLatin1(code)), QString::fromLatin1(text)) << code;
}

TEST(ObjectCodes, EveryQualityCode) {
    const std::pair<const char*, const char*> rows[] = {
        {"SU", "Very bright and very interesting shape"},
        {"EX", "Very bright or very interesting shape"},
        {"VG", "Bright and interesting or very bright"},
        {"GD", "Easy to see and interesting or bright"},
        {"G", "Easy to see and interesting or bright"},
        {"G ", "Easy to see and interesting or bright"},
        {"FR", "Easy to see but not too interesting"},
        {"PR", "Easy to see with averted vision"},
        {"VP", "Difficult to see with averted vision"},
        {"", ""},
        {"  ", ""},
        {"ZZ", "'ZZ' (not in quality table)"},
        {"Z ", "'Z ' (not in quality table)"},
        {"su", "'su' (not in quality table)"},
    };
    for (const auto& [code, text] : rows)
        EXPECT_EQ(DecodeQuality(QString::fromLatin1(code)), QString::fromLatin1(text)) << code;
}

TEST(ObjectCodes, QualitySliderValuesBothWays) {
    const char* codes[] = {"SU", "EX", "VG", "GD", "FR", "PR", "VP"};
    for (int value = 0; value < 7; ++value) {
        EXPECT_EQ(QualitySliderValue(QString::fromLatin1(codes[value])), value);
        EXPECT_EQ(QualityCodeOf(value), QString::fromLatin1(codes[value]));
    }
    for (const char* other : {"", "G", "XX", "vp", "VP "})
        EXPECT_EQ(QualitySliderValue(QString::fromLatin1(other)), -1) << other;
    for (int value : {-1, 7, 100})
        EXPECT_TRUE(QualityCodeOf(value).isEmpty()) << value;
}

// ---- the object information fields ----

struct InfoRow {
    const char* reply;
    const char* name;
    bool coordinatesOnly;
    const char* type;
    const char* magnitude;
    const char* size;
    const char* quality;
};

TEST(ObjectCodes, ObjectInformationByPosition) {
    //                 1234567890123456789012345678901234
    const InfoRow rows[] = {
        {"M31      SU GAL  MG 3.5 SZ 178'  ", "M31", false, "Galaxy", "3.5", "178'",
         "Very bright and very interesting shape"},
        {"NGC7009  G  PNEB MG 8.3 SZ 2.5'  ", "NGC7009", false, "Planetary nebula", "8.3", "2.5'",
         "Easy to see and interesting or bright"},
        {"SAO151881   STAR MG 5.1          ", "SAO15188", false, "Star", "5.1", "", ""},
        {"MARS            Coordinates Only", "MARS", true, "(coordinates only)", "", "", ""},
        {"NGC0                            ", "NGC0", false, "Unknown (no data in catalog)", "", "",
         ""},
        {"UGC1     VP XYZ  MG12.0 SZ 1'", "UGC1", false, "'XYZ ' (not in decode table)", "12.0",
         "1'", "Difficult to see with averted vision"},
        // "Coordinates Only" must be the whole rest of the text.
        {"M1              Coordinates Only#", "M1", false, "Unknown (no data in catalog)", "rdin",
         "Only#", ""},
        {"", "", false, "Unknown (no data in catalog)", "", "", ""},
        {"M3", "M3", false, "Unknown (no data in catalog)", "", "", ""},
        {"M31      SU", "M31", false, "Unknown (no data in catalog)", "", "",
         "Very bright and very interesting shape"},
        {"M31      SU GA", "M31", false, "'GA' (not in decode table)", "", "",
         "Very bright and very interesting shape"},
        {"Coordinates Only", "Coordina", false, "'Only' (not in decode table)", "", "",
         "'es' (not in quality table)"},
    };
    for (const InfoRow& row : rows) {
        SCOPED_TRACE(row.reply);
        const ObjectInfo info = ParseObjectInfo(QString::fromLatin1(row.reply));
        EXPECT_EQ(info.name, QString::fromLatin1(row.name));
        EXPECT_EQ(info.coordinatesOnly, row.coordinatesOnly);
        EXPECT_EQ(info.typeText, QString::fromLatin1(row.type));
        EXPECT_EQ(info.magnitude, QString::fromLatin1(row.magnitude));
        EXPECT_EQ(info.size, QString::fromLatin1(row.size));
        EXPECT_EQ(info.qualityText, QString::fromLatin1(row.quality));
    }
}

TEST(ObjectCodes, GarbageNeverReadsOutOfRange) {
    QString noise;
    for (int length = 0; length < 64; ++length) {
        const ObjectInfo info = ParseObjectInfo(noise);
        EXPECT_LE(info.name.size(), 8);
        noise += QChar(char16_t((length * 37 + 1) % 256));
    }
}

// ---- the windows ----

// Centred horizontally, top one third down the screen.
void expectPlaced(const QWidget& w) {
    const QScreen* screen = w.screen() ? w.screen() : QGuiApplication::primaryScreen();
    ASSERT_NE(screen, nullptr);
    const QRect r = screen->geometry();
    EXPECT_EQ(w.x(), r.x() + (r.width() - w.width()) / 2);
    EXPECT_EQ(w.y(), r.y() + (r.height() - w.height()) / 3);
}

TEST(SlewWindow, BarsFromADistanceReply) {
    frmSlew w;
    const QString stars16(16, u'*');
    const QString spaces16(16, u' ');
    const struct {
        QString bars;
        int ra, dec;
    } rows[] = {
        {QString(32, u' '), 0, 0},
        {stars16 + spaces16, 16, 0},
        {spaces16 + stars16, 0, 16},
        {stars16 + stars16, 16, 16},
        {QStringLiteral("*****") + QString(11, u' ') + QStringLiteral("        ********"), 5, 8},
        {QStringLiteral("*  *") + QString(28, u' '), 4, 0}, // inner spaces count
        {QStringLiteral("***"), 3, 3},                      // shorter than 16: whole to both
        {QStringLiteral(" ** "), 2, 2},
        {QString(15, u'*'), 15, 15},
        {QString(), 0, 0},
        {QString(20, u'*'), 16, 16},
        {QString(40, u'*'), 16, 16},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.bars.toStdString());
        w.prgRA->setValue(7);
        w.prgDec->setValue(7);
        w.SetBars(row.bars);
        EXPECT_EQ(w.prgRA->value(), row.ra);
        EXPECT_EQ(w.prgDec->value(), row.dec);
    }
}

TEST(SlewWindow, TextsAndCaptionsByMountMode) {
    const struct {
        const char* mode;
        const char* x;
        const char* y;
    } rows[] = {
        {"A", "Az distance:", "Alt distance:"},
        {"P", "RA distance:", "Dec distance:"},
        {"L", "RA distance:", "Dec distance:"},
        {"", "RA distance:", "Dec distance:"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.mode);
        AlignmentMode = QString::fromLatin1(row.mode);
        frmSlew w;
        w.show();
        EXPECT_EQ(w.objectName(), QStringLiteral("frmSlew"));
        EXPECT_FALSE(w.isModal());
        EXPECT_EQ(w.lblNote->text(), QStringLiteral("Repositioning telescope..."));
        EXPECT_EQ(w.lblX->text(), QString::fromLatin1(row.x));
        EXPECT_EQ(w.lblY->text(), QString::fromLatin1(row.y));
        EXPECT_EQ(w.cmdAbort->text(), QStringLiteral("STOP"));
        for (QProgressBar* b : {w.prgRA, w.prgDec}) {
            EXPECT_EQ(b->minimum(), 0);
            EXPECT_EQ(b->maximum(), 16);
        }
        for (const char* name : {"lblX", "lblY", "prgRA", "prgDec", "cmdAbort"})
            EXPECT_NE(w.findChild<QWidget*>(QLatin1String(name)), nullptr) << name;
        expectPlaced(w);
    }
    AlignmentMode.clear();
}

TEST(MessageWindow, ShowAndHide) {
    EXPECT_EQ(MessageWindow(), nullptr);
    ShowMessage(QStringLiteral("Reading alignment stars..."));
    frmMessage* w = MessageWindow();
    ASSERT_NE(w, nullptr);
    EXPECT_TRUE(w->isVisible());
    EXPECT_FALSE(w->isModal());
    EXPECT_EQ(w->windowTitle(), QStringLiteral("Teleon Control"));
    EXPECT_EQ(w->lblMessage->text(), QStringLiteral("Reading alignment stars..."));
    expectPlaced(*w);
    ShowMessage(QStringLiteral("Second"));
    EXPECT_EQ(MessageWindow(), w); // one window
    EXPECT_EQ(w->lblMessage->text(), QStringLiteral("Second"));
    HideMessage();
    EXPECT_EQ(MessageWindow(), nullptr);
    HideMessage(); // nothing shown: nothing happens
}

// The windows that talk to the telescope.
class SelectionWindowsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetProgramState();
        platform::setPrompts(&prompts);
        Hooks() = LinkHooks{};
        sim.start();
        com1().close();
        SetCommPort({sim.devicePath(), 0, QStringLiteral("COM3")});
        SetReplyTimeoutMs(1000);
        int port = 0;
        ASSERT_TRUE(ConnectScope(port, true));
        sim.clearLog();
    }
    void TearDown() override {
        Hooks() = LinkHooks{};
        com1().close();
        platform::setPrompts(nullptr);
        SetReplyTimeoutMs(20000);
        ResetProgramState();
    }
    // Every byte the telescope heard since the last clearLog; a "GR" exchange goes last so that
    // commands without a reply have arrived too.
    QByteArray heardBytes() {
        SendCommandString(lx::GetRA);
        QByteArray bytes = sim.receivedBytes();
        EXPECT_TRUE(bytes.endsWith("#:GR#"));
        bytes.chop(5);
        sim.clearLog();
        return bytes;
    }
    void select(const QByteArray& command) {
        sim.withModel([&](sim::LX200Model& m) { m.feed("#:" + command + '#'); });
        sim.clearLog();
    }

    sim::SimServer sim;
    platform::ScriptedPrompts prompts;
};

TEST_F(SelectionWindowsTest, StopSendsHalt) {
    frmSlew w;
    w.show();
    SlewAborted = false;
    w.cmdAbort->click();
    EXPECT_EQ(heardBytes(), QByteArray("#:Q#"));
    EXPECT_TRUE(SlewAborted);
}

// A STOP that cannot reach the telescope says so: the telescope may still be moving.
TEST_F(SelectionWindowsTest, StopThatCannotBeSentIsReported) {
    frmSlew w;
    w.show();
    com1().close();
    QTest::keyClick(&w, Qt::Key_Escape);
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_EQ(prompts.messages[0].text,
              QStringLiteral("Operation valid only when the port is open"));
    EXPECT_EQ(prompts.messages[0].icon, platform::MsgIcon::Critical);
    EXPECT_TRUE(w.isVisible()) << "the slew engine closes the window";
}

// STOP, Escape and the close box all halt the telescope and abort the slew; the slew engine
// then closes the window.
TEST_F(SelectionWindowsTest, ProgressWindowLivesForOneSlewAndEveryWayOutAbortsIt) {
    const std::pair<const char*, std::function<void(frmSlew*)>> rows[] = {
        {"STOP", [](frmSlew* w) { w->cmdAbort->click(); }},
        {"Escape", [](frmSlew* w) { QTest::keyClick(w, Qt::Key_Escape); }},
        {"close box", [](frmSlew* w) { w->close(); }},
    };
    InstallSlewProgressWindow(nullptr);
    AlignmentMode = QStringLiteral("A");
    for (const auto& [way, stop] : rows) {
        SCOPED_TRACE(way);
        // A slew of a few seconds to a target high in the sky.
        sim.withModel([](sim::LX200Model& m) {
            const double lst = m.localSiderealHours();
            const double lat = m.site(m.currentSite()).latitudeDegrees;
            m.setTarget(lst, lat - 20);
            m.setPosition(lst, lat - 35);
        });
        sim.clearLog();
        int barsSeen = 0, maxRa = 0, maxDec = 0;
        QString caption;
        QTimer poll; // watches the window as a user would, stops the slew after a few bars
        poll.setInterval(50);
        QObject::connect(&poll, &QTimer::timeout, [&] {
            frmSlew* w = SlewProgressWindow();
            if (!w)
                return;
            caption = w->lblX->text();
            maxRa = std::max(maxRa, w->prgRA->value());
            maxDec = std::max(maxDec, w->prgDec->value());
            if (++barsSeen == 10)
                stop(w);
        });
        poll.start();
        EXPECT_FALSE(SlewToTarget(true, false));
        poll.stop();
        EXPECT_EQ(SlewProgressWindow(), nullptr);
        EXPECT_EQ(caption, QStringLiteral("Az distance:"));
        EXPECT_GT(maxRa + maxDec, 0);
        EXPECT_TRUE(sim.receivedCommands().contains("Q"));
        bool slewing = true;
        sim.withModel([&](sim::LX200Model& m) { slewing = m.isSlewing(); });
        EXPECT_FALSE(slewing);
    }
}

TEST_F(SelectionWindowsTest, ProgressHooksShowFeedAndClose) {
    InstallSlewProgressWindow(nullptr);
    AlignmentMode = QStringLiteral("P");
    Hooks().ShowSlewProgress();
    frmSlew* w = SlewProgressWindow();
    ASSERT_NE(w, nullptr);
    EXPECT_TRUE(w->isVisible());
    EXPECT_EQ(w->lblX->text(), QStringLiteral("RA distance:"));
    Hooks().SetSlewBars(QString(16, u'*') + QString(4, u' ') + QString(12, u'*'));
    EXPECT_EQ(w->prgRA->value(), 16);
    EXPECT_EQ(w->prgDec->value(), 12);
    Hooks().HideSlewProgress();
    EXPECT_EQ(SlewProgressWindow(), nullptr);
    Hooks().SetSlewBars(QStringLiteral("***")); // no window: nothing happens
    Hooks().HideSlewProgress();
}

TEST_F(SelectionWindowsTest, CatalogueWindowOpensOnTheCurrentCatalogue) {
    for (int catalogue = 0; catalogue < 3; ++catalogue) {
        SCOPED_TRACE(catalogue);
        DeepSkyCatalog = catalogue;
        frmCatSel w;
        w.show();
        EXPECT_EQ(w.windowTitle(), QStringLiteral("Deep Sky Catalog"));
        EXPECT_FALSE(w.isModal());
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(w.optDeepSky[i]->isChecked(), i == catalogue);
        expectPlaced(w);
        EXPECT_TRUE(heardBytes().isEmpty()); // opening asks nothing
    }
}

TEST_F(SelectionWindowsTest, CatalogueOkSendsTheChoice) {
    DeepSkyCatalog = 2;
    frmCatSel w;
    w.show();
    EXPECT_EQ(w.optDeepSky[2]->text(), QStringLiteral("UGC"));
    EXPECT_TRUE(w.optDeepSky[2]->isChecked());
    w.cmdOK->click();
    EXPECT_EQ(heardBytes(), QByteArray("#:Lo 2#"));
    EXPECT_EQ(DeepSkyCatalog, 2);
    EXPECT_FALSE(w.isVisible());

    w.show();
    EXPECT_TRUE(w.optDeepSky[2]->isChecked());
    w.optDeepSky[1]->click();
    w.cmdOK->click();
    EXPECT_EQ(heardBytes(), QByteArray("#:Lo 1#"));
    EXPECT_EQ(DeepSkyCatalog, 1);
    int library = -1;
    sim.withModel([&](sim::LX200Model& m) { library = m.deepSkyLibrary(); });
    EXPECT_EQ(library, 1);
    EXPECT_TRUE(prompts.messages.empty());
}

TEST_F(SelectionWindowsTest, CatalogueCancelSendsNothing) {
    DeepSkyCatalog = 1;
    frmCatSel w;
    w.show();
    EXPECT_EQ(w.cmdCancel->text(), QStringLiteral("Cancel"));
    w.optDeepSky[0]->click();
    w.cmdCancel->click();
    EXPECT_TRUE(heardBytes().isEmpty());
    EXPECT_EQ(DeepSkyCatalog, 1);
    EXPECT_FALSE(w.isVisible());
    w.show(); // opens again on the catalogue in use
    EXPECT_TRUE(w.optDeepSky[1]->isChecked());
}

// A lost link: the catalogue window closes as usual, the information window shows nothing;
// neither says anything (the main window has gone to standby).
TEST_F(SelectionWindowsTest, LostLinkIsQuiet) {
    SetReplyTimeoutMs(300);
    int standby = 0;
    Hooks().SwitchToStandby = [&] { ++standby; };
    sim.stopAnswering(true);
    frmCatSel catSel;
    catSel.show();
    catSel.optDeepSky[2]->click();
    catSel.cmdOK->click();
    EXPECT_EQ(standby, 1);
    EXPECT_FALSE(catSel.isVisible());
    ScopeConnected = true;
    frmCurObjInfo info;
    info.show();
    EXPECT_EQ(standby, 2);
    EXPECT_TRUE(info.lblName->text().isEmpty());
    EXPECT_TRUE(prompts.messages.empty());
    sim.stopAnswering(false);
}

struct ShownInfo {
    const char* select; // the library command, or "" for nothing selected
    const char* name;
    const char* type;
    const char* magnitude;
    const char* size;
    const char* quality;
};

TEST_F(SelectionWindowsTest, ObjectInformationWindowShowsTheSelectedObject) {
    const ShownInfo rows[] = {
        {"", "NGC0", "Unknown (no data in catalog)", "", "", ""},
        {"LM 31", "M31", "Galaxy", "4.4", "178'", "Very bright and very interesting shape"},
        {"LS 904", "MARS", "(coordinates only)", "", "", ""},
    };
    for (const ShownInfo& row : rows) {
        SCOPED_TRACE(row.select);
        if (*row.select)
            select(row.select);
        frmCurObjInfo w;
        w.show();
        EXPECT_EQ(heardBytes(), QByteArray("#:LI#"));
        EXPECT_EQ(w.windowTitle(), QStringLiteral("Object Information"));
        EXPECT_EQ(w.lblName->text(), QString::fromLatin1(row.name));
        EXPECT_EQ(w.lblType->text(), QString::fromLatin1(row.type));
        EXPECT_EQ(w.lblMag->text(), QString::fromLatin1(row.magnitude));
        EXPECT_EQ(w.lblSize->text(), QString::fromLatin1(row.size));
        EXPECT_EQ(w.lblQual->text(), QString::fromLatin1(row.quality));
        expectPlaced(w);
        w.cmdOK->click();
        EXPECT_FALSE(w.isVisible());
        EXPECT_TRUE(heardBytes().isEmpty());
    }
}

TEST_F(SelectionWindowsTest, ObjectInformationOnAGarbledReply) {
    select("LM 31");
    sim.garbleNext(1);
    frmCurObjInfo w;
    w.show(); // junk of the same length: decoded as well as it goes, nothing escapes
    EXPECT_LE(w.lblName->text().size(), 8);
    EXPECT_TRUE(prompts.messages.empty());
}

} // namespace
} // namespace teleon
