// The object codes and the small windows of object selection: decode tables, object information,
// the slew progress window's bars and its ways to stop a slew, catalogue choice, message window.
#include "ScopeTest.h"
#include "link/Commands.h"
#include "link/SlewEngine.h"
#include "selection/ObjectCodes.h"
#include "selection/frmCatSel.h"
#include "selection/frmCurObjInfo.h"
#include "selection/frmMessage.h"
#include "selection/frmSlew.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

#include <functional>

namespace teleon {
namespace {

TEST(ObjectCodes, DecodeTablesAndTheirEdges) {
    const std::pair<const char*, const char*> types[] = {
        {"OPNB", "Open star cluster with diffuse nebula"},
        {" GAL", "Galaxy"}, // a known code is trimmed
        {"    ", "Unknown (no data in catalog)"},
        {"XYZ ", "'XYZ ' (not in decode table)"}, // an unknown one is quoted untrimmed
        {"gal", "'gal' (not in decode table)"},   // case counts
    };
    for (const auto& [code, text] : types)
        EXPECT_EQ(DecodeObjectType(QString::fromLatin1(code)), QString::fromLatin1(text)) << code;
    const std::pair<const char*, const char*> qualities[] = {
        {"G ", "Easy to see and interesting or bright"}, // "G" reads as "GD"
        {"VP", "Difficult to see with averted vision"},  {"  ", ""},
        {"Z ", "'Z ' (not in quality table)"},           {"su", "'su' (not in quality table)"},
    };
    for (const auto& [code, text] : qualities)
        EXPECT_EQ(DecodeQuality(QString::fromLatin1(code)), QString::fromLatin1(text)) << code;
    for (const char* other : {"", "G", "vp", "VP "})
        EXPECT_EQ(QualitySliderValue(QString::fromLatin1(other)), -1) << other;
}

TEST(ObjectCodes, ObjectInformationByPosition) {
    const struct {
        const char *reply, *name, *type, *magnitude, *size, *quality;
        bool coordinatesOnly;
    } rows[] = {
        //   1234567890123456789012345678901234
        {"M31      SU GAL  MG 3.5 SZ 178'  ", "M31", "Galaxy", "3.5", "178'",
         "Very bright and very interesting shape", false},
        {"MARS            Coordinates Only", "MARS", "(coordinates only)", "", "", "", true},
        {"UGC1     VP XYZ  MG12.0 SZ 1'", "UGC1", "'XYZ ' (not in decode table)", "12.0", "1'",
         "Difficult to see with averted vision", false},
        // "Coordinates Only" must be the whole rest of the text.
        {"M1              Coordinates Only#", "M1", "Unknown (no data in catalog)", "rdin", "Only#",
         "", false},
        {"M31      SU GA", "M31", "'GA' (not in decode table)", "", "",
         "Very bright and very interesting shape", false},
    };
    for (const auto& row : rows) {
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

TEST(SlewWindow, BarsFromADistanceReplyAndCaptionsByMountMode) {
    const QString stars16(16, u'*'), spaces16(16, u' ');
    const struct {
        QString bars;
        int ra, dec;
    } rows[] = {
        {QString(32, u' '), 0, 0},
        {stars16 + spaces16, 16, 0},
        {QStringLiteral("*  *") + QString(20, u' ') + QStringLiteral("********"), 4, 8},
        {QStringLiteral(" ** "), 2, 2}, // shorter than 16: whole to both
        {QString(40, u'*'), 16, 16},
    };
    AlignmentMode = QStringLiteral("A");
    frmSlew w;
    w.show();
    EXPECT_EQ(w.lblY->text(), QStringLiteral("Alt distance:"));
    for (const auto& row : rows) {
        w.prgRA->setValue(7);
        w.prgDec->setValue(7);
        w.SetBars(row.bars);
        EXPECT_EQ(w.prgRA->value(), row.ra) << row.bars.toStdString();
        EXPECT_EQ(w.prgDec->value(), row.dec) << row.bars.toStdString();
    }
    AlignmentMode = QStringLiteral("P");
    w.Form_Load();
    EXPECT_EQ(w.lblX->text(), QStringLiteral("RA distance:"));
    AlignmentMode.clear();
}

TEST(MessageWindow, OneWindowShownAndHidden) {
    ShowMessage(QStringLiteral("First"));
    frmMessage* w = MessageWindow();
    ShowMessage(QStringLiteral("Second"));
    EXPECT_EQ(MessageWindow(), w);
    EXPECT_EQ(w->lblMessage->text(), QStringLiteral("Second"));
    EXPECT_TRUE(w->isVisible());
    HideMessage();
    EXPECT_EQ(MessageWindow(), nullptr);
    HideMessage(); // nothing shown: nothing happens
}

// The windows that talk to the telescope.
class SelectionWindowsTest : public test::ScopeTest {
protected:
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
};

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
        int barsSeen = 0, maxBars = 0;
        QTimer poll; // watches the window as a user would, stops the slew after a few bars
        poll.setInterval(50);
        QObject::connect(&poll, &QTimer::timeout, [&] {
            if (frmSlew* w = SlewProgressWindow()) {
                maxBars = std::max(maxBars, w->prgRA->value() + w->prgDec->value());
                if (++barsSeen == 10)
                    stop(w);
            }
        });
        poll.start();
        EXPECT_FALSE(SlewToTarget(true, false));
        poll.stop();
        EXPECT_EQ(SlewProgressWindow(), nullptr);
        EXPECT_GT(maxBars, 0) << "fed with the distance bars";
        EXPECT_TRUE(sim.receivedCommands().contains("Q"));
        sim.withModel([](sim::LX200Model& m) { EXPECT_FALSE(m.isSlewing()); });
    }
    Hooks().SetSlewBars(QStringLiteral("***")); // no window: nothing happens
    Hooks().HideSlewProgress();
}

TEST_F(SelectionWindowsTest, CatalogueWindowOpensOnTheCurrentCatalogueOkSendsTheChoice) {
    const int rows[][2] = {{2, 2}, {0, 1}, {1, 0}}; // opened on, then chosen
    for (const auto& [catalogue, chosen] : rows) {
        SCOPED_TRACE(catalogue);
        DeepSkyCatalog = catalogue;
        frmCatSel w;
        w.show();
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(w.optDeepSky[i]->isChecked(), i == catalogue);
        EXPECT_TRUE(heardBytes().isEmpty()); // opening asks nothing
        w.optDeepSky[chosen]->click();
        w.cmdOK->click();
        EXPECT_EQ(heardBytes(), "#:Lo " + QByteArray::number(chosen) + "#");
        EXPECT_EQ(DeepSkyCatalog, chosen);
        EXPECT_FALSE(w.isVisible());
    }
    sim.withModel([](sim::LX200Model& m) { EXPECT_EQ(m.deepSkyLibrary(), 0); });
    frmCatSel w;
    w.show();
    w.optDeepSky[2]->click();
    w.cmdCancel->click(); // sends nothing
    EXPECT_TRUE(heardBytes().isEmpty());
    EXPECT_EQ(DeepSkyCatalog, 0);
    EXPECT_FALSE(w.isVisible());
    EXPECT_TRUE(prompts.messages.empty());
}

// A lost link: the catalogue window closes as usual, the information window shows nothing;
// neither says anything (the main window has gone to standby).
TEST_F(SelectionWindowsTest, LostLinkIsQuiet) {
    SetReplyTimeoutMs(300);
    sim.stopAnswering(true);
    frmCatSel catSel;
    catSel.show();
    catSel.optDeepSky[2]->click();
    catSel.cmdOK->click();
    EXPECT_EQ(standby, 1);
    EXPECT_FALSE(catSel.isVisible());
    ScopeConnected = true;
    MarkLinkUp(); // as a reconnect does
    frmCurObjInfo info;
    info.show();
    EXPECT_EQ(standby, 2);
    EXPECT_TRUE(info.lblName->text().isEmpty());
    EXPECT_TRUE(prompts.messages.empty());
    sim.stopAnswering(false);
}

TEST_F(SelectionWindowsTest, ObjectInformationWindowShowsTheSelectedObject) {
    const struct {
        const char *select, *name, *type, *magnitude, *size, *quality;
    } rows[] = {
        {"", "NGC0", "Unknown (no data in catalog)", "", "", ""},
        {"LM 31", "M31", "Galaxy", "4.4", "178'", "Very bright and very interesting shape"},
        {"LS 904", "MARS", "(coordinates only)", "", "", ""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.select);
        if (*row.select)
            scope("#:" + QByteArray(row.select) + '#');
        frmCurObjInfo w;
        w.show();
        EXPECT_EQ(heardBytes(), QByteArray("#:LI#"));
        EXPECT_EQ(w.lblName->text(), QString::fromLatin1(row.name));
        EXPECT_EQ(w.lblType->text(), QString::fromLatin1(row.type));
        EXPECT_EQ(w.lblMag->text(), QString::fromLatin1(row.magnitude));
        EXPECT_EQ(w.lblSize->text(), QString::fromLatin1(row.size));
        EXPECT_EQ(w.lblQual->text(), QString::fromLatin1(row.quality));
        w.cmdOK->click();
        EXPECT_FALSE(w.isVisible());
        EXPECT_TRUE(heardBytes().isEmpty());
    }
    sim.garbleNext(1); // junk of the same length: decoded as well as it goes, nothing escapes
    frmCurObjInfo garbled;
    garbled.show();
    EXPECT_LE(garbled.lblName->text().size(), 8);
    EXPECT_TRUE(prompts.messages.empty());
}

} // namespace
} // namespace teleon
