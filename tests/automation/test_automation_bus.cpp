// The automation objects as other programs reach them: a private session bus, the program's
// server owning org.marrick.Teleon on it, clients of their own, and the simulated telescope.
// What the telescope heard, what each client received (values, error names and texts), and the
// life of the coordinate transforms that clients make.
#include "AutomationFixture.h"
#include "automation/AutomationServer.h"
#include "automation/frmScript.h"
#include "support/PrivateBus.h"

#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

#include <memory>

namespace teleon {
namespace {

using Commands = QList<QByteArray>;
const QString Props = QStringLiteral("org.freedesktop.DBus.Properties");
const QString Error = QStringLiteral("org.marrick.Teleon.Error.");

QString iface(const QString& object) {
    return QStringLiteral("org.marrick.Teleon.") + object;
}

class AutomationBusTest : public test::AutomationFixture {
protected:
    void SetUp() override {
        AutomationFixture::SetUp();
        server = std::make_unique<AutomationServer>(bus.connect(QStringLiteral("teleon")));
        const auto claim = server->Start(
            [this] {
                window = std::make_unique<frmMain>(true);
                return window.get();
            },
            [] {});
        ASSERT_EQ(claim, AutomationService::Claim::Owned);
    }
    void TearDown() override {
        server.reset();
        QDBusConnection::disconnectFromBus(QStringLiteral("teleon"));
        AutomationFixture::TearDown();
    }

    static QDBusMessage method(const QString& path, const QString& interface, const QString& name,
                               const QVariantList& args = {}) {
        QDBusMessage m = QDBusMessage::createMethodCall(QStringLiteral("org.marrick.Teleon"), path,
                                                        interface, name);
        m.setArguments(args);
        return m;
    }
    static QDBusMessage call(const QString& object, const QString& name,
                             const QVariantList& args = {}) {
        return method(QStringLiteral("/org/marrick/Teleon/") + object, iface(object), name, args);
    }
    static QDBusMessage get(const QString& path, const QString& interface, const QString& prop) {
        return method(path, Props, QStringLiteral("Get"), {interface, prop});
    }
    static QDBusMessage get(const QString& object, const QString& prop) {
        return get(QStringLiteral("/org/marrick/Teleon/") + object, iface(object), prop);
    }
    static QDBusMessage set(const QString& path, const QString& interface, const QString& prop,
                            const QVariant& value) {
        return method(path, Props, QStringLiteral("Set"),
                      {interface, prop, QVariant::fromValue(QDBusVariant(value))});
    }
    static QVariant value(const QDBusMessage& reply) {
        EXPECT_EQ(reply.type(), QDBusMessage::ReplyMessage) << reply.errorMessage().toStdString();
        if (reply.arguments().isEmpty())
            return {};
        const QVariant v = reply.arguments().constFirst();
        return v.canConvert<QDBusVariant>() ? v.value<QDBusVariant>().variant() : v;
    }
    static void expectError(const QDBusMessage& reply, const QString& name, const QString& text) {
        EXPECT_EQ(reply.type(), QDBusMessage::ErrorMessage);
        EXPECT_EQ(reply.errorName(), Error + name);
        EXPECT_EQ(reply.errorMessage(), text);
    }
    test::PrivateBus bus;
    std::unique_ptr<AutomationServer> server;
};

TEST_F(AutomationBusTest, FirstCallBringsUpTheProgramAndErrorsCarryTheirNamesAndTexts) {
    test::BusClient a(bus.address(), QStringLiteral("a"));
    // The first call: the window is made minimised, its start-up runs, then the connect.
    const QVariant ra =
        value(a.call(get(QStringLiteral("Scope"), QStringLiteral("RightAscension"))));
    EXPECT_EQ(ra.metaType(), QMetaType::fromType<double>());
    ASSERT_TRUE(window);
    EXPECT_TRUE(window->isVisible());
    EXPECT_FALSE(window->isMinimized());
    EXPECT_TRUE(ScopeConnected);
    EXPECT_TRUE(prompts.messages.empty());
    window->tmr1S()->stop();
    sim.clearLog();

    const QString scope = QStringLiteral("/org/marrick/Teleon/Scope");
    // A refused value reaches the client through Properties.Set, and nothing is sent.
    expectError(a.call(set(scope, iface(QStringLiteral("Scope")),
                           QStringLiteral("ReticleBrightness"), QVariant::fromValue(qint16(10)))),
                QStringLiteral("ValueOutOfRange"), QStringLiteral("Value out of range"));
    EXPECT_TRUE(heard().isEmpty());
    value(a.call(set(scope, iface(QStringLiteral("Scope")), QStringLiteral("TrackFreq"), 60.1)));
    EXPECT_EQ(heard(), Commands{"TQ"});

    EXPECT_EQ(value(a.call(call(QStringLiteral("Scope"), QStringLiteral("SelectObject"),
                                {QStringLiteral("m 31")}))),
              QVariant(true));
    EXPECT_EQ(heard().mid(0, 3), (Commands{"Lo 0", "LM 31", "LI"})); // then the display
    expectError(a.call(call(QStringLiteral("Scope"), QStringLiteral("SelectObject"),
                            {QStringLiteral("Nosuchstar")})),
                QStringLiteral("SelectObjectFailed"),
                QStringLiteral("NOSUCHSTAR: not a registered alignment star"));
    expectError(a.call(call(QStringLiteral("Util"), QStringLiteral("Julian_DayOfWeek"),
                            {std::numeric_limits<double>::quiet_NaN()})),
                QStringLiteral("DayOfWeekFailed"),
                QStringLiteral("Failed to find day of week from Julian date"));
    EXPECT_TRUE(heard().isEmpty());

    // A second client's first call does not connect again.
    test::BusClient b(bus.address(), QStringLiteral("b"));
    value(b.call(get(QStringLiteral("Scope"), QStringLiteral("Declination"))));
    EXPECT_EQ(heard(), Commands{"GD"});

    // The telescope goes silent: Scope reports the lost link, the planetarium driver reads 0.
    sim.stopAnswering(true);
    expectError(a.call(get(QStringLiteral("Scope"), QStringLiteral("RightAscension"))),
                QStringLiteral("LostCommunications"),
                QStringLiteral("Lost communications with telescope"));
    EXPECT_EQ(value(b.call(call(QStringLiteral("IPlanetarium"), QStringLiteral("GetRA")))),
              QVariant(0.0));
    EXPECT_TRUE(prompts.messages.empty());
}

TEST_F(AutomationBusTest, CoordinateTransformsLiveUntilReleasedOrTheirClientLeaves) {
    test::BusClient a(bus.address(), QStringLiteral("a"));
    test::BusClient b(bus.address(), QStringLiteral("b"));
    const auto path = [](const QDBusMessage& reply) {
        return value(reply).value<QDBusObjectPath>().path();
    };
    const QString ct =
        path(a.call(call(QStringLiteral("Util"), QStringLiteral("NewCT"), {0.0, 0.0})));
    ASSERT_TRUE(ct.startsWith(QStringLiteral("/org/marrick/Teleon/CoordinateTransform/")));
    const QString ctIface = iface(QStringLiteral("CoordinateTransform"));
    value(a.call(set(ct, ctIface, QStringLiteral("RightAscension"), 1.0)));
    EXPECT_DOUBLE_EQ(value(a.call(get(ct, ctIface, QStringLiteral("HourAngle")))).toDouble(),
                     345.0);
    expectError(a.call(method(ct, ctIface, QStringLiteral("Init"), {1.0, 1.0})),
                QStringLiteral("AlreadyInitialized"),
                QStringLiteral("Coordinate object has already been initialized."));
    // Only its creator may release it.
    EXPECT_EQ(b.call(method(ct, ctIface, QStringLiteral("Release"))).errorName(),
              QStringLiteral("org.freedesktop.DBus.Error.AccessDenied"));

    // Here and now: the telescope's site, read once.
    window->tmr1S()->stop();
    sim.clearLog();
    const QString here =
        path(b.call(call(QStringLiteral("Util"), QStringLiteral("NewCTHereAndNow"))));
    EXPECT_EQ(heard(), (Commands{"Gg", "Gt"}));
    EXPECT_EQ(server->bridge().liveReturnedObjects(), 2);
    value(b.call(method(here, ctIface, QStringLiteral("Release"))));
    EXPECT_EQ(server->bridge().liveReturnedObjects(), 1);
    // A client that dies leaves nothing behind.
    a.leave();
    EXPECT_TRUE(test::PumpUntil([&] { return server->bridge().liveReturnedObjects() == 0; }));
    EXPECT_NE(b.call(get(ct, ctIface, QStringLiteral("HourAngle"))).type(),
              QDBusMessage::ReplyMessage);
}

TEST_F(AutomationBusTest, OtherCallsAreAnsweredWhileASlewRuns) {
    sim.setSlewSpeedDegPerSec(20.0);
    test::BusClient a(bus.address(), QStringLiteral("a"));
    test::BusClient b(bus.address(), QStringLiteral("b"));
    const double ra =
        value(a.call(get(QStringLiteral("Scope"), QStringLiteral("RightAscension")))).toDouble();
    // Four hours away: a slew of several seconds.
    auto slew = a.start(call(QStringLiteral("Scope"), QStringLiteral("SlewToPosition"),
                             {std::fmod(ra + 4.0, 24.0), 10.0}),
                        60000);
    // Half a second in, from inside the slew's wait, another client reads the position.
    bool readDuringSlew = false;
    std::shared_ptr<test::BusClient::Pending> read;
    QTimer::singleShot(500, [&] {
        readDuringSlew = ScopeMoving;
        read = b.start(get(QStringLiteral("Scope"), QStringLiteral("Declination")));
    });
    ASSERT_TRUE(test::PumpUntil([&] { return slew->done; }, 60000));
    ASSERT_TRUE(read && read->done);
    EXPECT_TRUE(readDuringSlew);
    EXPECT_EQ(read->reply.type(), QDBusMessage::ReplyMessage);
    EXPECT_LT(read->finishedMs + 1000, slew->finishedMs); // answered long before the slew ended
    EXPECT_EQ(value(slew->reply), QVariant(true));
}

// RunScript answers when main() ends; meanwhile other clients reach the script and its console.
TEST_F(AutomationBusTest, ScriptRunsWhileOtherClientsCallAlertAndTheConsole) {
    test::BusClient a(bus.address(), QStringLiteral("a"));
    test::BusClient b(bus.address(), QStringLiteral("b"));
    QTemporaryDir dir;
    QFile file(dir.filePath(QStringLiteral("s.js")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("function alert() { Console.PrintLine(\"alert\") }\n"
               "function main() {\n  WaitForMilliseconds(1500)\n  noSuchFunction()\n}\n");
    file.close();
    value(a.call(call(QStringLiteral("Util"), QStringLiteral("LoadScript"), {file.fileName()})));
    auto run = a.start(call(QStringLiteral("Util"), QStringLiteral("RunScript")), 60000);
    std::shared_ptr<test::BusClient::Pending> console, alert, second;
    QTimer::singleShot(400, [&] {
        console = b.start(get(QStringLiteral("Util"), QStringLiteral("Console")));
        alert = b.start(call(QStringLiteral("Util"), QStringLiteral("AlertScript")));
        second = b.start(call(QStringLiteral("Util"), QStringLiteral("RunScript")));
    });
    ASSERT_TRUE(test::PumpUntil([&] { return run->done; }, 60000));
    ASSERT_TRUE(console && console->done && alert->done && second->done);
    EXPECT_EQ(run->reply.errorName(), Error + QStringLiteral("ScriptError"));
    EXPECT_TRUE(run->reply.errorMessage().contains(
        QStringLiteral("noSuchFunction is not defined\r\nat line 4 col ")));
    value(alert->reply);
    EXPECT_LT(alert->finishedMs + 800, run->finishedMs);
    expectError(second->reply, QStringLiteral("ScriptAlreadyRunning"),
                QStringLiteral("An Vantor script is already running"));
    const QString path = value(console->reply).value<QDBusObjectPath>().path();
    value(b.call(method(path, iface(QStringLiteral("Console")), QStringLiteral("PrintLine"),
                        {QStringLiteral("from b")})));
    EXPECT_EQ(frmScript::Instance()->txtScriptOut->toPlainText(),
              QStringLiteral("alert\nfrom b\n"));
    EXPECT_TRUE(frmScript::Unload());
}

} // namespace
} // namespace teleon
