#include "automation/AutomationStartup.h"

#include "console/Registry.h"
#include "console/frmMain.h"
#include "link/Channel.h"
#include "link/ProgramState.h"
#include "link/Utilities.h"

#include <QLabel>
#include <QPointer>
#include <QTimer>

#include <exception>
#include <utility>

namespace teleon {

namespace {

enum class Phase { Idle, WaitingForWindow, Connecting };

std::function<frmMain*()> mainWindowFactory;
Phase phase = Phase::Idle;
QPointer<frmMain> madeHere; // a window made by the start-up and not shown yet

// The steps after the main window's start-up: show a window made here, connect.
void finishStartup(frmMain* window) {
    phase = Phase::Connecting;
    if (madeHere) {
        madeHere->showNormal();
        madeHere = nullptr;
        BeginBusy();
    }
    if (!ScopeConnected) {
        try {
            window->ConnectAndStart(
                false, GetConfig(QStringLiteral("General"), QStringLiteral("ComPort")));
        } catch (const LostLinkError&) {
            // The window has gone to standby; members fail through the channel.
        } catch (const std::exception& e) {
            window->lblStatus->setText(QString::fromLocal8Bit(e.what()));
        }
    }
    phase = Phase::Idle;
}

} // namespace

void SetMainWindowFactory(std::function<frmMain*()> factory) {
    mainWindowFactory = std::move(factory);
}

void AutomationStartup() {
    if (phase == Phase::Connecting)
        return;
    const bool first = phase == Phase::Idle;
    QPointer<frmMain> window = frmMain::Instance();
    if (first) {
        phase = Phase::WaitingForWindow;
        BeginBusy();
        if (!window && mainWindowFactory) {
            ReadLocaleSeparators();
            StartupDone = false;
            window = madeHere = mainWindowFactory();
            if (window) {
                window->Form_Load();
                window->setWindowState(Qt::WindowMinimized);
            }
        }
        if (madeHere)
            madeHere->tmrStart()->start();
    }
    // A window of the user's own start finishes its start-up by itself, unless its timer has
    // already fired (its tip window may be open); one made here is waited for.
    while (phase == Phase::WaitingForWindow && window && !StartupDone &&
           (madeHere || window->tmrStart()->isActive()))
        WaitMs(1000);
    if (phase == Phase::WaitingForWindow) {
        if (window)
            finishStartup(window);
        phase = Phase::Idle;
    }
    if (first)
        EndBusy();
}

} // namespace teleon
