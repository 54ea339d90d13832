// Figures of the main window connected to the simulated telescope:
//   (a) the CPU used while connected and idle, the status timer polling once a second,
//   (b) the time one status tick takes against a telescope paced like a 9600-baud line, over a
//       full 60-tick rota, at rest and while the telescope moves,
//   (c) the USB adapter unplugged and plugged back in: CPU while it is gone, time to poll again.
// Prints one line per figure with its goal and PASS or MISS. Exit status 1 when a goal is
// missed, 2 when the set-up fails. --quick shortens (a) to 10 s for a smoke test.
#include "console/Registry.h"
#include "console/frmMain.h"
#include "BenchSupport.h"
#include "link/Channel.h"
#include "link/ProgramState.h"
#include "platform/Prompts.h"
#include "sim/SimServer.h"

#include <QApplication>
#include <QEventLoop>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <exception>
#include <functional>
#include <sys/resource.h>
#include <vector>

namespace teleon {
namespace {

using namespace teleon::bench;

// 9600 baud, 8N1: 10 bit times a byte, 960 bytes a second.
constexpr double kMsPerByte = 1000.0 / 960.0;
constexpr double kGoalIdleCpuPercent = 0.5;
constexpr double kTickIntervalMs = 1000.0; // a tick must end before the next one is due
constexpr int kRotaTicks = 60;

[[noreturn]] void setupFailed(const char* why) {
    std::printf("  set-up failed: %s\n", why);
    std::fflush(stdout);
    std::exit(2);
}

// (a) Connected and idle: the event loop runs for the whole period and the status timer polls
// the telescope once a second.
void benchIdle(frmMain& window, sim::SimServer& sim, int seconds) {
    std::printf("(a) connected and idle for %d s: main window shown (offscreen), status timer "
                "running, simulator not paced\n",
                seconds);
    int ticks = 0;
    const auto counter = QObject::connect(window.tmr1S(), &QTimer::timeout, [&ticks] { ++ticks; });
    sim.clearLog();

    const Clock::time_point wall0 = Clock::now();
    const double process0 = cpuSeconds(CLOCK_PROCESS_CPUTIME_ID);
    const double thread0 = cpuSeconds(CLOCK_THREAD_CPUTIME_ID);
    const long wakeups0 = threadWakeups();
    QEventLoop loop;
    QTimer::singleShot(seconds * 1000, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
    const double threadMs = (cpuSeconds(CLOCK_THREAD_CPUTIME_ID) - thread0) * 1000.0;
    const double processMs = (cpuSeconds(CLOCK_PROCESS_CPUTIME_ID) - process0) * 1000.0;
    const long wakeups = threadWakeups() - wakeups0;
    const double wallMs = msSince(wall0);
    QObject::disconnect(counter);

    if (!ScopeConnected)
        setupFailed("the link was lost during the idle period");
    const double threadPct = 100.0 * threadMs / wallMs;
    const double processPct = 100.0 * processMs / wallMs;
    std::printf("  wall %.0f ms; %d status ticks; the telescope heard %lld commands; main thread "
                "slept %ld times\n",
                wallMs, ticks, static_cast<long long>(sim.receivedCommands().size()), wakeups);
    std::printf("  CPU of the main thread: %.3f %% of one core (%.1f ms)   goal <= %.1f %%   %s\n",
                threadPct, threadMs, kGoalIdleCpuPercent,
                verdict(threadPct <= kGoalIdleCpuPercent));
    std::printf("  CPU of the whole process, simulator thread included: %.3f %% of one core "
                "(%.1f ms)   (for information: the simulated telescope runs in-process)\n",
                processPct, processMs);
}

// (b) One rota of status ticks, called directly one after another, each timed.
void benchTicks(frmMain& window, sim::SimServer& sim, bool moving) {
    std::printf("(b%s) %d status ticks (a full rota) against the simulator paced at 9600 baud, "
                "ScopeMoving=%s\n",
                moving ? "2" : "1", kRotaTicks, moving ? "true" : "false");
    ScopeMoving = moving;
    sim.clearLog();
    std::vector<double> tickMs;
    tickMs.reserve(kRotaTicks);
    const double thread0 = cpuSeconds(CLOCK_THREAD_CPUTIME_ID);
    for (int i = 0; i < kRotaTicks; ++i) {
        const Clock::time_point t0 = Clock::now();
        window.tmr1S_Timer();
        tickMs.push_back(msSince(t0));
    }
    const double cpuPerTickMs =
        (cpuSeconds(CLOCK_THREAD_CPUTIME_ID) - thread0) * 1000.0 / kRotaTicks;
    ScopeMoving = false;
    if (!ScopeConnected)
        setupFailed("the link was lost during the ticks");

    double totalMs = 0;
    for (double t : tickMs)
        totalMs += t;
    const double meanMs = totalMs / kRotaTicks;
    const double worstMs = *std::max_element(tickMs.begin(), tickMs.end());
    const qsizetype commands = sim.receivedCommands().size();
    const qsizetype replyBytes = sim.sentBytes().size();
    const double wirePerTickMs = double(replyBytes) * kMsPerByte / kRotaTicks;
    std::printf("  tick time: median %.2f ms, worst %.2f ms, mean %.2f ms per tick (%.0f ms for "
                "the rota)\n",
                median(tickMs), worstMs, meanMs, totalMs);
    std::printf("  worst tick: %.2f ms   limit < %.0f ms (the tick interval)   %s\n", worstMs,
                kTickIntervalMs, verdict(worstMs < kTickIntervalMs));
    std::printf("  traffic: %lld commands, %lld reply bytes in the rota; reply wire time %.2f ms "
                "per tick on average, so %.2f ms per tick is not the line's   (for "
                "information)\n",
                static_cast<long long>(commands), static_cast<long long>(replyBytes), wirePerTickMs,
                meanMs - wirePerTickMs);
    std::printf("  main thread CPU per tick: %.3f ms   (for information)\n", cpuPerTickMs);
}

// (c) The adapter unplugged while connected and idle, then plugged back in: how soon the loss is
// noticed, the CPU spent while the device is gone (standby ticks try to open it every 5 s), and
// how soon polling starts again once it is back, without any click.
void benchUnplug(frmMain& window, sim::SimServer& sim, int goneSeconds) {
    std::printf("(c) adapter unplugged for %d s while connected (status timer running), then "
                "plugged back in at the same path\n",
                goneSeconds);
    window.tmr1S()->start(1000);
    const auto runUntil = [](const std::function<bool()>& done, int limitMs) {
        const Clock::time_point t0 = Clock::now();
        QEventLoop loop;
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, [&] {
            if (done() || msSince(t0) > limitMs)
                loop.quit();
        });
        poll.start(10);
        loop.exec();
        return msSince(t0);
    };
    sim.unplug();
    const double noticedMs = runUntil([] { return !ScopeConnected; }, 10000);
    if (ScopeConnected)
        setupFailed("the unplugged adapter was not noticed");
    std::printf("  loss noticed after %.0f ms (at the next status tick)   (for information)\n",
                noticedMs);

    const Clock::time_point wall0 = Clock::now();
    const double thread0 = cpuSeconds(CLOCK_THREAD_CPUTIME_ID);
    const double process0 = cpuSeconds(CLOCK_PROCESS_CPUTIME_ID);
    QEventLoop gone;
    QTimer::singleShot(goneSeconds * 1000, Qt::PreciseTimer, &gone, &QEventLoop::quit);
    gone.exec();
    const double wallMs = msSince(wall0);
    const double threadPct = 100.0 * (cpuSeconds(CLOCK_THREAD_CPUTIME_ID) - thread0) * 1000.0 /
                             wallMs;
    const double processPct =
        100.0 * (cpuSeconds(CLOCK_PROCESS_CPUTIME_ID) - process0) * 1000.0 / wallMs;
    std::printf("  CPU of the main thread while the device is gone: %.3f %% of one core   goal "
                "<= 1 %%   %s\n",
                threadPct, verdict(threadPct <= 1.0));
    std::printf("  CPU of the whole process, simulator thread included: %.3f %%   (for "
                "information)\n",
                processPct);

    sim.plugIn();
    const double backMs = runUntil([] { return ScopeConnected; }, 20000);
    std::printf("  polling again %.1f s after the device came back   goal <= 10 s   %s\n",
                backMs / 1000.0, verdict(ScopeConnected && backMs <= 10000.0));
    window.tmr1S()->stop();
}

int run() {
    const bool quick = QCoreApplication::arguments().contains(QStringLiteral("--quick"));

    QTemporaryDir configHome;
    if (!configHome.isValid())
        setupFailed("no temporary folder");
    qputenv("XDG_CONFIG_HOME", configHome.path().toLocal8Bit());
    ResetConfigRoot();

    platform::ScriptedPrompts prompts;
    platform::setPrompts(&prompts);

    sim::SimServer::Options options;
    options.linkPath = configHome.filePath(QStringLiteral("ttyUSB0")); // comes back at its name
    sim::SimServer sim(options);
    try {
        sim.start();
    } catch (const std::exception& e) {
        std::printf("  set-up failed: the simulator did not start: %s\n", e.what());
        return 2;
    }
    PutConfig(QStringLiteral("General"), QStringLiteral("ComPort"), sim.devicePath());
    PutConfig(QStringLiteral("General"), QStringLiteral("StartupTips"), QStringLiteral("0"));

    int status = 0;
    {
        frmMain window;
        window.Form_Load();
        window.tmrStart_Timer();
        window.show();
        Hooks().ShowTimeAlert = [](const QString&) {}; // nobody to answer it
        window.mnuControlItem_Click(0);
        if (!ScopeConnected) {
            for (const auto& m : prompts.messages)
                std::printf("  message: %s\n", qPrintable(m.text));
            setupFailed("the main window did not connect to the simulator");
        }
        std::printf("connected to the simulator at %s (store in %s)\n",
                    qPrintable(sim.devicePath()), qPrintable(configHome.path()));

        benchIdle(window, sim, quick ? 10 : 60);

        window.tmr1S()->stop();
        sim.setPaced(true);
        benchTicks(window, sim, false);
        benchTicks(window, sim, true);
        sim.setPaced(false);

        benchUnplug(window, sim, quick ? 10 : 30);

        if (!prompts.messages.empty()) {
            for (const auto& m : prompts.messages)
                std::printf("  unexpected message: %s\n", qPrintable(m.text));
            status = 2;
        }
    }
    platform::setPrompts(nullptr);
    sim.stop();
    if (status)
        return status;
    return anyMiss ? 1 : 0;
}

} // namespace
} // namespace teleon

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS"))
        qputenv("DBUS_SESSION_BUS_ADDRESS", "disabled:");
    QTemporaryDir runtime;
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR") && runtime.isValid()) {
        QFile::setPermissions(runtime.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                  QFileDevice::ExeOwner);
        qputenv("XDG_RUNTIME_DIR", runtime.path().toLocal8Bit());
    }
    QApplication app(argc, argv);
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    return teleon::run();
}
