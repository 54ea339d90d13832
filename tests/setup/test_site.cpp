// Observing sites: the record layout against the shipped store and the main window's reader, the
// telescope's coordinate text, the field checks, the id counter, and the site editor against the
// simulated telescope (opening, Set's exact commands with and without daylight-saving time, an
// east longitude and a south latitude, refusals and a lost link, Save, Delete, Cancel).
// The time zone is pinned to America/Denver: 7 hours west in winter, 6 in summer.
#include "astro/Celest32.h"
#include "astro/PinTimeZone.h"
#include "console/Registry.h"
#include "console/SiteRecord.h"
#include "link/Channel.h"
#include "link/Commands.h"
#include "link/ProgramState.h"
#include "link/ScopeIntfc.h"
#include "link/Utilities.h"
#include "platform/Prompts.h"
#include "setup/SiteFormat.h"
#include "setup/frmSite.h"
#include "sim/SimServer.h"
#include "support/TestSupport.h"
#include "support/SimTraffic.h"

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <cmath>
#include <memory>

TELEON_PIN_TIME_ZONE("America/Denver")

namespace teleon {
namespace {

using Commands = QList<QByteArray>;
using platform::MsgAnswer;
using platform::MsgIcon;

const QChar Deg(0x00DF); // the telescope's degree sign, byte 223
const QString Title = QStringLiteral("LX-200 Vantor");
const QDateTime Winter(QDate(2026, 1, 15), QTime(19, 0), Qt::UTC); // Denver: MST, UTC-7
const QDateTime Summer(QDate(2026, 7, 15), QTime(19, 0), Qt::UTC); // Denver: MDT, UTC-6

// The telescope's text as the wire carries it: the degree sign as byte 223.
QByteArray wire(const QString& text) {
    return text.toLatin1();
}

// ---- The telescope's coordinate text ---------------------------------------------------------

TEST(FormatSiteCoordinate, WritesThreeDigitDegreesTheDegreeByteAndRoundedMinutes) {
    struct Row {
        double degrees;
        const char* expected; // "*" stands for the degree byte
    } rows[] = {
        {33.5, "033*30"},      {-0.5, "-000*30"},
        {33.9999, "034*00"}, // 59.994 minutes round to 60 and carry
        {-33.9999, "-034*00"}, {111.0 + 50.0 / 60.0, "111*50"},
        {348.5, "348*30"},     {-(5.0 + 7.0 / 60.0), "-005*07"},
        {0.0, "000*00"},       {359.99, "359*59"}, // 59.4 minutes
        {0.125, "000*08"},   // 7.5 minutes: the half goes to the even neighbour
        {0.375, "000*22"},   // 22.5 minutes
        {-0.375, "-000*22"}, // the magnitude is rounded
        {90.0, "090*00"},      {12.0 / 60.0, "000*12"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.degrees);
        EXPECT_EQ(FormatSiteCoordinate(row.degrees),
                  QString::fromLatin1(row.expected).replace(u'*', Deg));
    }
}

// ---- Fields and records ------------------------------------------------------------------------

TEST(SiteFields, EmptyFormsContentAndText) {
    EXPECT_EQ(EmptySiteField(SiteField::Latitude), QStringLiteral("_  __\u00B0 __'"));
    EXPECT_EQ(EmptySiteField(SiteField::Longitude), QStringLiteral("_ ___\u00B0 __'"));
    EXPECT_EQ(EmptySiteField(SiteField::Offset), QStringLiteral("___"));

    EXPECT_EQ(SiteFieldContent(SiteField::Latitude, QStringLiteral("N  33\u00B0 25'")), "N3325");
    EXPECT_EQ(SiteFieldContent(SiteField::Longitude, QStringLiteral("W 111\u00B0 50'")), "W11150");
    EXPECT_EQ(SiteFieldContent(SiteField::Offset, QStringLiteral("+07")), "+07");
    EXPECT_EQ(SiteFieldContent(SiteField::Latitude, EmptySiteField(SiteField::Latitude)), "");
    EXPECT_EQ(SiteFieldContent(SiteField::Latitude, QStringLiteral("_  3_\u00B0 __'")), "3");
    EXPECT_EQ(SiteFieldContent(SiteField::Longitude, QStringLiteral("E 0")), "E0"); // short text

    EXPECT_EQ(SiteFieldText(SiteField::Latitude, "N3325"), QStringLiteral("N  33\u00B0 25'"));
    EXPECT_EQ(SiteFieldText(SiteField::Latitude, "S05"), QStringLiteral("S  05\u00B0 __'"));
    EXPECT_EQ(SiteFieldText(SiteField::Longitude, "E01130"), QStringLiteral("E 011\u00B0 30'"));
    EXPECT_EQ(SiteFieldText(SiteField::Offset, ""), QStringLiteral("___"));
}

TEST(SiteFields, TheHemisphereLetterOrSignComesFirst) {
    EXPECT_TRUE(SiteFieldStartsRight(SiteField::Latitude, ""));
    EXPECT_TRUE(SiteFieldStartsRight(SiteField::Latitude, "N"));
    EXPECT_TRUE(SiteFieldStartsRight(SiteField::Latitude, "S33"));
    EXPECT_FALSE(SiteFieldStartsRight(SiteField::Latitude, "E"));
    EXPECT_FALSE(SiteFieldStartsRight(SiteField::Latitude, "3"));
    EXPECT_TRUE(SiteFieldStartsRight(SiteField::Longitude, "E"));
    EXPECT_TRUE(SiteFieldStartsRight(SiteField::Longitude, "W"));
    EXPECT_FALSE(SiteFieldStartsRight(SiteField::Longitude, "N"));
    EXPECT_TRUE(SiteFieldStartsRight(SiteField::Offset, "+"));
    EXPECT_TRUE(SiteFieldStartsRight(SiteField::Offset, "-"));
    EXPECT_FALSE(SiteFieldStartsRight(SiteField::Offset, "0"));
}

TEST(SiteFields, Checks) {
    struct Row {
        const char* content;
        bool valid;
    };
    const Row lat[] = {
        {"N9000", true},  {"N9001", false}, {"N4560", false}, {"N8959", true}, {"N0000", true},
        {"S3325", true},  {"S9000", true},  {"S9100", false}, {"N332", false}, {"N33250", false},
        {"N33a5", false}, {"", false},      {"E3325", false}, {"3325", false},
    };
    for (const Row& row : lat)
        EXPECT_EQ(ValidLat(QString::fromLatin1(row.content)), row.valid) << row.content;
    const Row lon[] = {
        {"W17959", true},  {"W18000", false}, {"E18000", false},  {"E00000", true},
        {"W11160", false}, {"W1115", false},  {"W111500", false}, {"W1a150", false},
        {"N11150", false}, {"W11150", true},  {"E17900", true},
    };
    for (const Row& row : lon)
        EXPECT_EQ(ValidLong(QString::fromLatin1(row.content)), row.valid) << row.content;
    const Row gmt[] = {
        {"+12", true}, {"-12", true},   {"+13", false}, {"-13", false}, {"+00", true},
        {"-00", true}, {"+07", true},   {"+1", false},  {"+ab", false}, {"+0a", false},
        {"", false},   {"+007", false}, {"012", true}, // three characters reading as 12
    };
    for (const Row& row : gmt)
        EXPECT_EQ(ValidGMT(QString::fromLatin1(row.content)), row.valid) << row.content;
}

TEST(SiteFields, TelescopeValues) {
    EXPECT_NEAR(SiteLatitudeDegrees("N3325"), 33.0 + 25.0 / 60.0, 1e-12);
    EXPECT_NEAR(SiteLatitudeDegrees("S0507"), -(5.0 + 7.0 / 60.0), 1e-12);
    EXPECT_NEAR(SiteLongitudeWestDegrees("W11150"), 111.0 + 50.0 / 60.0, 1e-12);
    EXPECT_NEAR(SiteLongitudeWestDegrees("E01130"), 348.5, 1e-12);
    EXPECT_NEAR(SiteLongitudeWestDegrees("E00000"), 360.0, 1e-12);
    EXPECT_EQ(FormatOffsetHours(7), "+07");
    EXPECT_EQ(FormatOffsetHours(-3), "-03");
    EXPECT_EQ(FormatOffsetHours(0), "+00");
    EXPECT_EQ(FormatOffsetHours(-12), "-12");

    EXPECT_EQ(LatitudeFieldFromScope(33.0 + 25.0 / 60.0), QStringLiteral("N  33\u00B0 25'"));
    EXPECT_EQ(LatitudeFieldFromScope(-(5.0 + 7.0 / 60.0)), QStringLiteral("S  05\u00B0 07'"));
    EXPECT_EQ(LatitudeFieldFromScope(-(33.0 + 52.0 / 60.0)), QStringLiteral("S  33\u00B0 52'"));
    EXPECT_EQ(LongitudeFieldFromScope(111.0 + 50.0 / 60.0), QStringLiteral("W 111\u00B0 50'"));
    EXPECT_EQ(LongitudeFieldFromScope(348.5), QStringLiteral("E 011\u00B0 30'"));
    EXPECT_EQ(LongitudeFieldFromScope(180.0), QStringLiteral("W 180\u00B0 00'"));
    EXPECT_EQ(LongitudeFieldFromScope(0.0), QStringLiteral("W 000\u00B0 00'"));
}

TEST(SiteRecords, LayoutByteForByte) {
    const QString record = FormatSiteRecord({QStringLiteral("AAA"), QStringLiteral("N  33° 25'"),
                                             QStringLiteral("W 111° 50'"), QStringLiteral("+07")});
    EXPECT_EQ(record, QStringLiteral("AAA N  33° 25' W 111° 50' +07"));
    EXPECT_EQ(record.size(), 29);
    // Characters 1-3, 5-14, 16-25, 27-29 (1-based), blanks at 4, 15, 26.
    EXPECT_EQ(record.at(3), u' ');
    EXPECT_EQ(record.at(14), u' ');
    EXPECT_EQ(record.at(25), u' ');
    EXPECT_EQ(record.at(4), u'N');
    EXPECT_EQ(record.mid(7, 2), "33");
    EXPECT_EQ(record.mid(11, 2), "25");
    EXPECT_EQ(record.at(15), u'W');
    EXPECT_EQ(record.mid(17, 3), "111");
    EXPECT_EQ(record.mid(22, 2), "50");
    EXPECT_EQ(record.at(9), QChar(0x00B0));
    EXPECT_EQ(record.at(20), QChar(0x00B0));

    const SiteRecordFields fields = ParseSiteRecord(record);
    EXPECT_EQ(fields.siteId, "AAA");
    EXPECT_EQ(fields.latitude, QStringLiteral("N  33° 25'"));
    EXPECT_EQ(fields.longitude, QStringLiteral("W 111° 50'"));
    EXPECT_EQ(fields.offset, "+07");

    const SiteRecordFields shortOne = ParseSiteRecord(QStringLiteral("AAB N  51"));
    EXPECT_EQ(shortOne.siteId, "AAB");
    EXPECT_EQ(shortOne.latitude, "N  51");
    EXPECT_EQ(shortOne.longitude, "");
    EXPECT_EQ(shortOne.offset, "");
}

// A site coordinate as sent: "-" or not, degrees, the degree byte, minutes ("-33ß52", "033ß25").
double siteDegrees(const QString& text) {
    const QStringList parts = text.split(Deg);
    EXPECT_EQ(parts.size(), 2) << text.toStdString();
    if (parts.size() != 2)
        return std::nan("");
    const double value = std::fabs(parts[0].toInt()) + parts[1].toInt() / 60.0;
    return parts[0].startsWith(u'-') ? -value : value;
}

// Every site of the shipped store, read back by field and re-made byte for byte; the editor's
// telescope values agree with the main window's reading of the same record.
TEST(SiteRecords, ShippedStoreAgreesWithTheMainWindowsReader) {
    test::TempConfigHome home;
    ResetConfigRoot();
    const auto records = EnumConfigSection(QStringLiteral("Sites"));
    ASSERT_TRUE(records.has_value());
    ASSERT_EQ(records->size(), 5);
    QStringList ids;
    for (const ConfigValue& value : *records) {
        SCOPED_TRACE(value.first.toStdString());
        const QString& record = value.second;
        EXPECT_EQ(record.size(), 29);
        const SiteRecordFields fields = ParseSiteRecord(record);
        EXPECT_EQ(FormatSiteRecord(fields), record);
        ids << fields.siteId;
        const QString lat = SiteFieldContent(SiteField::Latitude, fields.latitude);
        const QString lon = SiteFieldContent(SiteField::Longitude, fields.longitude);
        const QString gmt = SiteFieldContent(SiteField::Offset, fields.offset);
        EXPECT_TRUE(ValidLat(lat)) << lat.toStdString();
        EXPECT_TRUE(ValidLong(lon)) << lon.toStdString();
        EXPECT_TRUE(ValidGMT(gmt)) << gmt.toStdString();
        EXPECT_EQ(SiteFieldText(SiteField::Latitude, lat), fields.latitude);
        EXPECT_EQ(SiteFieldText(SiteField::Longitude, lon), fields.longitude);

        const auto main = SiteCommandsFor(record);
        ASSERT_TRUE(main.has_value());
        EXPECT_NEAR(siteDegrees(main->latitude),
                    siteDegrees(FormatSiteCoordinate(SiteLatitudeDegrees(lat))), 1e-9);
        EXPECT_NEAR(
            std::fmod(siteDegrees(FormatSiteCoordinate(SiteLongitudeWestDegrees(lon))), 360.0),
            siteDegrees(main->longitude), 1e-9);
        EXPECT_EQ(main->utcOffset, fields.offset);
    }
    EXPECT_EQ(ids, (QStringList{"AAA", "AAB", "AAC", "AAD", "AAE"}));
    EXPECT_EQ(GetConfig(QStringLiteral("General"), QStringLiteral("NextSiteNum")), "AAF");
    ResetConfigRoot();
}

// ---- Site ids
// ------------------------------------------------------------------------------------

TEST(SiteIds, Successor) {
    struct Row {
        const char* id;
        const char* next; // nullptr: none
    } rows[] = {
        {"AAA", "AAB"},  {"AAZ", "ABA"},    {"AZZ", "BAA"},   {"ABZ", "ACA"},
        {"ZZY", "ZZZ"},  {"YZZ", "ZAA"},    {"ZZZ", nullptr}, {"aaa", nullptr},
        {"AA", nullptr}, {"AAAA", nullptr}, {"A1A", nullptr}, {"", nullptr},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.id);
        const auto next = NextSiteIdAfter(QString::fromLatin1(row.id));
        if (row.next)
            EXPECT_EQ(next, std::optional<QString>(QString::fromLatin1(row.next)));
        else
            EXPECT_FALSE(next.has_value());
    }
}

class SiteIdCounter : public ::testing::Test {
protected:
    void SetUp() override {
        ResetConfigRoot();
        platform::setPrompts(&prompts);
        platform::setEndProgramHandler(platform::throwProgramEnded);
    }
    void TearDown() override {
        platform::setPrompts(nullptr);
        platform::setEndProgramHandler(nullptr);
        ResetConfigRoot();
    }
    static QString counter() { return GetConfig("General", "NextSiteNum"); }
    static void setCounter(const QString& value) { PutConfig("General", "NextSiteNum", value); }

    test::TempConfigHome home;
    platform::ScriptedPrompts prompts;
};

TEST_F(SiteIdCounter, HandsOutTheStoredIdAndStoresItsSuccessor) {
    struct Row {
        const char* stored;
        const char* handedOut;
        const char* after;
    } rows[] = {
        {"AAF", "AAF", "AAG"}, {"AAZ", "AAZ", "ABA"}, {"AZZ", "AZZ", "BAA"}, {"ZZY", "ZZY", "ZZZ"}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.stored);
        setCounter(QString::fromLatin1(row.stored));
        EXPECT_EQ(NextSiteId(), QString::fromLatin1(row.handedOut));
        EXPECT_EQ(counter(), QString::fromLatin1(row.after));
    }
    EXPECT_TRUE(prompts.messages.empty());
}

TEST_F(SiteIdCounter, ExhaustedAtZZZ) {
    setCounter("ZZZ");
    EXPECT_EQ(NextSiteId(), "");
    EXPECT_EQ(counter(), "ZZZ");
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_EQ(prompts.messages[0].text, "WOW! You used 17,576 site names. That's it...");
    EXPECT_EQ(prompts.messages[0].icon, MsgIcon::Critical);
    EXPECT_EQ(prompts.messages[0].title, Title);
}

// A missing or malformed counter continues after the highest id of the stored sites (AAA-AAE in
// the shipped store), so no id in use is handed out again.
TEST_F(SiteIdCounter, MissingOrMalformedCounterContinuesAfterTheStoredIds) {
    for (const char* bad : {"", "AA", "aaf", "AAF ", "A1F", "AAAA"}) {
        SCOPED_TRACE(bad);
        setCounter(QString::fromLatin1(bad));
        EXPECT_EQ(NextSiteId(), "AAF");
        EXPECT_EQ(counter(), "AAG");
    }
    PutConfig("Sites", "Far away", "AZZ N  10° 00' W 010° 00' +01");
    setCounter("");
    EXPECT_EQ(NextSiteId(), "BAA");
    EXPECT_EQ(counter(), "BAB");

    PutConfig("Sites", "Last", "ZZY N  10° 00' W 010° 00' +01");
    setCounter("?");
    EXPECT_EQ(NextSiteId(), "");
    EXPECT_EQ(prompts.messages.size(), 1u);
    EXPECT_TRUE(prompts.messages.empty() ||
                prompts.messages[0].text.startsWith(QStringLiteral("WOW!")));
}

TEST_F(SiteIdCounter, NoStoredSitesAndNoCounterStartsAtAAA) {
    const auto records = EnumConfigSection("Sites");
    ASSERT_TRUE(records.has_value());
    for (const ConfigValue& value : *records)
        DeleteConfig("Sites", value.first);
    DeleteConfig("General", "NextSiteNum");
    EXPECT_EQ(NextSiteId(), "AAA");
    EXPECT_EQ(counter(), "AAB");
}

// ---- The site editor against the simulated telescope
// ----------------------------------------------

class SiteEditorTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetProgramState();
        ResetConfigRoot();
        celest32::SetClockOverride(Winter);
        platform::setPrompts(&prompts);
        platform::setEndProgramHandler(platform::throwProgramEnded);
        Hooks() = LinkHooks{};
        Hooks().Beep = [this] { ++beeps; };
        Hooks().UpdateWhatsVis = [this] { ++whatsVis; };
        Hooks().UpdateScopeCoords = [this] { ++scopeCoords; };
        Hooks().SwitchToStandby = [this] { ++standby; };
        sim.start();
        com1().close();
        SetCommPort({sim.devicePath(), 0, QStringLiteral("COM3")});
        SetReplyTimeoutMs(500);
        int port = 0;
        ASSERT_TRUE(ConnectScope(port, false));
        SendCommandString(lx::GetRA);
        sim.clearLog();
        prompts.messages.clear();
    }
    void TearDown() override {
        window.reset();
        com1().close();
        platform::setPrompts(nullptr);
        platform::setEndProgramHandler(nullptr);
        celest32::SetClockOverride(std::nullopt);
        SetReplyTimeoutMs(20000);
        Hooks() = LinkHooks{};
        ResetProgramState();
        ResetConfigRoot();
    }

    void nameSite4(const QByteArray& name) {
        sim.withModel([&](sim::LX200Model& m) {
            auto site = m.site(4);
            site.name = name;
            m.setSite(4, site);
        });
    }
    sim::LX200Model::Site site4() {
        sim::LX200Model::Site site;
        sim.withModel([&](sim::LX200Model& m) { site = m.site(4); });
        return site;
    }
    int scopeUtcOffset() {
        int hours = 0;
        sim.withModel([&](sim::LX200Model& m) { hours = m.utcOffsetHours(); });
        return hours;
    }
    // The editor as the main window's button opens it, with the telescope's site #4 named.
    frmSite& opened(const QByteArray& site4Name) {
        nameSite4(site4Name);
        sim.clearLog();
        window = std::make_unique<frmSite>();
        window->show();
        return *window;
    }
    // Everything the telescope heard since the last clearLog (see HeardSoFar).
    Commands heard() { return test::HeardSoFar(sim); }
    void choose(frmSite& w, const QString& name) {
        const int index = w.cbSite->findText(name);
        ASSERT_GE(index, 0) << name.toStdString();
        w.cbSite->setCurrentIndex(index);
    }
    static void type(QLineEdit* edit, const QString& keys) {
        edit->setFocus();
        edit->setCursorPosition(0);
        QTest::keyClicks(edit, keys);
    }
    // The fields typed as a user types them: name, latitude, longitude and offset content.
    void fill(frmSite& w, const QString& name, const QString& lat, const QString& lon,
              const QString& gmt) {
        w.cbSite->setEditText(name);
        w.mskLat->clear();
        w.mskLong->clear();
        w.mskGMT->clear();
        type(w.mskLat, lat);
        type(w.mskLong, lon);
        type(w.mskGMT, gmt);
    }
    QStringList messageTexts() const {
        QStringList texts;
        for (const auto& m : prompts.messages)
            texts << m.text;
        return texts;
    }

    test::TempConfigHome home;
    sim::SimServer sim;
    platform::ScriptedPrompts prompts;
    std::unique_ptr<frmSite> window;
    int beeps = 0, whatsVis = 0, scopeCoords = 0, standby = 0;
};

// ---- Opening ----

TEST_F(SiteEditorTest, OpeningSelectsTheStoredSiteNamedInSite4) {
    frmSite& w = opened("AAC");
    EXPECT_EQ(heard(), (Commands{"W4", "GP"}));
    EXPECT_TRUE(prompts.messages.empty());
    EXPECT_EQ(w.cbSite->count(), 5);
    EXPECT_EQ(w.cbSite->itemText(0), "Mesa, Arizona");
    EXPECT_EQ(w.cbSite->currentText(), "Munich, Germany");
    EXPECT_EQ(w.SiteId, "AAC");
    EXPECT_EQ(w.mskLat->displayText(), QStringLiteral("N  48° 08'"));
    EXPECT_EQ(w.mskLong->displayText(), QStringLiteral("E 011° 34'"));
    EXPECT_EQ(w.mskGMT->displayText(), "-01");
    EXPECT_FALSE(w.UnsavedChanges);
    EXPECT_FALSE(w.PendingScopeLoad);
    EXPECT_FALSE(w.DstActive);
    EXPECT_TRUE(w.cmdSet->isEnabled());
    EXPECT_FALSE(w.cmdSave->isEnabled());
    EXPECT_TRUE(w.cmdDelete->isEnabled());
    EXPECT_EQ(w.lblUTCOffset->text(),
              QStringLiteral("+/- hh STANDARD time offset, +west Your TZ = America/Denver"));
    EXPECT_EQ(beeps, 0);
    EXPECT_TRUE(w.isVisible());
}

TEST_F(SiteEditorTest, CaptionNamesDaylightSavingTime) {
    celest32::SetClockOverride(Summer);
    frmSite& w = opened("AAA");
    EXPECT_TRUE(w.DstActive);
    EXPECT_EQ(w.lblUTCOffset->text(), QStringLiteral("+/- hh STANDARD time offset, +west Your TZ "
                                                     "= America/Denver (currently DST)"));
}

TEST_F(SiteEditorTest, Site4NamedZZZMatchesNothingAndSite1IsLoaded) {
    sim.withModel([](sim::LX200Model& m) {
        m.setSite(1, {"HOME", -(33.0 + 52.0 / 60.0), 360.0 - (151.0 + 13.0 / 60.0)});
        m.setUtcOffsetHours(-10);
    });
    frmSite& w = opened("ZZZ");
    EXPECT_EQ(heard(), (Commands{"W4", "GP", "W1", "GP", "Gt", "Gg", "GG", "W4"}));
    EXPECT_EQ(w.cbSite->currentIndex(), -1);
    EXPECT_EQ(w.SiteId, "");
    EXPECT_EQ(w.mskLat->displayText(), QStringLiteral("S  33° 52'"));
    EXPECT_EQ(w.mskLong->displayText(), QStringLiteral("E 151° 13'"));
    EXPECT_EQ(w.mskGMT->displayText(), "-10");
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_EQ(prompts.messages[0].text,
              "The scope's site settings don't match any of our sites. The scope's current "
              "settings for site #1 have been loaded into the fields. To create a new site entry, "
              "simply fill in the site name and click Save. Then click Set to load this site data "
              "to scope site #4 (which is used by this program).");
    EXPECT_EQ(prompts.messages[0].icon, MsgIcon::Information);
    EXPECT_EQ(prompts.messages[0].title, Title);
    EXPECT_TRUE(w.UnsavedChanges);
    EXPECT_TRUE(w.PendingScopeLoad);
    EXPECT_FALSE(w.cmdSet->isEnabled()); // no name yet
    EXPECT_FALSE(w.cmdSave->isEnabled());
    EXPECT_EQ(beeps, 0);
}

TEST_F(SiteEditorTest, NoTelescopeClosesTheEditor) {
    sim.stopAnswering(true);
    frmSite& w = opened("AAA");
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_EQ(prompts.messages[0].text, "No scope available. Can't create or edit sites now.");
    EXPECT_EQ(prompts.messages[0].icon, MsgIcon::Critical);
    QCoreApplication::processEvents();
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(GetConfig("General", "NextSiteNum"), "AAF");
}

TEST_F(SiteEditorTest, NoTelescopeEndsAModalRun) {
    sim.stopAnswering(true);
    window = std::make_unique<frmSite>();
    bool timedOut = false;
    QTimer safety;
    safety.setSingleShot(true);
    QObject::connect(&safety, &QTimer::timeout, [&] {
        timedOut = true;
        static_cast<QDialog*>(window.get())->done(QDialog::Rejected);
    });
    safety.start(5000);
    EXPECT_EQ(window->exec(), QDialog::Rejected);
    EXPECT_FALSE(timedOut);
    EXPECT_EQ(messageTexts(), QStringList{"No scope available. Can't create or edit sites now."});
}

TEST_F(SiteEditorTest, MissingSitesSectionEndsTheProgram) {
    test::TempConfigHome otherHome; // no store yet: it is made from the file below
    QFile file(otherHome.path() + QStringLiteral("/nosites.ini"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("[General]\nNextSiteNum=AAA\n");
    file.close();
    SetConfigDefaultPath(file.fileName());
    ResetConfigRoot();
    nameSite4("AAA");
    frmSite w;
    EXPECT_THROW(w.Form_Load(), platform::ProgramEnded);
    SetConfigDefaultPath(QString());
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_EQ(prompts.messages[0].text, "Failed to find \"sites\" section in registry");
    EXPECT_EQ(prompts.messages[0].icon, MsgIcon::Critical);
}

// ---- Field editing ----

TEST_F(SiteEditorTest, TheHemisphereLetterOrSignHasToComeFirst) {
    frmSite& w = opened("AAA");
    w.mskLat->clear();
    EXPECT_EQ(beeps, 0); // an empty field is no mistake
    type(w.mskLat, "3");
    EXPECT_EQ(beeps, 1);
    EXPECT_EQ(w.mskLat->displayText(), EmptySiteField(SiteField::Latitude));
    EXPECT_EQ(w.mskLat->cursorPosition(), 0);
    type(w.mskLat, "q");
    EXPECT_EQ(beeps, 2);
    EXPECT_EQ(w.mskLat->displayText(), EmptySiteField(SiteField::Latitude));
    type(w.mskLat, "s0507");
    EXPECT_EQ(beeps, 2);
    EXPECT_EQ(w.mskLat->displayText(), QStringLiteral("S  05° 07'")); // upper-cased

    w.mskLong->clear();
    type(w.mskLong, "N");
    EXPECT_EQ(beeps, 3);
    EXPECT_EQ(w.mskLong->displayText(), EmptySiteField(SiteField::Longitude));
    type(w.mskLong, "e01130");
    EXPECT_EQ(w.mskLong->displayText(), QStringLiteral("E 011° 30'"));

    w.mskGMT->clear();
    type(w.mskGMT, "7");
    EXPECT_EQ(beeps, 4);
    EXPECT_EQ(w.mskGMT->displayText(), "___");
    type(w.mskGMT, "-03");
    EXPECT_EQ(w.mskGMT->displayText(), "-03");
    EXPECT_EQ(beeps, 4);
    // Digit positions take digits only.
    w.mskGMT->clear();
    type(w.mskGMT, "+a1");
    EXPECT_EQ(SiteFieldContent(SiteField::Offset, w.mskGMT->displayText()), "+1");
    EXPECT_TRUE(w.UnsavedChanges);
    EXPECT_TRUE(w.PendingScopeLoad);
}

TEST_F(SiteEditorTest, ButtonsFollowTheChecks) {
    frmSite& w = opened("AAA");
    struct Row {
        const char* name;
        const char* lat;
        const char* lon;
        const char* gmt;
        bool valid;
    } rows[] = {
        {"Pole", "N9000", "W00000", "+00", true},  {"Pole", "N9001", "W00000", "+00", false},
        {"Here", "N4560", "W01000", "+01", false}, {"Here", "N4559", "W18000", "+01", false},
        {"Here", "N4559", "W17959", "+12", true},  {"Here", "N4559", "W17959", "+13", false},
        {"Here", "S4559", "E17959", "-12", true},  {"Here", "S4559", "E17959", "-13", false},
        {"", "N3325", "W11150", "+07", false},     {"Here", "N332", "W11150", "+07", false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.name) + row.lat + row.lon + row.gmt);
        fill(w, QString::fromLatin1(row.name), QString::fromLatin1(row.lat),
             QString::fromLatin1(row.lon), QString::fromLatin1(row.gmt));
        EXPECT_EQ(w.cmdSet->isEnabled(), row.valid);
        EXPECT_EQ(w.cmdSave->isEnabled(), row.valid);
        EXPECT_FALSE(w.cmdDelete->isEnabled());
    }
}

// ---- Set ----

struct SetRow {
    const char* label;
    QDateTime clock;
    const char* siteId; // the stored site named in site #4 when the editor opens
    Commands sent;
    const char* offsetQuestion; // nullptr: not asked
    double latDegrees, westDegrees;
    int utcOffset;
};

TEST_F(SiteEditorTest, SetSendsTheSiteToSite4) {
    const SetRow rows[] = {
        {"west, standard time",
         Winter,
         "AAA",
         {"W4", wire("St 033ß25"), wire("Sg 111ß50"), "SG +07", "SP AAA"},
         nullptr,
         33.0 + 25.0 / 60.0,
         111.0 + 50.0 / 60.0,
         7},
        {"west, daylight-saving time",
         Summer,
         "AAA",
         {"W4", wire("St 033ß25"), wire("Sg 111ß50"), "SG +06", "SP AAA"},
         nullptr,
         33.0 + 25.0 / 60.0,
         111.0 + 50.0 / 60.0,
         6},
        {"east longitude",
         Winter,
         "AAC",
         {"W4", wire("St 048ß08"), wire("Sg 348ß26"), "SG -01", "SP AAC"},
         "The UTC offset for this site (-01) is different from the standard time UTC offset "
         "(+07) set for your computer. Do you want to continue?",
         48.0 + 8.0 / 60.0,
         348.0 + 26.0 / 60.0,
         -1},
        {"south latitude, daylight-saving time",
         Summer,
         "AAD",
         {"W4", wire("St -033ß52"), wire("Sg 208ß47"), "SG -11", "SP AAD"},
         "The UTC offset for this site (-10) is different from the standard time UTC offset "
         "(+06) set for your computer. Do you want to continue?",
         -(33.0 + 52.0 / 60.0),
         208.0 + 47.0 / 60.0,
         -11},
        {"Greenwich",
         Winter,
         "AAB",
         {"W4", wire("St 051ß29"), wire("Sg 000ß00"), "SG +00", "SP AAB"},
         "The UTC offset for this site (+00) is different from the standard time UTC offset "
         "(+07) set for your computer. Do you want to continue?",
         51.0 + 29.0 / 60.0,
         0.0,
         0},
    };
    for (const SetRow& row : rows) {
        SCOPED_TRACE(row.label);
        celest32::SetClockOverride(row.clock);
        prompts.messages.clear();
        whatsVis = scopeCoords = 0;
        frmSite& w = opened(row.siteId);
        ASSERT_EQ(w.SiteId, QString::fromLatin1(row.siteId));
        sim.clearLog();
        prompts.answers = {MsgAnswer::Yes};
        w.cmdSet->click();
        EXPECT_EQ(heard(), row.sent);
        QStringList expected;
        if (row.offsetQuestion)
            expected << QString::fromUtf8(row.offsetQuestion);
        expected << "Site change complete.";
        EXPECT_EQ(messageTexts(), expected);
        if (row.offsetQuestion) {
            EXPECT_EQ(prompts.messages[0].icon, MsgIcon::Exclamation);
            EXPECT_EQ(prompts.messages[0].buttons, platform::MsgButtons::YesNo);
        }
        EXPECT_EQ(prompts.messages.back().icon, MsgIcon::Information);
        EXPECT_EQ(whatsVis, 1);
        EXPECT_EQ(scopeCoords, 1);
        QCoreApplication::processEvents();
        EXPECT_FALSE(w.isVisible());
        const auto site = site4();
        EXPECT_EQ(site.name, wire(w.SiteId));
        EXPECT_NEAR(site.latitudeDegrees, row.latDegrees, 1e-6);
        EXPECT_NEAR(site.longitudeWestDegrees, row.westDegrees, 1e-6);
        EXPECT_EQ(scopeUtcOffset(), row.utcOffset);
    }
}

// A site typed, saved and set: 5° 07' S and 11° 30' E.
TEST_F(SiteEditorTest, SavedNewSiteIsSetWithItsNewId) {
    frmSite& w = opened("AAA");
    fill(w, "Southern test", "S0507", "E01130", "+07");
    ASSERT_TRUE(w.cmdSave->isEnabled());
    w.cmdSave->click();
    EXPECT_EQ(w.SiteId, "AAF");
    sim.clearLog();
    w.cmdSet->click();
    EXPECT_EQ(heard(), (Commands{"W4", wire("St -005ß07"), wire("Sg 348ß30"), "SG +07", "SP AAF"}));
    EXPECT_EQ(messageTexts(), QStringList{"Site change complete."});
    EXPECT_EQ(site4().name, "AAF");

    // Opened again, the editor finds the site just set.
    window.reset();
    sim.clearLog();
    window = std::make_unique<frmSite>();
    window->show();
    EXPECT_EQ(window->cbSite->currentText(), "Southern test");
    EXPECT_EQ(window->mskLat->displayText(), QStringLiteral("S  05° 07'"));
}

TEST_F(SiteEditorTest, SetAsksBeforeSendingUnsavedChanges) {
    frmSite& w = opened("AAA");
    w.mskGMT->clear();
    type(w.mskGMT, "+07");
    ASSERT_TRUE(w.UnsavedChanges);
    sim.clearLog();
    prompts.answers = {MsgAnswer::No};
    w.cmdSet->click();
    EXPECT_EQ(heard(), Commands{});
    EXPECT_EQ(messageTexts(), QStringList{"Do you want to set this new or changed site data into "
                                          "the scope without saving it?"});
    EXPECT_EQ(prompts.messages[0].icon, MsgIcon::Question);
    EXPECT_TRUE(w.isVisible());

    prompts.messages.clear();
    prompts.answers = {MsgAnswer::Yes};
    w.cmdSet->click();
    EXPECT_EQ(heard(), (Commands{"W4", wire("St 033ß25"), wire("Sg 111ß50"), "SG +07", "SP AAA"}));
}

TEST_F(SiteEditorTest, NoToTheOffsetQuestionSendsNothing) {
    frmSite& w = opened("AAC");
    sim.clearLog();
    prompts.answers = {MsgAnswer::No};
    w.cmdSet->click();
    EXPECT_EQ(heard(), Commands{});
    EXPECT_EQ(prompts.messages.size(), 1u);
    QCoreApplication::processEvents();
    EXPECT_TRUE(w.isVisible());
    EXPECT_EQ(whatsVis, 0);
}

TEST_F(SiteEditorTest, RefusalsStopTheSequenceAndClose) {
    struct Row {
        QByteArray refused;
        Commands sent;
        const char* text;
    } rows[] = {
        {"St",
         {"W4", wire("St 033ß25")},
         "Geodetic coordinate(s) or time offset is bad. Scope coordinates are indeterminate!"},
        {"Sg",
         {"W4", wire("St 033ß25"), wire("Sg 111ß50")},
         "Geodetic coordinate(s) or time offset is bad. Scope coordinates are indeterminate!"},
        {"SG",
         {"W4", wire("St 033ß25"), wire("Sg 111ß50"), "SG +07"},
         "Geodetic coordinate(s) or time offset is bad. Scope coordinates are indeterminate!"},
        {"SP",
         {"W4", wire("St 033ß25"), wire("Sg 111ß50"), "SG +07", "SP AAA"},
         "Failed to set the scope's site name."},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.refused.constData());
        prompts.messages.clear();
        whatsVis = 0;
        frmSite& w = opened("AAA");
        sim.clearLog();
        sim.refuseNext(row.refused);
        w.cmdSet->click();
        EXPECT_EQ(heard(), row.sent);
        ASSERT_EQ(prompts.messages.size(), 1u);
        EXPECT_EQ(prompts.messages[0].text, QString::fromLatin1(row.text));
        EXPECT_EQ(prompts.messages[0].icon, MsgIcon::Critical);
        EXPECT_EQ(whatsVis, 0);
        QCoreApplication::processEvents();
        EXPECT_FALSE(w.isVisible());
    }
}

// The link goes silent after "W4" has gone out: the latitude may or may not have been taken.
TEST_F(SiteEditorTest, LostLinkDuringSetSaysSite4MayBeHalfWritten) {
    frmSite& w = opened("AAA");
    sim.clearLog();
    sim.stopAnswering(true);
    w.cmdSet->click();
    EXPECT_EQ(sim.receivedCommands(), (Commands{"W4", wire("St 033ß25")}));
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_TRUE(prompts.messages[0].text.contains(QStringLiteral("site #4 may be half-written")))
        << prompts.messages[0].text.toStdString();
    EXPECT_TRUE(prompts.messages[0].text.startsWith("Lost communications with telescope"));
    EXPECT_EQ(prompts.messages[0].icon, MsgIcon::Critical);
    EXPECT_EQ(standby, 1);
    EXPECT_EQ(whatsVis, 0);
    QCoreApplication::processEvents();
    EXPECT_TRUE(w.isVisible()); // the fields stay, to be saved or set again
    EXPECT_EQ(w.mskLat->displayText(), QStringLiteral("N  33° 25'"));
}

// ---- Save and Delete ----

TEST_F(SiteEditorTest, SaveANewSiteStoresTheRecordWithTheNextId) {
    frmSite& w = opened("AAA");
    sim.clearLog();
    fill(w, "Tucson, Arizona", "N3213", "W11056", "+07");
    w.cmdSave->click();
    EXPECT_EQ(GetConfig("Sites", "Tucson, Arizona"),
              QStringLiteral("AAF N  32° 13' W 110° 56' +07"));
    EXPECT_EQ(GetConfig("General", "NextSiteNum"), "AAG");
    EXPECT_EQ(w.SiteId, "AAF");
    EXPECT_FALSE(w.UnsavedChanges);
    EXPECT_TRUE(w.PendingScopeLoad);
    EXPECT_FALSE(w.cmdSave->isEnabled());
    EXPECT_TRUE(w.cmdDelete->isEnabled());
    EXPECT_TRUE(w.cmdSet->isEnabled());
    EXPECT_EQ(w.cbSite->count(), 5); // the list is rebuilt at the next opening
    EXPECT_EQ(heard(), Commands{});

    // Deleting right after saving deletes the record although its name is not in the list.
    w.cmdDelete->click();
    EXPECT_EQ(GetConfig("Sites", "Tucson, Arizona"), "");
    EXPECT_EQ(w.SiteId, "");
    EXPECT_EQ(w.mskLat->displayText(), EmptySiteField(SiteField::Latitude));
    EXPECT_EQ(w.mskLong->displayText(), EmptySiteField(SiteField::Longitude));
    EXPECT_EQ(w.mskGMT->displayText(), EmptySiteField(SiteField::Offset));
    EXPECT_EQ(w.cbSite->count(), 5);
    EXPECT_TRUE(w.PendingScopeLoad);
    EXPECT_FALSE(w.cmdSet->isEnabled());
    EXPECT_TRUE(prompts.messages.empty());
}

TEST_F(SiteEditorTest, SaveUnderAnExistingNameKeepsTheShownId) {
    frmSite& w = opened("AAA");
    w.mskLat->clear();
    type(w.mskLat, "N3326");
    w.cmdSave->click();
    EXPECT_EQ(GetConfig("Sites", "Mesa, Arizona"), QStringLiteral("AAA N  33° 26' W 111° 50' +07"));
    EXPECT_EQ(GetConfig("General", "NextSiteNum"), "AAF");
}

TEST_F(SiteEditorTest, SaveWithTheCounterExhaustedStoresNothing) {
    PutConfig("General", "NextSiteNum", "ZZZ");
    frmSite& w = opened("AAA");
    fill(w, "One too many", "N1000", "W01000", "+01");
    w.cmdSave->click();
    EXPECT_EQ(GetConfig("Sites", "One too many"), "");
    EXPECT_EQ(messageTexts(), QStringList{"WOW! You used 17,576 site names. That's it..."});
    EXPECT_EQ(w.SiteId, "AAA");
    EXPECT_TRUE(w.cmdSave->isEnabled());
}

TEST_F(SiteEditorTest, DeleteRemovesTheChosenSite) {
    frmSite& w = opened("AAA");
    sim.clearLog();
    choose(w, "Greenwich, England");
    ASSERT_TRUE(w.cmdDelete->isEnabled());
    w.cmdDelete->click();
    EXPECT_EQ(GetConfig("Sites", "Greenwich, England"), "");
    EXPECT_EQ(GetConfig("Sites", "Mesa, Arizona"), QStringLiteral("AAA N  33° 25' W 111° 50' +07"));
    EXPECT_EQ(w.cbSite->count(), 4);
    EXPECT_EQ(w.cbSite->findText("Greenwich, England"), -1);
    EXPECT_EQ(w.cbSite->currentIndex(), -1);
    EXPECT_EQ(w.cbSite->currentText(), "");
    EXPECT_EQ(w.SiteId, "");
    EXPECT_EQ(w.mskLat->displayText(), EmptySiteField(SiteField::Latitude));
    EXPECT_FALSE(w.cmdDelete->isEnabled());
    EXPECT_TRUE(prompts.messages.empty()); // no confirmation question
    EXPECT_EQ(heard(), Commands{});
}

// ---- Cancel ----

TEST_F(SiteEditorTest, CancelAsksOnlyWhenChangesAreNotInTheTelescope) {
    frmSite& w = opened("AAA");
    ASSERT_FALSE(w.PendingScopeLoad);
    w.cmdCancel->click();
    EXPECT_TRUE(prompts.messages.empty());
    EXPECT_FALSE(w.isVisible());

    frmSite& again = opened("AAA");
    sim.clearLog();
    choose(again, "Greenwich, England");
    ASSERT_TRUE(again.PendingScopeLoad);
    prompts.answers = {MsgAnswer::No};
    again.cmdCancel->click();
    EXPECT_EQ(messageTexts(), QStringList{"You have made changes to site info. Do you want to "
                                          "quit without loading the changes into the scope?"});
    EXPECT_EQ(prompts.messages[0].icon, MsgIcon::Question);
    EXPECT_TRUE(again.isVisible());
    prompts.answers = {MsgAnswer::Yes};
    again.cmdCancel->click();
    EXPECT_FALSE(again.isVisible());
    EXPECT_EQ(heard(), Commands{});
}

TEST_F(SiteEditorTest, WindowTexts) {
    frmSite& w = opened("AAA");
    EXPECT_EQ(w.objectName(), "frmSite");
    EXPECT_TRUE(w.isModal());
    EXPECT_EQ(w.cmdSet->text(), "Set");
    EXPECT_EQ(w.cmdSave->text(), "Save");
    EXPECT_EQ(w.cmdDelete->text(), "Delete");
    EXPECT_EQ(w.cmdCancel->text(), "Cancel");
    QStringList texts;
    for (const QLabel* l : w.findChildren<QLabel*>())
        texts << l->text();
    for (const char* caption :
         {"Site:", "Latitude:", "Longitude:", "UTC Offset:", "Telescope Site Setup"})
        EXPECT_TRUE(texts.contains(QString::fromLatin1(caption))) << caption;
    EXPECT_TRUE(texts.contains(QStringLiteral("N/S dd° mm'")));
    EXPECT_TRUE(texts.contains(QStringLiteral("E/W dd° mm'")));
    EXPECT_TRUE(texts.contains(QStringLiteral(
        "Shows the current site selection. To change sites, select the site in the dropdown list "
        "and click Set. To add a new site, enter the name in the dropdown box, fill in the "
        "lat/long and UTC offset, then  click Save. To delete a site, select it and click "
        "Delete. Leading zeroes are required!")));
    for (const char* name : {"cbSite", "mskLat", "mskLong", "mskGMT", "lblUTCOffset", "cmdSet",
                             "cmdSave", "cmdDelete", "cmdCancel"})
        EXPECT_NE(w.findChild<QWidget*>(QLatin1String(name)), nullptr) << name;
}

} // namespace
} // namespace teleon
