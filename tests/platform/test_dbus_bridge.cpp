// The D-Bus bridge on a private bus: types, errors, returned objects, client tracking, calls
// served during a long call, introspection, and bad input from clients.
#include "platform/CallErrors.h"
#include "platform/DBusBridge.h"
#include "platform/EventLoop.h"
#include "support/PrivateBus.h"

#include <QDBusArgument>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QMetaMethod>
#include <QMetaProperty>
#include <QProcess>
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <thread>

inline void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}

namespace {

const QString Iface = QStringLiteral("org.marrick.Teleon.Test");
const QString Props = QStringLiteral("org.freedesktop.DBus.Properties");
const QString Err = QStringLiteral("org.freedesktop.DBus.Error.");

class Gadget : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.marrick.Teleon.Test")
    Q_CLASSINFO("Description", "Test gadget <&>")
    Q_CLASSINFO("Doc:Level", "Level (0 - 9)")
    Q_CLASSINFO("Doc:Add", "Adds a count to a value")
    Q_PROPERTY(qint16 Level READ Level WRITE setLevel)
    Q_PROPERTY(qint32 Count MEMBER count)
    Q_PROPERTY(bool Flag MEMBER flag)
    Q_PROPERTY(double Ratio MEMBER ratio)
    Q_PROPERTY(QString Label MEMBER label)
    Q_PROPERTY(double Fixed READ Fixed)
public:
    static inline int alive = 0;
    Gadget() { ++alive; }
    ~Gadget() override { --alive; }
    qint16 Level() const { return level; }
    void setLevel(qint16 v) {
        if (v < 0 || v > 9)
            teleon::platform::RaiseCallError(
                this, {1028, QStringLiteral("org.marrick.Teleon.Error.ValueOutOfRange"),
                       QStringLiteral("Value out of range")});
        else
            level = v;
    }
    double Fixed() const { return 1.5; }

    Q_INVOKABLE double Add(double value, qint32 count) { return value + count; }
    // A long call: waits up to 2 s with the event loop running, as the program's waits do.
    Q_INVOKABLE void Pause(qint32 ms) { teleon::platform::RunEventLoopFor(qBound(0, ms, 2000)); }
    Q_INVOKABLE Gadget* Spawn() { return new Gadget; }
    Q_INVOKABLE bool Fail(const QString& name) {
        teleon::platform::RaiseCallError(this, {1, name, QStringLiteral("It failed")});
        return false;
    }

    qint16 level = 0;
    qint32 count = 0;
    bool flag = false;
    double ratio = 0;
    QString label;
};

using namespace teleon::test;
using teleon::platform::DBusBridge;

class BridgeTest : public ::testing::Test {
protected:
    ~BridgeTest() override { QDBusConnection::disconnectFromBus(QStringLiteral("server")); }
    static QVariant V(const QVariant& v) { return QVariant::fromValue(QDBusVariant(v)); }
    static QString PathOf(const QDBusMessage& r) {
        return r.arguments().value(0).value<QDBusObjectPath>().path();
    }
    // Lets calls sent meanwhile queue up unserved, so that the next pump finds them all at once.
    static void QueueUp() { std::this_thread::sleep_for(std::chrono::milliseconds(100)); }
    void SetUp() override {
        ASSERT_FALSE(bus.address().isEmpty());
        ASSERT_TRUE(bridge.exportObject(QStringLiteral("/Gadget"), &gadget, true));
        ASSERT_TRUE(bridge.exportObject(QStringLiteral("/Plain"), &plain, false));
        ASSERT_TRUE(bridge.setReturnedObjectBase(QStringLiteral("/Objects")));
        bridge.firstUse = [this](const QString& client) { firstUses.append(client); };
    }
    QDBusMessage call(BusClient& c, const QString& path, const QString& iface,
                      const QString& member, const QVariantList& args = {}) {
        QDBusMessage m = QDBusMessage::createMethodCall(server.baseService(), path, iface, member);
        m.setArguments(args);
        return c.call(m);
    }
    QDBusMessage get(BusClient& c, const QString& prop, const QString& path = "/Gadget") {
        return call(c, path, Props, QStringLiteral("Get"), {Iface, prop});
    }
    QDBusMessage set(BusClient& c, const QString& prop, const QVariant& v) {
        return call(c, "/Gadget", Props, QStringLiteral("Set"), {Iface, prop, V(v)});
    }
    QString spawn(BusClient& c) { return PathOf(call(c, "/Gadget", Iface, "Spawn")); }
    QDBusMessage message(const QString& path, const QString& member) {
        return QDBusMessage::createMethodCall(server.baseService(), path, Iface, member);
    }

    PrivateBus bus;
    QDBusConnection server = bus.connect(QStringLiteral("server"));
    DBusBridge bridge{server};
    Gadget gadget, plain;
    QStringList firstUses;
    BusClient alice{bus.address(), QStringLiteral("alice")};
};

TEST_F(BridgeTest, PropertiesAndMethodsCarryEachTypeAndTakeFittingIntegers) {
    // clang-format off
    struct Row { const char* prop; QVariant sent, expected; } rows[] = {
        {"Level", QVariant::fromValue(qint16(7)), QVariant::fromValue(qint16(7))},
        {"Level", QVariant::fromValue(quint64(9)), QVariant::fromValue(qint16(9))},
        {"Count", QVariant::fromValue(uchar(200)), QVariant::fromValue(qint32(200))},
        {"Count", QVariant::fromValue(qint64(INT_MIN)), QVariant::fromValue(qint32(INT_MIN))},
        {"Flag", true, true},
        {"Ratio", -0.25, -0.25},
        {"Ratio", QVariant::fromValue(qint64(1) << 40), double(qint64(1) << 40)},
        {"Label", QStringLiteral("Ünïcode ✓"), QStringLiteral("Ünïcode ✓")},
        {"Label", QString(4096, u'x'), QString(4096, u'x')},
    };
    // clang-format on
    for (const Row& r : rows) {
        SCOPED_TRACE(r.prop);
        EXPECT_EQ(set(alice, r.prop, r.sent).type(), QDBusMessage::ReplyMessage);
        const QVariant back =
            get(alice, r.prop).arguments().value(0).value<QDBusVariant>().variant();
        EXPECT_EQ(back.metaType(), r.expected.metaType());
        EXPECT_EQ(back, r.expected);
    }
    set(alice, "Ratio", std::nan(""));
    EXPECT_TRUE(std::isnan(gadget.ratio)); // members decide about NaN
    const auto all = qdbus_cast<QVariantMap>(
        call(alice, "/Gadget", Props, "GetAll", {Iface}).arguments().value(0));
    EXPECT_EQ(all.keys(), QStringList({"Count", "Fixed", "Flag", "Label", "Level", "Ratio"}));
    EXPECT_EQ(call(alice, "/Gadget", Iface, "Add", {2.5, 3}).arguments(), QVariantList({5.5}));
    EXPECT_EQ(call(alice, "/Gadget", "", "Add", {QVariant::fromValue(qint64(2)), 3}).arguments(),
              QVariantList({5.0}));
    EXPECT_EQ(call(alice, "/Gadget", Iface, "Pause", {0}).arguments(), QVariantList());
}

TEST_F(BridgeTest, MemberErrorsReachTheClientWithTheirNameAndText) {
    gadget.setLevel(4);
    const QDBusMessage refused = set(alice, "Level", QVariant::fromValue(qint16(12)));
    EXPECT_EQ(refused.errorName(), "org.marrick.Teleon.Error.ValueOutOfRange");
    EXPECT_EQ(refused.errorMessage(), "Value out of range");
    EXPECT_EQ(gadget.Level(), 4);
    EXPECT_EQ(
        call(alice, "/Gadget", Iface, "Fail", {"org.marrick.Teleon.Error.LostLink"}).errorName(),
        "org.marrick.Teleon.Error.LostLink");
    // A malformed name must not leave the client waiting for a reply that libdbus refuses to send.
    const QDBusMessage bad = call(alice, "/Gadget", Iface, "Fail", {"not a name"});
    EXPECT_EQ(bad.errorName(), Err + "Failed");
    EXPECT_EQ(bad.errorMessage(), "It failed");
}

TEST_F(BridgeTest, StandardErrorsName) {
    // clang-format off
    struct Row { QString path, iface, member; QVariantList args; QString error; } rows[] = {
        {"/Gadget", Iface, "Nope", {}, "UnknownMethod"},
        {"/Gadget", Iface, "Release", {}, "UnknownMethod"},
        {"/Gadget", Props, "Nope", {}, "UnknownMethod"},
        {"/Gadget", "org.example.Other", "Add", {1.0, 2}, "UnknownInterface"},
        {"/Gadget", Props, "GetAll", {"org.example.Other"}, "UnknownInterface"},
        {"/Gadget", Props, "Get", {Iface, "Nope"}, "UnknownProperty"},
        {"/Gadget", Props, "Get", {Iface}, "InvalidArgs"},
        {"/Gadget", Props, "Set", {Iface, "Fixed", V(2.0)}, "PropertyReadOnly"},
        {"/Gadget", Props, "Set", {Iface, "Count", V("5")}, "InvalidArgs"},
        {"/Gadget", Props, "Set", {Iface, "Level", V(40000)}, "InvalidArgs"},
        {"/Gadget", Props, "Set", {Iface, "Count", V(qint64(1) << 31)}, "InvalidArgs"},
        {"/Gadget", Props, "Set", {Iface, "Flag", V(1)}, "InvalidArgs"},
        {"/Gadget", Props, "Set", {Iface, "Ratio", V(true)}, "InvalidArgs"},
        {"/Gadget", Props, "Set", {Iface, "Label", V(QString(4097, u'x'))}, "InvalidArgs"},
        {"/Gadget", Iface, "Add", {"1", 2}, "InvalidArgs"},
        {"/Gadget", Iface, "Add", {1.0}, "InvalidArgs"},
        {"/Gadget", Iface, "Add", {1.0, 2.0}, "InvalidArgs"},
        {"/Nowhere", Iface, "Add", {1.0, 2}, "UnknownObject"},
        {"/Objects/99", Iface, "Add", {1.0, 2}, "UnknownObject"},
        {"/Objects", Iface, "Add", {1.0, 2}, "UnknownObject"},
        {"/Objects/1/2", Iface, "Add", {1.0, 2}, "UnknownObject"},
        {"/Gadget/x", Iface, "Add", {1.0, 2}, "UnknownObject"},
    };
    // clang-format on
    for (const Row& r : rows) {
        SCOPED_TRACE((r.path + " " + r.member).toStdString());
        EXPECT_EQ(call(alice, r.path, r.iface, r.member, r.args).errorName(), Err + r.error);
    }
    EXPECT_EQ(gadget.count, 0);
    EXPECT_EQ(gadget.level, 0);
}

TEST_F(BridgeTest, ReturnedObjectsBelongToTheirClient) {
    BusClient bob(bus.address(), QStringLiteral("bob"));
    const QString mine = spawn(alice);
    EXPECT_EQ(mine, "/Objects/1");
    EXPECT_EQ(bridge.liveReturnedObjects(), 1);
    EXPECT_EQ(call(bob, mine, Iface, "Release").errorName(), Err + "AccessDenied");
    EXPECT_EQ(call(alice, mine, Iface, "Release").type(), QDBusMessage::ReplyMessage);
    EXPECT_EQ(Gadget::alive, 2);
    EXPECT_EQ(call(alice, mine, Iface, "Add", {1.0, 1}).errorName(), Err + "UnknownObject");

    // Released while one of its own calls waits: ended when that call returns.
    const QString busy = spawn(alice);
    auto pause = alice.start(message(busy, "Pause") << 300);
    int liveAtRelease = -1, aliveAtRelease = -1;
    alice.start(message(busy, "Release"), 1000, [&] {
        liveAtRelease = bridge.liveReturnedObjects();
        aliveAtRelease = Gadget::alive;
    });
    QueueUp();
    ASSERT_TRUE(PumpUntil([&] { return pause->done; }));
    EXPECT_EQ(liveAtRelease, 1);
    EXPECT_EQ(aliveAtRelease, 3);
    EXPECT_EQ(pause->reply.type(), QDBusMessage::ReplyMessage);
    EXPECT_EQ(bridge.liveReturnedObjects(), 0);

    spawn(bob);
    spawn(bob);
    EXPECT_EQ(Gadget::alive, 4);
    bob.leave();
    EXPECT_TRUE(PumpUntil([&] { return bridge.liveReturnedObjects() == 0; }, 3000));
    EXPECT_EQ(Gadget::alive, 2);
}

TEST_F(BridgeTest, FirstUseRunsOncePerClientOfACreatableObject) {
    call(alice, "/Gadget", "org.freedesktop.DBus.Introspectable", "Introspect");
    call(alice, "/Plain", Iface, "Add", {1.0, 1});
    EXPECT_TRUE(firstUses.isEmpty());
    get(alice, "Level");
    call(alice, "/Gadget", Iface, "Add", {1.0, 1});
    EXPECT_EQ(firstUses, QStringList({alice.uniqueName()}));
    BusClient bob(bus.address(), QStringLiteral("bob"));
    call(bob, "/Gadget", Iface, "Add", {1.0, 1});
    EXPECT_EQ(firstUses.size(), 2);
    alice.leave();
    PumpUntil([] { return false; }, 200);
    BusClient again(bus.address(), QStringLiteral("alice2"));
    get(again, "Level");
    EXPECT_EQ(firstUses.size(), 3);
}

TEST_F(BridgeTest, OtherCallsAreServedWhileACallWaits) {
    BusClient bob(bus.address(), QStringLiteral("bob"));
    auto slow = alice.start(message("/Gadget", "Pause") << 1000);
    auto quick = bob.start(message("/Gadget", "Spawn"));
    auto same = alice.start(message("/Gadget", "Add") << 1.0 << 2);
    QueueUp();
    ASSERT_TRUE(PumpUntil([&] { return slow->done && quick->done && same->done; }));
    EXPECT_EQ(slow->reply.type(), QDBusMessage::ReplyMessage);
    EXPECT_EQ(same->reply.arguments(), QVariantList({3.0}));
    EXPECT_LT(same->finishedMs, slow->finishedMs - 500);
    EXPECT_LT(quick->finishedMs, slow->finishedMs - 500);
    EXPECT_EQ(call(bob, PathOf(quick->reply), Iface, "Add", {1.0, 1}).arguments(),
              QVariantList({2.0}));
}

TEST_F(BridgeTest, BadInputGetsAnErrorReplyAndNothingBreaks) {
    // clang-format off
    const QVariantList values = {
        QVariant(), true, QVariant::fromValue(uchar(255)),
        QVariant::fromValue(std::numeric_limits<qint64>::min()),
        QVariant::fromValue(std::numeric_limits<quint64>::max()),
        std::numeric_limits<double>::infinity(), QString(1 << 20, u'é'), QString(),
        QVariant::fromValue(QDBusObjectPath("/Gadget")), QByteArray(70000, 'x'),
        QStringList({"a", "b"}), V(V(1)),
    };
    // clang-format on
    const QMetaObject& mo = Gadget::staticMetaObject;
    for (int m = mo.methodOffset(); m < mo.methodCount(); ++m)
        for (const QVariant& v : values)
            for (int n = 1; n <= 3; ++n)
                ASSERT_NE(call(alice, "/Gadget", Iface, mo.method(m).name(),
                               v.isValid() ? QVariantList(n, v) : QVariantList())
                              .errorName(),
                          Err + "NoReply")
                    << mo.method(m).name().constData();
    for (int p = mo.propertyOffset(); p < mo.propertyCount(); ++p)
        for (const QVariant& v : values.mid(1))
            ASSERT_NE(set(alice, mo.property(p).name(), v).errorName(), Err + "NoReply");
    EXPECT_EQ(call(alice, "/Gadget", Iface, "Add", {1.0, 1}).arguments(), QVariantList({2.0}));
}

// A separate client process sees the error names, the documentation and every object.
TEST_F(BridgeTest, RealClientSeesErrorNamesDocsAndObjects) {
    spawn(alice);
    auto run = [&](const QStringList& args) {
        QProcess p;
        p.start("gdbus", QStringList({args.first(), "--address", bus.address(), "--dest",
                                      server.baseService()}) +
                             args.mid(1));
        PumpUntil([&] { return p.state() == QProcess::NotRunning; });
        return QString::fromUtf8(p.readAllStandardOutput() + p.readAllStandardError());
    };
    const QString refused = run({"call", "--object-path", "/Gadget", "--method", Props + ".Set",
                                 Iface, "Level", "<int16 12>"});
    EXPECT_TRUE(refused.contains("org.marrick.Teleon.Error.ValueOutOfRange: Value out of range"))
        << refused.toStdString();
    const QString tree = run({"introspect", "--recurse", "--object-path", "/"});
    for (const char* part : {"@org.gtk.GDBus.DocString(\"Test gadget <&>\")", "node /Objects/1",
                             "Add(in  d value,", "in  i count,", "out d arg_2", "Release();",
                             "@org.gtk.GDBus.DocString(\"Level (0 - 9)\")", "readwrite n Level",
                             "readonly d Fixed", "node /Plain"})
        EXPECT_TRUE(tree.contains(part)) << part << "\n" << tree.toStdString();
}

} // namespace

#include "test_dbus_bridge.moc"
