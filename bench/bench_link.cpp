// Figures of the telescope link against the simulated telescope on a pseudo-terminal:
//   (a) the time an exchange costs beyond the bytes' time on a 9600-baud line,
//   (b) the CPU used while a reply never comes (the full reply time limit),
//   (c) the CPU used by a WaitMs with the status timer set.
// Prints one line per figure with its goal and PASS or MISS. Exit status 1 when a goal is
// missed, 2 when the set-up fails. --quick shortens the run for a smoke test.
#include "BenchSupport.h"
#include "link/Channel.h"
#include "link/Commands.h"
#include "link/ProgramState.h"
#include "link/ScopeIntfc.h"
#include "sim/SimServer.h"

#include <QCoreApplication>
#include <QStringList>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <exception>
#include <sys/resource.h>
#include <vector>

namespace teleon {
namespace {

using namespace teleon::bench;

// 9600 baud, 8N1: 10 bit times a byte, 960 bytes a second.
constexpr double kMsPerByte = 1000.0 / 960.0;
constexpr double kGoalOverheadMs = 0.5;
constexpr double kGoalCpuPercent = 1.0;

double percentile(std::vector<double> v, double p) {
    std::sort(v.begin(), v.end());
    const std::size_t i = std::min(v.size() - 1, std::size_t(p / 100.0 * double(v.size())));
    return v[i];
}

// CPU and wall time of one stretch of work, for the whole process and the calling thread.
struct CpuSample {
    Clock::time_point wall0 = Clock::now();
    double process0 = cpuSeconds(CLOCK_PROCESS_CPUTIME_ID);
    double thread0 = cpuSeconds(CLOCK_THREAD_CPUTIME_ID);
    long wakeups0 = threadWakeups();
};

void printCpu(const char* what, const CpuSample& s) {
    const double wallMs = msSince(s.wall0);
    const double processMs = (cpuSeconds(CLOCK_PROCESS_CPUTIME_ID) - s.process0) * 1000.0;
    const double threadMs = (cpuSeconds(CLOCK_THREAD_CPUTIME_ID) - s.thread0) * 1000.0;
    const long wakeups = threadWakeups() - s.wakeups0;
    const double processPct = 100.0 * processMs / wallMs;
    const double threadPct = 100.0 * threadMs / wallMs;
    std::printf("  %s: wall %.0f ms; main thread slept %ld times\n", what, wallMs, wakeups);
    std::printf("  %s, CPU of the main thread: %.3f %% of one core (%.2f ms)   "
                "goal <= %.0f %%   %s\n",
                what, threadPct, threadMs, kGoalCpuPercent, verdict(threadPct <= kGoalCpuPercent));
    std::printf("  %s, CPU of the whole process (simulator thread included): %.3f %% "
                "(%.2f ms)   goal <= %.0f %%   %s\n",
                what, processPct, processMs, kGoalCpuPercent,
                verdict(processPct <= kGoalCpuPercent));
}

// (a) Exchange overhead.
//
// What the wire time is here: the client writes "#:GR#" into the pty and the simulator reads
// it at once (a pty does not pace, whatever its baud setting); only the simulator's reply is
// paced, one byte every 1/960 s, the first one 1/960 s after the command arrived. So the
// 9-byte reply "HH:MM:SS#" is complete 9/960 s = 9.375 ms after the command arrived, and that
// is the wire time that really happened. The overhead over it is everything else: the write,
// the simulator thread waking and answering, its timer lateness on the last byte, and the
// client waking on each byte and assembling the reply. On a real 9600-baud line the 5 command
// bytes would take another 5.2 ms; the overhead over the full round-trip wire time (14 bytes)
// is printed as well and comes out negative on the pty because those 5 bytes took no time.
void benchExchange(sim::SimServer& sim, int count) {
    std::printf("(a) exchange overhead: %d x GR against the simulator paced at 9600 baud\n", count);
    SetLongFormat(true);
    const QString probe = SendCommandString(lx::GetRA);
    if (probe.size() != 8) {
        std::printf("  set-up failed: GR answered \"%s\", not HH:MM:SS\n", qPrintable(probe));
        std::exit(2);
    }
    for (int i = 0; i < 5; ++i) // warm-up, not counted
        SendCommandString(lx::GetRA);

    sim.clearLog();
    const QByteArray command = QByteArray("#:") + QByteArray(lx::GetRA.text.data()) + '#';
    std::vector<double> measuredMs;
    measuredMs.reserve(std::size_t(count));
    qsizetype replyBytes = -1;
    const double thread0 = cpuSeconds(CLOCK_THREAD_CPUTIME_ID);
    const long wakeups0 = threadWakeups();
    for (int i = 0; i < count; ++i) {
        const Clock::time_point t0 = Clock::now();
        const QString reply = SendCommandString(lx::GetRA);
        measuredMs.push_back(msSince(t0));
        const qsizetype bytes = reply.size() + 1; // "#" is read and removed
        if (replyBytes >= 0 && bytes != replyBytes) {
            std::printf("  set-up failed: reply length changed (%lld, then %lld bytes)\n",
                        static_cast<long long>(replyBytes), static_cast<long long>(bytes));
            std::exit(2);
        }
        replyBytes = bytes;
    }
    const double cpuPerExchangeMs =
        (cpuSeconds(CLOCK_THREAD_CPUTIME_ID) - thread0) * 1000.0 / count;
    const double sleepsPerExchange = double(threadWakeups() - wakeups0) / count;
    // Cross-check the byte counts with what the simulator itself saw.
    sim.waitForSent(replyBytes * count, 1000);
    const qsizetype heard = sim.receivedBytes().size();
    const qsizetype said = sim.sentBytes().size();
    if (heard != command.size() * count || said != replyBytes * count) {
        std::printf("  set-up failed: the simulator heard %lld and sent %lld bytes, expected "
                    "%lld and %lld\n",
                    static_cast<long long>(heard), static_cast<long long>(said),
                    static_cast<long long>(command.size() * count),
                    static_cast<long long>(replyBytes * count));
        std::exit(2);
    }

    const double replyWireMs = double(replyBytes) * kMsPerByte;
    const double roundTripWireMs = double(replyBytes + command.size()) * kMsPerByte;
    std::vector<double> overReply;
    std::vector<double> overRoundTrip;
    for (double m : measuredMs) {
        overReply.push_back(m - replyWireMs);
        overRoundTrip.push_back(m - roundTripWireMs);
    }
    const double medianOverReply = median(overReply);
    std::printf("  measured exchange: median %.3f ms, worst %.3f ms (steady clock, %d "
                "exchanges after 5 warm-up)\n",
                median(measuredMs), *std::max_element(measuredMs.begin(), measuredMs.end()), count);
    std::printf("  reply wire time: %lld reply bytes x 1/960 s = %.3f ms (the pty delivers the "
                "%lld command bytes at once; only the reply is paced)\n",
                static_cast<long long>(replyBytes), replyWireMs,
                static_cast<long long>(command.size()));
    std::printf("  overhead over reply wire time, median: %.3f ms   goal <= %.1f ms   %s\n",
                medianOverReply, kGoalOverheadMs, verdict(medianOverReply <= kGoalOverheadMs));
    std::printf("  overhead over reply wire time, 90th percentile: %.3f ms, worst: %.3f ms   "
                "(no goal; for information)\n",
                percentile(overReply, 90), *std::max_element(overReply.begin(), overReply.end()));
    std::printf("  overhead over full round-trip wire time (%lld bytes = %.3f ms), median: "
                "%.3f ms, worst: %.3f ms   (negative: the command bytes took no time on the "
                "pty)\n",
                static_cast<long long>(replyBytes + command.size()), roundTripWireMs,
                median(overRoundTrip),
                *std::max_element(overRoundTrip.begin(), overRoundTrip.end()));
    std::printf("  main thread per exchange: CPU %.3f ms, slept %.1f times (one wake-up per "
                "paced reply byte is expected)   (for information)\n",
                cpuPerExchangeMs, sleepsPerExchange);
}

// (b) The CPU of a wait for a reply that never comes.
void benchNoReply(sim::SimServer& sim) {
    std::printf("(b) no reply: GR to a silent telescope, reply limit %d ms\n", ReplyTimeoutMs());
    sim.stopAnswering(true);
    bool lost = false;
    CpuSample sample;
    try {
        SendCommandString(lx::GetRA);
    } catch (const LostLinkError&) {
        lost = true;
    }
    printCpu("no-reply wait", sample);
    sim.stopAnswering(false);
    if (!lost) {
        std::printf("  set-up failed: the silent telescope answered\n");
        std::exit(2);
    }
}

// (c) The CPU of WaitMs with the status timer set (it is paused during the wait).
void benchWait(int waitMs) {
    std::printf("(c) WaitMs(%d) with a 1000 ms status timer set\n", waitMs);
    QTimer tmr1S;
    tmr1S.setInterval(1000);
    int ticks = 0;
    QObject::connect(&tmr1S, &QTimer::timeout, [&ticks] { ++ticks; });
    tmr1S.start();
    SetStatusTimer(&tmr1S);
    CpuSample sample;
    WaitMs(waitMs);
    printCpu("WaitMs", sample);
    std::printf("  status timer ticks during the wait: %d (paused: expected 0); running "
                "after it: %s\n",
                ticks, tmr1S.isActive() ? "yes" : "NO");
    SetStatusTimer(nullptr);
}

int run(bool quick) {
    sim::SimServer::Options options;
    options.paced = true;
    sim::SimServer sim(options);
    sim.start();
    SetCommPort({sim.devicePath(), 0, QStringLiteral("the simulator")});
    int port = 0;
    if (!ConnectScope(port, false)) {
        std::printf("set-up failed: cannot connect to the simulator at %s\n",
                    qPrintable(sim.devicePath()));
        return 2;
    }
    std::printf("bench_link%s: simulator at %s, paced at 9600 baud\n", quick ? " --quick" : "",
                qPrintable(sim.devicePath()));

    benchExchange(sim, quick ? 50 : 300);
    if (quick)
        SetReplyTimeoutMs(3000);
    benchNoReply(sim);
    SetReplyTimeoutMs(20000);
    benchWait(5000);

    DisconnectScope();
    sim.stop();
    std::printf("%s\n", anyMiss ? "Some goals MISSED." : "All goals met.");
    return anyMiss ? 1 : 0;
}

} // namespace
} // namespace teleon

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments().mid(1);
    for (const QString& a : args) {
        if (a != QStringLiteral("--quick")) {
            std::fprintf(stderr, "usage: bench_link [--quick]\n");
            return 2;
        }
    }
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    try {
        return teleon::run(args.contains(QStringLiteral("--quick")));
    } catch (const std::exception& e) {
        std::printf("set-up failed: %s\n", e.what());
        return 2;
    }
}
