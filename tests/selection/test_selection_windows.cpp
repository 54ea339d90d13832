// The object codes and the small windows of object selection: decode tables, object information,
// the slew progress window's bars and its ways to stop a slew, catalogue choice, message window.
#include "ScopeTest.h"
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

// Each reply with what it shows: name|type|magnitude|size|quality, "|*" when coordinates only.
// The window test below shows a whole "LI" answer of a known object.
TEST(ObjectCodes, ObjectInformationByPosition) {
    const std::pair<const char*, const char*> rows[] = {
        // 1234567890123456789012345678901234
        {"MARS            Coordinates Only", "MARS|(coordinates only)||||*"},
        {"UGC1     VP XYZ  MG12.0 SZ 1'",
         "UGC1|'XYZ ' (not in decode table)|12.0|1'|Difficult to see with averted vision"},
        // "Coordinates Only" must be the whole rest of the text.
        {"M1              Coordinates Only#", "M1|Unknown (no data in catalog)|rdin|Only#|"},
        {"M31      SU GA",
         "M31|'GA' (not in decode table)|||Very bright and very interesting shape"},
    };
    for (const auto& [reply, shown] : rows) {
        const ObjectInfo i = ParseObjectInfo(QString::fromLatin1(reply));
        EXPECT_EQ(QStringList({i.name, i.typeText, i.magnitude, i.size, i.qualityText}).join(u'|') +
                      (i.coordinatesOnly ? "|*" : ""),
                  QString::fromLatin1(shown))
            << reply;
    }
}

TEST(SlewWindow, BarsFromADistanceReply) {
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
    frmSlew w;
    w.show();
    for (const auto& row : rows) {
        w.prgRA->setValue(7);
        w.prgDec->setValue(7);
        w.SetBars(row.bars);
        EXPECT_EQ(w.prgRA->value(), row.ra) << row.bars.toStdString();
        EXPECT_EQ(w.prgDec->value(), row.dec) << row.bars.toStdString();
    }
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
using SelectionWindowsTest = test::ScopeTest;
using test::Commands;

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
        EXPECT_TRUE(heard().isEmpty()); // opening asks nothing
        w.optDeepSky[chosen]->click();
        w.cmdOK->click();
        EXPECT_EQ(heard(), Commands{"Lo " + QByteArray::number(chosen)});
        EXPECT_EQ(DeepSkyCatalog, chosen);
        EXPECT_FALSE(w.isVisible());
    }
    sim.withModel([](sim::LX200Model& m) { EXPECT_EQ(m.deepSkyLibrary(), 0); });
    frmCatSel w;
    w.show();
    w.optDeepSky[2]->click();
    w.cmdCancel->click(); // sends nothing
    EXPECT_TRUE(heard().isEmpty());
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
    LinkDown = false; // as a reconnect does
    frmCurObjInfo info;
    info.show();
    EXPECT_EQ(standby, 2);
    EXPECT_TRUE(info.lblName->text().isEmpty());
    EXPECT_TRUE(prompts.messages.empty());
    sim.stopAnswering(false);
}

TEST_F(SelectionWindowsTest, ObjectInformationWindowShowsTheSelectedObject) {
    const std::pair<const char*, const char*> rows[] = {
        {"", "NGC0|Unknown (no data in catalog)|||"}, // nothing selected yet
        {"LM 31", "M31|Galaxy|4.4|178'|Very bright and very interesting shape"}};
    for (const auto& [select, shown] : rows) {
        SCOPED_TRACE(select);
        if (*select)
            scope("#:" + QByteArray(select) + '#');
        frmCurObjInfo w;
        w.show();
        EXPECT_EQ(heard(), Commands{"LI"});
        EXPECT_EQ(QStringList({w.lblName->text(), w.lblType->text(), w.lblMag->text(),
                               w.lblSize->text(), w.lblQual->text()})
                      .join(u'|'),
                  QString::fromLatin1(shown));
        w.cmdOK->click();
        EXPECT_FALSE(w.isVisible());
        EXPECT_TRUE(heard().isEmpty());
    }
    sim.garbleNext(1); // junk of the same length: decoded as well as it goes, nothing escapes
    frmCurObjInfo garbled;
    garbled.show();
    EXPECT_LE(garbled.lblName->text().size(), 8);
    EXPECT_TRUE(prompts.messages.empty());
}

} // namespace
} // namespace teleon
