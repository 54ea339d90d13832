// Observing setup against the simulated telescope: the site editor's exact commands, the optics
// window's "SF", the preferences' tilt-up limit and port, failures of the link, and the tips,
// clock notice and documentation; with the site text, field checks and id counter beneath.
// The time zone is pinned to America/Denver: 7 hours west in winter, 6 in summer.
#include "astro/Celest32.h"
#include "astro/PinTimeZone.h"
#include "console/Registry.h"
#include "console/SiteRecord.h"
#include "link/Channel.h"
#include "link/ProgramState.h"
#include "link/ScopeIntfc.h"
#include "link/SlewEngine.h"
#include "platform/OpenDocument.h"
#include "platform/Prompts.h"
#include "setup/Optics.h"
#include "setup/SetupWindows.h"
#include "setup/SiteFormat.h"
#include "setup/Tips.h"
#include "setup/frmAbout.h"
#include "setup/frmOptics.h"
#include "setup/frmPrefs.h"
#include "setup/frmSite.h"
#include "setup/frmTip.h"
#include "sim/SimServer.h"
#include "support/SimTraffic.h"
#include "support/TestSupport.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QUrl>
#include <gtest/gtest.h>

#include <functional>
#include <limits>
#include <memory>

TELEON_PIN_TIME_ZONE("America/Denver")

namespace teleon {
namespace {

using Commands = QList<QByteArray>;
using platform::MsgAnswer;
using platform::MsgButtons;
using platform::MsgIcon;

const QChar Deg(0x00DF); // the telescope's degree sign, byte 223
const QDateTime Winter(QDate(2026, 1, 15), QTime(19, 0), Qt::UTC); // Denver: MST, UTC-7
const QDateTime Summer(QDate(2026, 7, 15), QTime(19, 0), Qt::UTC); // Denver: MDT, UTC-6
const QString Unsaved = QStringLiteral("Do you want to set this new or changed site data into "
                                       "the scope without saving it?");
const QString Complete = QStringLiteral("Site change complete.");
const QString NoScope = QStringLiteral("No scope available. Can't create or edit sites now.");
const QString Indeterminate = QStringLiteral(
    "Geodetic coordinate(s) or time offset is bad. Scope coordinates are indeterminate!");
const QStringList EmptyFields = {QStringLiteral("_  __° __'"), QStringLiteral("_ ___° __'"),
                                 QStringLiteral("___")};

// The telescope's text as the wire carries it: the degree sign as byte 223.
QByteArray wire(const QString& text) {
    return text.toLatin1();
}
// What "Set" sends for Mesa, Arizona (AAA) in winter.
const Commands SetMesa{"W4", wire("St 033ß25"), wire("Sg 111ß50"), "SG +07", "SP AAA"};

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << path.toStdString();
    f.write(bytes);
}

TEST(FormatSiteCoordinate, ThreeDigitDegreesTheDegreeByteAndRoundedMinutes) {
    const struct {
        double degrees;
        const char* expected; // "*" stands for the degree byte
    } rows[] = {
        {33.5, "033*30"},      {-0.5, "-000*30"}, {-(5.0 + 7.0 / 60.0), "-005*07"},
        {33.9999, "034*00"}, // 59.994 minutes round to 60 and carry
        {-33.9999, "-034*00"}, {348.5, "348*30"}, {0.0, "000*00"},
        {359.99, "359*59"},  // 59.4 minutes
        {0.125, "000*08"},   // 7.5 minutes: the half goes to the even neighbour
        {0.375, "000*22"},   // 22.5 minutes
        {-0.375, "-000*22"}, // the magnitude is rounded
    };
    for (const auto& row : rows)
        EXPECT_EQ(FormatSiteCoordinate(row.degrees),
                  QString::fromLatin1(row.expected).replace(u'*', Deg))
            << row.degrees;
}

TEST(SiteFields, Checks) {
    for (const char* valid : {"N9000", "N8959", "N0000", "S9000"})
        EXPECT_TRUE(ValidLat(valid)) << valid;
    for (const char* bad : {"N9001", "N4560", "S9100", "N332", "N33250", "N33a5", "", "E3325"})
        EXPECT_FALSE(ValidLat(bad)) << bad;
    for (const char* valid : {"W17959", "E00000", "E17900"})
        EXPECT_TRUE(ValidLong(valid)) << valid;
    for (const char* bad : {"W18000", "E18000", "W11160", "W1115", "W111500", "W1a150", "N11150"})
        EXPECT_FALSE(ValidLong(bad)) << bad;
    for (const char* valid : {"+12", "-12", "-00", "012"})
        EXPECT_TRUE(ValidGMT(valid)) << valid;
    for (const char* bad : {"+13", "-13", "+1", "+0a", "", "+007"})
        EXPECT_FALSE(ValidGMT(bad)) << bad;
}

// A site coordinate as sent, in whole minutes: "-033ß52" and "-33ß52" are -2032.
int minutes(const QString& text) {
    const int value = qAbs(text.section(Deg, 0, 0).toInt()) * 60 + text.section(Deg, 1).toInt();
    return text.startsWith(u'-') ? -value : value;
}

// Every site of the shipped store is re-made byte for byte from its fields, and the editor's
// telescope values agree with the main window's reading of the same record.
TEST(SiteRecords, ShippedStoreAgreesWithTheMainWindowsReader) {
    test::TempConfigHome home;
    ResetConfigRoot();
    const auto records = EnumConfigSection(QStringLiteral("Sites"));
    ASSERT_TRUE(records.has_value());
    for (const ConfigValue& value : *records) {
        SCOPED_TRACE(value.first.toStdString());
        const SiteRecordFields fields = ParseSiteRecord(value.second);
        EXPECT_EQ(FormatSiteRecord(fields), value.second);
        const QString lat = SiteFieldContent(SiteField::Latitude, fields.latitude);
        const QString lon = SiteFieldContent(SiteField::Longitude, fields.longitude);
        EXPECT_TRUE(ValidLat(lat) && ValidLong(lon));
        EXPECT_TRUE(ValidGMT(SiteFieldContent(SiteField::Offset, fields.offset)));
        const auto main = SiteCommandsFor(value.second);
        ASSERT_TRUE(main.has_value());
        EXPECT_EQ(minutes(main->latitude), minutes(FormatSiteCoordinate(SiteLatitudeDegrees(lat))));
        EXPECT_EQ(minutes(main->longitude),
                  minutes(FormatSiteCoordinate(SiteLongitudeWestDegrees(lon))));
        EXPECT_EQ(main->utcOffset, fields.offset);
    }
    ResetConfigRoot();
}

// The id counter hands out the stored id and stores its successor; "ZZZ" is never handed out. A
// missing or malformed counter continues after the highest id of the stored sites (AAA-AAE in
// the shipped store), so no id in use is handed out again.
TEST(SiteIdCounter, HandsOutTheStoredIdAndStoresItsSuccessor) {
    test::TempConfigHome home;
    ResetConfigRoot();
    platform::ScriptedPrompts prompts;
    platform::setPrompts(&prompts);
    const auto counter = [] { return GetConfig("General", "NextSiteNum"); };
    const auto setCounter = [](const char* value) { PutConfig("General", "NextSiteNum", value); };
    const struct {
        const char *stored, *handedOut, *after;
    } rows[] = {{"AAF", "AAF", "AAG"},  {"AAZ", "AAZ", "ABA"}, {"AZZ", "AZZ", "BAA"},
                {"ZZY", "ZZY", "ZZZ"},  {"", "AAF", "AAG"},    {"aaf", "AAF", "AAG"},
                {"AAF ", "AAF", "AAG"}, {"A1F", "AAF", "AAG"}, {"AAAA", "AAF", "AAG"}};
    for (const auto& row : rows) {
        setCounter(row.stored);
        EXPECT_EQ(NextSiteId(), row.handedOut) << row.stored;
        EXPECT_EQ(counter(), row.after);
    }
    EXPECT_TRUE(prompts.messages.empty());
    PutConfig("Sites", "Far away", "AZZ N  10° 00' W 010° 00' +01");
    setCounter("");
    EXPECT_EQ(NextSiteId(), "BAA");

    setCounter("ZZZ"); // exhausted
    EXPECT_EQ(NextSiteId(), "");
    EXPECT_EQ(counter(), "ZZZ");
    PutConfig("Sites", "Last", "ZZY N  10° 00' W 010° 00' +01");
    setCounter("?");
    EXPECT_EQ(NextSiteId(), ""); // nothing after ZZY but ZZZ, which no site gets
    ASSERT_EQ(prompts.messages.size(), 2u);
    EXPECT_EQ(prompts.messages[0].text, "WOW! You used 17,576 site names. That's it...");
    EXPECT_EQ(prompts.messages[0].icon, MsgIcon::Critical);

    const auto all = EnumConfigSection("Sites");
    for (const ConfigValue& value : *all)
        DeleteConfig("Sites", value.first);
    DeleteConfig("General", "NextSiteNum");
    EXPECT_EQ(NextSiteId(), "AAA");
    EXPECT_EQ(counter(), "AAB");
    platform::setPrompts(nullptr);
    ResetConfigRoot();
}

TEST(OpticsField, RadiusArgumentRoundsHalvesToEven) {
    const struct {
        double radius;
        const char* text;
    } rows[] = {{0.0, "000"}, {0.5, "000"},   {1.5, "002"},   {2.5, "002"},
                {3.5, "004"}, {15.97, "016"}, {998.5, "998"}, {999.49, "999"}};
    for (const auto& row : rows)
        EXPECT_EQ(FieldRadiusArgument(row.radius), QLatin1String(row.text)) << row.radius;
    for (double bad : {-0.1, 999.5, std::numeric_limits<double>::quiet_NaN(),
                       std::numeric_limits<double>::infinity()})
        EXPECT_THROW(FieldRadiusArgument(bad), OpticsDataError) << bad;
}

TEST(OpticsField, OneDecimalAndRecordsThatAreNotTwoPositiveNumbers) {
    EXPECT_EQ(FormatOneDecimal(0.44), QStringLiteral(".4"));    // no leading zero
    EXPECT_EQ(FormatOneDecimal(12.25), QStringLiteral("12.3")); // half away from zero
    EXPECT_DOUBLE_EQ(ParseOpticsRecord(QStringLiteral("304,8 10")).first, 304.8);
    EXPECT_DOUBLE_EQ(ParseOpticsRecord(QStringLiteral(" 12.4  52 ")).second, 52.0);
    for (const char* bad :
         {"", "254", "254 ", "abc 10", "254 ten", "0 10", "254 -1", "254 0", "1e999 10"})
        EXPECT_THROW(ParseOpticsRecord(QLatin1String(bad)), OpticsDataError) << bad;
}

TEST(TipsAndPorts, NextTipWrapsAndThePortListOrder) {
    EXPECT_EQ(NextTipNumber(10, 10), 1);
    EXPECT_EQ(NextTipNumber(9, 10), 10);
    EXPECT_EQ(NextTipNumber(25, 10), 1); // a stored number beyond a shorter new file
    EXPECT_EQ(NextTipNumber(-4, 10), 1);
    EXPECT_EQ(NextTipNumber(3, 0), 0);
    EXPECT_EQ(
        PortListEntries({"/dev/ttyS0", "/dev/ttyS7", "/dev/ttyS8", "/dev/ttyUSB0", "/dev/ttyUSB0"}),
        (QStringList{"1", "2", "3", "4", "5", "6", "7", "8", "/dev/ttyS8", "/dev/ttyUSB0",
                     "Simulator"}));
}

// ---- the windows, with a store and the simulated telescope ----

class SetupTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetProgramState();
        ResetConfigRoot();
        celest32::SetClockOverride(Winter);
        platform::setPrompts(&prompts);
        platform::setEndProgramHandler(platform::throwProgramEnded);
        platform::setDocumentOpener([this](const QUrl& url) {
            opened << url;
            return openerWorks;
        });
        Hooks() = LinkHooks{};
        Hooks().Beep = [this] { ++beeps; };
        Hooks().UpdateWhatsVis = [this] { ++whatsVis; };
        Hooks().UpdateScopeCoords = [this] { ++scopeCoords; };
        Hooks().SwitchToStandby = [this] { ++standby; };
        // The instruments of the worked examples beside the shipped ones.
        PutConfig("Scopes", "10-inch f/10 test", "254 10");
        PutConfig("Eyepieces", "26 mm test", "26 52");
        PutConfig("Cameras", "Chip test", "8.6 6.5");
    }
    void TearDown() override {
        window.reset();
        com1().close();
        platform::setPrompts(nullptr);
        platform::setEndProgramHandler(nullptr);
        platform::setDocumentOpener({});
        celest32::SetClockOverride(std::nullopt);
        SetReplyTimeoutMs(20000);
        Hooks() = LinkHooks{};
        ResetProgramState();
        ResetConfigRoot();
        SetConfigDefaultPath(QString());
    }
    void connectSimulator() {
        ASSERT_TRUE(test::ConnectTo(sim));
        sim.clearLog();
    }
    // Everything the telescope heard since the last clearLog (see HeardSoFar).
    Commands heard() { return test::HeardSoFar(sim); }
    QStringList messageTexts() const {
        QStringList texts;
        for (const auto& m : prompts.messages)
            texts << m.text;
        return texts;
    }
    static bool shown(const QWidget& w) {
        QCoreApplication::processEvents();
        return w.isVisible();
    }
    static void pick(QComboBox* list, const QString& text) {
        const int i = list->findText(text);
        ASSERT_GE(i, 0) << text.toStdString();
        list->setCurrentIndex(i);
    }
    static QString optics(const char* key) { return GetConfig("Optics", key); }
    // Stored optics values, joined by spaces.
    static QString optics(std::initializer_list<const char*> keys) {
        QStringList values;
        for (const char* key : keys)
            values << optics(key);
        return values.join(u' ');
    }
    // The optics window opened with the test telescope and eyepiece chosen.
    static std::unique_ptr<frmOptics> testOptics() {
        auto w = std::make_unique<frmOptics>();
        w->show();
        pick(w->cbScope, QStringLiteral("10-inch f/10 test"));
        pick(w->cbEyepiece, QStringLiteral("26 mm test"));
        return w;
    }
    static QString general(const char* key) { return GetConfig("General", key); }

    // ---- the site editor ----
    sim::LX200Model::Site site4() {
        sim::LX200Model::Site site;
        sim.withModel([&](sim::LX200Model& m) { site = m.site(4); });
        return site;
    }
    // The editor as the main window's button opens it, with the telescope's site #4 named.
    frmSite& opened4(const QByteArray& site4Name) {
        sim.withModel([&](sim::LX200Model& m) {
            auto site = m.site(4);
            site.name = site4Name;
            m.setSite(4, site);
        });
        sim.clearLog();
        prompts.messages.clear();
        window = std::make_unique<frmSite>();
        window->show();
        return *window;
    }
    static void type(QLineEdit* edit, const QString& keys) {
        edit->setFocus();
        edit->setCursorPosition(0);
        QTest::keyClicks(edit, keys);
    }
    static void retype(QLineEdit* edit, const QString& keys) {
        edit->clear();
        type(edit, keys);
    }
    // The fields typed as a user types them: name, latitude, longitude and offset content.
    static void fill(frmSite& w, const QString& name, const QString& lat, const QString& lon,
                     const QString& gmt) {
        w.cbSite->setEditText(name);
        retype(w.mskLat, lat);
        retype(w.mskLong, lon);
        retype(w.mskGMT, gmt);
    }
    // The three fields as shown, and the names of the enabled buttons among Set, Save, Delete.
    static QStringList fields(const frmSite& w) {
        return {w.mskLat->displayText(), w.mskLong->displayText(), w.mskGMT->displayText()};
    }
    static QString enabled(const frmSite& w) {
        QStringList names;
        for (QPushButton* b : {w.cmdSet, w.cmdSave, w.cmdDelete})
            if (b->isEnabled())
                names << b->text();
        return names.join(u' ');
    }

    // ---- preferences and tips ----
    // The preferences window on a machine with two serial devices, a voice engine or not.
    std::unique_ptr<frmPrefs> prefs(bool voice = false, const QString& programDir = {}) {
        frmPrefs::Services s;
        s.serialDevices = [] { return QStringList{"/dev/ttyS0", "/dev/ttyUSB0"}; };
        s.voiceAvailable = [voice] { return voice; };
        s.programDir = programDir;
        auto w = std::make_unique<frmPrefs>(s);
        w->show();
        return w;
    }
    // A tips file of count tips with blank lines after every third.
    void writeTips(int count) {
        QByteArray text;
        for (int i = 1; i <= count; ++i)
            text += "Tip number " + QByteArray::number(i) + (i % 3 ? ".\r\n" : ".\n\n   \n");
        writeFile(QDir(dir.path()).filePath(QStringLiteral("MyTips.txt")), text);
        PutConfig("General", "TipFile", "MyTips.txt");
    }
    std::unique_ptr<frmTip> openTips() {
        frmTip::Options options;
        options.programDir = dir.path();
        auto w = std::make_unique<frmTip>(options);
        w->show();
        return w;
    }

    test::TempConfigHome home;
    sim::SimServer sim;
    platform::ScriptedPrompts prompts;
    std::unique_ptr<frmSite> window;
    QTemporaryDir dir;
    QList<QUrl> opened;
    bool openerWorks = true;
    int beeps = 0, whatsVis = 0, scopeCoords = 0, standby = 0;
};

class SiteEditorTest : public SetupTest {
protected:
    void SetUp() override {
        SetupTest::SetUp();
        connectSimulator();
    }
};

// ---- the site editor: opening ----

TEST_F(SiteEditorTest, OpeningSelectsTheStoredSiteNamedInSite4) {
    frmSite& w = opened4("AAC");
    EXPECT_EQ(heard(), (Commands{"W4", "GP"}));
    EXPECT_TRUE(prompts.messages.empty());
    EXPECT_EQ(w.cbSite->currentText(), "Munich, Germany");
    EXPECT_EQ(w.SiteId, "AAC");
    EXPECT_EQ(fields(w), (QStringList{"N  48° 08'", "E 011° 34'", "-01"}));
    EXPECT_FALSE(w.UnsavedChanges || w.PendingScopeLoad);
    EXPECT_EQ(enabled(w), "Set Delete");
    EXPECT_EQ(w.lblUTCOffset->text(),
              QStringLiteral("+/- hh STANDARD time offset, +west Your TZ = America/Denver"));

    celest32::SetClockOverride(Summer);
    frmSite& summer = opened4("AAA");
    EXPECT_TRUE(summer.DstActive);
    EXPECT_TRUE(summer.lblUTCOffset->text().endsWith(QStringLiteral(" (currently DST)")));
}

// "ZZZ" (set by SetLocation, or by Set for data that is not a stored site) matches no record.
TEST_F(SiteEditorTest, Site4NamedZZZMatchesNothingAndSite1IsLoaded) {
    sim.withModel([](sim::LX200Model& m) {
        m.setSite(1, {"HOME", -(33.0 + 52.0 / 60.0), 360.0 - (151.0 + 13.0 / 60.0)});
        m.setUtcOffsetHours(-10);
    });
    frmSite& w = opened4("ZZZ");
    EXPECT_EQ(heard(), (Commands{"W4", "GP", "W1", "GP", "Gt", "Gg", "GG", "W4"}));
    EXPECT_EQ(w.cbSite->currentIndex(), -1);
    EXPECT_EQ(w.SiteId, "");
    EXPECT_EQ(fields(w), (QStringList{"S  33° 52'", "E 151° 13'", "-10"}));
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_TRUE(prompts.messages[0].text.startsWith(
        "The scope's site settings don't match any of our sites. The scope's current "));
    EXPECT_EQ(prompts.messages[0].icon, MsgIcon::Information);
    EXPECT_TRUE(w.UnsavedChanges && w.PendingScopeLoad);
    EXPECT_EQ(enabled(w), ""); // no name yet
}

// A port that is not open is no telescope, also for a modal run; a lost link has been reported
// by the main window's standby already, so the editor closes without a word.
TEST_F(SiteEditorTest, NoTelescopeClosesTheEditor) {
    com1().close();
    frmSite& closedPort = opened4("AAA");
    EXPECT_EQ(messageTexts(), QStringList{NoScope});
    EXPECT_EQ(prompts.messages[0].icon, MsgIcon::Critical);
    EXPECT_FALSE(shown(closedPort));
    prompts.messages.clear();
    window = std::make_unique<frmSite>();
    // A run left waiting would end by the timer, accepted.
    QTimer::singleShot(5000, window.get(),
                       [&] { static_cast<QDialog*>(window.get())->done(QDialog::Accepted); });
    EXPECT_EQ(window->exec(), QDialog::Rejected);
    EXPECT_EQ(messageTexts(), QStringList{NoScope});

    int port = 0;
    ASSERT_TRUE(ConnectScope(port, false));
    sim.stopAnswering(true);
    frmSite& lost = opened4("AAA");
    EXPECT_EQ(messageTexts(), QStringList{});
    EXPECT_EQ(standby, 1);
    EXPECT_FALSE(shown(lost));
}

TEST_F(SetupTest, MissingSitesOrCamerasSectionEndsTheProgram) {
    connectSimulator();
    const QString ini = dir.filePath(QStringLiteral("Teleon.ini"));
    writeFile(ini, "[General]\nNextSiteNum=AAA\n[Optics]\nScope=A\n[Scopes]\nA=200 10\n"
                   "[Eyepieces]\nB=26 52\n");
    SetConfigDefaultPath(ini);
    test::TempConfigHome fresh; // no store yet: it is made from the file above
    ResetConfigRoot();
    frmSite site;
    EXPECT_THROW(site.Form_Load(), platform::ProgramEnded);
    frmOptics optics;
    EXPECT_THROW(optics.Form_Load(), platform::ProgramEnded);
    EXPECT_EQ(messageTexts(), (QStringList{"Failed to find \"sites\" section in registry",
                                           "Failed to find Cameras section in registry"}));
}

// ---- the site editor: fields ----

// The hemisphere letter or sign has to come first; Set and Save follow the field checks.
TEST_F(SiteEditorTest, FieldsTakeTheHemisphereFirstAndTheButtonsFollowTheChecks) {
    frmSite& w = opened4("AAA");
    w.mskLat->clear();
    EXPECT_EQ(beeps, 0); // an empty field is no mistake
    type(w.mskLat, "3");
    EXPECT_EQ(beeps, 1);
    EXPECT_EQ(w.mskLat->cursorPosition(), 0);
    retype(w.mskLong, "N");
    retype(w.mskGMT, "7");
    EXPECT_EQ(beeps, 3);
    EXPECT_EQ(fields(w), EmptyFields);
    type(w.mskLat, "s0507");
    type(w.mskLong, "e01130");
    type(w.mskGMT, "+a1"); // digit positions take digits only
    EXPECT_EQ(beeps, 3);
    EXPECT_EQ(fields(w), (QStringList{"S  05° 07'", "E 011° 30'", "+1_"})); // upper-cased
    EXPECT_TRUE(w.UnsavedChanges && w.PendingScopeLoad);

    const struct {
        const char *name, *lat, *lon, *gmt;
        bool valid;
    } rows[] = {{"Pole", "N9000", "W00000", "+00", true},
                {"Pole", "N9001", "W00000", "+00", false},
                {"Here", "N4559", "W18000", "+01", false},
                {"Here", "S4559", "E17959", "-13", false},
                {"", "N3325", "W11150", "+07", false}};
    for (const auto& row : rows) {
        fill(w, row.name, row.lat, row.lon, row.gmt);
        EXPECT_EQ(enabled(w), row.valid ? "Set Save" : "") << row.name << row.lat << row.gmt;
    }
}

// ---- the site editor: Set ----

// A stored site, found at the opening or chosen from the list, is sent with its own id and
// without the question about unsaved data; "No" to a question sends nothing. Data that is not
// exactly a stored site (a new name, a changed field) asks first and names site #4 "ZZZ", never
// the id of the stored site shown before: that id stands for the stored place, which the next
// connect would send over the new one.
TEST_F(SiteEditorTest, SetSendsAStoredSiteWithItsIdAndOtherDataAsZZZ) {
    const QString offset = QStringLiteral(
        "The UTC offset for this site (-10) is different from the standard time UTC offset "
        "(+06) set for your computer. Do you want to continue?");
    const struct {
        const char* label;
        QDateTime clock;
        std::function<void(frmSite&)> edit; // none: the site found at the opening (Mesa, AAA)
        Commands sent;
        QString question; // empty: not asked
        MsgIcon icon = MsgIcon::Question;
    } rows[] = {
        {"standard time", Winter, {}, SetMesa, {}},
        {"daylight-saving time",
         Summer,
         {},
         Commands{"W4", wire("St 033ß25"), wire("Sg 111ß50"), "SG +06", "SP AAA"},
         {}},
        {"chosen, south and east, daylight-saving time", Summer,
         [](frmSite& w) { pick(w.cbSite, QStringLiteral("Sydney, Australia")); },
         Commands{"W4", wire("St -033ß52"), wire("Sg 208ß47"), "SG -11", "SP AAD"}, offset,
         MsgIcon::Exclamation},
        {"a new name typed over a stored site", Winter,
         [](frmSite& w) { fill(w, "Tucson, Arizona", "N3213", "W11056", "+07"); },
         Commands{"W4", wire("St 032ß13"), wire("Sg 110ß56"), "SG +07", "SP ZZZ"}, Unsaved},
        {"a stored site with a changed field", Winter,
         [](frmSite& w) { retype(w.mskLat, "N3326"); },
         Commands{"W4", wire("St 033ß26"), wire("Sg 111ß50"), "SG +07", "SP ZZZ"}, Unsaved},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.label);
        celest32::SetClockOverride(row.clock);
        whatsVis = scopeCoords = 0;
        frmSite& w = opened4("AAA");
        if (row.edit)
            row.edit(w);
        sim.clearLog();
        QStringList expected;
        if (!row.question.isEmpty()) {
            prompts.answers = {MsgAnswer::No};
            w.cmdSet->click();
            EXPECT_EQ(heard(), Commands{});
            EXPECT_EQ(messageTexts(), QStringList{row.question});
            EXPECT_EQ(prompts.messages[0].icon, row.icon);
            EXPECT_TRUE(shown(w));
            expected << row.question << row.question;
        }
        prompts.answers = {MsgAnswer::Yes};
        w.cmdSet->click();
        EXPECT_EQ(heard(), row.sent);
        EXPECT_EQ(messageTexts(), expected << Complete);
        EXPECT_EQ(whatsVis + scopeCoords, 2);
        EXPECT_FALSE(shown(w));
        EXPECT_EQ(site4().name, row.sent.last().mid(3));
    }
    const auto records = EnumConfigSection("Sites");
    for (const ConfigValue& record : *records)
        EXPECT_FALSE(record.second.startsWith("ZZZ")) << record.first.toStdString();
    EXPECT_EQ(GetConfig("Sites", "Mesa, Arizona"), "AAA N  33° 25' W 111° 50' +07");
}

// A refusal stops the sequence; a lost link in the display update after the last command claims
// no success either. The window closes, nothing escapes.
TEST_F(SiteEditorTest, RefusalsAndALostLinkAfterSetClaimNoSuccess) {
    const struct {
        QByteArray refused;
        int sent; // commands heard
        QString text;
    } rows[] = {{"St", 2, Indeterminate},
                {"Sg", 3, Indeterminate},
                {"SG", 4, Indeterminate},
                {"SP", 5, QStringLiteral("Failed to set the scope's site name.")}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.refused.constData());
        whatsVis = 0;
        frmSite& w = opened4("AAA");
        sim.clearLog();
        sim.refuseNext(row.refused);
        w.cmdSet->click();
        EXPECT_EQ(heard(), SetMesa.first(row.sent));
        EXPECT_EQ(messageTexts(), QStringList{row.text});
        EXPECT_EQ(prompts.messages[0].icon, MsgIcon::Critical);
        EXPECT_EQ(whatsVis, 0);
        EXPECT_FALSE(shown(w));
    }
    Hooks().UpdateWhatsVis = [] { throw LostLinkError(); };
    frmSite& w = opened4("AAA");
    sim.clearLog();
    EXPECT_NO_THROW(w.cmdSet->click());
    EXPECT_EQ(heard(), SetMesa);
    EXPECT_EQ(messageTexts(), QStringList{});
    EXPECT_FALSE(shown(w));
}

// A port that fails is said, and the window stays. A link that goes silent after "W4" has been
// reported by the main window's standby: Set ends quietly and the fields stay, to be saved or
// set again.
TEST_F(SiteEditorTest, FailedLinkDuringSetKeepsTheWindow) {
    frmSite& w = opened4("AAA");
    retype(w.mskLat, "N3326");
    com1().close();
    prompts.answers = {MsgAnswer::Yes};
    w.cmdSet->click();
    ASSERT_EQ(prompts.messages.size(), 2u);
    EXPECT_TRUE(prompts.messages[1].text.contains(QStringLiteral("site #4 may be half-written")));
    EXPECT_EQ(prompts.messages[1].icon, MsgIcon::Critical);
    EXPECT_TRUE(shown(w));

    int port = 0;
    ASSERT_TRUE(ConnectScope(port, false));
    sim.clearLog();
    sim.stopAnswering(true);
    prompts.messages.clear();
    prompts.answers = {MsgAnswer::Yes};
    w.cmdSet->click();
    EXPECT_EQ(sim.receivedCommands(), (Commands{"W4", wire("St 033ß26")}));
    EXPECT_EQ(messageTexts(), QStringList{Unsaved});
    EXPECT_EQ(standby, 1);
    EXPECT_EQ(whatsVis, 0);
    EXPECT_TRUE(shown(w));
    EXPECT_EQ(enabled(w), "Set Save");
    EXPECT_TRUE(w.cmdCancel->isEnabled());
    EXPECT_EQ(w.mskLat->displayText(), QStringLiteral("N  33° 26'"));
}

// ---- the site editor: Save, Delete, Cancel ----

// A new site gets the next id; Set sends it, and the editor opened again finds the site.
// Deleting right after saving deletes the record although its name is not in the list.
TEST_F(SiteEditorTest, SaveANewSiteStoresTheRecordWithTheNextId) {
    frmSite& w = opened4("AAA");
    fill(w, "Tucson, Arizona", "N3213", "W11056", "+07");
    w.cmdSave->click();
    EXPECT_EQ(GetConfig("Sites", "Tucson, Arizona"), "AAF N  32° 13' W 110° 56' +07");
    EXPECT_EQ(general("NextSiteNum"), "AAG");
    EXPECT_TRUE(!w.UnsavedChanges && w.PendingScopeLoad);
    EXPECT_EQ(enabled(w), "Set Delete");
    EXPECT_EQ(w.cbSite->count(), 5); // the list is rebuilt at the next opening
    EXPECT_EQ(heard(), (Commands{"W4", "GP"}));
    w.cmdDelete->click();
    EXPECT_EQ(GetConfig("Sites", "Tucson, Arizona"), "");
    EXPECT_EQ(w.SiteId, "");
    EXPECT_EQ(fields(w), EmptyFields);
    EXPECT_EQ(enabled(w), "");
    EXPECT_TRUE(prompts.messages.empty());

    fill(w, "Southern test", "S0507", "E01130", "+07");
    w.cmdSave->click();
    w.cmdSet->click();
    EXPECT_EQ(heard(), (Commands{"W4", wire("St -005ß07"), wire("Sg 348ß30"), "SG +07", "SP AAG"}));
    EXPECT_EQ(opened4(site4().name).cbSite->currentText(), "Southern test");

    // With the counter exhausted nothing is stored.
    PutConfig("General", "NextSiteNum", "ZZZ");
    fill(*window, "One too many", "N1000", "W01000", "+01");
    window->cmdSave->click();
    EXPECT_EQ(GetConfig("Sites", "One too many"), "");
    EXPECT_EQ(messageTexts(), QStringList{"WOW! You used 17,576 site names. That's it..."});
    EXPECT_EQ(enabled(*window), "Set Save");
}

// A replaced record keeps its own id, whichever site was shown: two records never share one.
// Set then sends that id without asking about unsaved data.
TEST_F(SiteEditorTest, SaveUnderAnExistingNameKeepsThatRecordsId) {
    for (const char* name : {"Mesa, Arizona", "Greenwich, England"}) {
        SCOPED_TRACE(name);
        frmSite& w = opened4("AAA"); // Mesa, AAA
        w.cbSite->setEditText(QString::fromUtf8(name));
        retype(w.mskLat, "N3326");
        w.cmdSave->click();
        const QString id = name[0] == 'M' ? "AAA" : "AAB";
        EXPECT_EQ(GetConfig("Sites", name), id + " N  33° 26' W 111° 50' +07");
        EXPECT_EQ(general("NextSiteNum"), "AAF");
        int sharing = 0;
        const auto records = EnumConfigSection("Sites");
        for (const ConfigValue& value : *records)
            sharing += value.second.startsWith(id) ? 1 : 0;
        EXPECT_EQ(sharing, 1);
        sim.clearLog();
        w.cmdSet->click();
        EXPECT_EQ(heard().last(), "SP " + id.toLatin1());
        EXPECT_EQ(messageTexts(), QStringList{Complete});
    }
}

TEST_F(SiteEditorTest, DeleteRemovesTheChosenSite) {
    frmSite& w = opened4("AAA");
    sim.clearLog();
    pick(w.cbSite, "Greenwich, England");
    w.cmdDelete->click();
    EXPECT_EQ(GetConfig("Sites", "Greenwich, England"), "");
    EXPECT_EQ(GetConfig("Sites", "Mesa, Arizona"), "AAA N  33° 25' W 111° 50' +07");
    EXPECT_EQ(w.cbSite->count(), 4);
    EXPECT_TRUE(w.cbSite->currentIndex() == -1 && w.cbSite->currentText().isEmpty());
    EXPECT_EQ(fields(w), EmptyFields);
    EXPECT_TRUE(prompts.messages.empty()); // no confirmation question
    EXPECT_EQ(heard(), Commands{});
}

TEST_F(SiteEditorTest, CancelAsksOnlyWhenChangesAreNotInTheTelescope) {
    frmSite& w = opened4("AAA");
    w.cmdCancel->click();
    EXPECT_TRUE(prompts.messages.empty());
    EXPECT_FALSE(shown(w));

    frmSite& again = opened4("AAA");
    sim.clearLog();
    pick(again.cbSite, "Greenwich, England");
    prompts.answers = {MsgAnswer::No};
    again.cmdCancel->click();
    EXPECT_EQ(messageTexts(), QStringList{"You have made changes to site info. Do you want to "
                                          "quit without loading the changes into the scope?"});
    EXPECT_EQ(prompts.messages[0].icon, MsgIcon::Question);
    EXPECT_TRUE(shown(again));
    prompts.answers = {MsgAnswer::Yes};
    again.cmdCancel->click();
    EXPECT_FALSE(shown(again));
    EXPECT_EQ(heard(), Commands{});
}

// ---- optics ----

// 254 10 (focal length 2540) with eyepiece 26 52, and with camera 8.6 6.5 whose "SF" the
// telescope refuses: stored and published all the same.
TEST_F(SetupTest, OpticsStoresAndSendsTheFieldRadius) {
    const struct {
        const char *second, *sent, *mag, *field;
        bool refused;
        const char* stored; // "Radius", "Width", "Height", "RectFOV"
    } rows[] = {
        {"26 mm test", "SF 016", "97.7", "31.9", false, "15.969 31.937 31.937 False"},
        {"Chip test", "SF 004", "n/a", "11.6 x 8.8", true, "4.393 11.625 8.786 True"},
    };
    connectSimulator();
    for (const auto& row : rows) {
        SCOPED_TRACE(row.second);
        prompts.messages.clear();
        if (row.refused)
            sim.refuseNext("SF");
        frmOptics w;
        w.show();
        EXPECT_EQ(w.cbScope->currentText(), optics("Scope")); // the stored selection
        pick(w.cbScope, QStringLiteral("10-inch f/10 test"));
        pick(w.cbEyepiece, QLatin1String(row.second));
        EXPECT_EQ(w.lblMag->text(), QLatin1String(row.mag));
        EXPECT_EQ(w.lblField->text(), QLatin1String(row.field));
        w.cmdOK->click();
        EXPECT_EQ(heard(), Commands{row.sent});
        int scopeRadius = -1;
        sim.withModel([&](sim::LX200Model& m) { scopeRadius = m.fieldRadiusArcmin(); });
        EXPECT_EQ(scopeRadius, 16); // the refused 4 not taken
        EXPECT_EQ(optics({"Scope", "Eyepiece", "Mag"}),
                  QStringLiteral("10-inch f/10 test ") + row.second + u' ' + row.mag);
        EXPECT_EQ(optics({"Radius", "Width", "Height", "RectFOV"}), QLatin1String(row.stored));
        EXPECT_NEAR(FieldRadius, optics("Radius").toDouble(), 5e-4); // as stored, to the digit
        EXPECT_EQ(RectField, row.refused);
        EXPECT_FALSE(w.isVisible());
        if (row.refused) {
            ASSERT_EQ(messageTexts(), QStringList{"Failed to set the FIELD radius."});
            EXPECT_EQ(prompts.messages[0].icon, MsgIcon::Critical);
            EXPECT_EQ(prompts.messages[0].buttons, MsgButtons::OKCancel);
        } else {
            EXPECT_TRUE(prompts.messages.empty());
        }
    }
}

// OK with no telescope selected (its stored name is gone) sends 0; Cancel sends and stores
// nothing.
TEST_F(SetupTest, OpticsWithoutASelectionSendsZeroAndCancelNothing) {
    connectSimulator();
    PutConfig("Optics", "Scope", "A telescope sold long ago");
    FieldRadius = 60;
    frmOptics w;
    w.show();
    EXPECT_EQ(w.cbScope->currentIndex(), -1);
    w.cmdOK->click();
    EXPECT_EQ(heard(), Commands{"SF 000"});
    const QString stored = QStringLiteral("A telescope sold long ago 0.000 "); // name kept
    EXPECT_EQ(optics({"Scope", "Radius", "Mag"}), stored);
    EXPECT_EQ(FieldRadius, 0.0);

    auto cancelled = testOptics();
    cancelled->cmdCancel->click();
    EXPECT_EQ(heard(), Commands{});
    EXPECT_EQ(optics({"Scope", "Radius", "Mag"}), stored);
    EXPECT_FALSE(cancelled->isVisible());
}

TEST_F(SetupTest, OpticsMissingOrBadRecordKeepsThePreviousField) {
    PutConfig("Eyepieces", "Empty", "");
    PutConfig("Eyepieces", "Garbled", "twenty");
    auto w = testOptics();
    pick(w->cbEyepiece, QStringLiteral("Empty"));
    EXPECT_EQ(messageTexts(), QStringList{"Failed to find optics data."});
    EXPECT_EQ(prompts.messages[0].buttons, MsgButtons::OKCancel);
    pick(w->cbEyepiece, QStringLiteral("Garbled"));
    ASSERT_EQ(prompts.messages.size(), 2u);
    EXPECT_TRUE(prompts.messages[1].text.contains(QStringLiteral("\"twenty\"")));
    EXPECT_EQ(w->lblMag->text() + u' ' + w->lblField->text(), "97.7 31.9");
    EXPECT_NEAR(w->radiusArcmin(), 15.97, 0.005);
}

// A port that is not open is said once; a lost link has been said by the main window's standby.
// The values are stored either way and the window closes.
TEST_F(SetupTest, OpticsWithoutTheTelescopeStillStores) {
    for (const bool lost : {false, true}) {
        SCOPED_TRACE(lost ? "lost link" : "port not open");
        prompts.messages.clear();
        if (lost) {
            connectSimulator();
            sim.stopAnswering(true);
        }
        auto w = testOptics();
        w->cmdOK->click();
        EXPECT_EQ(optics("Mag"), "97.7");
        EXPECT_EQ(prompts.messages.size(), lost ? 0u : 1u);
        EXPECT_EQ(standby, lost ? 1 : 0);
        EXPECT_FALSE(w->isVisible());
    }
}

// ---- preferences ----

TEST_F(SetupTest, PrefsTiltUpLimitQuestion) {
    const struct {
        const char* typed;
        bool asks;
        MsgAnswer answer;
        const char* stored; // nullptr: nothing saved, the window stays
    } rows[] = {
        {"0", false, MsgAnswer::Yes, "0"},      {"45", false, MsgAnswer::Yes, "45"},
        {"30", true, MsgAnswer::Yes, "30"},     {"30", true, MsgAnswer::No, nullptr},
        {"44,5", true, MsgAnswer::Yes, "44.5"}, {"-5", true, MsgAnswer::No, nullptr},
        {"", false, MsgAnswer::Yes, "0"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.typed);
        PutConfig("General", "UpLimit", "untouched");
        PutConfig("General", "ComPort", "2");
        TiltUpLimit = 70;
        prompts.messages.clear();
        prompts.answers = {row.answer};
        auto w = prefs();
        QSignalSpy changed(w.get(), &frmPrefs::portChanged);
        w->cbComPort->setCurrentText(QStringLiteral("5"));
        w->txtTiltUp->setText(QLatin1String(row.typed));
        w->cmdOK->click();
        const QString question = QStringLiteral("Are you sure you want to limit tilt-up to ") +
                                 QLatin1String(row.stored ? row.stored : row.typed) +
                                 QStringLiteral(" degrees?");
        EXPECT_EQ(messageTexts(), row.asks ? QStringList{question} : QStringList{});
        EXPECT_EQ(w->isVisible(), !row.stored);
        EXPECT_EQ(changed.count(), row.stored ? 1 : 0);
        EXPECT_EQ(general("UpLimit"), QLatin1String(row.stored ? row.stored : "untouched"));
        EXPECT_EQ(general("ComPort"), row.stored ? "5" : "2");
        EXPECT_EQ(TiltUpLimit, row.stored ? QString::fromLatin1(row.stored).toDouble() : 70.0);
        EXPECT_TRUE(w->cmdOK->isEnabled());
    }

    auto notANumber = prefs();
    notANumber->txtTiltUp->setText(QStringLiteral("high"));
    notANumber->cmdOK->click();
    EXPECT_EQ(prompts.messages.back().icon, MsgIcon::Exclamation);
    EXPECT_TRUE(notANumber->isVisible());
}

// A limit set while connected holds for the very next slew: a polar telescope's target at
// declination 80 is refused at a limit of 60 before any "MS" is sent.
TEST_F(SetupTest, PrefsTiltUpLimitHoldsForTheNextSlew) {
    connectSimulator();
    AlignmentMode = QStringLiteral("P");
    sim.withModel([](sim::LX200Model& m) { m.setTarget(2.0, 80.0); });
    auto w = prefs();
    w->txtTiltUp->setText(QStringLiteral("60"));
    w->cmdOK->click();
    EXPECT_EQ(TiltUpLimit, 60.0);
    EXPECT_FALSE(SlewToTarget(false, false));
    EXPECT_EQ(heard(), Commands{"Gd"});
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_TRUE(prompts.messages[0].text.contains(QStringLiteral("tilt-up limit")));
}

TEST_F(SetupTest, PrefsPortChangeWhileDisconnectedChoosesThePort) {
    PutConfig("General", "ComPort", "3");
    auto w = prefs();
    EXPECT_EQ(w->cbComPort->currentText(), "3");
    QSignalSpy changed(w.get(), &frmPrefs::portChanged);
    w->cbComPort->setCurrentText(QStringLiteral("/dev/ttyUSB0"));
    w->cmdOK->click();
    EXPECT_EQ(general("ComPort"), "/dev/ttyUSB0");
    EXPECT_EQ(CommPort().devicePath, "/dev/ttyUSB0");
    EXPECT_FALSE(com1().isOpen());
    ASSERT_EQ(changed.count(), 1);
    EXPECT_EQ(changed.at(0).at(0).toString(), "/dev/ttyUSB0");

    auto numbered = prefs();
    numbered->cbComPort->setCurrentIndex(3); // "4"
    numbered->cmdOK->click();
    EXPECT_EQ(CommPort().devicePath, "/dev/ttyS3");
}

// While connected the main window takes up the new port. When the link is lost there, the main
// window's standby says so: the window stores everything, says nothing more and closes.
TEST_F(SetupTest, PrefsWhileConnectedLeavesThePortToTheMainWindow) {
    connectSimulator();
    auto w = prefs();
    QSignalSpy changed(w.get(), &frmPrefs::portChanged);
    w->cbComPort->setCurrentText(QStringLiteral("Simulator"));
    w->cmdOK->click();
    ASSERT_EQ(changed.count(), 1);
    EXPECT_EQ(changed.at(0).at(0).toString(), "Simulator");
    EXPECT_TRUE(com1().isOpen()); // the old link until the main window connects again
    EXPECT_EQ(CommPort().devicePath, sim.devicePath());

    auto lost = prefs();
    QObject::connect(lost.get(), &frmPrefs::portChanged, [] { throw LostLinkError(); });
    lost->txtTiltUp->setText(QStringLiteral("50"));
    EXPECT_NO_THROW(lost->cmdOK->click());
    EXPECT_TRUE(prompts.messages.empty());
    EXPECT_EQ(general("UpLimit"), "50");
    EXPECT_EQ(TiltUpLimit, 50.0);
    EXPECT_FALSE(lost->isVisible());
    EXPECT_TRUE(lost->cmdOK->isEnabled() && lost->cmdCancel->isEnabled());
}

TEST_F(SetupTest, PrefsVoiceSettings) {
    PutConfig("General", "AgentCharPath", "");
    PutConfig("General", "AgentEnabled", "1");
    auto w = prefs(true, dir.path());
    const QString character = dir.filePath(QStringLiteral("Pulsaro.acs"));
    EXPECT_EQ(general("AgentCharPath"), character); // written at once
    EXPECT_TRUE(w->chkAgent->isChecked());
    EXPECT_EQ(w->txtAgentPath->text(), character);
    EXPECT_FALSE(w->voiceSettingsChanged());
    prompts.files = {QStringLiteral("/home/observer/voices/guide.acs")};
    w->cmdBrowse->click();
    w->chkAgent->click(); // off
    EXPECT_FALSE(w->txtAgentPath->isEnabled() || w->cmdBrowse->isEnabled());
    w->cmdOK->click();
    EXPECT_EQ(general("AgentEnabled"), "0");
    EXPECT_EQ(general("AgentCharPath"), "/home/observer/voices/guide.acs");
    EXPECT_EQ(messageTexts(), QStringList{"Changes made to the Voice settings will not take "
                                          "effect until the program is restarted"});

    // Without a voice engine the stored voice settings are kept, and nothing is said.
    prompts.messages.clear();
    auto noVoice = prefs(false);
    EXPECT_FALSE(noVoice->chkAgent->isEnabled());
    noVoice->cmdOK->click();
    EXPECT_EQ(general("AgentCharPath"), "/home/observer/voices/guide.acs");
    EXPECT_TRUE(prompts.messages.empty());
}

// ---- tips, the clock notice and the documentation ----

TEST_F(SetupTest, TipsSkipBlankLinesWrapStoreTheirSettingsAndMayBeMissing) {
    writeTips(10);
    PutConfig("General", "CurrentTip", "10");
    PutConfig("General", "StartupTips", "1");
    auto w = openTips();
    EXPECT_EQ(w->tips().size(), 10);
    EXPECT_EQ(w->lblTipText->text(), "Tip number 1.");
    EXPECT_EQ(general("CurrentTip"), "1");
    w->cmdNextTip->click();
    EXPECT_EQ(w->lblTipText->text(), "Tip number 2.");
    EXPECT_EQ(general("CurrentTip"), "2");
    EXPECT_TRUE(w->chkLoadTipsAtStartup->isChecked());
    w->chkLoadTipsAtStartup->click();
    EXPECT_EQ(general("StartupTips"), "0");

    // A missing file says how to make one.
    PutConfig("General", "TipFile", "Missing.txt");
    PutConfig("General", "CurrentTip", "5");
    auto missing = openTips();
    EXPECT_TRUE(missing->tips().isEmpty());
    EXPECT_EQ(missing->lblTipText->text(),
              "That the Missing.txt file was not found? \n\nCreate a text file named Missing.txt "
              "using a text editor with 1 tip per line. Then place it in the same directory as "
              "the application. ");
    missing->cmdNextTip->click(); // nothing to show, nothing changed
    EXPECT_EQ(general("CurrentTip"), "5");

    // The shipped tips when there are none beside the program.
    PutConfig("General", "TipFile", "Tips.txt");
    auto shipped = openTips();
    EXPECT_GE(shipped->tips().size(), 20);
}

TEST_F(SetupTest, TimeAlertBoxSetsAndClearsBitZero) {
    const int rows[][2] = {{0, 1}, {6, 7}, {1, 0}, {7, 6}}; // AlertFlags before and after
    for (const auto& row : rows) {
        AlertFlags = row[0];
        beeps = 0;
        frmTimeAlert w;
        w.show();
        EXPECT_EQ(beeps, 1);
        EXPECT_EQ(w.chkDontShow->isChecked(), (row[0] & 1) != 0) << row[0];
        w.chkDontShow->click();
        EXPECT_EQ(AlertFlags, row[1]);
        EXPECT_EQ(general("AlertFlags"), QString::number(row[1]));
    }
}

// The compiled-in manual when none is beside the program, the one beside it first; no browser
// is said.
TEST_F(SetupTest, DocumentationAndTheBrowser) {
    ASSERT_TRUE(OpenDocumentation(dir.path()));
    ASSERT_EQ(opened.size(), 1);
    QFile manual(opened[0].toLocalFile());
    ASSERT_TRUE(manual.open(QIODevice::ReadOnly));
    const QByteArray html = manual.readAll();
    EXPECT_TRUE(html.contains("id=\"sites\""));
    ASSERT_TRUE(QDir(dir.path()).mkpath(QStringLiteral("doc")));
    writeFile(dir.filePath(QStringLiteral("doc/index.html")), "<html/>");
    EXPECT_EQ(FindManual(dir.path()),
              QFileInfo(dir.filePath(QStringLiteral("doc/index.html"))).canonicalFilePath());
    EXPECT_TRUE(prompts.messages.empty());

    openerWorks = false;
    EXPECT_FALSE(OpenDocumentInBrowser(HomePageUrl));
    EXPECT_EQ(opened.last(), QUrl(HomePageUrl));
    EXPECT_EQ(messageTexts(), QStringList{"It doesn't appear that you have a web browser "
                                          "installed on your system."});
}

} // namespace
} // namespace teleon
