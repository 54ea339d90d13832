// The cost of one automation call through the D-Bus bridge: a client on its own thread and
// connection reads a property with Properties.Get, blocking, many times over, while the main
// thread serves it; each round trip is timed on the client's side (daemon hops included).
//   (a) a trivial property: the bridge and the bus alone;
//   (b) Scope.RightAscension against the simulated telescope, unpaced, beside the same exchange
//       called in process: the difference of the medians is what D-Bus adds.
// Runs its own private bus and simulator. Exit status 1 when a goal is missed, 2 when the set-up
// fails.
#include "BenchSupport.h"
#include "PrivateBus.h"
#include "automation/AutomationStartup.h"
#include "automation/Scope.h"
#include "console/Registry.h"
#include "console/frmMain.h"
#include "link/Channel.h"
#include "link/ProgramState.h"
#include "platform/DBusBridge.h"
#include "platform/Prompts.h"
#include "sim/SimServer.h"

#include <QApplication>
#include <QDBusVariant>
#include <QTemporaryDir>
#include <QTimer>

#include <atomic>
#include <cstdio>
#include <thread>
#include <vector>

namespace {

using namespace teleon::bench;

constexpr int kCalls = 3000;
constexpr int kScopeCalls = 1000;
constexpr double kGoalMedianMs = 0.5;
constexpr double kGoalAddedMs = 0.3;

class Probe : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.marrick.Teleon.Probe")
    Q_PROPERTY(double Value READ Value)
public:
    double Value() const { return 42.5; }
};

} // namespace

// Times `calls` blocking Gets of interface.property at path on a client thread while this thread
// serves them; empty when a Get failed.
std::vector<double> timeGets(teleon::test::PrivateBus& bus, const QString& service,
                             const QString& path, const QString& interface, const QString& property,
                             int calls) {
    std::vector<double> ms;
    std::atomic<bool> done{false};
    bool replied = true;
    std::thread client([&] {
        QDBusConnection conn = bus.connect(QStringLiteral("client"));
        QDBusMessage get = QDBusMessage::createMethodCall(
            service, path, QStringLiteral("org.freedesktop.DBus.Properties"),
            QStringLiteral("Get"));
        get << interface << property;
        for (int i = 0; i < calls + 100 && replied; ++i) {
            const auto t0 = Clock::now();
            const QDBusMessage r = conn.call(get);
            if (i >= 100) // the first calls warm up caches and the first-use path
                ms.push_back(msSince(t0));
            replied = r.type() == QDBusMessage::ReplyMessage;
        }
        done = true;
    });
    while (!done)
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 50);
    client.join();
    QDBusConnection::disconnectFromBus(QStringLiteral("client"));
    if (!replied)
        ms.clear();
    std::sort(ms.begin(), ms.end());
    return ms;
}

double p99(const std::vector<double>& sorted) {
    return sorted[sorted.size() * 99 / 100];
}

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QTemporaryDir configHome;
    qputenv("XDG_CONFIG_HOME", configHome.path().toLocal8Bit());
    teleon::platform::ScriptedPrompts prompts;
    teleon::platform::setPrompts(&prompts);
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
    std::vector<double> ms =
        timeGets(bus, server.baseService(), QStringLiteral("/Probe"),
                 QStringLiteral("org.marrick.Teleon.Probe"), QStringLiteral("Value"), kCalls);
    if (ms.empty()) {
        std::printf("set-up failed: a Get did not return the value\n");
        return 2;
    }
    const double med = median(ms);
    std::printf("(a) Properties.Get of a trivial property through the bridge, %d calls\n", kCalls);
    std::printf("  median %.3f ms   goal <= %.1f ms   %s\n", med, kGoalMedianMs,
                verdict(med <= kGoalMedianMs));
    std::printf("  99th percentile %.3f ms, worst %.3f ms\n", p99(ms), ms.back());

    // (b) The telescope's right ascension, through the bus and in process.
    teleon::sim::SimServer sim;
    sim.start();
    teleon::PutConfig(QStringLiteral("General"), QStringLiteral("ComPort"), sim.devicePath());
    teleon::frmMain window(true);
    window.Form_Load();
    window.tmrStart_Timer();
    teleon::AutomationStartup();
    window.tmr1S()->stop();
    if (!teleon::ScopeConnected) {
        std::printf("set-up failed: no connection to the simulator\n");
        return 2;
    }
    teleon::Scope scope;
    bridge.exportObject(QStringLiteral("/Scope"), &scope, true);
    std::vector<double> viaBus = timeGets(bus, server.baseService(), QStringLiteral("/Scope"),
                                          QStringLiteral("org.marrick.Teleon.Scope"),
                                          QStringLiteral("RightAscension"), kScopeCalls);
    std::vector<double> direct;
    for (int i = 0; i < kScopeCalls + 100; ++i) {
        const auto t0 = Clock::now();
        scope.RightAscension();
        if (i >= 100)
            direct.push_back(msSince(t0));
    }
    std::sort(direct.begin(), direct.end());
    if (viaBus.empty()) {
        std::printf("set-up failed: Scope.RightAscension failed over the bus\n");
        return 2;
    }
    const double added = median(viaBus) - median(direct);
    std::printf("(b) Scope.RightAscension (\"GR\"), unpaced simulator, %d calls each\n",
                kScopeCalls);
    std::printf("  over D-Bus:  median %.3f ms, 99th percentile %.3f ms\n", median(viaBus),
                p99(viaBus));
    std::printf("  in process:  median %.3f ms, 99th percentile %.3f ms\n", median(direct),
                p99(direct));
    std::printf("  D-Bus adds %.3f ms at the median   goal <= %.1f ms   %s\n", added, kGoalAddedMs,
                verdict(added <= kGoalAddedMs));
    teleon::com1().close();
    teleon::platform::setPrompts(nullptr);
    return anyMiss ? 1 : 0;
}

#include "bench_dbus.moc"
