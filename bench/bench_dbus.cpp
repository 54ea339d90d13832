// The cost of one automation call through the D-Bus bridge: a client on its own thread and
// connection reads a trivial property with Properties.Get, blocking, many times over, while the
// main thread serves it; each round trip is timed on the client's side (daemon hops included).
// Runs its own private bus. Exit status 1 when the goal is missed, 2 when the set-up fails.
#include "BenchSupport.h"
#include "PrivateBus.h"
#include "platform/DBusBridge.h"

#include <QCoreApplication>
#include <QDBusVariant>

#include <atomic>
#include <cstdio>
#include <thread>
#include <vector>

namespace {

using namespace teleon::bench;

constexpr int kCalls = 3000;
constexpr double kGoalMedianMs = 0.5;

class Probe : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.marrick.Teleon.Probe")
    Q_PROPERTY(double Value READ Value)
public:
    double Value() const { return 42.5; }
};

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    teleon::test::PrivateBus bus;
    if (bus.address().isEmpty()) {
        std::printf("set-up failed: no private dbus-daemon\n");
        return 2;
    }
    QDBusConnection server = bus.connect(QStringLiteral("server"));
    teleon::platform::DBusBridge bridge(server);
    Probe probe;
    if (!bridge.exportObject(QStringLiteral("/Probe"), &probe, true)) {
        std::printf("set-up failed: the object was not exported\n");
        return 2;
    }

    std::vector<double> ms;
    std::atomic<bool> done{false};
    bool replied = true;
    std::thread client([&] {
        QDBusConnection conn = bus.connect(QStringLiteral("client"));
        QDBusMessage get = QDBusMessage::createMethodCall(
            server.baseService(), QStringLiteral("/Probe"),
            QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
        get << QStringLiteral("org.marrick.Teleon.Probe") << QStringLiteral("Value");
        for (int i = 0; i < kCalls + 100 && replied; ++i) {
            const auto t0 = Clock::now();
            const QDBusMessage r = conn.call(get);
            if (i >= 100) // the first calls warm up caches and the first-use path
                ms.push_back(msSince(t0));
            replied = r.type() == QDBusMessage::ReplyMessage &&
                      r.arguments().value(0).value<QDBusVariant>().variant().toDouble() == 42.5;
        }
        done = true;
    });
    while (!done)
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 50);
    client.join();
    QDBusConnection::disconnectFromBus(QStringLiteral("client"));
    if (!replied) {
        std::printf("set-up failed: a Get did not return the value\n");
        return 2;
    }
    std::sort(ms.begin(), ms.end());
    const double med = median(ms);
    std::printf("Properties.Get of a trivial property through the bridge, %d calls\n", kCalls);
    std::printf("  median %.3f ms   goal <= %.1f ms   %s\n", med, kGoalMedianMs,
                verdict(med <= kGoalMedianMs));
    std::printf("  99th percentile %.3f ms, worst %.3f ms\n", ms[ms.size() * 99 / 100], ms.back());
    return anyMiss ? 1 : 0;
}

#include "bench_dbus.moc"
