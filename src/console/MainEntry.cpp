#include "console/MainEntry.h"

#include "console/frmMain.h"
#include "link/Channel.h"
#include "link/ProgramState.h"
#include "link/Utilities.h"
#include "platform/WidgetPrompts.h"

#include <QApplication>
#include <QTimer>

namespace teleon {

int Main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Teleon"));
    QApplication::setOrganizationName(QStringLiteral("Marrick"));
    QApplication::setApplicationVersion(QStringLiteral(TELEON_VERSION));

    platform::WidgetPrompts prompts;
    platform::setPrompts(&prompts);

    StartupDone = false;
    BeginBusy();
    ReadLocaleSeparators();

    frmMain main;
    main.Form_Load();
    main.show();
    StartupDone = false;
    main.tmrStart()->start();
    const int rc = app.exec();
    platform::setPrompts(nullptr);
    return rc;
}

} // namespace teleon
