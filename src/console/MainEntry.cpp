#include "console/MainEntry.h"

#include "console/frmMain.h"
#include "link/Channel.h"
#include "link/ProgramState.h"
#include "link/Utilities.h"
#include "platform/WidgetPrompts.h"

#include <QApplication>
#include <QTimer>

namespace teleon {

namespace {
const QString Title = QStringLiteral("LX-200 Vantor");
}

int Main(int argc, char** argv, const AutomationServiceFactory& automation) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Teleon"));
    QApplication::setOrganizationName(QStringLiteral("Marrick"));
    QApplication::setApplicationVersion(QStringLiteral(TELEON_VERSION));

    platform::WidgetPrompts prompts;
    platform::setPrompts(&prompts);

    std::unique_ptr<frmMain> main;
    // The window as a user starts it: loaded, shown, its start-up timer running.
    auto startWindow = [&] {
        StartupDone = false;
        BeginBusy();
        ReadLocaleSeparators();
        main = std::make_unique<frmMain>(false);
        main->Form_Load();
        main->show();
        StartupDone = false;
        main->tmrStart()->start();
    };
    auto showWindow = [&] {
        if (!main) {
            startWindow();
            return;
        }
        main->setWindowState(main->windowState() & ~Qt::WindowMinimized);
        main->show();
        main->raise();
        main->activateWindow();
    };

    std::unique_ptr<AutomationService> server = automation ? automation() : nullptr;
    bool forClient = false;
    if (server) {
        forClient = server->StartedForClient();
        // The window that a client's first call makes when the bus started the program.
        auto makeMainWindow = [&] {
            main = std::make_unique<frmMain>(true);
            return main.get();
        };
        const auto claim = server->Start(makeMainWindow, showWindow);
        if (claim == AutomationService::Claim::Taken) {
            // One program drives the telescope: the running one shows itself, this one ends.
            const bool answered = server->HandOver();
            if (!answered)
                prompts.MsgBox(QStringLiteral("Teleon is already running but does not answer. "
                                              "Close it before you start it again."),
                               platform::MsgIcon::Critical, platform::MsgButtons::OK, Title);
            platform::setPrompts(nullptr);
            return answered ? 0 : 1;
        }
        forClient = forClient && claim == AutomationService::Claim::Owned;
    }
    if (forClient) {
        // The client's call makes the window; a start by the bus that no object call follows
        // (a client that only looked) still ends with a window the user can close.
        QTimer::singleShot(10000, &app, [&] {
            if (!main)
                startWindow();
        });
    } else {
        startWindow();
    }
    const int rc = app.exec();
    server.reset();
    main.reset();
    platform::setPrompts(nullptr);
    return rc;
}

} // namespace teleon
