// The about window (version, the documentation and home-page links, the system information
// window) and the two routines that open the documentation and addresses in the browser.
#pragma once

#include "setup/SetupWindows.h"

#include <QStringList>

#include <functional>

class QLabel;
class QPushButton;

namespace teleon {

// The program's web page, opened by the home-page links.
inline const QString HomePageUrl = QStringLiteral("https://example.org/teleon/");

// The user manual's start page: "doc/index.html" beside the executable, else the installed
// copy ("../share/teleon/doc/index.html" from the executable's folder), else the copy compiled
// into the program, written once to a temporary folder so a browser can read it. "" when none
// can be had. programDir "" is the executable's folder.
QString FindManual(const QString& programDir = {});

// Opens a path or an address in the desktop's browser (platform::OpenDocument). When the
// desktop cannot: "It doesn't appear that you have a web browser installed on your system."
// Returns whether it was opened.
bool OpenDocumentInBrowser(const QString& pathOrAddress);
// Opens the user manual in the browser (through OpenDocumentInBrowser).
bool OpenDocumentation(const QString& programDir = {});

// The facts of the system information window: program and Qt versions, the kernel, the
// operating system and the serial devices present.
QStringList SystemInformation(const QStringList& serialDevices);

// The small window of those facts.
class frmSysInfo : public QDialog {
    Q_OBJECT
public:
    frmSysInfo(const QStringList& facts, QWidget* parent = nullptr);
    QLabel* lblFacts;
};

class frmAbout : public frmPlaceholder {
    Q_OBJECT
public:
    explicit frmAbout(QWidget* parent = nullptr);

    // Shows the system information window (modal). The device list comes from
    // serialDevices (default platform::ListSerialDevices).
    void StartSysInfo();
    void lblDocs_Click();
    void lblHomePage_Click();

    std::function<QStringList()> serialDevices;

    QLabel *lblVersion, *lblDocs, *lblHomePage;
    QPushButton *cmdSysInfo, *cmdOK;
};

} // namespace teleon
