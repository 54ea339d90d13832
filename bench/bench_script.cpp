// Scripts: (a) the time to run an empty main() in each language, the engine's start included
// (the first run of Python also starts the interpreter); (b) the cost of one Scope.RightAscension
// read from a script against the simulated telescope, unpaced, beside the same read in C++.
// Exit status 1 when a goal is missed, 2 when the set-up fails.
#include "BenchSupport.h"
#include "automation/AutomationStartup.h"
#include "automation/Scope.h"
#include "console/Registry.h"
#include "console/frmMain.h"
#include "link/Channel.h"
#include "link/ProgramState.h"
#include "platform/Prompts.h"
#include "platform/ScriptControl.h"
#include "sim/SimServer.h"

#include <QApplication>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>
#include <vector>

using namespace teleon;
using namespace teleon::bench;

namespace {

constexpr int kRuns = 5;
constexpr int kReads = 1000;

struct Language {
    const char* name;
    const char* empty;
    const char* reads; // a procedure reading Scope.RightAscension n times
    double goalAddedMs;
};

const Language Languages[] = {
    {"JScript", "function main() {}\n",
     "function reads(n) { for (var i = 0; i < n; ++i) Scope.RightAscension; }\n", 0.2},
    {"Python", "def main():\n    pass\n",
     "def reads(n):\n    for i in range(n):\n        Scope.RightAscension\n", 0.5},
};

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QTemporaryDir configHome;
    qputenv("XDG_CONFIG_HOME", configHome.path().toLocal8Bit());
    platform::ScriptedPrompts prompts;
    platform::setPrompts(&prompts);

    sim::SimServer sim;
    sim.start();
    PutConfig(QStringLiteral("General"), QStringLiteral("ComPort"), sim.devicePath());
    frmMain window(true);
    window.Form_Load();
    window.tmrStart_Timer();
    AutomationStartup();
    window.tmr1S()->stop();
    if (!ScopeConnected) {
        std::printf("set-up failed: no connection to the simulator\n");
        return 2;
    }
    Scope scope;

    std::vector<double> direct;
    for (int i = 0; i < 5; ++i) {
        const auto t0 = Clock::now();
        for (int k = 0; k < kReads; ++k)
            scope.RightAscension();
        direct.push_back(msSince(t0) / kReads);
    }
    const double cpp = median(direct);
    std::printf("Scope.RightAscension (\"GR\") in C++: %.4f ms a read (median of 5 x %d)\n", cpp,
                kReads);

    for (const Language& lang : Languages) {
        std::printf("%s\n", lang.name);
        std::vector<double> runs;
        for (int r = 0; r < kRuns; ++r) {
            platform::ScriptControl control;
            const auto t0 = Clock::now();
            control.setLanguage(QString::fromLatin1(lang.name));
            control.Reset();
            control.AddObject(QStringLiteral("Scope"), &scope, true);
            if (!control.AddCode(QString::fromLatin1(lang.empty)) ||
                !control.Run(QStringLiteral("main"))) {
                std::printf("set-up failed: %s\n", qPrintable(control.Error().description));
                return 2;
            }
            runs.push_back(msSince(t0));
        }
        std::printf("  (a) empty main(), engine start included: first %.2f ms, median %.2f ms\n",
                    runs.front(), median(runs));

        platform::ScriptControl control;
        control.setLanguage(QString::fromLatin1(lang.name));
        control.Reset();
        control.AddObject(QStringLiteral("Scope"), &scope, true);
        control.AddCode(QString::fromLatin1(lang.reads));
        std::vector<double> perRead;
        for (int r = 0; r < 5; ++r) {
            const auto t0 = Clock::now();
            if (!control.Run(QStringLiteral("reads"), {kReads})) {
                std::printf("set-up failed: %s\n", qPrintable(control.Error().description));
                return 2;
            }
            perRead.push_back(msSince(t0) / kReads);
        }
        const double added = median(perRead) - cpp;
        std::printf("  (b) Scope.RightAscension from the script: %.4f ms a read, %.4f ms added   "
                    "goal <= %.1f ms   %s\n",
                    median(perRead), added, lang.goalAddedMs, verdict(added <= lang.goalAddedMs));
    }
    com1().close();
    platform::setPrompts(nullptr);
    return anyMiss ? 1 : 0;
}
