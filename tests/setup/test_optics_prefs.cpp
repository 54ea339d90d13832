// Optics and field of view, preferences, tips, the clock notice and the about window: the field
// of a telescope with an eyepiece or a camera and the exact "SF" bytes the simulated telescope
// receives, the tilt-up question, the port list, tips with blank lines and wrapping, the
// AlertFlags bit of the clock notice, the store keys written, and the documentation opener.
#include "console/Registry.h"
#include "link/Channel.h"
#include "link/Commands.h"
#include "link/ProgramState.h"
#include "link/ScopeIntfc.h"
#include "platform/OpenDocument.h"
#include "platform/Prompts.h"
#include "platform/SerialDevices.h"
#include "setup/Optics.h"
#include "setup/SetupWindows.h"
#include "setup/Tips.h"
#include "setup/frmAbout.h"
#include "setup/frmOptics.h"
#include "setup/frmPrefs.h"
#include "setup/frmTip.h"
#include "sim/LX200Model.h"
#include "sim/SimServer.h"
#include "support/TestSupport.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QTimer>
#include <QUrl>
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>

namespace teleon {
namespace {

using Commands = QList<QByteArray>;
using platform::MsgAnswer;
using platform::MsgButtons;
using platform::MsgIcon;

const QString Title = QStringLiteral("LX-200 Vantor");
const QString General = QStringLiteral("General");
const QString Optics = QStringLiteral("Optics");

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << path.toStdString();
    f.write(bytes);
}

// ---- the field of view: the worked examples and the edges ----

TEST(OpticsField, EyepieceOnA2540mmTelescope) {
    // 254 10: focal length 2540; a 26 mm eyepiece of 52 degrees apparent field.
    const double focal = ScopeFocalLength(ParseOpticsRecord(QStringLiteral("254 10")));
    EXPECT_DOUBLE_EQ(focal, 2540.0);
    const TrueFieldResult r = EyepieceField(focal, ParseOpticsRecord(QStringLiteral("26 52")));
    EXPECT_EQ(r.magText, QStringLiteral("97.7"));
    EXPECT_NEAR(r.radiusArcmin, 15.97, 0.005);
    EXPECT_DOUBLE_EQ(r.widthArcmin, 2 * r.radiusArcmin);
    EXPECT_DOUBLE_EQ(r.heightArcmin, r.widthArcmin);
    EXPECT_FALSE(r.rectangular);
    EXPECT_EQ(r.fieldText, QStringLiteral("31.9"));
    EXPECT_EQ(FieldRadiusArgument(r.radiusArcmin), QStringLiteral("016"));
}

TEST(OpticsField, CameraOnA2540mmTelescope) {
    const TrueFieldResult r = CameraField(2540.0, ParseOpticsRecord(QStringLiteral("8.6 6.5")));
    EXPECT_NEAR(r.widthArcmin, 11.6, 0.05);
    EXPECT_NEAR(r.heightArcmin, 8.8, 0.05);
    EXPECT_NEAR(r.radiusArcmin, 4.39, 0.005);
    EXPECT_TRUE(r.rectangular);
    EXPECT_EQ(r.magText, QStringLiteral("n/a"));
    EXPECT_EQ(r.fieldText, QStringLiteral("11.6 x 8.8"));
    EXPECT_EQ(FieldRadiusArgument(r.radiusArcmin), QStringLiteral("004"));
}

TEST(OpticsField, RadiusArgumentRoundsHalvesToEven) {
    const struct {
        double radius;
        const char* text;
    } rows[] = {{0.0, "000"},   {0.49, "000"},  {0.5, "000"},   {1.5, "002"},
                {2.5, "002"},   {3.5, "004"},   {15.97, "016"}, {60.0, "060"},
                {4.393, "004"}, {998.5, "998"}, {999.49, "999"}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.radius);
        EXPECT_EQ(FieldRadiusArgument(row.radius), QLatin1String(row.text));
    }
    for (double bad : {-0.1, 999.5, 1e6, std::numeric_limits<double>::quiet_NaN(),
                       std::numeric_limits<double>::infinity()})
        EXPECT_THROW(FieldRadiusArgument(bad), OpticsDataError) << bad;
}

TEST(OpticsField, OneDecimalHasNoLeadingZero) {
    EXPECT_EQ(FormatOneDecimal(97.69), QStringLiteral("97.7"));
    EXPECT_EQ(FormatOneDecimal(0.44), QStringLiteral(".4"));
    EXPECT_EQ(FormatOneDecimal(0.0), QStringLiteral(".0"));
    EXPECT_EQ(FormatOneDecimal(12.25), QStringLiteral("12.3")); // half away from zero
    EXPECT_EQ(FormatOneDecimal(203.2), QStringLiteral("203.2"));
}

TEST(OpticsField, RecordsThatAreNotTwoPositiveNumbers) {
    EXPECT_DOUBLE_EQ(ParseOpticsRecord(QStringLiteral("304,8 10")).first, 304.8);
    EXPECT_DOUBLE_EQ(ParseOpticsRecord(QStringLiteral(" 12.4  52 ")).second, 52.0);
    for (const char* bad :
         {"", "254", "254 ", "abc 10", "254 ten", "0 10", "254 -1", "254 0", "1e999 10"}) {
        SCOPED_TRACE(bad);
        EXPECT_THROW(ParseOpticsRecord(QLatin1String(bad)), OpticsDataError);
    }
}

// ---- tips ----

TEST(Tips, BlankLinesAreSkipped) {
    const QString text = QStringLiteral("First tip.\n\n   \r\nSecond tip.\r\n\t\nThird tip.\n\n");
    EXPECT_EQ(ParseTips(text),
              (QStringList{QStringLiteral("First tip."), QStringLiteral("Second tip."),
                           QStringLiteral("Third tip.")}));
    EXPECT_TRUE(ParseTips(QStringLiteral("\n\n \n")).isEmpty());
    EXPECT_TRUE(ParseTips(QString()).isEmpty());
}

TEST(Tips, NextTipWrapsAfterTheLast) {
    EXPECT_EQ(NextTipNumber(10, 10), 1);
    EXPECT_EQ(NextTipNumber(0, 10), 1);
    EXPECT_EQ(NextTipNumber(3, 10), 4);
    EXPECT_EQ(NextTipNumber(9, 10), 10);
    EXPECT_EQ(NextTipNumber(25, 10), 1); // a stored number beyond a shorter new file
    EXPECT_EQ(NextTipNumber(-4, 10), 1);
    EXPECT_EQ(NextTipNumber(3, 0), 0);
}

TEST(Tips, TheShippedFileHasRealTipsAndNoBlankOnes) {
    QTemporaryDir empty;
    const auto path = FindTipsFile(QStringLiteral("Tips.txt"), empty.path());
    ASSERT_TRUE(path.has_value());
    EXPECT_TRUE(path->startsWith(u':')); // nothing beside the program: the compiled-in copy
    const auto tips = ReadTipsFile(*path);
    ASSERT_TRUE(tips.has_value());
    EXPECT_GE(tips->size(), 20);
    for (const QString& tip : *tips) {
        EXPECT_FALSE(tip.trimmed().isEmpty());
        EXPECT_GT(tip.size(), 30) << tip.toStdString();
    }
    EXPECT_FALSE(FindTipsFile(QString(), empty.path()).has_value());
    EXPECT_FALSE(FindTipsFile(QStringLiteral("NoSuchTips.txt"), empty.path()).has_value());
    EXPECT_FALSE(ReadTipsFile(QString()).has_value());
    EXPECT_FALSE(ReadTipsFile(empty.filePath(QStringLiteral("missing.txt"))).has_value());
}

// ---- serial devices and the port list ----

TEST(SerialDevices, ListsTheDeviceGroupsInNumericOrder) {
    QTemporaryDir dev;
    for (const char* name :
         {"ttyS10", "ttyS2", "ttyUSB1", "ttyUSB0", "ttyACM0", "ttyX", "ttyUSBa", "ttyS", "null"})
        writeFile(dev.filePath(QLatin1String(name)), {});
    ASSERT_TRUE(QDir(dev.path()).mkpath(QStringLiteral("serial/by-id")));
    writeFile(dev.filePath(QStringLiteral("serial/by-id/usb-Adapter_B-if00")), {});
    writeFile(dev.filePath(QStringLiteral("serial/by-id/usb-Adapter_A-if00")), {});
    const QStringList expected = {
        dev.filePath(QStringLiteral("ttyS2")),
        dev.filePath(QStringLiteral("ttyS10")),
        dev.filePath(QStringLiteral("ttyUSB0")),
        dev.filePath(QStringLiteral("ttyUSB1")),
        dev.filePath(QStringLiteral("ttyACM0")),
        dev.filePath(QStringLiteral("serial/by-id/usb-Adapter_A-if00")),
        dev.filePath(QStringLiteral("serial/by-id/usb-Adapter_B-if00")),
    };
    EXPECT_EQ(platform::ListSerialDevices(dev.path()), expected);
    EXPECT_TRUE(platform::ListSerialDevices(dev.filePath(QStringLiteral("nowhere"))).isEmpty());
}

TEST(PortList, NumberedPortsThenDevicesThenSimulator) {
    const QStringList devices = {QStringLiteral("/dev/ttyS0"),
                                 QStringLiteral("/dev/ttyS7"),
                                 QStringLiteral("/dev/ttyS8"),
                                 QStringLiteral("/dev/ttyUSB0"),
                                 QStringLiteral("/dev/serial/by-id/usb-FTDI-if00"),
                                 QStringLiteral("/dev/ttyUSB0")};
    EXPECT_EQ(PortListEntries(devices),
              (QStringList{"1", "2", "3", "4", "5", "6", "7", "8", "/dev/ttyS8", "/dev/ttyUSB0",
                           "/dev/serial/by-id/usb-FTDI-if00", "Simulator"}));
    EXPECT_EQ(PortListEntries({}),
              (QStringList{"1", "2", "3", "4", "5", "6", "7", "8", "Simulator"}));
}

// ---- windows with a store (and the telescope where they talk to it) ----

class SetupWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetProgramState();
        ResetConfigRoot();
        platform::setPrompts(&prompts);
        platform::setEndProgramHandler(platform::throwProgramEnded);
        platform::setDocumentOpener([this](const QUrl& url) {
            opened << url;
            return openerWorks;
        });
        Hooks() = LinkHooks{};
        Hooks().Beep = [this] { ++beeps; };
        // The instruments of the worked examples beside the shipped ones.
        PutConfig(QStringLiteral("Scopes"), QStringLiteral("10-inch f/10 test"),
                  QStringLiteral("254 10"));
        PutConfig(QStringLiteral("Eyepieces"), QStringLiteral("26 mm test"),
                  QStringLiteral("26 52"));
        PutConfig(QStringLiteral("Cameras"), QStringLiteral("Chip test"),
                  QStringLiteral("8.6 6.5"));
    }
    void TearDown() override {
        com1().close();
        platform::setPrompts(nullptr);
        platform::setEndProgramHandler(nullptr);
        platform::setDocumentOpener({});
        SetReplyTimeoutMs(20000);
        Hooks() = LinkHooks{};
        ResetProgramState();
        ResetConfigRoot();
        SetConfigDefaultPath(QString());
    }
    void connectSimulator() {
        sim.start();
        com1().close();
        SetCommPort({sim.devicePath(), 0, QStringLiteral("COM3")});
        SetReplyTimeoutMs(500);
        int port = 0;
        ASSERT_TRUE(ConnectScope(port, true));
        sim.clearLog();
    }
    // Everything the telescope heard since the last clearLog; a "GR" answered last proves
    // that every earlier command has arrived.
    QByteArray heardBytes() {
        SendCommandString(lx::GetRA);
        QByteArray bytes = sim.receivedBytes();
        EXPECT_TRUE(bytes.endsWith("#:GR#"));
        bytes.chop(5);
        sim.clearLog();
        return bytes;
    }
    int scopeFieldRadius() {
        int r = -1;
        sim.withModel([&](sim::LX200Model& m) { r = m.fieldRadiusArcmin(); });
        return r;
    }
    QString optics(const char* key) { return GetConfig(Optics, QLatin1String(key)); }
    void select(QComboBox* list, const QString& text) {
        const int i = list->findText(text);
        ASSERT_GE(i, 0) << text.toStdString();
        list->setCurrentIndex(i);
    }

    test::TempConfigHome home;
    platform::ScriptedPrompts prompts;
    sim::SimServer sim;
    QList<QUrl> opened;
    bool openerWorks = true;
    int beeps = 0;
};

// ---- optics window ----

TEST_F(SetupWindowTest, OpticsEyepieceStoresAndSendsTheFieldRadius) {
    connectSimulator();
    frmOptics w;
    w.show();
    EXPECT_EQ(w.objectName(), QStringLiteral("frmOptics"));
    // The shipped selection comes up selected and computed.
    EXPECT_EQ(w.cbScope->currentText(), QStringLiteral("8-inch f/10 SCT"));
    EXPECT_EQ(w.cbEyepiece->currentText(), QStringLiteral("26 mm Plossl"));
    EXPECT_EQ(w.lblMag->text(), QStringLiteral("76.9"));
    select(w.cbScope, QStringLiteral("10-inch f/10 test"));
    select(w.cbEyepiece, QStringLiteral("26 mm test"));
    EXPECT_EQ(w.lblMag->text(), QStringLiteral("97.7"));
    EXPECT_EQ(w.lblField->text(), QStringLiteral("31.9"));
    EXPECT_NEAR(w.radiusArcmin(), 15.97, 0.005);
    w.cmdOK->click();
    EXPECT_EQ(heardBytes(), QByteArray("#:SF 016#"));
    EXPECT_EQ(scopeFieldRadius(), 16);
    EXPECT_EQ(optics("Scope"), QStringLiteral("10-inch f/10 test"));
    EXPECT_EQ(optics("Eyepiece"), QStringLiteral("26 mm test"));
    EXPECT_EQ(optics("Radius"), QStringLiteral("15.969")); // 40560 / 2540
    EXPECT_EQ(optics("Width"), QStringLiteral("31.937"));
    EXPECT_EQ(optics("Height"), QStringLiteral("31.937"));
    EXPECT_EQ(optics("RectFOV"), QStringLiteral("False"));
    EXPECT_EQ(optics("Mag"), QStringLiteral("97.7"));
    EXPECT_NEAR(FieldRadius, 15.9685, 1e-4);
    EXPECT_NEAR(FieldWidth, 31.9370, 1e-4);
    EXPECT_NEAR(FieldHeight, 31.9370, 1e-4);
    EXPECT_FALSE(RectField);
    EXPECT_FALSE(w.isVisible());
    EXPECT_TRUE(prompts.messages.empty());
}

TEST_F(SetupWindowTest, OpticsCameraStoresARectangle) {
    connectSimulator();
    RectField = false;
    frmOptics w;
    w.show();
    select(w.cbScope, QStringLiteral("10-inch f/10 test"));
    select(w.cbEyepiece, QStringLiteral("Chip test"));
    EXPECT_EQ(w.cbEyepiece->currentData().toInt(), int(OpticsKind::Camera));
    EXPECT_EQ(w.lblMag->text(), QStringLiteral("n/a"));
    EXPECT_EQ(w.lblField->text(), QStringLiteral("11.6 x 8.8"));
    w.cmdOK->click();
    EXPECT_EQ(heardBytes(), QByteArray("#:SF 004#"));
    EXPECT_EQ(scopeFieldRadius(), 4);
    EXPECT_EQ(optics("Radius"), QStringLiteral("4.393"));
    EXPECT_EQ(optics("Width"), QStringLiteral("11.625"));
    EXPECT_EQ(optics("Height"), QStringLiteral("8.786"));
    EXPECT_EQ(optics("RectFOV"), QStringLiteral("True"));
    EXPECT_EQ(optics("Mag"), QStringLiteral("n/a"));
    EXPECT_TRUE(RectField);
}

TEST_F(SetupWindowTest, OpticsWithoutASelectionSendsZero) {
    connectSimulator();
    PutConfig(Optics, QStringLiteral("Scope"), QStringLiteral("A telescope sold long ago"));
    FieldRadius = 60;
    frmOptics w;
    w.show();
    EXPECT_EQ(w.cbScope->currentIndex(), -1); // the stored name is no longer in "Scopes"
    EXPECT_EQ(w.cbEyepiece->currentText(), QStringLiteral("26 mm Plossl"));
    EXPECT_EQ(w.lblMag->text(), QString());
    w.cmdOK->click();
    EXPECT_EQ(heardBytes(), QByteArray("#:SF 000#"));
    EXPECT_EQ(optics("Scope"), QStringLiteral("A telescope sold long ago")); // not overwritten
    EXPECT_EQ(optics("Radius"), QStringLiteral("0.000"));
    EXPECT_EQ(optics("Width"), QStringLiteral("0.000"));
    EXPECT_EQ(optics("Mag"), QString());
    EXPECT_EQ(FieldRadius, 0.0);
}

TEST_F(SetupWindowTest, OpticsRefusedRadiusIsStoredAllTheSame) {
    connectSimulator();
    sim.refuseNext("SF");
    frmOptics w;
    w.show();
    select(w.cbScope, QStringLiteral("10-inch f/10 test"));
    select(w.cbEyepiece, QStringLiteral("26 mm test"));
    w.cmdOK->click();
    EXPECT_EQ(heardBytes(), QByteArray("#:SF 016#"));
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_EQ(prompts.messages[0].text, QStringLiteral("Failed to set the FIELD radius."));
    EXPECT_EQ(prompts.messages[0].icon, MsgIcon::Critical);
    EXPECT_EQ(prompts.messages[0].buttons, MsgButtons::OKCancel);
    EXPECT_EQ(prompts.messages[0].title, Title);
    EXPECT_EQ(optics("Radius"), QStringLiteral("15.969"));
    EXPECT_NEAR(FieldRadius, 15.9685, 1e-4);
    EXPECT_FALSE(w.isVisible());
}

TEST_F(SetupWindowTest, OpticsCancelStoresAndSendsNothing) {
    connectSimulator();
    const QString radius = optics("Radius");
    frmOptics w;
    w.show();
    select(w.cbScope, QStringLiteral("10-inch f/10 test"));
    w.cmdCancel->click();
    EXPECT_EQ(heardBytes(), QByteArray());
    EXPECT_EQ(optics("Scope"), QStringLiteral("8-inch f/10 SCT"));
    EXPECT_EQ(optics("Radius"), radius);
    EXPECT_FALSE(w.isVisible());
}

TEST_F(SetupWindowTest, OpticsMissingOrBadRecordKeepsThePreviousField) {
    PutConfig(QStringLiteral("Eyepieces"), QStringLiteral("Empty"), QString());
    PutConfig(QStringLiteral("Eyepieces"), QStringLiteral("Garbled"), QStringLiteral("twenty"));
    frmOptics w;
    w.show();
    select(w.cbScope, QStringLiteral("10-inch f/10 test"));
    select(w.cbEyepiece, QStringLiteral("26 mm test"));
    ASSERT_EQ(w.lblMag->text(), QStringLiteral("97.7"));
    select(w.cbEyepiece, QStringLiteral("Empty"));
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_EQ(prompts.messages[0].text, QStringLiteral("Failed to find optics data."));
    EXPECT_EQ(prompts.messages[0].buttons, MsgButtons::OKCancel);
    EXPECT_EQ(prompts.messages[0].icon, MsgIcon::Critical);
    select(w.cbEyepiece, QStringLiteral("Garbled"));
    ASSERT_EQ(prompts.messages.size(), 2u);
    EXPECT_TRUE(prompts.messages[1].text.contains(QStringLiteral("\"twenty\"")));
    EXPECT_EQ(w.lblMag->text(), QStringLiteral("97.7"));
    EXPECT_EQ(w.lblField->text(), QStringLiteral("31.9"));
    EXPECT_NEAR(w.radiusArcmin(), 15.97, 0.005);
}

TEST_F(SetupWindowTest, OpticsWithoutTheTelescopeStillStores) {
    com1().close();
    frmOptics w;
    w.show();
    select(w.cbScope, QStringLiteral("10-inch f/10 test"));
    select(w.cbEyepiece, QStringLiteral("26 mm test"));
    w.cmdOK->click();
    EXPECT_EQ(optics("Mag"), QStringLiteral("97.7"));
    ASSERT_EQ(prompts.messages.size(), 1u); // the port's failure, said once
    EXPECT_EQ(prompts.messages[0].icon, MsgIcon::Critical);
    EXPECT_FALSE(w.isVisible());
}

TEST_F(SetupWindowTest, OpticsMissingSectionEndsTheProgram) {
    QTemporaryDir dir;
    const QString ini = dir.filePath(QStringLiteral("Teleon.ini"));
    writeFile(ini, "[General]\nComPort=1\n[Optics]\nScope=A\n[Scopes]\nA=200 10\n"
                   "[Eyepieces]\nB=26 52\n");
    SetConfigDefaultPath(ini);
    test::TempConfigHome fresh;
    ResetConfigRoot();
    frmOptics w;
    EXPECT_THROW(w.Form_Load(), platform::ProgramEnded);
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_EQ(prompts.messages[0].text,
              QStringLiteral("Failed to find Cameras section in registry"));
    EXPECT_EQ(prompts.messages[0].icon, MsgIcon::Critical);
}

// ---- preferences ----

frmPrefs::Services fakeMachine(bool voice = false, const QString& programDir = {}) {
    frmPrefs::Services s;
    s.serialDevices = [] {
        return QStringList{QStringLiteral("/dev/ttyS0"), QStringLiteral("/dev/ttyUSB0"),
                           QStringLiteral("/dev/serial/by-id/usb-Adapter-if00-port0")};
    };
    s.voiceAvailable = [voice] { return voice; };
    s.programDir = programDir;
    return s;
}

TEST_F(SetupWindowTest, PrefsPortListAndStoredValues) {
    PutConfig(General, QStringLiteral("ComPort"), QStringLiteral("3"));
    PutConfig(General, QStringLiteral("UpLimit"), QStringLiteral("70"));
    frmPrefs w(fakeMachine());
    w.show();
    EXPECT_EQ(w.objectName(), QStringLiteral("frmPrefs"));
    QStringList entries;
    for (int i = 0; i < w.cbComPort->count(); ++i)
        entries << w.cbComPort->itemText(i);
    EXPECT_EQ(entries, (QStringList{"1", "2", "3", "4", "5", "6", "7", "8", "/dev/ttyUSB0",
                                    "/dev/serial/by-id/usb-Adapter-if00-port0", "Simulator"}));
    EXPECT_EQ(w.cbComPort->currentText(), QStringLiteral("3"));
    EXPECT_EQ(w.txtTiltUp->text(), QStringLiteral("70"));
    EXPECT_FALSE(w.chkAgent->isEnabled()); // no voice engine
    EXPECT_FALSE(w.txtAgentPath->isEnabled());
    EXPECT_FALSE(w.cmdBrowse->isEnabled());
}

TEST_F(SetupWindowTest, PrefsTiltUpLimitQuestion) {
    const struct {
        const char* typed;
        bool asks;
        MsgAnswer answer;
        bool saved;
        const char* stored;
    } rows[] = {
        {"0", false, MsgAnswer::Yes, true, "0"},      {"45", false, MsgAnswer::Yes, true, "45"},
        {"80", false, MsgAnswer::Yes, true, "80"},    {"30", true, MsgAnswer::Yes, true, "30"},
        {"30", true, MsgAnswer::No, false, ""},       {"44.5", true, MsgAnswer::Yes, true, "44.5"},
        {"44,5", true, MsgAnswer::Yes, true, "44.5"}, {"-5", true, MsgAnswer::No, false, ""},
        {"", false, MsgAnswer::Yes, true, "0"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.typed);
        PutConfig(General, QStringLiteral("UpLimit"), QStringLiteral("untouched"));
        PutConfig(General, QStringLiteral("ComPort"), QStringLiteral("2"));
        prompts.messages.clear();
        prompts.answers = {row.answer};
        frmPrefs w(fakeMachine());
        QSignalSpy changed(&w, &frmPrefs::portChanged);
        w.show();
        w.cbComPort->setCurrentText(QStringLiteral("5"));
        w.txtTiltUp->setText(QLatin1String(row.typed));
        w.cmdOK->click();
        if (row.asks) {
            ASSERT_EQ(prompts.messages.size(), 1u);
            const QString value = QLatin1String(row.stored[0] ? row.stored : row.typed);
            EXPECT_EQ(prompts.messages[0].text,
                      QStringLiteral("Are you sure you want to limit tilt-up to ") + value +
                          QStringLiteral(" degrees?"));
            EXPECT_EQ(prompts.messages[0].icon, MsgIcon::Question);
            EXPECT_EQ(prompts.messages[0].buttons, MsgButtons::YesNo);
            EXPECT_EQ(prompts.messages[0].title, Title);
        } else {
            EXPECT_TRUE(prompts.messages.empty());
        }
        EXPECT_EQ(w.isVisible(), !row.saved);
        EXPECT_EQ(changed.count(), row.saved ? 1 : 0);
        if (row.saved) {
            EXPECT_EQ(GetConfig(General, QStringLiteral("UpLimit")), QLatin1String(row.stored));
            EXPECT_EQ(GetConfig(General, QStringLiteral("ComPort")), QStringLiteral("5"));
        } else {
            EXPECT_EQ(GetConfig(General, QStringLiteral("UpLimit")), QStringLiteral("untouched"));
            EXPECT_EQ(GetConfig(General, QStringLiteral("ComPort")), QStringLiteral("2"));
            EXPECT_TRUE(w.cmdOK->isEnabled());
        }
    }
}

TEST_F(SetupWindowTest, PrefsTiltUpThatIsNotANumberStaysOpen) {
    frmPrefs w(fakeMachine());
    w.show();
    w.txtTiltUp->setText(QStringLiteral("high"));
    w.cmdOK->click();
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_EQ(prompts.messages[0].icon, MsgIcon::Exclamation);
    EXPECT_TRUE(w.isVisible());
    EXPECT_EQ(GetConfig(General, QStringLiteral("UpLimit")), QStringLiteral("0"));
}

TEST_F(SetupWindowTest, PrefsPortChangeWhileDisconnectedChoosesThePort) {
    ScopeConnected = false;
    frmPrefs w(fakeMachine());
    QSignalSpy changed(&w, &frmPrefs::portChanged);
    w.show();
    w.cbComPort->setCurrentText(QStringLiteral("/dev/ttyUSB0"));
    w.cmdOK->click();
    EXPECT_EQ(GetConfig(General, QStringLiteral("ComPort")), QStringLiteral("/dev/ttyUSB0"));
    EXPECT_EQ(CommPort().devicePath, QStringLiteral("/dev/ttyUSB0"));
    EXPECT_FALSE(com1().isOpen());
    ASSERT_EQ(changed.count(), 1);
    EXPECT_EQ(changed.at(0).at(0).toString(), QStringLiteral("/dev/ttyUSB0"));

    frmPrefs numbered(fakeMachine());
    numbered.show();
    numbered.cbComPort->setCurrentIndex(3); // "4"
    numbered.cmdOK->click();
    EXPECT_EQ(GetConfig(General, QStringLiteral("ComPort")), QStringLiteral("4"));
    EXPECT_EQ(CommPort().devicePath, QStringLiteral("/dev/ttyS3"));
}

TEST_F(SetupWindowTest, PrefsWhileConnectedLeavesTheReconnectToTheMainWindow) {
    connectSimulator();
    frmPrefs w(fakeMachine());
    QSignalSpy changed(&w, &frmPrefs::portChanged);
    w.show();
    w.cbComPort->setCurrentText(QStringLiteral("Simulator"));
    w.cmdOK->click();
    EXPECT_EQ(GetConfig(General, QStringLiteral("ComPort")), QStringLiteral("Simulator"));
    ASSERT_EQ(changed.count(), 1);
    EXPECT_EQ(changed.at(0).at(0).toString(), QStringLiteral("Simulator"));
    EXPECT_TRUE(com1().isOpen()); // still the old link until the main window reconnects
    EXPECT_EQ(CommPort().devicePath, sim.devicePath());
}

TEST_F(SetupWindowTest, PrefsVoiceSettings) {
    QTemporaryDir programDir;
    PutConfig(General, QStringLiteral("AgentCharPath"), QString());
    PutConfig(General, QStringLiteral("AgentEnabled"), QStringLiteral("1"));
    frmPrefs w(fakeMachine(true, programDir.path()));
    w.show();
    const QString character = QDir(programDir.path()).filePath(QStringLiteral("Pulsaro.acs"));
    EXPECT_EQ(GetConfig(General, QStringLiteral("AgentCharPath")), character); // written at once
    EXPECT_TRUE(w.chkAgent->isEnabled());
    EXPECT_TRUE(w.chkAgent->isChecked());
    EXPECT_TRUE(w.txtAgentPath->isEnabled());
    EXPECT_EQ(w.txtAgentPath->text(), character);
    EXPECT_FALSE(w.voiceSettingsChanged());
    prompts.files = {QStringLiteral("/home/observer/voices/guide.acs")};
    w.cmdBrowse->click();
    EXPECT_EQ(w.txtAgentPath->text(), QStringLiteral("/home/observer/voices/guide.acs"));
    w.chkAgent->click(); // off
    EXPECT_FALSE(w.txtAgentPath->isEnabled());
    EXPECT_FALSE(w.cmdBrowse->isEnabled());
    w.cmdOK->click();
    EXPECT_EQ(GetConfig(General, QStringLiteral("AgentEnabled")), QStringLiteral("0"));
    EXPECT_EQ(GetConfig(General, QStringLiteral("AgentCharPath")),
              QStringLiteral("/home/observer/voices/guide.acs"));
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_EQ(prompts.messages[0].text,
              QStringLiteral("Changes made to the Voice settings will not take effect until the "
                             "program is restarted"));
    EXPECT_EQ(prompts.messages[0].icon, MsgIcon::Information);
}

TEST_F(SetupWindowTest, PrefsWithoutVoiceKeepsTheStoredVoiceSettings) {
    PutConfig(General, QStringLiteral("AgentEnabled"), QStringLiteral("1"));
    PutConfig(General, QStringLiteral("AgentCharPath"), QStringLiteral("/opt/voice.acs"));
    frmPrefs w(fakeMachine(false));
    w.show();
    w.cmdOK->click();
    EXPECT_EQ(GetConfig(General, QStringLiteral("AgentEnabled")), QStringLiteral("1"));
    EXPECT_EQ(GetConfig(General, QStringLiteral("AgentCharPath")),
              QStringLiteral("/opt/voice.acs"));
    EXPECT_TRUE(prompts.messages.empty());
}

// ---- tips ----

class TipWindowTest : public SetupWindowTest {
protected:
    // A tips file of count tips with blank lines between some of them.
    void writeTips(int count) {
        QByteArray text;
        for (int i = 1; i <= count; ++i) {
            text += "Tip number " + QByteArray::number(i) + ".\r\n";
            if (i % 3 == 0)
                text += "\n   \n";
        }
        writeFile(QDir(dir.path()).filePath(QStringLiteral("MyTips.txt")), text);
        PutConfig(General, QStringLiteral("TipFile"), QStringLiteral("MyTips.txt"));
    }
    std::unique_ptr<frmTip> opened() {
        frmTip::Options options;
        options.programDir = dir.path();
        auto w = std::make_unique<frmTip>(options);
        w->show();
        return w;
    }
    QTemporaryDir dir;
};

TEST_F(TipWindowTest, BlankLinesAreNotTipsAndTheLastWrapsToTheFirst) {
    writeTips(10);
    PutConfig(General, QStringLiteral("CurrentTip"), QStringLiteral("10"));
    auto w = opened();
    EXPECT_EQ(w->objectName(), QStringLiteral("frmTip"));
    EXPECT_EQ(w->tips().size(), 10);
    EXPECT_EQ(w->lblTipText->text(), QStringLiteral("Tip number 1."));
    EXPECT_EQ(GetConfig(General, QStringLiteral("CurrentTip")), QStringLiteral("1"));
    w->cmdNextTip->click();
    EXPECT_EQ(w->lblTipText->text(), QStringLiteral("Tip number 2."));
    EXPECT_EQ(GetConfig(General, QStringLiteral("CurrentTip")), QStringLiteral("2"));
}

TEST_F(TipWindowTest, AFirstOpeningShowsTheFirstTip) {
    writeTips(4);
    PutConfig(General, QStringLiteral("CurrentTip"), QStringLiteral("0"));
    auto w = opened();
    EXPECT_EQ(w->lblTipText->text(), QStringLiteral("Tip number 1."));
    for (int i = 0; i < 4; ++i)
        w->cmdNextTip->click();
    EXPECT_EQ(w->lblTipText->text(), QStringLiteral("Tip number 1."));
}

TEST_F(TipWindowTest, LongTipsWrap) {
    writeTips(1);
    auto w = opened();
    EXPECT_TRUE(w->lblTipText->wordWrap());
    const QString longTip = QStringLiteral("Let the telescope cool down to the outside "
                                           "temperature for half an hour before judging the "
                                           "image: a warm tube makes stars boil and shimmer.");
    w->lblTipText->setText(longTip);
    const int oneLine = w->lblTipText->fontMetrics().height();
    EXPECT_GT(w->lblTipText->heightForWidth(w->lblTipText->width()), 2 * oneLine);
    EXPECT_LE(w->lblTipText->sizeHint().width(), w->lblTipText->width());
}

TEST_F(TipWindowTest, AMissingFileSaysHowToMakeOne) {
    PutConfig(General, QStringLiteral("TipFile"), QStringLiteral("Missing.txt"));
    PutConfig(General, QStringLiteral("CurrentTip"), QStringLiteral("5"));
    auto w = opened();
    EXPECT_TRUE(w->tips().isEmpty());
    EXPECT_EQ(w->lblTipText->text(),
              QStringLiteral("That the Missing.txt file was not found? \n\nCreate a text file "
                             "named Missing.txt using a text editor with 1 tip per line. Then "
                             "place it in the same directory as the application. "));
    w->cmdNextTip->click(); // nothing to show, nothing changed
    EXPECT_EQ(GetConfig(General, QStringLiteral("CurrentTip")), QStringLiteral("5"));
}

TEST_F(TipWindowTest, TheShippedTipsWhenNoneBesideTheProgram) {
    PutConfig(General, QStringLiteral("TipFile"), QStringLiteral("Tips.txt"));
    auto w = opened();
    EXPECT_GE(w->tips().size(), 20);
    EXPECT_FALSE(w->lblTipText->text().isEmpty());
}

TEST_F(TipWindowTest, StartupCheckBoxIsStored) {
    writeTips(2);
    PutConfig(General, QStringLiteral("StartupTips"), QStringLiteral("1"));
    auto w = opened();
    EXPECT_TRUE(w->chkLoadTipsAtStartup->isChecked());
    w->chkLoadTipsAtStartup->click();
    EXPECT_EQ(GetConfig(General, QStringLiteral("StartupTips")), QStringLiteral("0"));
    w->chkLoadTipsAtStartup->click();
    EXPECT_EQ(GetConfig(General, QStringLiteral("StartupTips")), QStringLiteral("1"));
}

// ---- the clock notice ----

TEST_F(SetupWindowTest, TimeAlertBoxSetsAndClearsBitZero) {
    const struct {
        int before;
        bool checkedAtOpening;
        int afterClick;
        const char* stored;
    } rows[] = {{0, false, 1, "1"}, {6, false, 7, "7"}, {1, true, 0, "0"}, {7, true, 6, "6"}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.before);
        AlertFlags = row.before;
        beeps = 0;
        frmTimeAlert w;
        w.SetMessage(QStringLiteral("The scope's date and time have been updated from your PC "
                                    "clock."));
        w.show();
        EXPECT_EQ(w.windowTitle(), Title);
        EXPECT_EQ(beeps, 1);
        EXPECT_EQ(w.chkDontShow->isChecked(), row.checkedAtOpening);
        w.chkDontShow->click();
        EXPECT_EQ(AlertFlags, row.afterClick);
        EXPECT_EQ(GetConfig(General, QStringLiteral("AlertFlags")), QLatin1String(row.stored));
        w.cmdOK->click();
        EXPECT_FALSE(w.isVisible());
    }
}

// ---- about, documentation, system information ----

TEST_F(SetupWindowTest, DocumentationOpensTheLocalManual) {
    QTemporaryDir programDir; // nothing beside the program: the compiled-in manual
    ASSERT_TRUE(OpenDocumentation(programDir.path()));
    ASSERT_EQ(opened.size(), 1);
    EXPECT_TRUE(opened[0].isLocalFile());
    QFile manual(opened[0].toLocalFile());
    ASSERT_TRUE(manual.open(QIODevice::ReadOnly));
    const QByteArray html = manual.readAll();
    EXPECT_TRUE(html.contains("Teleon user manual"));
    for (const char* section : {"id=\"connecting\"", "id=\"goto\"", "id=\"finder\"", "id=\"sites\"",
                                "id=\"optics\"", "id=\"night\"", "id=\"simulator\""})
        EXPECT_TRUE(html.contains(section)) << section;

    // A manual installed beside the program comes first.
    ASSERT_TRUE(QDir(programDir.path()).mkpath(QStringLiteral("doc")));
    writeFile(QDir(programDir.path()).filePath(QStringLiteral("doc/index.html")), "<html/>");
    EXPECT_EQ(FindManual(programDir.path()),
              QFileInfo(QDir(programDir.path()).filePath(QStringLiteral("doc/index.html")))
                  .canonicalFilePath());
    EXPECT_TRUE(prompts.messages.empty());
}

TEST_F(SetupWindowTest, NoBrowserIsSaid) {
    openerWorks = false;
    EXPECT_FALSE(OpenDocumentInBrowser(HomePageUrl));
    ASSERT_EQ(opened.size(), 1);
    EXPECT_EQ(opened[0], QUrl(HomePageUrl));
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_EQ(prompts.messages[0].text,
              QStringLiteral("It doesn't appear that you have a web browser installed on your "
                             "system."));
    EXPECT_EQ(prompts.messages[0].title, Title);
}

TEST_F(SetupWindowTest, AboutLinksAndSystemInformation) {
    frmAbout w;
    w.serialDevices = [] { return QStringList{QStringLiteral("/dev/ttyUSB0")}; };
    w.show();
    EXPECT_EQ(w.objectName(), QStringLiteral("frmAbout"));
    EXPECT_TRUE(w.lblVersion->text().contains(QStringLiteral(TELEON_TEST_VERSION)));
    w.lblDocs_Click();
    w.lblHomePage_Click();
    ASSERT_EQ(opened.size(), 2);
    EXPECT_TRUE(opened[0].isLocalFile());
    EXPECT_EQ(opened[1], QUrl(HomePageUrl));

    QString facts;
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [&] {
        if (auto* info = qobject_cast<frmSysInfo*>(QApplication::activeModalWidget())) {
            facts = info->lblFacts->text();
            info->accept();
        }
    });
    closer.start(10);
    w.cmdSysInfo->click();
    closer.stop();
    EXPECT_TRUE(facts.contains(QStringLiteral("Teleon ") + QStringLiteral(TELEON_TEST_VERSION)));
    EXPECT_TRUE(facts.contains(QString::fromLatin1(qVersion())));
    EXPECT_TRUE(facts.contains(QSysInfo::kernelVersion()));
    EXPECT_TRUE(facts.contains(QStringLiteral("/dev/ttyUSB0")));
    EXPECT_TRUE(SystemInformation({}).last().endsWith(QStringLiteral("none")));
}

TEST_F(SetupWindowTest, MenuFactoriesMakeTheRealWindows) {
    std::unique_ptr<QDialog> prefs(NewPrefsWindow(nullptr));
    std::unique_ptr<QDialog> tip(NewTipWindow(nullptr));
    std::unique_ptr<QDialog> about(NewAboutWindow(nullptr));
    EXPECT_NE(qobject_cast<frmPrefs*>(prefs.get()), nullptr);
    EXPECT_NE(qobject_cast<frmTip*>(tip.get()), nullptr);
    EXPECT_NE(qobject_cast<frmAbout*>(about.get()), nullptr);
}

} // namespace
} // namespace teleon
